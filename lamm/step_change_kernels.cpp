// The passes over a solved step, written so that the compiler runs several elements at a time.
#include "lamm/step_change_kernels.h"

#include "foundations/vector_unit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <limits>

namespace {

// Four lanes of doubles and their comparison masks. Built for AVX2 they are one register each,
// for any x86-64 two. Divisions, comparisons and maxima give the same bits in any width, and
// the largest of a set of numbers does not depend on the order it is taken in.
using V4 = double __attribute__((vector_size(32)));
using M4 = long long __attribute__((vector_size(32)));

// Vectors pass by reference: by value their width would be part of the calling convention.
[[gnu::always_inline]] inline void Load(V4& v, const double* p) {
    std::memcpy(&v, p, sizeof v);
}

[[gnu::always_inline]] inline void TakeLarger(V4& part, const V4& v) {
    part = part < v ? v : part;
}

// size = |v|, the bits of v without their sign: one operation.
[[gnu::always_inline]] inline void Magnitude(const V4& v, V4& size) {
    M4 bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits &= 0x7fffffffffffffffll;
    std::memcpy(&size, &bits, sizeof size);
}

[[gnu::always_inline]] inline double LargestLane(const V4& v) {
    return std::max(std::max(v[0], v[1]), std::max(v[2], v[3]));
}

// Whether any lane of a mask is set: with AVX one test of the register and its flag, which the
// branch reads; else the lanes taken out and or-ed.
template <bool kTest> [[gnu::always_inline]] inline bool AnyLane(const M4& m) {
    return (m[0] | m[1] | m[2] | m[3]) != 0;
}

template <> [[gnu::target("avx2")]] inline bool AnyLane<true>(const M4& m) {
    __m256i bits;
    std::memcpy(&bits, &m, sizeof bits);
    return _mm256_testz_si256(bits, bits) == 0;
}

// The passes take the largest in four parts of four lanes, 16 rows at a time: one part would
// wait on the latency of its comparison for every four rows.
constexpr int kParts = 4;

[[gnu::always_inline]] inline double LargestOfParts(V4 (&part)[kParts]) {
    TakeLarger(part[0], part[1]);
    TakeLarger(part[2], part[3]);
    TakeLarger(part[0], part[2]);
    return LargestLane(part[0]);
}

[[gnu::always_inline]] inline double LargestOfBody(const double* v, int lo, int hi) {
    const double lowest = -1.79769313486231570815e308;
    V4 part[kParts];
    for (V4& p : part)
        p = V4{lowest, lowest, lowest, lowest};
    int i = lo;
    for (; i + 4 * kParts - 1 <= hi; i += 4 * kParts)
#pragma GCC unroll 4
        for (int q = 0; q < kParts; ++q) {
            V4 next;
            Load(next, v + i + 4 * q);
            TakeLarger(part[q], next);
        }
    for (; i + 3 <= hi; i += 4) {
        V4 next;
        Load(next, v + i);
        TakeLarger(part[0], next);
    }
    double largest = LargestOfParts(part);
    for (; i <= hi; ++i)
        largest = std::max(largest, v[i]);
    return largest;
}

// One row: its relative change when it holds material of its own, and whether it is an empty
// row that gained some.
[[gnu::always_inline]] inline double OwnChange(const double* u, const double* v,
                                               const double* ratio, double threshold, int i,
                                               bool& emptyGaining) {
    const double d = u[i] - v[i];
    if (!(v[i] > threshold)) {
        emptyGaining |= d > threshold;
        return 0.0;
    }
    return ratio != nullptr ? ratio[i] : std::fabs(d) / v[i];
}

// The rows after the blocks of 16 (all of a range shorter than 16): four at a time, then one at
// a time, into the parts and the gaining lanes the blocks left.
template <bool kTest>
[[gnu::always_inline]] inline double
LargestOwnChangeTail(const double* u, const double* v, const double* ratio, double threshold, int i,
                     int hi, V4 (&part)[kParts], const M4& gainingBefore, bool& emptyGaining) {
    M4 gaining = gainingBefore;
    const V4 zero = {0.0, 0.0, 0.0, 0.0}, one = {1.0, 1.0, 1.0, 1.0};
    const V4 limit = {threshold, threshold, threshold, threshold};
    for (; i + 3 <= hi; i += 4) {
        V4 old, now, change;
        Load(old, v + i);
        Load(now, u + i);
        const V4 d = now - old;
        const M4 own = old > limit;
        gaining |= ~own & (d > limit);
        // rows without material of their own divide by 1, so no lane divides by zero
        if (ratio != nullptr)
            Load(change, ratio + i);
        else
            change = (d < zero ? -d : d) / (own ? old : one);
        const V4 counted = own ? change : zero;
        TakeLarger(part[0], counted);
    }
    double largest = LargestOfParts(part);
    bool anyGaining = AnyLane<kTest>(gaining);
    for (; i <= hi; ++i)
        largest = std::max(largest, OwnChange(u, v, ratio, threshold, i, anyGaining));
    emptyGaining = anyGaining;
    return largest;
}

// A block of 16 rows from i that can neither raise the largest change so far (in every lane of
// largest) nor hold a row without material of its own. A ratio |d| / old beyond the largest
// means |d| > largest old exactly, and then |d| - largest old is not negative, whether rounded
// once or after the product: so rows all above the threshold (their smallest is) whose
// differences are all negative are passed over, in a pass of subtractions and products without
// comparisons per row.
[[gnu::always_inline]] inline bool BlockPassedOver(const double* u, const double* v, int i,
                                                   const V4& largest, const V4& limit) {
    V4 low, excess;
#pragma GCC unroll 4
    for (int q = 0; q < kParts; ++q) {
        V4 old, now, size;
        Load(old, v + i + 4 * q);
        Load(now, u + i + 4 * q);
        Magnitude(now - old, size);
        const V4 over = size - largest * old;
        if (q == 0) {
            low = old;
            excess = over;
        } else {
            low = low < old ? low : old;
            TakeLarger(excess, over);
        }
    }
    const V4 zero = {0.0, 0.0, 0.0, 0.0};
    return !AnyLane<false>(~(low > limit) | ~(excess < zero));
}

// The same test with AVX2, the difference rounded once.
[[gnu::target("avx2,fma")]] inline bool BlockPassedOverAvx2(const double* u, const double* v, int i,
                                                            const V4& largest, double threshold) {
    const __m256d magnitude = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffll));
    __m256d most;
    std::memcpy(&most, &largest, sizeof most);
    __m256d low, excess;
