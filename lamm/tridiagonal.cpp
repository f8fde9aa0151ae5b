// Thomas-algorithm kernels; they touch no object state so the solvers and tests share them.
#include "lamm/tridiagonal.h"

#include "foundations/tarnix_assert.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <immintrin.h>
#include <limits>

// The Thomas algorithm without pivoting is stable for the diagonally dominant Crank-Nicolson
// matrices of the Lamm solvers; a zero pivot is reported, never divided by. Checked against
// dense solutions in the kernel tests.
TridiagStatus ThomasSolve(const double* a, const double* b, const double* c, const double* r,
                          double* u, double* gam, int lo, int hi) {
    TARNIX_ASSERT(lo >= 0 && lo <= hi);
    if (b[lo] == 0.0)
        return TridiagStatus::FirstPivotZero;
    double bet = b[lo];
    u[lo] = r[lo] / bet;
    for (int j = lo + 1; j <= hi; ++j) {
        gam[j] = c[j - 1] / bet;
        bet = b[j] - a[j] * gam[j];
        if (bet == 0.0)
            return TridiagStatus::LaterPivotZero;
        u[j] = (r[j] - a[j] * u[j - 1]) / bet;
    }
    for (int j = hi - 1; j >= lo; --j)
        u[j] -= gam[j + 1] * u[j + 1];
    return TridiagStatus::Ok;
}

namespace {

// From u_k, the solution at the row where the two eliminations meet: u_k+1 = y_k+1 - delta u_k,
// then the back-substitution outwards from rows k and k + 1, both halves in one loop (each is
// bound by its own multiply-subtract latency).
[[gnu::always_inline]] inline void RiseFromMeeting(const double* back, int k, double uk,
                                                   double delta, double* u, int lo, int hi) {
    const double uk1 = u[k + 1] - delta * uk;
    u[k] = uk;
    u[k + 1] = uk1;
    double upper = uk, lower = uk1;
    int j = k - 1, i = k + 2;
    for (; j >= lo && i <= hi; --j, ++i) {
        upper = u[j] - back[j + 1] * upper;
        lower = u[i] - back[i] * lower;
        u[j] = upper;
        u[i] = lower;
    }
    for (; j >= lo; --j)
        u[j] = upper = u[j] - back[j + 1] * upper;
    for (; i <= hi; ++i)
        u[i] = lower = u[i] - back[i] * lower;
}

// Rows k and k + 1 where the two eliminations meet: u_k + gamma u_k+1 = x_k and
// u_k+1 + delta u_k = y_k+1; then the rise outwards from them.
[[gnu::always_inline]] inline TridiagStatus MeetAndRise(const double* back, int k, double gamma,
                                                        double delta, double* u, int lo, int hi) {
    const double det = 1.0 - gamma * delta;
    if (det == 0.0)
        return TridiagStatus::LaterPivotZero;
    RiseFromMeeting(back, k, (u[k] - gamma * u[k + 1]) / det, delta, u, lo, hi);
    return TridiagStatus::Ok;
}

} // namespace

// The upper half is eliminated downward as in ThomasSolve, the lower half upward (with the roles
// of a and c exchanged); rows k and k + 1 then form a 2 x 2 system, and the two back
// substitutions run outward from it side by side. Checked against ThomasSolve and dense
// solutions in the kernel tests.
TridiagStatus TwistedSolve(const double* a, const double* b, const double* c, const double* r,
                           double* u, double* back, int lo, int hi) {
    TARNIX_ASSERT(lo >= 0 && lo <= hi);
    if (hi - lo < 3)
        return ThomasSolve(a, b, c, r, u, back, lo, hi);
    if (b[lo] == 0.0 || b[hi] == 0.0)
        return TridiagStatus::FirstPivotZero;
    const int k = (lo + hi) / 2;
    double betUp = b[lo], betDown = b[hi];
    double x = r[lo] / betUp, y = r[hi] / betDown;
    u[lo] = x;
    u[hi] = y;
    int top = lo + 1, bot = hi - 1;
    bool zero = false;
    auto down = [&](int j) {
        const double g = c[j - 1] / betUp;
        back[j] = g;
        betUp = b[j] - a[j] * g;
        zero |= betUp == 0.0;
        x = (r[j] - a[j] * x) / betUp;
        u[j] = x;
    };
    auto up = [&](int j) {
        const double g = a[j + 1] / betDown;
        back[j + 1] = g;
        betDown = b[j] - c[j] * g;
        zero |= betDown == 0.0;
        y = (r[j] - c[j] * y) / betDown;
        u[j] = y;
    };
    for (; top <= k && bot > k; ++top, --bot) {
        down(top);
        up(bot);
    }
    for (; top <= k; ++top)
        down(top);
    for (; bot > k; --bot)
        up(bot);
    if (zero)
        return TridiagStatus::LaterPivotZero;
    // rows k and k + 1 meet
    const double gamma = c[k] / betUp, delta = a[k + 1] / betDown;
    return MeetAndRise(back, k, gamma, delta, u, lo, hi);
}

