// The fixed grid's scaled substitutions: the recurrences of a two-ended factorisation run side
// by side from the meeting, their right-hand sides formed before, and their processor twins.
#include "foundations/vector_unit.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <immintrin.h>
#include <limits>

// The AVX-512 values pass only between functions of that unit.
#pragma GCC diagnostic ignored "-Wpsabi"

// The recurrences y_j = f_j - m_j y_(j-d) advance two rows per dependent multiply-add:
// y_(j+d) = (f_(j+d) - m_(j+d) f_j) + (m_(j+d) m_j) y_(j-d), the bracketed terms formed beside
// the chain. Two recurrences run side by side, so four rows are in flight; the right-hand sides
// are formed before, in a pass without a recurrence that runs several rows at a time.
namespace {

// Takes nothing from the rows a recurrence writes.
struct TakeNone {
    void Pair(int, int, double, double) {}
    void One(int, double) {}
};

// The two values a step of a recurrence wrote, at rows j and j + d.
struct RowPair {
    double first, second;
};

// Rows j and j + d of one recurrence; y holds y_(j-d) and then y_(j+d). With kPairs the
// factors' products m_j m_(j+1) are read from p (the same numbers: the product does not depend
// on the order of its factors), which leaves a multiply fewer beside the chain.
template <int d, bool kPairs>
[[gnu::always_inline]] inline RowPair TwoRows(double* u, const double* m, const double* p, int j,
                                              double& y) {
    const double f0 = u[j], f1 = u[j + d];
    const double m0 = m[j], m1 = m[j + d];
    const double partial = f1 - m1 * f0, carried = kPairs ? p[d > 0 ? j : j - 1] : m1 * m0;
    const double first = f0 - m0 * y;
    u[j] = first;
    y = partial + carried * y;
    u[j + d] = y;
    return {first, y};
}

template <int d>
[[gnu::always_inline]] inline void OneRow(double* u, const double* m, int j, double& y) {
    y = u[j] - m[j] * y;
    u[j] = y;
}

// The recurrence d1 over rows first1..last1 (d1 = +1 upward, -1 downward) beside d2 over
// first2..last2; an empty range is one whose first lies past its last in its direction. The
// rows each writes go to take1 and take2. With kPairs, p1 and p2 hold the products of the
// factors m1 and m2 of adjacent rows (p[i] = m[i] m[i + 1]).
template <int d1, int d2, bool kPairs, class Take1 = TakeNone, class Take2 = TakeNone>
[[gnu::always_inline]] inline void SideBySide(double* u, const double* m1, const double* p1,
                                              int first1, int last1, double& y1, const double* m2,
                                              const double* p2, int first2, int last2, double& y2,
                                              Take1&& take1 = Take1(), Take2&& take2 = Take2()) {
    int n1 = d1 > 0 ? last1 - first1 + 1 : first1 - last1 + 1;
    int n2 = d2 > 0 ? last2 - first2 + 1 : first2 - last2 + 1;
    int j1 = first1, j2 = first2;
    for (; n1 >= 2 && n2 >= 2; n1 -= 2, n2 -= 2, j1 += 2 * d1, j2 += 2 * d2) {
        const RowPair r1 = TwoRows<d1, kPairs>(u, m1, p1, j1, y1);
        const RowPair r2 = TwoRows<d2, kPairs>(u, m2, p2, j2, y2);
        take1.Pair(j1, j1 + d1, r1.first, r1.second);
        take2.Pair(j2, j2 + d2, r2.first, r2.second);
    }
    for (; n1 >= 2; n1 -= 2, j1 += 2 * d1) {
        const RowPair r = TwoRows<d1, kPairs>(u, m1, p1, j1, y1);
        take1.Pair(j1, j1 + d1, r.first, r.second);
    }
    for (; n2 >= 2; n2 -= 2, j2 += 2 * d2) {
        const RowPair r = TwoRows<d2, kPairs>(u, m2, p2, j2, y2);
        take2.Pair(j2, j2 + d2, r.first, r.second);
    }
    if (n1 == 1) {
        OneRow<d1>(u, m1, j1, y1);
        take1.One(j1, y1);
    }
    if (n2 == 1) {
        OneRow<d2>(u, m2, j2, y2);
        take2.One(j2, y2);
    }
}

// The largest and the smallest of the rows a back pass writes, two rows to a register beside
// its chains; the maxima and minima run on units the chains' multiply-adds leave free.
struct TakeExtremes {
    using V2 = double __attribute__((vector_size(16)));
    static constexpr double kLowest = std::numeric_limits<double>::lowest();
    static constexpr double kHighest = std::numeric_limits<double>::max();
    V2 most = {kLowest, kLowest}, least = {kHighest, kHighest};
    void Pair(int, int, double first, double second) {
        const V2 v = {first, second};
        most = v > most ? v : most;
        least = v < least ? v : least;
    }
    void One(int, double value) { Pair(0, 0, value, value); }
    double Most() const { return most[0] > most[1] ? most[0] : most[1]; }
    bool Beyond(double level) const {
        return most[0] > level || most[1] > level || least[0] < -level || least[1] < -level;
    }
};

// TakeExtremes for the last rows of a pass, of which those below `from` count only for the
// check of the range.
struct TakeExtremesFrom {
    TakeExtremes& into;
    int from;
    bool beyond = false;
    void One(int j, double value) {
        if (j >= from)
            into.One(j, value);
        else
            beyond |= !(std::fabs(value) <= 1e100);
    }
    void Pair(int j0, int j1, double first, double second) {
        One(j0, first);
        One(j1, second);
    }
};

// Rows j..hi - 1 of the right-hand side (a, b, c) v from j on, four rows a vector: each vector
// of v is loaded once, its neighbours shifted in from the vectors before and after it, so the
// loop reads four vectors for four rows instead of six. The multiply and the two fused
// multiply-adds are those the compiler forms from the scalar expression, so the bits are the
// same; the rows the vectors leave are done one by one. Returns the first row not done.
[[gnu::target("avx2,fma")]] int RightHandSidesFused(const double* __restrict a,
                                                    const double* __restrict b,
                                                    const double* __restrict c,
                                                    const double* __restrict v,
                                                    double* __restrict u, int j, int hi) {
    if (hi - j < 8)
        return j;
    __m256d here = _mm256_loadu_pd(v + j);
    __m256d before = _mm256_loadu_pd(v + j - 1);
    // the vector after `here` must lie inside rows ..hi
    for (; j + 7 <= hi; j += 4) {
        const __m256d next = _mm256_loadu_pd(v + j + 4);
        const __m256d middle = _mm256_permute2f128_pd(here, next, 0x21);
        const __m256d after = _mm256_shuffle_pd(here, middle, 5);
        __m256d r = _mm256_mul_pd(_mm256_loadu_pd(b + j), here);
        r = _mm256_fmadd_pd(_mm256_loadu_pd(a + j), before, r);
        r = _mm256_fmadd_pd(_mm256_loadu_pd(c + j), after, r);
        _mm256_storeu_pd(u + j, r);
        before = _mm256_shuffle_pd(middle, next, 5);
        here = next;
    }
    return j;
}

// v[j - 1..j + 6] and v[j + 1..j + 8] from the lines v[j - 8..j - 1], v[j..j + 7] and
// v[j + 8..j + 15].
[[gnu::target("avx2,fma,avx512f")]] inline __m512d RowsBelow(__m512d below, __m512d here) {
    return __builtin_shufflevector(below, here, 7, 8, 9, 10, 11, 12, 13, 14);
}
[[gnu::target("avx2,fma,avx512f")]] inline __m512d RowsAbove(__m512d here, __m512d next) {
    return __builtin_shufflevector(here, next, 1, 2, 3, 4, 5, 6, 7, 8);
}

// RightHandSidesFused eight rows a vector in one AVX-512 register, from the first multiple of
// eight on (rows j..j + 7 are then one line of vectors placed on lines): the rows one below and one
// above a block's are shifted in from the lines beside it, so each line of v is loaded once. The
// same operations on each row as the scalar expression's, so the same bits.
[[gnu::target("avx2,fma,avx512f")]] int RightHandSidesAvx512(const double* __restrict a,
                                                             const double* __restrict b,
                                                             const double* __restrict c,
                                                             const double* __restrict v,
                                                             double* __restrict u, int j, int hi) {
    if (hi - j < 24)
        return j;
    for (; j % 8 != 0; ++j)
        u[j] = a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1];
    __m512d below = _mm512_loadu_pd(v + j - 8), here = _mm512_loadu_pd(v + j);
    // the line after `here` must lie inside rows ..hi
    for (; j + 15 <= hi; j += 8) {
        const __m512d next = _mm512_loadu_pd(v + j + 8);
        __m512d r = _mm512_mul_pd(_mm512_loadu_pd(b + j), here);
        r = _mm512_fmadd_pd(_mm512_loadu_pd(a + j), RowsBelow(below, here), r);
        r = _mm512_fmadd_pd(_mm512_loadu_pd(c + j), RowsAbove(here, next), r);
        _mm512_storeu_pd(u + j, r);
        below = here;
        here = next;
    }
    return j;
}