#pragma GCC unroll 4
    for (int q = 0; q < kParts; ++q) {
        const __m256d old = _mm256_loadu_pd(v + i + 4 * q);
        const __m256d size =
            _mm256_and_pd(_mm256_sub_pd(_mm256_loadu_pd(u + i + 4 * q), old), magnitude);
        const __m256d over = _mm256_fnmadd_pd(most, old, size);
        low = q == 0 ? old : _mm256_min_pd(low, old);
        excess = q == 0 ? over : _mm256_max_pd(excess, over);
    }
    const __m256d outside = _mm256_or_pd(_mm256_cmp_pd(low, _mm256_set1_pd(threshold), _CMP_NGT_UQ),
                                         _mm256_cmp_pd(excess, _mm256_setzero_pd(), _CMP_NLT_UQ));
    return _mm256_testz_pd(outside, outside) != 0;
}

// The other blocks row by row: their gaining rows, and, where a row with material of its own
// may raise the largest, their ratios. The largest is then set in every lane, so a later row
// must exceed all rows before it, not only those of its lane, to have its block divided.
template <bool kTest>
[[gnu::always_inline]] inline void CountBlock(const double* u, const double* v, int i, V4& largest,
                                              M4& gaining, const V4& limit) {
    const V4 zero = {0.0, 0.0, 0.0, 0.0}, one = {1.0, 1.0, 1.0, 1.0};
    M4 rising = {0, 0, 0, 0};
#pragma GCC unroll 4
    for (int q = 0; q < kParts; ++q) {
        V4 old, now, size;
        Load(old, v + i + 4 * q);
        Load(now, u + i + 4 * q);
        const V4 d = now - old;
        const M4 own = old > limit;
        gaining |= ~own & (d > limit);
        Magnitude(d, size);
        rising |= own & (size >= largest * old);
    }
    if (!AnyLane<kTest>(rising))
        return;
    V4 most = largest;
#pragma GCC unroll 4
    for (int q = 0; q < kParts; ++q) {
        V4 old, now, size;
        Load(old, v + i + 4 * q);
        Load(now, u + i + 4 * q);
        Magnitude(now - old, size);
        const M4 own = old > limit;
        // rows without material of their own divide by 1, so no lane divides by zero
        const V4 change = size / (own ? old : one);
        TakeLarger(most, own ? change : zero);
    }
    const double top = LargestLane(most);
    largest = V4{top, top, top, top};
}