namespace {

// Two doubles in one vector register: the downward and the upward elimination of
// ContinuantSolve side by side, one instruction for both (one division for two rows).
typedef double Lanes __attribute__((vector_size(16)));
typedef std::uint64_t LaneBits __attribute__((vector_size(16)));

// Powers of two near 1 / |v| for finite nonzero v: multiplying by them is exact.
Lanes PowersOfTwoNearInverse(Lanes v) {
    const LaneBits exponent = (std::bit_cast<LaneBits>(v) >> 52) & 0x7ffu;
    return std::bit_cast<Lanes>((LaneBits{2046, 2046} - exponent) << 52);
}

} // namespace

// The elimination of TwistedSolve with pivot_j = p_j / p_j-1: the recurrence of p carries no
// division, and with 1 / pivot_j = p_j-1 / p_j the new profile's recurrence is
// x_j = r_j / pivot_j - (a_j / pivot_j) x_j-1. The downward elimination runs in lane 0, the
// upward one (a and c exchanged) in lane 1. Rescaling by powers of two changes no bit of the
// quotients. Checked against ThomasSolve and the product of the matrix with the solution in the
// kernel tests, on systems long enough that the continuants would leave the range of doubles.
TridiagStatus ContinuantSolve(const double* a, const double* b, const double* c, const double* r,
                              double* u, double* back, int lo, int hi) {
    TARNIX_ASSERT(lo >= 0 && lo <= hi);
    if (hi - lo < 3)
        return ThomasSolve(a, b, c, r, u, back, lo, hi);
    if (b[lo] == 0.0 || b[hi] == 0.0)
        return TridiagStatus::FirstPivotZero;
    const int k = (lo + hi) / 2;
    // p1, p2: the continuants of the last two rows; inv the last row's reciprocal pivot
    Lanes p1 = {b[lo], b[hi]}, p2 = {1.0, 1.0};
    Lanes inv = Lanes{1.0, 1.0} / p1;
    Lanes x = Lanes{r[lo], r[hi]} * inv;
    Lanes zeros = {0.0, 0.0};
    u[lo] = x[0];
    u[hi] = x[1];
    int top = lo + 1, bot = hi - 1;
    for (; top <= k && bot > k; ++top, --bot) {
        // lane 0 row top, lane 1 row bot
        const Lanes outer = {c[top - 1], a[bot + 1]}, near = {a[top], c[bot]};
        const Lanes g = outer * inv;
        back[top] = g[0];
        back[bot + 1] = g[1];
        const Lanes p = Lanes{b[top], b[bot]} * p1 - near * outer * p2;
        zeros += p == 0.0 ? 1.0 : 0.0;
        inv = p1 / p;
        x = Lanes{r[top], r[bot]} * inv - near * inv * x;
        u[top] = x[0];
        u[bot] = x[1];
        p2 = p1, p1 = p;
        if (((top - lo) & 15) == 0) {
            const Lanes scale = PowersOfTwoNearInverse(p1);
            p1 *= scale, p2 *= scale;
        }
    }
    // the row left over when the halves differ in length
    double invUp = inv[0], invDown = inv[1];
    bool zero = zeros[0] != 0.0 || zeros[1] != 0.0;
    if (top <= k) {
        back[top] = c[top - 1] * invUp;
        const double p = b[top] * p1[0] - a[top] * c[top - 1] * p2[0];
        zero |= p == 0.0;
        invUp = p1[0] / p;
        u[top] = r[top] * invUp - a[top] * invUp * x[0];
    }
    if (bot > k) {
        back[bot + 1] = a[bot + 1] * invDown;
        const double q = b[bot] * p1[1] - c[bot] * a[bot + 1] * p2[1];
        zero |= q == 0.0;
        invDown = p1[1] / q;
        u[bot] = r[bot] * invDown - c[bot] * invDown * x[1];
    }
    if (zero || !std::isfinite(invUp) || !std::isfinite(invDown))
        return TridiagStatus::LaterPivotZero;
    // rows k and k + 1 as in TwistedSolve
    const double gamma = c[k] * invUp, delta = a[k + 1] * invDown;
    return MeetAndRise(back, k, gamma, delta, u, lo, hi);
}

