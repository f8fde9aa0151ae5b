// Thomas-algorithm solves of tridiagonal systems on 1-based arrays.
#pragma once

#include "foundations/tarnix_assert.h"
#include "foundations/vector_unit.h"

#include <algorithm>

// Result of a tridiagonal factorisation or solve.
enum class TridiagStatus { Ok = 0, FirstPivotZero = 1, LaterPivotZero = 2 };

// Solves rows lo..hi of a u = r, with a the sub-, b the main and c the super-diagonal
// (a[i] couples row i to i-1, c[i] row i to i+1). gam[lo+1..hi] receives the elimination
// factors. On a zero pivot u is left unchanged up to the failing row and the status says which.
TridiagStatus ThomasSolve(const double* a, const double* b, const double* c, const double* r,
                          double* u, double* gam, int lo, int hi);

// ThomasSolve for a matrix solved once: the rows are eliminated from both ends toward the middle
// in two recurrences side by side, each bound by the latency of its divisions, so a long system
// takes about half the time. back[lo+1..hi] receives the factors of the back substitutions. The
// result differs from ThomasSolve's in the last bits; on a zero pivot u is unspecified.
TridiagStatus TwistedSolve(const double* a, const double* b, const double* c, const double* r,
                           double* u, double* back, int lo, int hi);

// TwistedSolve with the pivots taken as ratios of continuants, p_j = b_j p_j-1 - a_j c_j-1 p_j-2
// (pivot_j = p_j / p_j-1, and upward likewise): each row's recurrences are a multiply and a
// subtraction, and its one division runs beside them; the two eliminations share the
// instructions of a two-lane vector register, so a long system takes some 60 % of the time of
// TwistedSolve. The continuants are brought back to unit size every 16 rows by powers of two.
// The result differs from TwistedSolve's in the last bits; on a zero pivot u is unspecified.
TridiagStatus ContinuantSolve(const double* a, const double* b, const double* c, const double* r,
                              double* u, double* back, int lo, int hi);

// Factorises rows lo..hi for repeated solves: invBet[j] = 1 / pivot_j, aScaled[j] =
// a[j] / pivot_j, gam[j] as above.
TridiagStatus ThomasFactor(const double* a, const double* b, const double* c, double* invBet,
                           double* aScaled, double* gam, int lo, int hi);

// Forward and back substitution with the factors of ThomasFactor; the forward pass may start at
// any row from lo on, taking the rows before it as zero.
void ThomasSubstitute(const double* aScaled, const double* invBet, const double* gam,
                      const double* r, double* u, int lo, int hi);

// out[lo..hi] = T v for the tridiagonal T (a, b, c); the couplings to rows below lo and above hi
// are left out, so each end row is the first or last row of a matrix cut at lo and hi.
void TridiagProduct(const double* a, const double* b, const double* c, const double* v, double* out,
                    int lo, int hi);

// ThomasSubstitute applied to the right-hand side (a, b, c) v of rows lo..hi, formed row by row
// inside the forward pass; row lo takes a[lo] v[lo - 1] only when lo > first, the first row of
// the matrix.
void ThomasSubstituteProduct(const double* a, const double* b, const double* c, const double* v,
                             const double* aScaled, const double* invBet, const double* gam,
                             double* u, int first, int lo, int hi);

// ThomasSubstituteProduct that also leaves ratio[j] = |u[j] - v[j]| / v[j] (v[j] = 0 taken as 1)
// for the rows lo..hi - 1 of the back substitution: the divisions run in the shadow of its
// latency. u is the same, bit for bit.
void ThomasSubstituteProductRatios(const double* a, const double* b, const double* c,
                                   const double* v, const double* aScaled, const double* invBet,
                                   const double* gam, double* u, double* ratio, int first, int lo,
                                   int hi);