template <bool kTest>
[[gnu::always_inline]] inline double LargestOwnChangeBody(const double* u, const double* v,
                                                          const double* ratio, double threshold,
                                                          int lo, int hi, bool& emptyGaining) {
    const V4 zero = {0.0, 0.0, 0.0, 0.0};
    const V4 limit = {threshold, threshold, threshold, threshold};
    V4 part[kParts] = {zero, zero, zero, zero};
    M4 gaining = {0, 0, 0, 0};
    // the last block ends at hi, overlapping the one before, so no rows are left to divide one
    // by one: a row taken twice changes neither the largest nor the gaining rows
    const int last = hi - (4 * kParts - 1);
    int i = lo;
    if (ratio == nullptr) {
        V4 largest = zero;
        for (; i <= last; i = i + 4 * kParts <= last || i == last ? i + 4 * kParts : last) {
            bool passed;
            if constexpr (kTest)
                passed = BlockPassedOverAvx2(u, v, i, largest, threshold);
            else
                passed = BlockPassedOver(u, v, i, largest, limit);
            if (!passed)
                CountBlock<kTest>(u, v, i, largest, gaining, limit);
        }
        for (V4& p : part)
            p = largest;
    } else {
        for (; i <= last; i = i + 4 * kParts <= last || i == last ? i + 4 * kParts : last)
#pragma GCC unroll 4
            for (int q = 0; q < kParts; ++q) {
                V4 old, now, change;
                Load(old, v + i + 4 * q);
                Load(now, u + i + 4 * q);
                Load(change, ratio + i + 4 * q);
                const M4 own = old > limit;
                gaining |= ~own & (now - old > limit);
                TakeLarger(part[q], own ? change : zero);
            }
    }
    return LargestOwnChangeTail<kTest>(u, v, ratio, threshold, i, hi, part, gaining, emptyGaining);
}

// The magnitude's bits, read as an integer, exceed those of 1e100 exactly when the value is
// beyond it or not a number; added to the distance from there to the sign bit they carry into
// it. So one pass of integer adds and ors, without a branch or a floating-point comparison.
[[gnu::always_inline]] inline bool AnyBeyond1e100Body(const double* v, int lo, int hi) {
    constexpr std::uint64_t kMagnitude = 0x7fffffffffffffffull;
    constexpr std::uint64_t kCarry = kMagnitude - std::bit_cast<std::uint64_t>(1e100);
    std::uint64_t carried = 0;
    for (int i = lo; i <= hi; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, v + i, sizeof bits);
        carried |= (bits & kMagnitude) + kCarry;
    }
    return (carried >> 63) != 0;
}