namespace {

// The next continuant b p1 - e p2, with one rounding where the machine fuses.
template <bool fused>
[[gnu::always_inline]] inline Lanes NextContinuant(Lanes b, Lanes p1, Lanes e, Lanes p2) {
    if constexpr (fused) {
        const Lanes t = e * p2;
        return Lanes{std::fma(b[0], p1[0], -t[0]), std::fma(b[1], p1[1], -t[1])};
    } else
        return b * p1 - e * p2;
}

template <bool fused>
[[gnu::always_inline]] inline double NextContinuant(double b, double p1, double e, double p2) {
    if constexpr (fused)
        return std::fma(b, p1, -(e * p2));
    else
        return b * p1 - e * p2;
}

// The smallest and the largest magnitude of the continuants so far, beside the chains: a value
// that is not a number is not taken, but stays in its chain to the end.
struct ContinuantRange {
    Lanes least = {std::numeric_limits<double>::max(), std::numeric_limits<double>::max()};
    Lanes most = {0.0, 0.0};
    void Take(Lanes p) {
        const Lanes size = p < 0.0 ? -p : p;
        least = size < least ? size : least;
        most = size > most ? size : most;
    }
    void Take(int lane, double p) {
        const double size = std::fabs(p);
        least[lane] = size < least[lane] ? size : least[lane];
        most[lane] = size > most[lane] ? size : most[lane];
    }
    bool Inside(Lanes last) const {
        return least[0] >= 0x1p-960 && least[1] >= 0x1p-960 && most[0] <= 0x1p960 &&
               most[1] <= 0x1p960 && !std::isnan(last[0]) && !std::isnan(last[1]);
    }
};

template <bool fused>
[[gnu::always_inline]] inline bool
ContinuantPivotsBody(const double* __restrict b, const double* __restrict e, double* __restrict inv,
                     int lo, int k, int hi) {
    // lane 0 from the top, lane 1 from the bottom: p1, p2 the continuants of the last two rows
    Lanes p1 = {b[lo], b[hi]}, p2 = {1.0, 1.0};
    const Lanes first = Lanes{1.0, 1.0} / p1;
    inv[lo] = first[0];
    inv[hi] = first[1];
    ContinuantRange range;
    range.Take(p1);
    int top = lo + 1, bot = hi - 1;
    for (int n = 1; top <= k && bot > k; ++top, --bot, ++n) {
        const Lanes p = NextContinuant<fused>(Lanes{b[top], b[bot]}, p1, Lanes{e[top], e[bot]}, p2);
        const Lanes q = p1 / p;
        inv[top] = q[0];
        inv[bot] = q[1];
        range.Take(p);
        p2 = p1, p1 = p;
        if ((n & 15) == 0) {
            const Lanes scale = PowersOfTwoNearInverse(p1);
            p1 *= scale, p2 *= scale;
        }
    }
    // the rows left over when the halves differ in length, in their lane alone
    auto rest = [&](int lane, int j, int n) {
        const double p = NextContinuant<fused>(b[j], p1[lane], e[j], p2[lane]);
        inv[j] = p1[lane] / p;
        range.Take(lane, p);
        p2[lane] = p1[lane], p1[lane] = p;
        if ((n & 15) == 0) {
            const Lanes scale = PowersOfTwoNearInverse(p1);
            p1[lane] *= scale[lane], p2[lane] *= scale[lane];
        }
    };
    for (int n = 1; top <= k; ++top, ++n)
        rest(0, top, n);
    for (int n = 1; bot > k; --bot, ++n)
        rest(1, bot, n);
    return range.Inside(p1);
}

[[gnu::target("fma")]] bool ContinuantPivotsFused(const double* b, const double* e, double* inv,
                                                  int lo, int k, int hi) {
    return ContinuantPivotsBody<true>(b, e, inv, lo, k, hi);
}

bool ContinuantPivotsPlain(const double* b, const double* e, double* inv, int lo, int k, int hi) {
    return ContinuantPivotsBody<false>(b, e, inv, lo, k, hi);
}

} // namespace

