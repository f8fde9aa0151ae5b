// Normal equations of the distribution fit: raw inner products of float kernel rows summed in
// double, corrected by the centring means; tiles of four rows by four columns share one pass
// over the points. The result is the same for every thread count (checked bit for bit in the
// distribution tests).
#include "distributions/conti_normal_equations.h"

#include "distributions/conti_normal_equations_tiles.h"
#include "foundations/key_polling.h"
#include "foundations/rows_in_lanes.h"
#include "foundations/vector_unit.h"
#include "lamm/kept_thread_pool.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <immintrin.h>
#include <utility>

namespace {

using namespace conti_tiles;

// Rows go in blocks of four consecutive ones; block b (0-based) belongs to share k when it is
// the k-th of its round of count blocks, the rounds alternating in direction so that the shares
// of the triangle are about equal.
int BlockShare(int block, int count) {
    const int round = block / count, at = block % count;
    return (round % 2 == 0 ? at : count - 1 - at) + 1;
}

// The shares of the blocks of four rows (BlockShare's numbering) for count shares of about
// equal work: each block's products are counted over its cells and the scans from where the
// later of the block's rows and the column begins, and the blocks, the largest first, go to the
// share with the least so far (the first of equal ones). Which share sums a cell changes no sum.
std::vector<int> BalancedBlockShares(int n, const ContiDataSet& set, const int* firstNonzero,
                                     int count) {
    const int blocks = (n + 3) / 4, S = set.Scans();
    if (count <= 1)
        return std::vector<int>(static_cast<std::size_t>(blocks), 1); // one share sums them all
    std::vector<double> work(std::size_t(blocks), 0.0);
    for (int s = 0; s < S; ++s) {
        const int* from = firstNonzero + static_cast<std::size_t>(s) * (n + 1);
        for (int b = 0; b < blocks; ++b) {
            int rows = set.last + 1;
            for (int p = 4 * b + 1; p <= std::min(n, 4 * b + 4); ++p)
                rows = std::min(rows, from[p]);
            // counted in integers (the same count as in double, where every partial sum of
            // whole numbers this small is exact), which the compiler takes in vectors
            long long sum = 0;
            for (int q = 4 * b + 1; q <= n; ++q)
                sum += set.last + 1 - std::max(rows, from[q]);
            work[std::size_t(b)] += 4.0 * double(sum);
        }
    }
    std::vector<int> order(static_cast<std::size_t>(blocks)),
        shares(static_cast<std::size_t>(blocks), 1);
    for (int b = 0; b < blocks; ++b)
        order[std::size_t(b)] = b;
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return work[std::size_t(a)] > work[std::size_t(b)]; });
    std::vector<double> load(std::size_t(count), 0.0);
    for (int b : order) {
        const auto least = std::min_element(load.begin(), load.end());
        *least += work[std::size_t(b)];
        shares[std::size_t(b)] = static_cast<int>(least - load.begin()) + 1;
    }
    return shares;
}

// The means of the data and yy, the data's centred norm.
void SetDataTerms(const ContiDataSet& set, const ContiDataRow& data, ContiNormalEquations& out) {
    out.dataMeans = set.Means(data);
    double yy = 0.0;
    for (int s = 0; s < set.Scans(); ++s) {
        const float* y = data(s);
        for (int i = set.first; i <= set.last; ++i)
            yy += double(y[i]) * double(y[i]);
    }
    out.rawYy = yy;
    out.yy = CentredProduct(yy, out.dataMeans, out.dataMeans, set.Noise());
    out.values = set.Values();
    out.noiseParameters = set.NoiseParameters();
}

// Only while noise is eliminated can a column with signal have a vanishing centred norm; a
// column that is zero everywhere (raw norm 0) is left as it was.
void MarkHeldColumns(int n, const ContiDataSet& set, ContiNormalEquations& out) {
    if (set.timeInvariant || set.radiallyInvariant)
        for (int p = 1; p <= n; ++p)
            out.held[p] = out.A(p, p) < kHeldColumnRatio * out.rawNorm[p] ? 1 : 0;
}