// The two passes above over one range: the lanes' bits carry into the sign bit as there and
// their values are taken larger as in LargestOfBody.
[[gnu::always_inline]] inline bool AnyBeyond1e100OrLargestBody(const double* v, int lo, int hi,
                                                               double& largest) {
    using U4 = unsigned long long __attribute__((vector_size(32)));
    constexpr std::uint64_t kMagnitude = 0x7fffffffffffffffull;
    constexpr std::uint64_t kCarry = kMagnitude - std::bit_cast<std::uint64_t>(1e100);
    const double lowest = -1.79769313486231570815e308;
    V4 part[kParts];
    for (V4& p : part)
        p = V4{lowest, lowest, lowest, lowest};
    U4 carriedLanes = {0, 0, 0, 0};
    auto take = [&](int at, V4& into) {
        V4 next;
        Load(next, v + at);
        U4 bits;
        std::memcpy(&bits, &next, sizeof bits);
        carriedLanes |= (bits & kMagnitude) + kCarry;
        TakeLarger(into, next);
    };
    int i = lo;
    for (; i + 4 * kParts - 1 <= hi; i += 4 * kParts)
#pragma GCC unroll 4
        for (int q = 0; q < kParts; ++q)
            take(i + 4 * q, part[q]);
    for (; i + 3 <= hi; i += 4)
        take(i, part[0]);
    std::uint64_t carried = carriedLanes[0] | carriedLanes[1] | carriedLanes[2] | carriedLanes[3];
    double most = LargestOfParts(part);
    for (; i <= hi; ++i) {
        std::uint64_t bits;
        std::memcpy(&bits, v + i, sizeof bits);
        carried |= (bits & kMagnitude) + kCarry;
        most = std::max(most, v[i]);
    }
    largest = most;
    return (carried >> 63) != 0;
}

// Without an early end the rows go four to a vector, divided together: the same quotients.
[[gnu::always_inline]] inline bool AnyMeanOfThreeBelowBody(const double* v, int lo, int hi,
                                                           double level) {
    const V4 three = {3.0, 3.0, 3.0, 3.0}, limit = {level, level, level, level};
    M4 below = {0, 0, 0, 0};
    int i = lo;
    for (; i + 3 <= hi; i += 4) {
        V4 here, before, first;
        Load(here, v + i);
        Load(before, v + i - 1);
        Load(first, v + i - 2);
        below |= (here + before + first) / three < limit;
    }
    bool any = (below[0] | below[1] | below[2] | below[3]) != 0;
    for (; i <= hi; ++i)
        any |= (v[i] + v[i - 1] + v[i - 2]) / 3.0 < level;
    return any;
}

// The same means taken smaller lane by lane; a mean that is not a number is never taken.
[[gnu::always_inline]] inline double SmallestMeanOfThreeBody(const double* v, int lo, int hi) {
    const double inf = std::numeric_limits<double>::infinity();
    const V4 three = {3.0, 3.0, 3.0, 3.0};
    V4 lowest = {inf, inf, inf, inf};
    int i = lo;
    for (; i + 3 <= hi; i += 4) {
        V4 here, before, first;
        Load(here, v + i);
        Load(before, v + i - 1);
        Load(first, v + i - 2);
        const V4 mean = (here + before + first) / three;
        lowest = mean < lowest ? mean : lowest;
    }
    double least = std::min(std::min(lowest[0], lowest[1]), std::min(lowest[2], lowest[3]));
    for (; i <= hi; ++i) {
        const double mean = (v[i] + v[i - 1] + v[i - 2]) / 3.0;
        least = mean < least ? mean : least;
    }
    return least;
}

// Chosen at run time by a plain check, as the normal equations' kernels are.
[[gnu::target("avx2")]] bool AnyBeyond1e100Avx2(const double* v, int lo, int hi) {
    return AnyBeyond1e100Body(v, lo, hi);
}

bool AnyBeyond1e100Plain(const double* v, int lo, int hi) {
    return AnyBeyond1e100Body(v, lo, hi);
}

[[gnu::target("avx2")]] double LargestOfAvx2(const double* v, int lo, int hi) {
    return LargestOfBody(v, lo, hi);
}

double LargestOfPlain(const double* v, int lo, int hi) {
    return LargestOfBody(v, lo, hi);
}