// The back pass of TwistedSubstituteScaledFrom from rows k and k + 1 of the meeting, up to
// start and down to hi.
template <bool kPairs>
[[gnu::always_inline]] inline void BackFromMeeting(double* u, const double* back,
                                                   const double* backPairs, int k, double uk,
                                                   double uk1, int start, int hi) {
    double up = uk, down = uk1;
    SideBySide<-1, 1, kPairs>(u, back + 1, kPairs ? backPairs + 1 : nullptr, k - 1, start, up, back,
                              backPairs, k + 2, hi, down);
}

// The same, handing back whether any of u[start..hi] is beyond +-1e100 or not a number and,
// when none is, the largest of u[largestFrom..hi] (start <= k, start <= largestFrom). A value
// that is not a number reaches the end of its chain through every later row, so only the ends
// are looked at for it; the others count by their largest and smallest.
template <bool kPairs>
[[gnu::always_inline]] inline bool
BackFromMeetingChecked(double* u, const double* back, const double* backPairs, int k, double uk,
                       double uk1, int start, int hi, int largestFrom, double& largest) {
    TakeExtremes extremes;
    TakeExtremesFrom below{extremes, largestFrom};
    below.One(k, uk);
    below.One(k + 1, uk1);
    // the rows below largestFrom close the upward chain, after the pairs it forms from k - 1 on
    const int n = k - start;
    int tail = n % 2;
    while (tail < largestFrom - start)
        tail += 2;
    tail = tail < n ? tail : n;
    double up = uk, down = uk1;
    SideBySide<-1, 1, kPairs>(u, back + 1, kPairs ? backPairs + 1 : nullptr, k - 1, start + tail,
                              up, back, backPairs, k + 2, hi, down, extremes, extremes);
    SideBySide<-1, 1, kPairs>(u, back + 1, kPairs ? backPairs + 1 : nullptr, start + tail - 1,
                              start, up, back, backPairs, hi + 1, hi, down, below, TakeNone());
    largest = extremes.Most();
    return below.beyond || extremes.Beyond(1e100) || std::isnan(up) || std::isnan(down) ||
           std::isnan(uk) || std::isnan(uk1);
}