// ContiFirstNonzero for any x86-64.
[[gnu::always_inline]] inline int FirstNonzero(const float* x, int lo, int hi) {
    int i = lo;
    for (; i + 15 <= hi; i += 16) {
        // Zero of either sign: no bit but the sign's set.
        std::uint32_t bits[16], any = 0;
        std::memcpy(bits, x + i, sizeof bits);
        for (int u = 0; u < 16; ++u)
            any |= bits[u] & 0x7fffffffu;
        if (any)
            break;
    }
    while (i <= hi && x[i] == 0.0f)
        ++i;
    return i;
}

// FirstNonzero with sixteen values tested at once: the same point.
[[gnu::target("avx512f,avx512vl"), gnu::always_inline]] inline int
FirstNonzeroAvx512(const float* x, int lo, int hi) {
    const __m512i magnitude = _mm512_set1_epi32(0x7fffffff);
    int i = lo;
    for (; i + 15 <= hi; i += 16) {
        const __mmask16 any = _mm512_test_epi32_mask(_mm512_loadu_si512(x + i), magnitude);
        if (any != 0)
            return i + __builtin_ctz(any);
    }
    while (i <= hi && x[i] == 0.0f)
        ++i;
    return i;
}

[[gnu::target("avx512f,avx512vl")]] int ContiFirstNonzeroAvx512(const float* x, int lo, int hi) {
    return FirstNonzeroAvx512(x, lo, hi);
}

// FirstNonzero with eight values tested at once: the same point.
[[gnu::target("avx2"), gnu::always_inline]] inline int FirstNonzeroAvx2(const float* x, int lo,
                                                                        int hi) {
    const __m256i magnitude = _mm256_set1_epi32(0x7fffffff);
    int i = lo;
    for (; i + 7 <= hi; i += 8) {
        const __m256i v = _mm256_and_si256(
            _mm256_loadu_si256(reinterpret_cast<const __m256i*>(x + i)), magnitude);
        const __m256i zero = _mm256_cmpeq_epi32(v, _mm256_setzero_si256());
        const unsigned nonzero =
            ~static_cast<unsigned>(_mm256_movemask_ps(_mm256_castsi256_ps(zero))) & 0xffu;
        if (nonzero != 0)
            return i + __builtin_ctz(nonzero);
    }
    while (i <= hi && x[i] == 0.0f)
        ++i;
    return i;
}

[[gnu::target("avx2")]] int ContiFirstNonzeroAvx2(const float* x, int lo, int hi) {
    return FirstNonzeroAvx2(x, lo, hi);
}

int FirstNonzeroPlain(const float* x, int lo, int hi) {
    return FirstNonzero(x, lo, hi);
}

// Where each of the w columns p.. begins on each scan (into firstNonzero[s * (n + 1) + q], found
// by first) and their means. Both only compare and add, so the AVX-512 build gives the same
// values.
[[gnu::always_inline]] inline void ColumnStartsAndMeans(int (*first)(const float*, int, int),
                                                        const ContiColumnRow& column,
                                                        const ContiDataSet& set, int n, int p,
                                                        int w, int* firstNonzero, NoiseMeans* out) {
    const int S = set.Scans();
    for (int s = 0; s < S; ++s)
        for (int q = p; q < p + w; ++q)
            firstNonzero[static_cast<std::size_t>(s) * (n + 1) + q] =
                first(column(q, s), set.first, set.last);
    ComputeNoiseMeansOfBlocks(
        [&](int u, int s) { return column(p + u, s); },
        [&](int u, int s) {
            return firstNonzero[static_cast<std::size_t>(s) * (n + 1) + p + u] - set.first;
        },
        w, S, set.first, set.Points(), out);
}

[[gnu::target("avx512f,avx512vl"), gnu::flatten]] void
ColumnStartsAndMeansAvx512(const ContiColumnRow& column, const ContiDataSet& set, int n, int p,
                           int w, int* firstNonzero, NoiseMeans* out) {
    ColumnStartsAndMeans(ContiFirstNonzeroAvx512, column, set, n, p, w, firstNonzero, out);
}

[[gnu::target("avx2"), gnu::flatten]] void ColumnStartsAndMeansAvx2(const ContiColumnRow& column,
                                                                    const ContiDataSet& set, int n,
                                                                    int p, int w, int* firstNonzero,
                                                                    NoiseMeans* out) {
    ColumnStartsAndMeans(ContiFirstNonzeroAvx2, column, set, n, p, w, firstNonzero, out);
}