// A rounding error in a continuant perturbs the pivot it forms as one in a pivot of the
// division-based elimination would, and is damped alike on diagonally dominant rows. Checked
// against TwistedFactorRowsAt in the kernel tests.
bool ContinuantPivots(const double* b, const double* e, double* inv, int lo, int k, int hi) {
    TARNIX_ASSERT(lo >= 0 && lo <= k && k < hi);
    return (UsableFma() ? ContinuantPivotsFused : ContinuantPivotsPlain)(b, e, inv, lo, k, hi);
}

// Reciprocal pivots and the sub-diagonal divided by its pivot leave one multiply-subtract on the
// forward recurrence of every later solve, which is latency-bound; results differ from a
// division-based solve only in the last bits.
TridiagStatus ThomasFactor(const double* a, const double* b, const double* c, double* invBet,
                           double* aScaled, double* gam, int lo, int hi) {
    TARNIX_ASSERT(lo >= 0 && lo <= hi);
    if (b[lo] == 0.0)
        return TridiagStatus::FirstPivotZero;
    double bet = b[lo];
    invBet[lo] = 1.0 / bet;
    aScaled[lo] = 0.0;
    for (int j = lo + 1; j <= hi; ++j) {
        gam[j] = c[j - 1] * invBet[j - 1];
        bet = b[j] - a[j] * gam[j];
        if (bet == 0.0)
            return TridiagStatus::LaterPivotZero;
        invBet[j] = 1.0 / bet;
        aScaled[j] = a[j] * invBet[j];
    }
    return TridiagStatus::Ok;
}

void ThomasSubstitute(const double* aScaled, const double* invBet, const double* gam,
                      const double* r, double* u, int lo, int hi) {
    double prev = r[lo] * invBet[lo];
    u[lo] = prev;
    for (int j = lo + 1; j <= hi; ++j) {
        prev = r[j] * invBet[j] - aScaled[j] * prev;
        u[j] = prev;
    }
    double next = u[hi];
    for (int j = hi - 1; j >= lo; --j) {
        next = u[j] - gam[j + 1] * next;
        u[j] = next;
    }
}

void TridiagProduct(const double* a, const double* b, const double* c, const double* v, double* out,
                    int lo, int hi) {
    if (hi == lo) {
        out[lo] = b[lo] * v[lo];
        return;
    }
    out[lo] = b[lo] * v[lo] + c[lo] * v[lo + 1];
    for (int i = lo + 1; i < hi; ++i)
        out[i] = a[i] * v[i - 1] + b[i] * v[i] + c[i] * v[i + 1];
    out[hi] = a[hi] * v[hi - 1] + b[hi] * v[hi];
}

// The product terms do not depend on the recurrence, so they fill its latency: one pass over the
// rows instead of a product pass and a substitution pass.
void ThomasSubstituteProduct(const double* a, const double* b, const double* c, const double* v,
                             const double* aScaled, const double* invBet, const double* gam,
                             double* u, int first, int lo, int hi) {
    if (hi == lo) {
        double r = b[lo] * v[lo];
        if (lo > first)
            r += a[lo] * v[lo - 1];
        u[lo] = r * invBet[lo];
        return;
    }
    double r = b[lo] * v[lo] + c[lo] * v[lo + 1];
    if (lo > first)
        r += a[lo] * v[lo - 1];
    double prev = r * invBet[lo];
    u[lo] = prev;
    for (int j = lo + 1; j < hi; ++j) {
        r = a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1];
        prev = r * invBet[j] - aScaled[j] * prev;
        u[j] = prev;
    }
    r = a[hi] * v[hi - 1] + b[hi] * v[hi];
    prev = r * invBet[hi] - aScaled[hi] * prev;
    u[hi] = prev;
    double next = prev;
    for (int j = hi - 1; j >= lo; --j) {
        next = u[j] - gam[j + 1] * next;
        u[j] = next;
    }
}