// With AVX-512 the blocks of 16 rows are two registers of eight, and their comparisons go to
// mask registers: the test of a block above in a dozen operations, and the others row by row as
// there, the divisions only in the lanes with material of their own.
[[gnu::target("avx2,fma,avx512f,avx512vl,avx512dq")]] double
LargestOwnChangeAvx512(const double* u, const double* v, const double* ratio, double threshold,
                       int lo, int hi, bool& emptyGaining) {
    if (ratio != nullptr)
        return LargestOwnChangeBody<true>(u, v, ratio, threshold, lo, hi, emptyGaining);
    const __m512d limit = _mm512_set1_pd(threshold), zero = _mm512_setzero_pd();
    const __m512d magnitude = _mm512_castsi512_pd(_mm512_set1_epi64(0x7fffffffffffffffll));
    double largest = 0.0;
    __m512d most = zero; // the largest in every lane
    __mmask8 gaining = 0;
    // the last block overlapping the one before, as in the body above
    const int last = hi - (4 * kParts - 1);
    int i = lo;
    for (; i <= last; i = i + 4 * kParts <= last || i == last ? i + 4 * kParts : last) {
        const __m512d old0 = _mm512_loadu_pd(v + i), old1 = _mm512_loadu_pd(v + i + 8);
        const __m512d d0 = _mm512_sub_pd(_mm512_loadu_pd(u + i), old0);
        const __m512d d1 = _mm512_sub_pd(_mm512_loadu_pd(u + i + 8), old1);
        const __m512d size0 = _mm512_and_pd(d0, magnitude), size1 = _mm512_and_pd(d1, magnitude);
        // (the smaller and larger written out: the headers' own leave the compiler warning of
        // an undefined operand)
        const __m512d low = old0 < old1 ? old0 : old1;
        const __m512d over0 = _mm512_fnmadd_pd(most, old0, size0);
        const __m512d over1 = _mm512_fnmadd_pd(most, old1, size1);
        const __m512d over = over0 > over1 ? over0 : over1;
        if ((_mm512_cmp_pd_mask(low, limit, _CMP_NGT_UQ) |
             _mm512_cmp_pd_mask(over, zero, _CMP_NLT_UQ)) == 0)
            continue;
        const __mmask8 own0 = _mm512_cmp_pd_mask(old0, limit, _CMP_GT_OQ);
        const __mmask8 own1 = _mm512_cmp_pd_mask(old1, limit, _CMP_GT_OQ);
        gaining |= _mm512_mask_cmp_pd_mask(_mm512_cmp_pd_mask(old0, limit, _CMP_NGT_UQ), d0, limit,
                                           _CMP_GT_OQ) |
                   _mm512_mask_cmp_pd_mask(_mm512_cmp_pd_mask(old1, limit, _CMP_NGT_UQ), d1, limit,
                                           _CMP_GT_OQ);
        const __mmask8 rising =
            _mm512_mask_cmp_pd_mask(own0, size0, _mm512_mul_pd(most, old0), _CMP_GE_OQ) |
            _mm512_mask_cmp_pd_mask(own1, size1, _mm512_mul_pd(most, old1), _CMP_GE_OQ);
        if (rising == 0)
            continue;
        const __m512d change0 = _mm512_maskz_div_pd(own0, size0, old0);
        const __m512d change1 = _mm512_maskz_div_pd(own1, size1, old1);
        const __m512d change = change0 > change1 ? change0 : change1;
        V4 halves[2];
        std::memcpy(&halves, &change, sizeof halves);
        TakeLarger(halves[0], halves[1]);
        largest = std::max(largest, LargestLane(halves[0]));
        most = _mm512_set1_pd(largest);
    }
    V4 part[kParts];
    for (V4& p : part)
        p = V4{largest, largest, largest, largest};
    const M4 gainingLanes = {gaining != 0 ? -1ll : 0ll, 0, 0, 0};
    return LargestOwnChangeTail<true>(u, v, ratio, threshold, i, hi, part, gainingLanes,
                                      emptyGaining);
}

[[gnu::target("avx2,fma")]] double LargestOwnChangeAvx2(const double* u, const double* v,
                                                        const double* ratio, double threshold,
                                                        int lo, int hi, bool& emptyGaining) {
    return LargestOwnChangeBody<true>(u, v, ratio, threshold, lo, hi, emptyGaining);
}

double LargestOwnChangePlain(const double* u, const double* v, const double* ratio,
                             double threshold, int lo, int hi, bool& emptyGaining) {
    return LargestOwnChangeBody<false>(u, v, ratio, threshold, lo, hi, emptyGaining);
}