void ColumnStartsAndMeansPlain(const ContiColumnRow& column, const ContiDataSet& set, int n, int p,
                               int w, int* firstNonzero, NoiseMeans* out) {
    ColumnStartsAndMeans(FirstNonzeroPlain, column, set, n, p, w, firstNonzero, out);
}

using ColumnStartsAndMeansFunction = void (*)(const ContiColumnRow&, const ContiDataSet&, int, int,
                                              int, int*, NoiseMeans*);
ColumnStartsAndMeansFunction ColumnStartsAndMeansForThisMachine() {
    return UsableAvx512() ? ColumnStartsAndMeansAvx512
           : UsableAvx2() ? ColumnStartsAndMeansAvx2
                          : ColumnStartsAndMeansPlain;
}

// The cells (p, q) past a row's lane cells, point by point: for each of the last columns q,
// those of the rows that have it, which read q's values once a point for all of them.
struct PointwiseColumn {
    int q;
    std::vector<int> rows;
    std::vector<double*> sums;
    std::vector<const float*> x;
    std::vector<int> from;
};

std::vector<PointwiseColumn> PointwiseColumns(const std::vector<int>& rows,
                                              const std::vector<double*>& rowSum, int n) {
    std::vector<PointwiseColumn> pointwise;
    for (int q = std::max(rows.front(), n - 2); q <= n; ++q) {
        PointwiseColumn c{q, {}, {}, {}, {}};
        for (int p : rows)
            if (p <= q && LaneEnd(n, p) < q) {
                c.rows.push_back(p);
                c.sums.push_back(rowSum[p] + (q - p));
            }
        c.x.resize(c.rows.size());
        c.from.resize(c.rows.size());
        if (!c.rows.empty())
            pointwise.push_back(std::move(c));
    }
    return pointwise;
}

// The rows' raw sums corrected by the centring means into A(p, q >= p), b(p) and the raw norms;
// with noiseGram, the part of each product the noise takes into o.noiseGram(p, q >= p), from the
// same sums of means.
void StoreCentredRows(ContiNormalEquations& o, const NoiseTerms& noise,
                      const NoiseMeansSideBySide* meansSideBySide, int n,
                      const std::vector<int>& rows, const std::vector<double*>& rowSum,
                      const std::vector<double>& sb, bool noiseGram) {
    auto gramRow = [&](int p) { return noiseGram ? o.noiseGram.Row(p) + p : nullptr; };
    std::size_t r = 0;
    // four rows at a time share the loads of the columns' side-by-side means
    for (; meansSideBySide != nullptr && r + 4 <= rows.size(); r += 4) {
        const double* sums[4];
        const NoiseMeans* x[4];
        double *out[4], *part[4];
        int from[4];
        double b[4];
        for (int i = 0; i < 4; ++i) {
            const int p = rows[r + i];
            sums[i] = rowSum[p];
            o.rawNorm[p] = sums[i][0];
            x[i] = &o.columnMeans[p], out[i] = o.A.Row(p) + p, from[i] = p;
            part[i] = gramRow(p);
        }
        CentredProductsWith(sb.data() + r, x, o.dataMeans, 4, noise, b);
        for (int i = 0; i < 4; ++i)
            o.b[rows[r + i]] = b[i];
        CentredProductsSideBySide4(sums, x, o.columnMeans.data(), *meansSideBySide, from, n, noise,
                                   out, noiseGram ? part : nullptr);
    }
    for (; r < rows.size(); ++r) {
        const int p = rows[r];
        const double* sum = rowSum[p];
        o.b[p] = CentredProduct(sb[r], o.columnMeans[p], o.dataMeans, noise);
        o.rawNorm[p] = sum[0];
        if (meansSideBySide != nullptr)
            CentredProductsSideBySide(sum, o.columnMeans[p], o.columnMeans.data() + p,
                                      *meansSideBySide, p, n - p + 1, noise, o.A.Row(p) + p,
                                      gramRow(p));
        else
            CentredProducts(sum, o.columnMeans[p], o.columnMeans.data() + p, n - p + 1, noise,
                            o.A.Row(p) + p, gramRow(p));
    }
}

} // namespace