void ThomasSubstituteProductRatios(const double* a, const double* b, const double* c,
                                   const double* v, const double* aScaled, const double* invBet,
                                   const double* gam, double* u, double* ratio, int first, int lo,
                                   int hi) {
    if (hi == lo) {
        ThomasSubstituteProduct(a, b, c, v, aScaled, invBet, gam, u, first, lo, hi);
        return;
    }
    double r = b[lo] * v[lo] + c[lo] * v[lo + 1];
    if (lo > first)
        r += a[lo] * v[lo - 1];
    double prev = r * invBet[lo];
    u[lo] = prev;
    for (int j = lo + 1; j < hi; ++j) {
        r = a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1];
        prev = r * invBet[j] - aScaled[j] * prev;
        u[j] = prev;
    }
    r = a[hi] * v[hi - 1] + b[hi] * v[hi];
    prev = r * invBet[hi] - aScaled[hi] * prev;
    u[hi] = prev;
    double next = prev;
    for (int j = hi - 1; j >= lo; --j) {
        next = u[j] - gam[j + 1] * next;
        u[j] = next;
        const double old = v[j] != 0.0 ? v[j] : 1.0;
        ratio[j] = std::fabs((next - v[j]) / old);
    }
}

TridiagStatus ThomasFactorSubstituteProductRatios(const double* la, const double* lb,
                                                  const double* lc, const double* a,
                                                  const double* b, const double* c, const double* v,
                                                  double* invBet, double* aScaled, double* gam,
                                                  double* u, double* ratio, int first, int lo,
                                                  int hi) {
    TARNIX_ASSERT(first >= 0 && first <= hi);
    if (hi - lo < 1 || lo < first)
        return ThomasFactor(la, lb, lc, invBet, aScaled, gam, first, hi);
    if (lb[first] == 0.0)
        return TridiagStatus::FirstPivotZero;
    double bet = lb[first];
    invBet[first] = 1.0 / bet;
    aScaled[first] = 0.0;
    for (int j = first + 1; j <= lo; ++j) {
        gam[j] = lc[j - 1] * invBet[j - 1];
        bet = lb[j] - la[j] * gam[j];
        if (bet == 0.0)
            return TridiagStatus::LaterPivotZero;
        invBet[j] = 1.0 / bet;
        aScaled[j] = la[j] * invBet[j];
    }
    double r = b[lo] * v[lo] + c[lo] * v[lo + 1];
    if (lo > first)
        r += a[lo] * v[lo - 1];
    double prev = r * invBet[lo];
    u[lo] = prev;
    for (int j = lo + 1; j <= hi; ++j) {
        gam[j] = lc[j - 1] * invBet[j - 1];
        bet = lb[j] - la[j] * gam[j];
        if (bet == 0.0)
            return TridiagStatus::LaterPivotZero;
        invBet[j] = 1.0 / bet;
        aScaled[j] = la[j] * invBet[j];
        r = j < hi ? a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1]
                   : a[hi] * v[hi - 1] + b[hi] * v[hi];
        prev = r * invBet[j] - aScaled[j] * prev;
        u[j] = prev;
    }
    double next = prev;
    for (int j = hi - 1; j >= lo; --j) {
        next = u[j] - gam[j + 1] * next;
        u[j] = next;
        const double old = v[j] != 0.0 ? v[j] : 1.0;
        ratio[j] = std::fabs((next - v[j]) / old);
    }
    return TridiagStatus::Ok;
}