// TakeExtremes for the rows of a pass from a meeting k below `from`: rows below `from` are not
// looked at, those below largestFrom count only for the check of the range.
struct TakeExtremesAbove {
    TakeExtremes& into;
    int from, largestFrom;
    bool beyond = false;
    void One(int j, double value) {
        if (j >= largestFrom)
            into.One(j, value);
        else if (j >= from)
            beyond |= !(std::fabs(value) <= 1e100);
    }
    void Pair(int j0, int j1, double first, double second) {
        One(j0, first);
        One(j1, second);
    }
};

// BackFromMeetingChecked for a meeting k below start: the pass runs down from k + 2 alone, its
// rows below start taken as they come, then those up to largestFrom one by one, then the rest
// into the extremes. The pieces keep the pairs of rows the whole pass would form. A value that is
// not a number at a row below start reaches every row after it, as in the whole pass.
template <bool kPairs>
[[gnu::always_inline]] inline bool
BackBelowChecked(double* u, const double* back, const double* backPairs, int k, double uk,
                 double uk1, int start, int hi, int largestFrom, double& largest) {
    TakeExtremes extremes;
    TakeExtremesAbove above{extremes, start, largestFrom};
    above.One(k, uk);
    above.One(k + 1, uk1);
    // the rows from k + 2 before the pair that holds start, then those before the pair that
    // holds largestFrom
    const int first = k + 2 + (start - k - 2) / 2 * 2;
    const int middle = std::min(first + (largestFrom - first + 1) / 2 * 2, hi + 1);
    double down = uk1, none = uk;
    SideBySide<-1, 1, kPairs>(u, back + 1, nullptr, k - 1, k, none, back, backPairs, k + 2,
                              first - 1, down);
    SideBySide<-1, 1, kPairs>(u, back + 1, nullptr, k - 1, k, none, back, backPairs, first,
                              middle - 1, down, TakeNone(), above);
    SideBySide<-1, 1, kPairs>(u, back + 1, nullptr, k - 1, k, none, back, backPairs, middle, hi,
                              down, TakeNone(), extremes);
    largest = extremes.Most();
    return above.beyond || extremes.Beyond(1e100) || std::isnan(down) || std::isnan(uk1);
}