namespace {

// The widened columns' room in a share's scratch for rows from firstRow on, sized once per build;
// empty where the tiles do not read them.
double* WidenedPairs(ContiNEQShareSpace& space, bool widen, int firstPair, int n, int groups) {
    const std::size_t size = static_cast<std::size_t>(n / 2 - firstPair + 1) * groups * 8;
    if (widen && space.pairs.size() < size)
        space.pairs.resize(size);
    return widen ? space.pairs.data() : nullptr;
}

// Scan s's columns from column q0 on and where each begins.
void TakeScanColumns(const ContiColumnRow& column, const int* firstNonzero, int n, int q0, int s,
                     std::vector<const float*>& col, std::vector<int>& from) {
    for (int q = q0; q <= n; ++q) {
        col[q] = column(q, s);
        if (firstNonzero)
            from[q] = firstNonzero[static_cast<std::size_t>(s) * (n + 1) + q];
    }
}

} // namespace

void ContiNEQJob::ComputeScans(int k, int count) const {
    const ContiDataSet& ds = *set;
    const int S = ds.Scans(), lo = ds.first, hi = ds.last;
    ContiNEQScanSums& sums = *scanSums;
    std::vector<int> first, last;
    for (int b = 0; 4 * b + 1 <= n; ++b) {
        first.push_back(4 * b + 1);
        last.push_back(std::min(n, 4 * b + 4));
    }
    const int blocks = static_cast<int>(first.size());
    std::vector<const float*> col(n + 1, nullptr);
    std::vector<int> from(n + 1, lo);
    std::vector<double*> rowSum(n + 1, nullptr);
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    const auto addScan = avx512 ? AddScanToBlocksAvx512
                         : avx2 ? AddScanToBlocksAvx2
                                : AddScanToBlocksPlain;
    const int groups = (hi - lo + 1) / 4;
    const bool widen = avx512 && blocks >= kBlocksToWiden;
    ContiNEQShareSpace own;
    ContiNEQShareSpace& space = spaces != nullptr ? spaces[k - 1] : own;
    double* const pairs = WidenedPairs(space, widen, 0, n, groups);
    for (int s = sums.next->fetch_add(1); s < S; s = sums.next->fetch_add(1)) {
        double* const at = sums.values.data() + static_cast<std::size_t>(s) * sums.cells;
        std::fill(at, at + sums.cells, 0.0);
        for (int p = 1; p <= n; ++p)
            rowSum[p] = at + sums.offset[p];
        TakeScanColumns(column, firstNonzero, n, 1, s, col, from);
        ScanColumns scan{col.data(), from.data(), lo, hi};
        if (widen) {
            scan.pairs = pairs, scan.firstPair = 0, scan.groups = groups;
            WidenColumns(scan, 1, n, pairs);
        }
        addScan(scan, n, first.data(), last.data(), blocks, rowSum.data());
    }
}

