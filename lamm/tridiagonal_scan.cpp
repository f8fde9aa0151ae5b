// The checked scaled substitution of a two-ended factorisation eight rows a vector: each
// recurrence y_j = f_j - m_j y_(j-d) runs over blocks of eight rows, solved within the block by
// three steps of doubling whose factors the factorisation forms once (ScanCoefficients), then
// joined to the row before the block by one multiply-add, so the chain from block to block is a
// multiply-add and a broadcast for eight rows. The same lane operations in one AVX-512 register or
// two AVX2 registers, so both units give the same bits.
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <immintrin.h>
#include <limits>
#include <type_traits>

// The lane types pass between functions that are all inlined into the two entries below, never
// across a call of the other width.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace {

constexpr int kBlock = 8;
using V8 = double __attribute__((vector_size(64)));

// The factors of one block of eight rows with multipliers m[0..7], for a recurrence that runs
// upward (row l from row l - 1) or downward (row l from row l + 1): with b = -m, the factors of
// the three doubling steps (the rows 1, 2 and 4 back, zero where that row lies outside the block)
// and the product of the b from the block's first row in the recurrence's direction to row l,
// which joins the row before the block.
template <bool kUp> void BlockFactors(const double* m, double* out) {
    double b[kBlock];
    for (int l = 0; l < kBlock; ++l)
        b[l] = -m[l];
    auto at = [&](int l, int back) { return kUp ? b[l - back] : b[l + back]; };
    auto inside = [](int l, int back) { return kUp ? l >= back : l + back < kBlock; };
    for (int l = 0; l < kBlock; ++l) {
        out[l] = inside(l, 1) ? b[l] : 0.0;
        out[kBlock + l] = inside(l, 2) ? b[l] * at(l, 1) : 0.0;
        out[2 * kBlock + l] = inside(l, 4) ? (b[l] * at(l, 1)) * (at(l, 2) * at(l, 3)) : 0.0;
    }
    double product = 1.0;
    for (int n = 0; n < kBlock; ++n) {
        const int l = kUp ? n : kBlock - 1 - n;
        product *= b[l];
        out[3 * kBlock + l] = product;
    }
}

// A block of eight rows in one AVX-512 register or in two AVX2 registers; both take the same
// operations lane by lane.
using V4 = double __attribute__((vector_size(32)));
struct Halves {
    V4 lo, hi;
};