template <bool fused, bool checked, bool kPairs = false>
[[gnu::always_inline]] inline bool
SubstituteScaledFromBody(const double* __restrict a, const double* __restrict b,
                         const double* __restrict c, const double* __restrict v,
                         const double* __restrict scaled, const double* __restrict back,
                         const TwistedMeeting& meet, double* __restrict u, int lo, int from, int hi,
                         int zeroBelow, int largestFrom, double& largest,
                         const double* scaledPairs = nullptr, const double* backPairs = nullptr) {
    const int k = meet.k;
    const int start = from > lo ? from : lo;
    // right-hand sides: rows before start carry nothing (those below zeroBelow hold zeros
    // already), the end rows lack a neighbour
    for (int j = zeroBelow > lo ? zeroBelow : lo; j < start && j < hi; ++j)
        u[j] = 0.0;
    int inner = start > lo ? start : lo + 1;
    if constexpr (fused)
        inner = UsableAvx512() ? RightHandSidesAvx512(a, b, c, v, u, inner, hi)
                               : RightHandSidesFused(a, b, c, v, u, inner, hi);
    for (int j = inner; j < hi; ++j)
        u[j] = a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1];
    if (start == lo)
        u[lo] = b[lo] * v[lo] + c[lo] * v[lo + 1];
    u[hi] = a[hi] * v[hi - 1] + b[hi] * v[hi];
    // forward: downward from start to the meeting, upward from hi to k + 1
    double x = 0.0, y = u[hi];
    if (start <= k)
        x = u[start];
    SideBySide<1, -1, kPairs>(u, scaled, scaledPairs, start + 1, k, x, scaled, scaledPairs, hi - 1,
                              k + 1, y);
    const double uk = (u[k] - meet.gam * u[k + 1]) * meet.inv;
    const double uk1 = u[k + 1] - meet.delta * uk;
    u[k] = uk;
    u[k + 1] = uk1;
    // back: upward from the meeting to start, downward to hi
    if constexpr (checked) {
        if (k < start)
            return BackBelowChecked<kPairs>(u, back, backPairs, k, uk, uk1, start, hi, largestFrom,
                                            largest);
        return BackFromMeetingChecked<kPairs>(u, back, backPairs, k, uk, uk1, start, hi,
                                              largestFrom, largest);
    }
    BackFromMeeting<kPairs>(u, back, backPairs, k, uk, uk1, start, hi);
    return false;
}

// The variants take the same arguments, those they do not use left aside.
[[gnu::target("avx2,fma")]] void SubstituteScaledFromFused(const double* a, const double* b,
                                                           const double* c, const double* v,
                                                           const double* scaled, const double* back,
                                                           const TwistedMeeting& meet, double* u,
                                                           int lo, int from, int hi, int zeroBelow,
                                                           const double*, const double*) {
    double unused;
    SubstituteScaledFromBody<true, false>(a, b, c, v, scaled, back, meet, u, lo, from, hi,
                                          zeroBelow, 0, unused);
}