void ContiNEQJob::ComputeRows(int k, int count) const {
    const ContiDataSet& ds = *set;
    const int S = ds.Scans(), lo = ds.first, hi = ds.last;
    const NoiseTerms noise = ds.Noise();
    ContiNormalEquations& o = *out;
    // The blocks of this share and, for each of their rows, the running sums of its cells
    // A(p, q >= p) and of b(p). The scans are the outer loop: one scan's columns stay in the
    // core's cache while every block of the share is taken through them, instead of the whole
    // kernel being streamed once per block. Each cell adds its per-scan partial sums in scan
    // order, so the sums are the same for any number of shares.
    std::vector<int> first, last, rows;
    for (int b = 0; 4 * b + 1 <= n; ++b)
        if ((blockShares != nullptr ? blockShares[b] : BlockShare(b, count)) == k) {
            first.push_back(4 * b + 1);
            last.push_back(std::min(n, 4 * b + 4));
            for (int p = first.back(); p <= last.back(); ++p)
                rows.push_back(p);
        }
    if (rows.empty())
        return;
    std::vector<std::size_t> offset(n + 1, 0);
    std::size_t cellCount = 0;
    for (int p : rows) {
        offset[p] = cellCount;
        cellCount += static_cast<std::size_t>(n - p + 1);
    }
    std::vector<double> cells(cellCount, 0.0), sb(rows.size(), 0.0);
    std::vector<double*> rowSum(n + 1, nullptr);
    for (int p : rows)
        rowSum[p] = cells.data() + offset[p];
    std::vector<const float*> col(n + 1, nullptr), bx(rows.size());
    std::vector<int> from(n + 1, lo), bf(rows.size());
    std::vector<double*> bs(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r)
        bs[r] = &sb[r];
    std::vector<PointwiseColumn> pointwise = PointwiseColumns(rows, rowSum, n);
    const bool avx512 = UsableAvx512(), avx2 = UsableAvx2();
    const auto addScan = avx512 ? AddScanToBlocksAvx512
                         : avx2 ? AddScanToBlocksAvx2
                                : AddScanToBlocksPlain;
    const auto addData = avx512 ? AddWithRowAvx512 : avx2 ? AddWithRowAvx2 : AddWithRowPlain;
    const int blocks = static_cast<int>(first.size());
    // With AVX-512 the share's columns are widened to double once per scan, for the tiles of
    // four rows by four columns, where the share has blocks enough to read each widened column
    // many times: a share of few blocks (many threads) spends more on the widening than its
    // tiles save. Where the scans' sums are made before, the share only adds them up.
    const int firstPair = rows.front() / 2, groups = (hi - lo + 1) / 4;
    const bool laneCells = scanSums == nullptr;
    const bool widen = laneCells && avx512 && blocks >= kBlocksToWiden;
    // The share's own scratch, sized here once for the build; a tile reads only what
    // WidenColumns wrote in this build.
    ContiNEQShareSpace own;
    ContiNEQShareSpace& space = spaces != nullptr ? spaces[k - 1] : own;
    double* const pairs = WidenedPairs(space, widen, firstPair, n, groups);
    if (avx512 && space.widened.size() < static_cast<std::size_t>(hi) + 1)
        space.widened.resize(static_cast<std::size_t>(hi) + 1);
    double* const widened = space.widened.data();
    for (int s = 0; s < S; ++s) {
        TakeScanColumns(column, firstNonzero, n, rows.front(), s, col, from);
        const float* y = data(s);
        for (std::size_t r = 0; r < rows.size(); ++r) {
            bx[r] = col[rows[r]];
            bf[r] = from[rows[r]];
        }
        addData(bx.data(), y, bs.data(), bf.data(), static_cast<int>(rows.size()), hi, widened);
        if (laneCells) {
            ScanColumns scan{col.data(), from.data(), lo, hi};
            if (widen) {
                scan.pairs = pairs, scan.firstPair = firstPair, scan.groups = groups;
                WidenColumns(scan, rows.front(), n, pairs);
            }
            addScan(scan, n, first.data(), last.data(), blocks, rowSum.data());
        } else {
            // scan s's sums of the lane cells, after those of the scans before it
            const double* at =
                scanSums->values.data() + static_cast<std::size_t>(s) * scanSums->cells;
            for (int p : rows) {
                const double* partial = at + scanSums->offset[p];
                double* sum = rowSum[p];
                const int cells = LaneEnd(n, p) - p + 1;
                for (int c = 0; c < cells; ++c)
                    sum[c] += partial[c];
            }
        }
        for (PointwiseColumn& c : pointwise) {
            for (std::size_t u = 0; u < c.rows.size(); ++u) {
                c.x[u] = col[c.rows[u]];
                c.from[u] = std::max(from[c.rows[u]], from[c.q]);
            }
            addData(c.x.data(), col[c.q], c.sums.data(), c.from.data(),
                    static_cast<int>(c.rows.size()), hi, widened);
        }
    }
    StoreCentredRows(o, noise, meansSideBySide, n, rows, rowSum, sb, noiseGram);
}

void RunContiShares(int count, const std::function<void(int, int)>& share) {
    if (count <= 1) {
        share(1, 1);
        return;
    }
    RunOnKeptThreads(count, count - 1, [&](int k, bool) { share(k, count); });
}

int ContiFirstNonzero(const float* x, int lo, int hi) {
    return UsableAvx512() ? ContiFirstNonzeroAvx512(x, lo, hi)
           : UsableAvx2() ? ContiFirstNonzeroAvx2(x, lo, hi)
                          : FirstNonzeroPlain(x, lo, hi);
}