// The upper half is eliminated downward as in ThomasFactor, the lower half upward; per row the
// arrays hold 1 / pivot, the coupling inward scaled by the pivot (a above the meeting, c below)
// and the factor of the back substitution (gam above, a / pivot below).
TridiagStatus TwistedFactor(const double* a, const double* b, const double* c, double* invBet,
                            double* scaled, double* back, TwistedMeeting& meet, int lo, int hi) {
    return TwistedFactorAt(a, b, c, invBet, scaled, back, meet, lo, (lo + hi) / 2, hi);
}

TridiagStatus TwistedFactorAt(const double* a, const double* b, const double* c, double* invBet,
                              double* scaled, double* back, TwistedMeeting& meet, int lo, int k,
                              int hi) {
    struct StoredRows {
        const double *a, *b, *c;
        TridiagRow Form(int j) const { return {a[j], b[j], c[j]}; }
    } rows{a, b, c};
    return TwistedFactorRowsAt(rows, invBet, scaled, back, meet, lo, k, hi);
}

namespace {

// The two rows at the meeting solved together, then the upward pass from there to lo and the
// downward one to hi, side by side as the passes before them.
[[gnu::always_inline]] inline void
TwistedMeetAndRise(const double* back, const TwistedMeeting& meet, double* u, int lo, int hi) {
    const int k = meet.k;
    RiseFromMeeting(back, k, (u[k] - meet.gam * u[k + 1]) * meet.inv, meet.delta, u, lo, hi);
}

// Both halves' recurrences run in one loop: each is bound by the latency of its multiply-add,
// and the two do not wait on each other. row(j) is the right-hand side of interior row j.
template <class Row>
[[gnu::always_inline]] inline void
TwistedPasses(Row row, double rLo, double rHi, const double* invBet, const double* scaled,
              const double* back, const TwistedMeeting& meet, double* u, int lo, int hi) {
    const int k = meet.k;
    // the right-hand sides divided by their pivots first, in a pass without a recurrence that
    // runs several rows at a time; the recurrences then carry one multiply-add per row
    u[lo] = rLo * invBet[lo];
    u[hi] = rHi * invBet[hi];
    for (int j = lo + 1; j < hi; ++j)
        u[j] = row(j) * invBet[j];
    double x = u[lo];
    double y = u[hi];
    int top = lo + 1, bot = hi - 1;
    for (; top <= k && bot > k; ++top, --bot) {
        x = u[top] - scaled[top] * x;
        y = u[bot] - scaled[bot] * y;
        u[top] = x;
        u[bot] = y;
    }
    for (; top <= k; ++top)
        u[top] = x = u[top] - scaled[top] * x;
    for (; bot > k; --bot)
        u[bot] = y = u[bot] - scaled[bot] * y;
    TwistedMeetAndRise(back, meet, u, lo, hi);
}

} // namespace

namespace {

[[gnu::always_inline]] inline void
SubstituteProductBody(const double* a, const double* b, const double* c, const double* v,
                      const double* invBet, const double* scaled, const double* back,
                      const TwistedMeeting& meet, double* u, int lo, int hi) {
    auto row = [&](int j) { return a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1]; };
    TwistedPasses(row, b[lo] * v[lo] + c[lo] * v[lo + 1], a[hi] * v[hi - 1] + b[hi] * v[hi], invBet,
                  scaled, back, meet, u, lo, hi);
}

// Built with fused multiply-adds where the machine has them, as the substitution from a row
// below: the recurrences wait on one rounding per row instead of two.
[[gnu::target("fma")]] void SubstituteProductFused(const double* a, const double* b,
                                                   const double* c, const double* v,
                                                   const double* invBet, const double* scaled,
                                                   const double* back, const TwistedMeeting& meet,
                                                   double* u, int lo, int hi) {
    SubstituteProductBody(a, b, c, v, invBet, scaled, back, meet, u, lo, hi);
}

void SubstituteProductPlain(const double* a, const double* b, const double* c, const double* v,
                            const double* invBet, const double* scaled, const double* back,
                            const TwistedMeeting& meet, double* u, int lo, int hi) {
    SubstituteProductBody(a, b, c, v, invBet, scaled, back, meet, u, lo, hi);
}

} // namespace