[[gnu::target("avx2,fma")]] void
SubstituteScaledFromFusedPairs(const double* a, const double* b, const double* c, const double* v,
                               const double* scaled, const double* back, const TwistedMeeting& meet,
                               double* u, int lo, int from, int hi, int zeroBelow,
                               const double* scaledPairs, const double* backPairs) {
    double unused;
    SubstituteScaledFromBody<true, false, true>(a, b, c, v, scaled, back, meet, u, lo, from, hi,
                                                zeroBelow, 0, unused, scaledPairs, backPairs);
}

void SubstituteScaledFromPlain(const double* a, const double* b, const double* c, const double* v,
                               const double* scaled, const double* back, const TwistedMeeting& meet,
                               double* u, int lo, int from, int hi, int zeroBelow, const double*,
                               const double*) {
    double unused;
    SubstituteScaledFromBody<false, false>(a, b, c, v, scaled, back, meet, u, lo, from, hi,
                                           zeroBelow, 0, unused);
}

[[gnu::target("avx2,fma")]] bool
SubstituteScaledCheckedFused(const double* a, const double* b, const double* c, const double* v,
                             const double* scaled, const double* back, const TwistedMeeting& meet,
                             double* u, int lo, int from, int hi, int zeroBelow, int largestFrom,
                             double& largest, const double*, const double*) {
    return SubstituteScaledFromBody<true, true>(a, b, c, v, scaled, back, meet, u, lo, from, hi,
                                                zeroBelow, largestFrom, largest);
}

[[gnu::target("avx2,fma")]] bool
SubstituteScaledCheckedFusedPairs(const double* a, const double* b, const double* c,
                                  const double* v, const double* scaled, const double* back,
                                  const TwistedMeeting& meet, double* u, int lo, int from, int hi,
                                  int zeroBelow, int largestFrom, double& largest,
                                  const double* scaledPairs, const double* backPairs) {
    return SubstituteScaledFromBody<true, true, true>(a, b, c, v, scaled, back, meet, u, lo, from,
                                                      hi, zeroBelow, largestFrom, largest,
                                                      scaledPairs, backPairs);
}

bool SubstituteScaledCheckedPlain(const double* a, const double* b, const double* c,
                                  const double* v, const double* scaled, const double* back,
                                  const TwistedMeeting& meet, double* u, int lo, int from, int hi,
                                  int zeroBelow, int largestFrom, double& largest, const double*,
                                  const double*) {
    return SubstituteScaledFromBody<false, true>(a, b, c, v, scaled, back, meet, u, lo, from, hi,
                                                 zeroBelow, largestFrom, largest);
}

// Four products a vector; the products are the same in any width.
[[gnu::target("avx2")]] int AdjacentProductsAvx2(const double* m, double* pairs, int j, int hi) {
    for (; j + 3 < hi; j += 4)
        _mm256_storeu_pd(pairs + j,
                         _mm256_mul_pd(_mm256_loadu_pd(m + j), _mm256_loadu_pd(m + j + 1)));
    return j;
}

} // namespace

void AdjacentProducts(const double* m, double* pairs, int lo, int hi) {
    int j = UsableAvx2() ? AdjacentProductsAvx2(m, pairs, lo, hi) : lo;
    for (; j < hi; ++j)
        pairs[j] = m[j] * m[j + 1];
}

namespace scaled_substitution {
const Plain kPlain[2] = {SubstituteScaledFromPlain, SubstituteScaledFromFused};
const Plain kPlainPaired[2] = {SubstituteScaledFromPlain, SubstituteScaledFromFusedPairs};
const Checked kChecked[2] = {SubstituteScaledCheckedPlain, SubstituteScaledCheckedFused};
const Checked kCheckedPaired[2] = {SubstituteScaledCheckedPlain, SubstituteScaledCheckedFusedPairs};
} // namespace scaled_substitution