void ContiColumnStarts::Reset(int columns, const ContiDataSet& set) {
    n = columns;
    firstNonzero.assign(static_cast<std::size_t>(set.Scans()) * (n + 1), set.first);
    means.assign(std::size_t(n) + 1, NoiseMeans{});
    known.assign(std::size_t(n) + 1, 0);
}

void FindContiColumnStart(const ContiDataSet& set, const ContiColumnRow& column, int p,
                          ContiColumnStarts& starts) {
    const auto startsAndMeans = ColumnStartsAndMeansForThisMachine();
    startsAndMeans(column, set, starts.n, p, 1, starts.firstNonzero.data(),
                   starts.means.data() + p);
    starts.known[std::size_t(p)] = 1;
}

bool BuildContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                               const ContiDataRow& data, int threads, ContiNormalEquations& out,
                               const ContiNEQBuildAids& aids) {
    ContiColumnStarts* const starts = aids.starts;
    out.A.Resize(n);
    out.b.assign(n + 1, 0.0);
    out.rawNorm.assign(n + 1, 0.0);
    out.held.assign(n + 1, 0);
    // The rows and the means both go in groups of four.
    const int count = std::clamp(threads, 1, std::max(1, (n + 3) / 4));
    // Eight columns at a time, the groups of eight dealt out in turn; with them, where each
    // column's values begin on each scan ([s * (n + 1) + p]). Groups whose columns were all
    // found before are taken as they are.
    const int S = set.Scans();
    std::vector<int>& firstNonzero = out.firstNonzero;
    const bool found = starts != nullptr && starts->n == n &&
                       starts->firstNonzero.size() == static_cast<std::size_t>(S) * (n + 1);
    std::vector<char> known(std::size_t(n) + 1, 0);
    if (found) {
        firstNonzero = std::move(starts->firstNonzero);
        out.columnMeans = std::move(starts->means);
        known = starts->known;
        starts->n = 0;
    } else {
        firstNonzero.assign(static_cast<std::size_t>(S) * (n + 1), set.first);
        out.columnMeans.assign(n + 1, NoiseMeans{});
    }
    const auto startsAndMeans = ColumnStartsAndMeansForThisMachine();
    std::vector<int> groups;
    for (int p = 1; p <= n; p += 8)
        if (!std::all_of(known.begin() + p, known.begin() + std::min(n, p + 7) + 1,
                         [](char k) { return k != 0; }))
            groups.push_back(p);
    const int groupShares = std::clamp(count, 1, std::max(1, int(groups.size())));
    if (!groups.empty())
        RunContiShares(groupShares, [&](int k, int m) {
            for (std::size_t g = std::size_t(k - 1); g < groups.size(); g += std::size_t(m)) {
                const int p = groups[g];
                startsAndMeans(column, set, n, p, std::min(8, n - p + 1), firstNonzero.data(),
                               out.columnMeans.data() + p);
            }
        });
    SetDataTerms(set, data, out);

    // The build's scratch: the means side by side, and one space per share.
    ContiNEQScratch own;
    ContiNEQScratch& scratch = aids.scratch != nullptr ? *aids.scratch : own;
    scratch.side.Assign(out.columnMeans.data(), n + 1);
    if (scratch.spaces.size() < static_cast<std::size_t>(count))
        scratch.spaces.resize(static_cast<std::size_t>(count));
    const bool noiseGram = aids.noiseGram && set.Noise().Any();
    out.noiseGram.Resize(noiseGram ? n : 0);
    const std::vector<int> shares = BalancedBlockShares(n, set, firstNonzero.data(), count);
    ContiNEQJob job{n,
                    &set,
                    column,
                    data,
                    &out,
                    firstNonzero.data(),
                    &scratch.side,
                    shares.data(),
                    scratch.spaces.data(),
                    noiseGram};
    // With several shares, the lane cells are summed scan by scan, each scan claimed by one share
    // that reads its columns once for every row (widened, where the unit has the tiles for it),
    // and then added up in scan order by the shares of rows; where the scans' sums would take
    // more room than the kernel's values in the set, each share of rows reads the scans itself.
    std::atomic<int> nextScan{0};
    const std::size_t cells = static_cast<std::size_t>(n) * (n + 1) / 2;
    if (count > 1 && cells * sizeof(double) <= std::size_t(n) * set.Points() * sizeof(float)) {
        ContiNEQScanSums& sums = scratch.scanSums;
        sums.offset.assign(std::size_t(n) + 1, 0);
        sums.cells = cells;
        for (int p = 2; p <= n; ++p)
            sums.offset[p] = sums.offset[p - 1] + static_cast<std::size_t>(n - p + 2);
        if (sums.values.size() < sums.cells * S)
            sums.values.resize(sums.cells * S);
        sums.next = &nextScan;
        job.scanSums = &sums;
        RunContiShares(count, [&job](int k, int m) { job.ComputeScans(k, m); });
        sums.next = nullptr;
    }
    RunContiShares(count, [&job](int k, int m) { job.ComputeRows(k, m); });
    out.A.MirrorUpper();
    if (noiseGram)
        out.noiseGram.MirrorUpper();
    MarkHeldColumns(n, set, out);
    if (KeyPressed()) {
        gUserInterrupt.store(true);
        return false;
    }
    return true;
}