template <class V> inline V LoadVector(const double* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

template <class B> inline B Load(const double* p) {
    if constexpr (std::is_same_v<B, V8>)
        return LoadVector<V8>(p);
    else
        return {LoadVector<V4>(p), LoadVector<V4>(p + 4)};
}

inline void Store(double* p, V8 v) {
    std::memcpy(p, &v, sizeof v);
}

inline void Store(double* p, Halves v) {
    std::memcpy(p, &v.lo, sizeof v.lo);
    std::memcpy(p + 4, &v.hi, sizeof v.hi);
}

template <class B> inline B Broadcast(double x) {
    if constexpr (std::is_same_v<B, V8>)
        return V8{} + x;
    else
        return {V4{} + x, V4{} + x};
}

inline Halves operator*(Halves a, Halves b) {
    return {a.lo * b.lo, a.hi * b.hi};
}

// a b + c lane by lane, rounded once, in either register width: the multiply-adds are written
// out (the file is compiled without contraction), so both widths give the same bits at any
// optimisation.
[[gnu::target("avx2,fma,avx512f")]] inline V8 Fma(V8 a, V8 b, V8 c) {
    return _mm512_fmadd_pd(a, b, c);
}

[[gnu::target("avx2,fma")]] inline Halves Fma(Halves a, Halves b, Halves c) {
    return {_mm256_fmadd_pd(a.lo, b.lo, c.lo), _mm256_fmadd_pd(a.hi, b.hi, c.hi)};
}

inline double Lane(V8 y, int l) {
    return y[l];
}

inline double Lane(Halves y, int l) {
    return l < 4 ? y.lo[l] : y.hi[l - 4];
}

// The rows 1, 2 and 4 back in the direction of the recurrence (up: from below), zero where that
// row lies outside the block.
template <bool kUp, int kBack> inline V8 Shifted(V8 a) {
    const V8 z = {};
    if constexpr (kUp && kBack == 1)
        return __builtin_shufflevector(z, a, 0, 8, 9, 10, 11, 12, 13, 14);
    else if constexpr (kUp && kBack == 2)
        return __builtin_shufflevector(z, a, 0, 1, 8, 9, 10, 11, 12, 13);
    else if constexpr (kUp)
        return __builtin_shufflevector(z, a, 0, 1, 2, 3, 8, 9, 10, 11);
    else if constexpr (kBack == 1)
        return __builtin_shufflevector(a, z, 1, 2, 3, 4, 5, 6, 7, 8);
    else if constexpr (kBack == 2)
        return __builtin_shufflevector(a, z, 2, 3, 4, 5, 6, 7, 8, 9);
    else
        return __builtin_shufflevector(a, z, 4, 5, 6, 7, 8, 9, 10, 11);
}

template <bool kUp, int kBack> inline Halves Shifted(Halves a) {
    const V4 z = {};
    if constexpr (kUp && kBack == 1)
        return {__builtin_shufflevector(z, a.lo, 0, 4, 5, 6),
                __builtin_shufflevector(a.lo, a.hi, 3, 4, 5, 6)};
    else if constexpr (kUp && kBack == 2)
        return {__builtin_shufflevector(z, a.lo, 0, 1, 4, 5),
                __builtin_shufflevector(a.lo, a.hi, 2, 3, 4, 5)};
    else if constexpr (kUp)
        return {z, a.lo};
    else if constexpr (kBack == 1)
        return {__builtin_shufflevector(a.lo, a.hi, 1, 2, 3, 4),
                __builtin_shufflevector(a.hi, z, 1, 2, 3, 4)};
    else if constexpr (kBack == 2)
        return {__builtin_shufflevector(a.lo, a.hi, 2, 3, 4, 5),
                __builtin_shufflevector(a.hi, z, 2, 3, 4, 5)};
    else
        return {a.hi, z};
}

// The block with the lanes that have no row kBack back inside it (those Shifted fills) zeroed.
template <bool kUp, int kBack> inline V8 InsideOnly(V8 a) {
    const V8 z = {};
    if constexpr (kUp && kBack == 1)
        return __builtin_shufflevector(a, z, 8, 1, 2, 3, 4, 5, 6, 7);
    else if constexpr (kUp && kBack == 2)
        return __builtin_shufflevector(a, z, 8, 9, 2, 3, 4, 5, 6, 7);
    else if constexpr (kUp)
        return __builtin_shufflevector(a, z, 8, 9, 10, 11, 4, 5, 6, 7);
    else if constexpr (kBack == 1)
        return __builtin_shufflevector(a, z, 0, 1, 2, 3, 4, 5, 6, 8);
    else if constexpr (kBack == 2)
        return __builtin_shufflevector(a, z, 0, 1, 2, 3, 4, 5, 8, 9);
    else
        return __builtin_shufflevector(a, z, 0, 1, 2, 3, 8, 9, 10, 11);
}

template <bool kUp, int kBack> inline Halves InsideOnly(Halves a) {
    const V4 z = {};
    if constexpr (kUp && kBack == 1)
        return {__builtin_shufflevector(a.lo, z, 4, 1, 2, 3), a.hi};
    else if constexpr (kUp && kBack == 2)
        return {__builtin_shufflevector(a.lo, z, 4, 5, 2, 3), a.hi};
    else if constexpr (kUp)
        return {z, a.hi};
    else if constexpr (kBack == 1)
        return {a.lo, __builtin_shufflevector(a.hi, z, 0, 1, 2, 4)};
    else if constexpr (kBack == 2)
        return {a.lo, __builtin_shufflevector(a.hi, z, 0, 1, 4, 5)};
    else
        return {a.lo, z};
}

inline V8 Negated(V8 a) {
    return -a;
}

inline Halves Negated(Halves a) {
    return {-a.lo, -a.hi};
}

// BlockFactors eight rows a vector: the same products of the same factors, lane by lane (the
// rows 2 and 3 back multiplied are the product of a row and the row before it, two rows back).
template <class B, bool kUp> inline void BlockFactorsInLanes(const double* m, double* out) {
    const B b = Negated(Load<B>(m));
    const B pairs = b * Shifted<kUp, 1>(b);
    Store(out, InsideOnly<kUp, 1>(b));
    Store(out + kBlock, InsideOnly<kUp, 2>(pairs));
    Store(out + 2 * kBlock, InsideOnly<kUp, 4>(pairs * Shifted<kUp, 2>(pairs)));
    double product = 1.0;
    for (int n = 0; n < kBlock; ++n) {
        const int l = kUp ? n : kBlock - 1 - n;
        product *= Lane(b, l);
        out[3 * kBlock + l] = product;
    }
}

template <class B>
inline void ScanCoefficientsInLanes(const double* scaled, const double* back, int k, int lo, int hi,
                                    double* forward, double* backward) {
    for (int j0 = (lo + kBlock - 1) / kBlock * kBlock; j0 + kBlock - 1 <= hi; j0 += kBlock) {
        double* f = forward + 4 * j0;
        double* b = backward + 4 * j0;
        // as in ScanCoefficients below
        if (j0 + kBlock - 1 <= k)
            BlockFactorsInLanes<B, true>(scaled + j0, f);
        else if (j0 >= k + 1)
            BlockFactorsInLanes<B, false>(scaled + j0, f);
        if (j0 + kBlock <= k)
            BlockFactorsInLanes<B, false>(back + j0 + 1, b);
        else if (j0 >= k + 2)
            BlockFactorsInLanes<B, true>(back + j0, b);
    }
}

[[gnu::target("avx2,fma,avx512f"), gnu::flatten]] void
ScanCoefficientsAvx512(const double* scaled, const double* back, int k, int lo, int hi,
                       double* forward, double* backward) {
    ScanCoefficientsInLanes<V8>(scaled, back, k, lo, hi, forward, backward);
}

[[gnu::target("avx2,fma"), gnu::flatten]] void ScanCoefficientsAvx2(const double* scaled,
                                                                    const double* back, int k,
                                                                    int lo, int hi, double* forward,
                                                                    double* backward) {
    ScanCoefficientsInLanes<Halves>(scaled, back, k, lo, hi, forward, backward);
}

// The block's last row in its recurrence, in every lane.
template <bool kUp> inline V8 Carry(V8 y) {
    if constexpr (kUp)
        return __builtin_shufflevector(y, y, 7, 7, 7, 7, 7, 7, 7, 7);
    else
        return __builtin_shufflevector(y, y, 0, 0, 0, 0, 0, 0, 0, 0);
}

template <bool kUp> inline Halves Carry(Halves y) {
    const V4 c = kUp ? __builtin_shufflevector(y.hi, y.hi, 3, 3, 3, 3)
                     : __builtin_shufflevector(y.lo, y.lo, 0, 0, 0, 0);
    return {c, c};
}

inline V8 Larger(V8 a, V8 b) {
    return a > b ? a : b;
}

inline V8 Smaller(V8 a, V8 b) {
    return a < b ? a : b;
}

inline Halves Larger(Halves a, Halves b) {
    return {a.lo > b.lo ? a.lo : b.lo, a.hi > b.hi ? a.hi : b.hi};
}

inline Halves Smaller(Halves a, Halves b) {
    return {a.lo < b.lo ? a.lo : b.lo, a.hi < b.hi ? a.hi : b.hi};
}

// A recurrence over one block of eight rows, their right-hand sides in a, with the block's
// factors, the row before the block in every lane of carry; the block's values back.
template <bool kUp, class B> inline B Block(B a, const double* factors, B carry) {
    a = Fma(Load<B>(factors), Shifted<kUp, 1>(a), a);
    a = Fma(Load<B>(factors + kBlock), Shifted<kUp, 2>(a), a);
    a = Fma(Load<B>(factors + 2 * kBlock), Shifted<kUp, 4>(a), a);
    return Fma(Load<B>(factors + 3 * kBlock), carry, a);
}

// Rows j..j + 7 of the right-hand side (a, b, c) v, as the other variants round them.
template <class B>
inline B RightHandSides(const double* a, const double* b, const double* c, const double* v, int j) {
    const B r = Fma(Load<B>(a + j), Load<B>(v + j - 1), Load<B>(b + j) * Load<B>(v + j));
    return Fma(Load<B>(c + j), Load<B>(v + j + 1), r);
}

// The right-hand sides of the blocks of one chain of the forward pass, up (rows j..j + 7 for
// j = j0, j0 + 8, ...) or down (j = j0, j0 - 8, ...): two AVX2 registers load the rows one below
// and one above the block's.
template <class B, bool kUp> struct ChainSides {
    const double *a, *b, *c, *v;
    int hi;
    ChainSides(const double* a_, const double* b_, const double* c_, const double* v_, int hi_, int,
               bool)
        : a(a_), b(b_), c(c_), v(v_), hi(hi_) {}
    B Next(int j) { return RightHandSides<B>(a, b, c, v, j); }
};

// In one AVX-512 register a load of the rows one below or one above a block's would split over
// two lines: each line of v is loaded once, and those rows are shifted in from the lines beside
// the block's, with the same values. A chain's first block j0 begins at a multiple of eight
// (j0 >= 8); no line is read for a chain without blocks, nor one above hi: a block whose next line
// up lies beyond it loads its rows above as they are.
template <bool kUp> struct ChainSides<V8, kUp> {
    const double *a, *b, *c, *v;
    int hi;
    V8 here = {}, beside = {}; // the block's line and, up, the one below it, down, the one above
    bool besideRead = false;
    ChainSides(const double* a_, const double* b_, const double* c_, const double* v_, int hi_,
               int j0, bool any)
        : a(a_), b(b_), c(c_), v(v_), hi(hi_) {
        if (!any)
            return;
        here = Load<V8>(v + j0);
        besideRead = kUp || j0 + 15 <= hi;
        if (besideRead)
            beside = Load<V8>(v + (kUp ? j0 - kBlock : j0 + kBlock));
    }
    static V8 Below(V8 below, V8 at) {
        return __builtin_shufflevector(below, at, 7, 8, 9, 10, 11, 12, 13, 14);
    }
    static V8 Above(V8 at, V8 above) {
        return __builtin_shufflevector(at, above, 1, 2, 3, 4, 5, 6, 7, 8);
    }
    V8 Sides(int j, V8 below, V8 above) const {
        const V8 r = Fma(Load<V8>(a + j), below, Load<V8>(b + j) * here);
        return Fma(Load<V8>(c + j), above, r);
    }
    V8 Next(int j) {
        if constexpr (kUp) {
            if (j + 15 > hi) // the chain's last block
                return Sides(j, Below(beside, here), Load<V8>(v + j + 1));
            const V8 above = Load<V8>(v + j + kBlock);
            const V8 r = Sides(j, Below(beside, here), Above(here, above));
            beside = here;
            here = above;
            return r;
        } else {
            const V8 below = Load<V8>(v + j - kBlock); // j >= 8: a block begins at a multiple
            const V8 r = Sides(j, Below(below, here),
                               besideRead ? Above(here, beside) : Load<V8>(v + j + 1));
            beside = here;
            here = below;
            besideRead = true;
            return r;
        }
    }
};

// The largest and smallest values of the rows at or above `from` and, for the check of the
// range, of those below, taken in registers.
template <class B> struct Extremes {
    static constexpr double kLowest = std::numeric_limits<double>::lowest();
    static constexpr double kHighest = std::numeric_limits<double>::max();
    int from;
    B most = Broadcast<B>(kLowest), least = Broadcast<B>(kHighest);
    double oneMost = kLowest, oneLeast = kHighest, lowMost = kLowest, lowLeast = kHighest;

    void TakeOne(int j, double value) {
        if (j >= from) {
            oneMost = std::max(oneMost, value);
            oneLeast = std::min(oneLeast, value);
        } else {
            lowMost = std::max(lowMost, value);
            lowLeast = std::min(lowLeast, value);
        }
    }
    void Take(int j0, B y) {
        if (j0 >= from) {
            most = Larger(y, most);
            least = Smaller(y, least);
            return;
        }
        // a block with rows below `from` (at most the first of a pass): row by row
        for (int l = 0; l < kBlock; ++l)
            TakeOne(j0 + l, Lane(y, l));
    }
    // Whether any value is beyond +-1e100 (not a number is looked for at the chains' ends); the
    // largest of the rows from `from` on.
    bool Beyond(double& largest) const {
        double high = oneMost, low = oneLeast;
        for (int l = 0; l < kBlock; ++l) {
            high = std::max(high, Lane(most, l));
            low = std::min(low, Lane(least, l));
        }
        largest = high;
        return high > 1e100 || low < -1e100 || lowMost > 1e100 || lowLeast < -1e100;
    }
};

// The forward pass with its right-hand sides: up from start to the meeting k, down from hi to
// k + 1, whole blocks of the two side by side; rows before start are zero.
template <class B>
inline void ForwardInBlocks(const double* a, const double* b, const double* c, const double* v,
                            const double* scaled, const double* forward, double* u, int lo,
                            int start, int k, int hi) {
    auto rhs = [&](int j) {
        return std::fma(c[j], v[j + 1], std::fma(a[j], v[j - 1], b[j] * v[j]));
    };
    double x = start == lo ? std::fma(c[lo], v[lo + 1], b[lo] * v[lo]) : rhs(start);
    double y = std::fma(a[hi], v[hi - 1], b[hi] * v[hi]);
    u[start] = x;
    u[hi] = y;
    int up = start + 1, down = hi - 1;
    for (; up <= k && up % kBlock != 0; ++up)
        u[up] = x = std::fma(-scaled[up], x, rhs(up));
    for (; down > k && (down + 1) % kBlock != 0; --down)
        u[down] = y = std::fma(-scaled[down], y, rhs(down));
    B cx = Broadcast<B>(x), cy = Broadcast<B>(y);
    ChainSides<B, true> upSides(a, b, c, v, hi, up, up + kBlock - 1 <= k);
    ChainSides<B, false> downSides(a, b, c, v, hi, down - kBlock + 1, down - kBlock + 1 > k);
    auto blockUp = [&] {
        const B r = Block<true>(upSides.Next(up), forward + 4 * up, cx);
        Store(u + up, r);
        cx = Carry<true>(r);
        up += kBlock;
    };
    auto blockDown = [&] {
        const int d0 = down - kBlock + 1;
        const B r = Block<false>(downSides.Next(d0), forward + 4 * d0, cy);
        Store(u + d0, r);
        cy = Carry<false>(r);
        down -= kBlock;
    };
    for (; up + kBlock - 1 <= k && down - kBlock + 1 > k;) {
        blockUp();
        blockDown();
    }
    while (up + kBlock - 1 <= k)
        blockUp();
    while (down - kBlock + 1 > k)
        blockDown();
    x = Lane(cx, 0);
    y = Lane(cy, 0);
    for (; up <= k; ++up)
        u[up] = x = std::fma(-scaled[up], x, rhs(up));
    for (; down > k; --down)
        u[down] = y = std::fma(-scaled[down], y, rhs(down));
}

// The back pass from the meeting's rows k, k + 1 (uk, uk1): down to start with the factor of the
// row above, up to hi. Its values go to e; whether a chain's end is not a number back.
template <class B>
inline bool BackInBlocks(const double* back, const double* backward, double* u, int start, int k,
                         int hi, double uk, double uk1, Extremes<B>& out) {
    Extremes<B> e = out;
    e.TakeOne(k, uk);
    e.TakeOne(k + 1, uk1);
    double x = uk, y = uk1;
    int dn = k - 1, up = k + 2;
    for (; dn >= start && (dn + 1) % kBlock != 0; --dn) {
        u[dn] = x = std::fma(-back[dn + 1], x, u[dn]);
        e.TakeOne(dn, x);
    }
    for (; up <= hi && up % kBlock != 0; ++up) {
        u[up] = y = std::fma(-back[up], y, u[up]);
        e.TakeOne(up, y);
    }
    B cx = Broadcast<B>(x), cy = Broadcast<B>(y);
    auto blockDown = [&] {
        const int d0 = dn - kBlock + 1;
        const B r = Block<false>(Load<B>(u + d0), backward + 4 * d0, cx);
        Store(u + d0, r);
        cx = Carry<false>(r);
        e.Take(d0, r);
        dn -= kBlock;
    };
    auto blockUp = [&] {
        const B r = Block<true>(Load<B>(u + up), backward + 4 * up, cy);
        Store(u + up, r);
        cy = Carry<true>(r);
        e.Take(up, r);
        up += kBlock;
    };
    for (; dn - kBlock + 1 >= start && up + kBlock - 1 <= hi;) {
        blockDown();
        blockUp();
    }
    while (dn - kBlock + 1 >= start)
        blockDown();
    while (up + kBlock - 1 <= hi)
        blockUp();
    x = Lane(cx, 0);
    y = Lane(cy, 0);
    for (; dn >= start; --dn) {
        u[dn] = x = std::fma(-back[dn + 1], x, u[dn]);
        e.TakeOne(dn, x);
    }
    for (; up <= hi; ++up) {
        u[up] = y = std::fma(-back[up], y, u[up]);
        e.TakeOne(up, y);
    }
    out = e;
    // a value that is not a number reaches the end of its chain through every later row
    return std::isnan(x) || std::isnan(y) || std::isnan(uk) || std::isnan(uk1);
}

template <class B>
inline bool CheckedScanBody(const double* a, const double* b, const double* c, const double* v,
                            const double* scaled, const double* back, const TwistedMeeting& meet,
                            double* u, int lo, int from, int hi, int zeroBelow, int largestFrom,
                            double& largest, const double* forward, const double* backward) {
    const int k = meet.k;
    const int start = from > lo ? from : lo;
    // the rows before start carry nothing; the right-hand sides of the others are formed as the
    // forward pass reaches them, the end rows' without their missing neighbour
    for (int j = zeroBelow > lo ? zeroBelow : lo; j < start && j < hi; ++j)
        u[j] = 0.0;
    ForwardInBlocks<B>(a, b, c, v, scaled, forward, u, lo, start, k, hi);
    const double uk = std::fma(-meet.gam, u[k + 1], u[k]) * meet.inv;
    const double uk1 = std::fma(-meet.delta, uk, u[k + 1]);
    u[k] = uk;
    u[k + 1] = uk1;
    // the extremes are the back pass's own, kept in registers
    Extremes<B> e{largestFrom};
    const bool notANumber = BackInBlocks<B>(back, backward, u, start, k, hi, uk, uk1, e);
    return e.Beyond(largest) || notANumber;
}

} // namespace