[[gnu::target("avx2")]] bool AnyBeyond1e100OrLargestAvx2(const double* v, int lo, int hi,
                                                         double& largest) {
    return AnyBeyond1e100OrLargestBody(v, lo, hi, largest);
}

bool AnyBeyond1e100OrLargestPlain(const double* v, int lo, int hi, double& largest) {
    return AnyBeyond1e100OrLargestBody(v, lo, hi, largest);
}

[[gnu::target("avx2")]] bool AnyMeanOfThreeBelowAvx2(const double* v, int lo, int hi,
                                                     double level) {
    return AnyMeanOfThreeBelowBody(v, lo, hi, level);
}

bool AnyMeanOfThreeBelowPlain(const double* v, int lo, int hi, double level) {
    return AnyMeanOfThreeBelowBody(v, lo, hi, level);
}

[[gnu::target("avx2")]] double SmallestMeanOfThreeAvx2(const double* v, int lo, int hi) {
    return SmallestMeanOfThreeBody(v, lo, hi);
}

double SmallestMeanOfThreePlain(const double* v, int lo, int hi) {
    return SmallestMeanOfThreeBody(v, lo, hi);
}

bool HasAvx2() {
    return UsableVectorUnit() >= VectorUnit::Avx2;
}

} // namespace

bool AnyBeyond1e100(const double* v, int lo, int hi) {
    return HasAvx2() ? AnyBeyond1e100Avx2(v, lo, hi) : AnyBeyond1e100Plain(v, lo, hi);
}

double LargestOf(const double* v, int lo, int hi) {
    return HasAvx2() ? LargestOfAvx2(v, lo, hi) : LargestOfPlain(v, lo, hi);
}

double LargestOwnChange(const double* u, const double* v, const double* ratio, double threshold,
                        int lo, int hi, bool& emptyGaining) {
    const VectorUnit unit = UsableVectorUnit();
    if (unit >= VectorUnit::Avx512)
        return LargestOwnChangeAvx512(u, v, ratio, threshold, lo, hi, emptyGaining);
    return unit >= VectorUnit::Avx2
               ? LargestOwnChangeAvx2(u, v, ratio, threshold, lo, hi, emptyGaining)
               : LargestOwnChangePlain(u, v, ratio, threshold, lo, hi, emptyGaining);
}

bool AnyBeyond1e100OrLargest(const double* v, int from, int lo, int hi, double& largest) {
    // the rows both passes read in one, then those only one of them reads
    const int both = std::max(from, lo);
    bool beyond = HasAvx2() ? AnyBeyond1e100OrLargestAvx2(v, both, hi, largest)
                            : AnyBeyond1e100OrLargestPlain(v, both, hi, largest);
    const int end = std::min(both - 1, hi);
    for (int i = from; i <= end; ++i)
        beyond |= !(std::fabs(v[i]) <= 1e100);
    for (int i = lo; i <= end; ++i)
        largest = std::max(largest, v[i]);
    return beyond;
}

bool AnyMeanOfThreeBelow(const double* v, int lo, int hi, double level) {
    return HasAvx2() ? AnyMeanOfThreeBelowAvx2(v, lo, hi, level)
                     : AnyMeanOfThreeBelowPlain(v, lo, hi, level);
}

double SmallestMeanOfThree(const double* v, int lo, int hi) {
    return HasAvx2() ? SmallestMeanOfThreeAvx2(v, lo, hi) : SmallestMeanOfThreePlain(v, lo, hi);
}

// Rounding makes x / 3 a nondecreasing function of x, so the values that pass form a range below
// a last one, found from 3 level in a step or two. Near it x / 3 is normal, and below 2^-958 it
// passes whether or not subnormals are taken as zero.
double LargestSumOfThreeWithMeanAtMost(double level) {
    if (!(level >= 0x1p-960 && level <= std::numeric_limits<double>::max()))
        return std::numeric_limits<double>::quiet_NaN();
    const double up = std::numeric_limits<double>::infinity();
    double x = 3.0 * level;
    while (!(x / 3.0 <= level))
        x = std::nextafter(x, -up);
    while (std::nextafter(x, up) / 3.0 <= level)
        x = std::nextafter(x, up);
    return x;
}