void UpdateContiNormalEquations(int n, const ContiDataSet& set, const ContiColumnRow& column,
                                const ContiDataRow& data, const std::vector<char>& changed,
                                int threads, ContiNormalEquations& eq) {
    const int S = set.Scans(), lo = set.first, hi = set.last;
    const NoiseTerms noise = set.Noise();
    const int count = std::clamp(threads, 1, std::max(1, (n + 3) / 4));
    // Where the changed columns' values begin on each scan (the others' are kept from the
    // build), and their means.
    std::vector<int>& firstNonzero = eq.firstNonzero;
    const std::size_t entries = static_cast<std::size_t>(S) * (n + 1);
    const bool kept = firstNonzero.size() == entries;
    if (!kept)
        firstNonzero.assign(entries, lo);
    RunContiShares(count, [&](int k, int m) {
        for (int p = k; p <= n; p += m) {
            if (kept && !changed[p])
                continue;
            for (int s = 0; s < S; ++s)
                firstNonzero[static_cast<std::size_t>(s) * (n + 1) + p] =
                    ContiFirstNonzero(column(p, s), lo, hi);
            if (changed[p])
                ComputeNoiseMeansOfBlocks(
                    [&](int, int s) { return column(p, s); },
                    [&](int, int s) {
                        return firstNonzero[static_cast<std::size_t>(s) * (n + 1) + p] - lo;
                    },
                    1, S, lo, set.Points(), &eq.columnMeans[p]);
        }
    });
    SetDataTerms(set, data, eq);
    // The cells (p, q >= p) of a changed column, each once.
    std::vector<std::pair<int, int>> cells;
    for (int p = 1; p <= n; ++p)
        for (int q = p; q <= n; ++q)
            if (changed[p] || changed[q])
                cells.emplace_back(p, q);
    std::vector<double> raw(cells.size(), 0.0), sb(n + 1, 0.0);
    const bool avx2 = UsableAvx2();
    const auto addCell = avx2 ? AddCellOverScansAvx2 : AddCellOverScansPlain;
    const auto addData = avx2 ? AddDataOverScansAvx2 : AddDataOverScansPlain;
    const CellScans scans{&column, &data, firstNonzero.data(), S, n, lo, hi};
    RunContiShares(count, [&](int k, int m) {
        for (std::size_t c = std::size_t(k - 1); c < cells.size(); c += std::size_t(m))
            raw[c] = addCell(scans, cells[c].first, cells[c].second);
        for (int p = k; p <= n; p += m)
            sb[p] = addData(scans, p);
    });
    for (std::size_t c = 0; c < cells.size(); ++c) {
        const auto [p, q] = cells[c];
        double& cell = eq.A(p, q);
        CentredProducts(&raw[c], eq.columnMeans[p], &eq.columnMeans[q], 1, noise, &cell);
        eq.A(q, p) = cell;
        if (p == q)
            eq.rawNorm[p] = raw[c];
    }
    for (int p = 1; p <= n; ++p)
        eq.b[p] = CentredProduct(sb[p], eq.columnMeans[p], eq.dataMeans, noise);
    MarkHeldColumns(n, set, eq);
}