// ThomasFactor of the left matrix (la, lb, lc) on rows first..hi and the forward pass of
// ThomasSubstituteProductRatios for the right-hand side (a, b, c) v of rows lo..hi in the same
// loop, then its back substitution: the same numbers as the two calls one after the other, with
// the substitution's recurrence in the shadow of the factorisation's.
TridiagStatus ThomasFactorSubstituteProductRatios(const double* la, const double* lb,
                                                  const double* lc, const double* a,
                                                  const double* b, const double* c, const double* v,
                                                  double* invBet, double* aScaled, double* gam,
                                                  double* u, double* ratio, int first, int lo,
                                                  int hi);

// Where the two eliminations of a two-ended factorisation meet: rows k and k + 1.
struct TwistedMeeting {
    int k = 0;
    double gam = 0.0, delta = 0.0, inv = 1.0;

    // Joins the two halves at rows k, k + 1 from the coupling above k over its pivot and the
    // lower half's first back factor; refused when the joined pivot vanishes.
    TridiagStatus Join(double gamma, double backBelow) {
        gam = gamma;
        delta = backBelow;
        const double det = 1.0 - gam * delta;
        if (det == 0.0)
            return TridiagStatus::LaterPivotZero;
        inv = 1.0 / det;
        return TridiagStatus::Ok;
    }
};

// Factorises rows lo..hi (hi - lo >= 3) from both ends toward the middle for repeated solves;
// the two halves of a substitution are independent and run side by side.
TridiagStatus TwistedFactor(const double* a, const double* b, const double* c, double* invBet,
                            double* scaled, double* back, TwistedMeeting& meet, int lo, int hi);

// The same with the meeting at rows k, k + 1 (lo <= k < hi): a meeting in the middle of the rows
// that carry material halves the latency of their substitutions.
TridiagStatus TwistedFactorAt(const double* a, const double* b, const double* c, double* invBet,
                              double* scaled, double* back, TwistedMeeting& meet, int lo, int k,
                              int hi);

// The reciprocal pivots of a two-ended elimination taken as ratios of continuants, as
// ContinuantSolve takes them: from the top p_j = b_j p_j-1 - e_j p_j-2 and inv[j] = p_j-1 / p_j
// for rows lo + 1..k, from the bottom likewise for rows hi - 1..k + 1, and inv[lo], inv[hi] =
// 1 / b. e[j] is the product of row j's couplings with the row before it in its elimination:
// a_j c_j-1 from the top, c_j a_j+1 from the bottom. The two recurrences run side by side in the
// lanes of a vector register, each a multiply and a subtraction per row, the divisions beside
// them; with fused multiply-adds, where the machine has them, one rounding per row. The
// continuants are brought back to unit size every 16 rows by powers of two, which changes no
// quotient. Returns false, leaving inv unspecified, when a continuant vanishes, is not a number
// or leaves the magnitudes 2^-960..2^960 (b[lo] and b[hi] must not be zero).
bool ContinuantPivots(const double* b, const double* e, double* inv, int lo, int k, int hi);

// One row of a tridiagonal matrix: a below the diagonal, b on it, c above.
struct TridiagRow {
    double a = 0.0, b = 0.0, c = 0.0;
};