void TwistedSubstituteProduct(const double* a, const double* b, const double* c, const double* v,
                              const double* invBet, const double* scaled, const double* back,
                              const TwistedMeeting& meet, double* u, int lo, int hi) {
    (UsableFma() ? SubstituteProductFused : SubstituteProductPlain)(a, b, c, v, invBet, scaled,
                                                                    back, meet, u, lo, hi);
}

void TwistedSubstitute(const double* invBet, const double* scaled, const double* back,
                       const TwistedMeeting& meet, const double* r, double* u, int lo, int hi) {
    auto row = [r](int j) { return r[j]; };
    TwistedPasses(row, r[lo], r[hi], invBet, scaled, back, meet, u, lo, hi);
}

// The rows below `from` carry nothing: the downward pass starts there with a zero carry and the
// upward pass after the meeting stops there (the caller sets those rows). Rows between the
// meeting and `from`, when `from` passed the meeting after the factorisation, take a zero
// right-hand side. Each half runs in the shadow of the other's latency, as above.
namespace {

[[gnu::always_inline]] inline void
SubstituteProductFromBody(const double* a, const double* b, const double* c, const double* v,
                          const double* invBet, const double* scaled, const double* back,
                          const TwistedMeeting& meet, double* u, int lo, int from, int hi) {
    const int k = meet.k;
    const int start = from > lo ? from : lo;
    auto row = [&](int j) { return a[j] * v[j - 1] + b[j] * v[j] + c[j] * v[j + 1]; };
    auto lowerRow = [&](int j) { return j < start ? 0.0 : row(j); };
    double x = 0.0;
    int top = start;
    for (int j = lo; j < start && j <= k; ++j)
        u[j] = 0.0;
    if (start <= k) {
        const double r = start > lo ? row(start) : b[lo] * v[lo] + c[lo] * v[lo + 1];
        u[start] = x = r * invBet[start];
        top = start + 1;
    }
    double y = (a[hi] * v[hi - 1] + b[hi] * v[hi]) * invBet[hi];
    u[hi] = y;
    int bot = hi - 1;
    for (; top <= k && bot > k; ++top, --bot) {
        x = row(top) * invBet[top] - scaled[top] * x;
        y = lowerRow(bot) * invBet[bot] - scaled[bot] * y;
        u[top] = x;
        u[bot] = y;
    }
    for (; top <= k; ++top)
        u[top] = x = row(top) * invBet[top] - scaled[top] * x;
    for (; bot > k; --bot)
        u[bot] = y = lowerRow(bot) * invBet[bot] - scaled[bot] * y;
    TwistedMeetAndRise(back, meet, u, start, hi);
}

// The substitution built with fused multiply-adds where the machine has them, chosen at run time
// by a plain check: each recurrence then waits on one rounding per row instead of two. Its
// results differ from the plain build's in the last bits, so a machine solves every system
// with the one build it has.
[[gnu::target("fma")]] void
SubstituteProductFromFused(const double* a, const double* b, const double* c, const double* v,
                           const double* invBet, const double* scaled, const double* back,
                           const TwistedMeeting& meet, double* u, int lo, int from, int hi) {
    SubstituteProductFromBody(a, b, c, v, invBet, scaled, back, meet, u, lo, from, hi);
}

void SubstituteProductFromPlain(const double* a, const double* b, const double* c, const double* v,
                                const double* invBet, const double* scaled, const double* back,
                                const TwistedMeeting& meet, double* u, int lo, int from, int hi) {
    SubstituteProductFromBody(a, b, c, v, invBet, scaled, back, meet, u, lo, from, hi);
}

} // namespace

void TwistedSubstituteProductFrom(const double* a, const double* b, const double* c,
                                  const double* v, const double* invBet, const double* scaled,
                                  const double* back, const TwistedMeeting& meet, double* u, int lo,
                                  int from, int hi) {
    (UsableFma() ? SubstituteProductFromFused : SubstituteProductFromPlain)(
        a, b, c, v, invBet, scaled, back, meet, u, lo, from, hi);
}

void ScaleRowsByPivots(double* a, double* b, double* c, const double* invBet, int lo, int hi) {
    for (int j = lo; j <= hi; ++j) {
        a[j] *= invBet[j];
        b[j] *= invBet[j];
        c[j] *= invBet[j];
    }
}