void ScanCoefficients(const double* scaled, const double* back, int k, int lo, int hi,
                      double* forward, double* backward) {
    const VectorUnit unit = UsableVectorUnit();
    if (unit == VectorUnit::Avx512)
        return ScanCoefficientsAvx512(scaled, back, k, lo, hi, forward, backward);
    if (unit == VectorUnit::Avx2)
        return ScanCoefficientsAvx2(scaled, back, k, lo, hi, forward, backward);
    for (int j0 = (lo + kBlock - 1) / kBlock * kBlock; j0 + kBlock - 1 <= hi; j0 += kBlock) {
        double* f = forward + 4 * j0;
        double* b = backward + 4 * j0;
        // the forward pass runs up to the meeting k and down to k + 1, the back pass down from
        // k - 1 (with the factor of the row above) and up from k + 2; blocks across those ends
        // are done row by row
        if (j0 + kBlock - 1 <= k)
            BlockFactors<true>(scaled + j0, f);
        else if (j0 >= k + 1)
            BlockFactors<false>(scaled + j0, f);
        if (j0 + kBlock <= k)
            BlockFactors<false>(back + j0 + 1, b);
        else if (j0 >= k + 2)
            BlockFactors<true>(back + j0, b);
    }
}

namespace scaled_substitution {

[[gnu::target("avx2,fma,avx512f"), gnu::flatten]] bool
CheckedScanAvx512(const double* a, const double* b, const double* c, const double* v,
                  const double* scaled, const double* back, const TwistedMeeting& meet, double* u,
                  int lo, int from, int hi, int zeroBelow, int largestFrom, double& largest,
                  const double* forward, const double* backward) {
    return CheckedScanBody<V8>(a, b, c, v, scaled, back, meet, u, lo, from, hi, zeroBelow,
                               largestFrom, largest, forward, backward);
}

[[gnu::target("avx2,fma"), gnu::flatten]] bool
CheckedScanAvx2(const double* a, const double* b, const double* c, const double* v,
                const double* scaled, const double* back, const TwistedMeeting& meet, double* u,
                int lo, int from, int hi, int zeroBelow, int largestFrom, double& largest,
                const double* forward, const double* backward) {
    return CheckedScanBody<Halves>(a, b, c, v, scaled, back, meet, u, lo, from, hi, zeroBelow,
                                   largestFrom, largest, forward, backward);
}

} // namespace scaled_substitution