// TwistedFactorAt with the rows formed as the eliminations reach them: rows.Form(j) gives row j,
// in the shadow of the chains of divisions, which leave the arithmetic units mostly idle. The
// factors are the same numbers as TwistedFactorAt's on the formed rows.
template <class Rows>
TridiagStatus TwistedFactorRowsAt(Rows& rows, double* invBet, double* scaled, double* back,
                                  TwistedMeeting& meet, int lo, int k, int hi) {
    TARNIX_ASSERT(lo >= 0 && lo <= k && k < hi);
    meet.k = k;
    const TridiagRow first = rows.Form(lo);
    const TridiagRow end = rows.Form(hi);
    if (first.b == 0.0 || end.b == 0.0)
        return TridiagStatus::FirstPivotZero;
    invBet[lo] = 1.0 / first.b;
    scaled[lo] = 0.0;
    invBet[hi] = 1.0 / end.b;
    scaled[hi] = 0.0;
    back[hi] = end.a * invBet[hi];
    double above = first.c; // c of the last row the elimination from the top reached
    // the elimination from the top (rows lo + 1..k) and the one from the bottom (hi - 1..k + 1),
    // each a chain of divisions, side by side
    auto fromTop = [&](int j) {
        const TridiagRow row = rows.Form(j);
        back[j] = above * invBet[j - 1];
        const double bet = row.b - row.a * back[j];
        invBet[j] = 1.0 / bet;
        scaled[j] = row.a * invBet[j];
        above = row.c;
        return bet != 0.0;
    };
    auto fromBottom = [&](int j) {
        const TridiagRow row = rows.Form(j);
        const double bet = row.b - row.c * back[j + 1];
        invBet[j] = 1.0 / bet;
        scaled[j] = row.c * invBet[j];
        back[j] = row.a * invBet[j];
        return bet != 0.0;
    };
    int top = lo + 1, bot = hi - 1;
    for (; top <= k && bot > k; ++top, --bot) {
        const bool topOk = fromTop(top);
        if (!(fromBottom(bot) && topOk))
            return TridiagStatus::LaterPivotZero;
    }
    for (; top <= k; ++top)
        if (!fromTop(top))
            return TridiagStatus::LaterPivotZero;
    for (; bot > k; --bot)
        if (!fromBottom(bot))
            return TridiagStatus::LaterPivotZero;
    return meet.Join(above * invBet[k], back[k + 1]);
}

// Solves rows lo..hi of the factorised matrix for the right-hand side (a, b, c) v of rows
// from..hi, the rows before `from` taken as zero (as ThomasSubstituteProduct with first = lo);
// rows lo..from - 1 of u are left to the caller.
void TwistedSubstituteProductFrom(const double* a, const double* b, const double* c,
                                  const double* v, const double* invBet, const double* scaled,
                                  const double* back, const TwistedMeeting& meet, double* u, int lo,
                                  int from, int hi);

// Solves rows lo..hi of the factorised matrix for the right-hand side (a, b, c) v of the whole
// matrix rows lo..hi, formed inside the forward passes.
void TwistedSubstituteProduct(const double* a, const double* b, const double* c, const double* v,
                              const double* invBet, const double* scaled, const double* back,
                              const TwistedMeeting& meet, double* u, int lo, int hi);

// The same for a given right-hand side r[lo..hi].
void TwistedSubstitute(const double* invBet, const double* scaled, const double* back,
                       const TwistedMeeting& meet, const double* r, double* u, int lo, int hi);

// Multiplies rows lo..hi of the tridiagonal (a, b, c) by the reciprocal pivots of a two-ended
// factorisation, for TwistedSubstituteScaledFrom.
void ScaleRowsByPivots(double* a, double* b, double* c, const double* invBet, int lo, int hi);

// pairs[j] = m[j] m[j + 1] for rows lo..hi - 1: the products of adjacent factors that
// TwistedSubstituteScaledFrom takes for a factorisation that serves many solves.
void AdjacentProducts(const double* m, double* pairs, int lo, int hi);

// TwistedSubstituteProductFrom for a right-hand matrix whose rows were multiplied by the
// reciprocal pivots (ScaleRowsByPivots), with the same rows taken as zero and left to the
// caller. Its recurrences advance two rows per dependent operation, so it rounds differently
// from TwistedSubstituteProductFrom. Rows lo..zeroBelow - 1 of u hold zeros on entry; of the
// rows before `from` it leaves zeros in all but rows k..from - 1 of a meeting k below `from`.
// scaledPairs and backPairs, when given, hold AdjacentProducts of scaled and back over rows
// lo..hi; u is the same, bit for bit, with fewer operations beside the recurrences.
// The variants of the two substitutions below, plain and fused, with and without the products of
// adjacent factors: the calls reach the one the vector unit allows with their arguments as placed.
namespace scaled_substitution {
using Plain = void (*)(const double* a, const double* b, const double* c, const double* v,
                       const double* scaled, const double* back, const TwistedMeeting& meet,
                       double* u, int lo, int from, int hi, int zeroBelow,
                       const double* scaledPairs, const double* backPairs);
using Checked = bool (*)(const double* a, const double* b, const double* c, const double* v,
                         const double* scaled, const double* back, const TwistedMeeting& meet,
                         double* u, int lo, int from, int hi, int zeroBelow, int largestFrom,
                         double& largest, const double* scaledPairs, const double* backPairs);
extern const Plain kPlain[2], kPlainPaired[2];
extern const Checked kChecked[2], kCheckedPaired[2];
// The checked substitution eight rows a vector, with the factors of ScanCoefficients: the same
// bits in one AVX-512 register as in two AVX2 registers.
bool CheckedScanAvx2(const double* a, const double* b, const double* c, const double* v,
                     const double* scaled, const double* back, const TwistedMeeting& meet,
                     double* u, int lo, int from, int hi, int zeroBelow, int largestFrom,
                     double& largest, const double* forward, const double* backward);
bool CheckedScanAvx512(const double* a, const double* b, const double* c, const double* v,
                       const double* scaled, const double* back, const TwistedMeeting& meet,
                       double* u, int lo, int from, int hi, int zeroBelow, int largestFrom,
                       double& largest, const double* forward, const double* backward);
// Rows from the first to the last a substitution runs eight rows a vector from.
constexpr int kScanLeast = 32;
} // namespace scaled_substitution

// The factors with which the checked substitution of the two-ended factorisation (scaled, back)
// meeting at k, over rows lo..hi, advances its recurrences eight rows a vector: 4 (hi + 1)
// doubles each for the forward and the back pass. They depend on the factorisation alone and
// serve where the vector unit fuses multiply-adds.
void ScanCoefficients(const double* scaled, const double* back, int k, int lo, int hi,
                      double* forward, double* backward);

inline void TwistedSubstituteScaledFrom(const double* a, const double* b, const double* c,
                                        const double* v, const double* scaled, const double* back,
                                        const TwistedMeeting& meet, double* u, int lo, int from,
                                        int hi, int zeroBelow, const double* scaledPairs = nullptr,
                                        const double* backPairs = nullptr) {
    namespace s = scaled_substitution;
    (scaledPairs != nullptr ? s::kPlainPaired : s::kPlain)[UsableFma()](
        a, b, c, v, scaled, back, meet, u, lo, from, hi, zeroBelow, scaledPairs, backPairs);
}

// TwistedSubstituteScaledFrom that also hands back, from its back substitution, whether any of
// u[from..hi] is beyond +-1e100 or not a number and, when none is, the largest of
// u[largestFrom..hi] (from <= largestFrom <= hi). u is the same, bit for bit. Given the factors
// of ScanCoefficients, where the vector unit allows, a long system whose meeting lies at or above
// `from` is solved eight rows a vector: u then differs from the other variants' in the last bits
// (and is the same under AVX2 and AVX-512).
inline bool TwistedSubstituteScaledFromChecked(
    const double* a, const double* b, const double* c, const double* v, const double* scaled,
    const double* back, const TwistedMeeting& meet, double* u, int lo, int from, int hi,
    int zeroBelow, int largestFrom, double& largest, const double* scaledPairs = nullptr,
    const double* backPairs = nullptr, const double* scanForward = nullptr,
    const double* scanBackward = nullptr) {
    TARNIX_ASSERT(std::max(from, lo) <= largestFrom && largestFrom <= hi);
    namespace s = scaled_substitution;
    const int start = std::max(from, lo);
    if (scanForward != nullptr && UsableFma() && meet.k >= start && hi - start >= s::kScanLeast)
        return (UsableAvx512() ? s::CheckedScanAvx512 : s::CheckedScanAvx2)(
            a, b, c, v, scaled, back, meet, u, lo, from, hi, zeroBelow, largestFrom, largest,
            scanForward, scanBackward);
    return (scaledPairs != nullptr ? s::kCheckedPaired : s::kChecked)[UsableFma()](
        a, b, c, v, scaled, back, meet, u, lo, from, hi, zeroBelow, largestFrom, largest,
        scaledPairs, backPairs);
}
