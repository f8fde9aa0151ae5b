// The noise projection against an explicit dense solve with the noise columns, for every
// combination of time-invariant noise, radially invariant noise and baseline: the centred block,
// the centred product from means, and the noise that the means give.
#include "foundations/noise_projection.h"
#include "support/dense_residual.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace {

using Vec = std::vector<double>;

double Dot(const Vec& x, const Vec& y) {
    double s = 0.0;
    for (std::size_t i = 0; i < x.size(); ++i)
        s += x[i] * y[i];
    return s;
}

} // namespace

TEST(NoiseProjection, CentringMatchesTheExplicitProjection) {
    const int rows = 5, points = 9;
    const unsigned seed = 20261207;
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    CDenseMatrix x(rows, points), y(rows, points);
    for (int r = 1; r <= rows; ++r)
        for (int j = 1; j <= points; ++j) {
            x(r, j) = u(rng) + 0.5 * std::sin(j) + 0.3 * r; // with some of every noise term
            y(r, j) = u(rng);
        }
    auto flat = [&](const CDenseMatrix& m) {
        Vec v;
        for (int r = 1; r <= rows; ++r)
            for (int j = 1; j <= points; ++j)
                v.push_back(m(r, j));
        return v;
    };
    for (int mask = 0; mask < 8; ++mask) {
        const NoiseTerms terms{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
        const std::string what = std::string("TI ") + (terms.timeInvariant ? "on" : "off") +
                                 ", RI " + (terms.radiallyInvariant ? "on" : "off") +
                                 ", baseline " + (terms.baseline ? "on" : "off") + ", seed " +
                                 std::to_string(seed);
        std::vector<Vec> noise;
        if (terms.timeInvariant)
            for (int j = 1; j <= points; ++j) {
                Vec c(rows * points, 0.0);
                for (int r = 1; r <= rows; ++r)
                    c[(r - 1) * points + j - 1] = 1.0;
                noise.push_back(c);
            }
        if (terms.radiallyInvariant)
            for (int r = 1; r <= rows; ++r) {
                Vec c(rows * points, 0.0);
                for (int j = 1; j <= points; ++j)
                    c[(r - 1) * points + j - 1] = 1.0;
                noise.push_back(c);
            }
        if (terms.baseline)
            noise.emplace_back(rows * points, 1.0);
        const Vec px = DenseResidual(noise, flat(x)), py = DenseResidual(noise, flat(y));

        CDenseMatrix cx = x;
        CentreBlock(cx, terms);
        const Vec centred = flat(cx);
        for (std::size_t i = 0; i < px.size(); ++i)
            EXPECT_NEAR(centred[i], px[i], 1e-12) << what << ", value " << i;

        auto means = [&](const CDenseMatrix& m) {
            return ComputeNoiseMeans([&](int r) { return m.Row(r + 1); }, rows, 1, points);
        };
        const NoiseMeans mx = means(x), my = means(y);
        const double product = CentredProduct(Dot(flat(x), flat(y)), mx, my, terms);
        EXPECT_NEAR(product, Dot(px, py), 1e-12 * std::fabs(Dot(px, py)) + 1e-13) << what;
        const double square = CentredProduct(Dot(flat(x), flat(x)), mx, mx, terms);
        EXPECT_NEAR(square, Dot(px, px), 1e-12 * Dot(px, px)) << what;

        // The noise from the means is the dense fit of the noise columns: x - P x.
        const NoiseEstimate e = NoiseFromMeans(mx, terms);
        const Vec fx = flat(x);
        for (int r = 1; r <= rows; ++r)
            for (int j = 1; j <= points; ++j) {
                const int i = (r - 1) * points + j - 1;
                EXPECT_NEAR(e.ti[j - 1] + e.ri[r - 1] + e.baseline, fx[i] - px[i], 1e-12)
                    << what << ", row " << r << " point " << j;
            }
        // A term not eliminated stays zero.
        for (double v : e.ti)
            if (!terms.timeInvariant) {
                EXPECT_EQ(v, 0.0) << what;
            }
        for (double v : e.ri)
            if (!terms.radiallyInvariant) {
                EXPECT_EQ(v, 0.0) << what;
            }
        if (!terms.baseline) {
            EXPECT_EQ(e.baseline, 0.0) << what;
        }
    }
}

// Means told of leading zeros (some of them negative zeros), whether alone or in groups of
// eight, and blocks of many rows (taken eight or sixteen rows at a time when fewer than eight
// blocks go together), are those of a sum over every value in row order, bit for bit, with rows
// short of eight points and rows of whole groups of eight points and a few more.
TEST(NoiseProjection, MeansSkippingKnownZerosAreThoseOverEveryValue) {
    const int first = 1;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int points : {7, 13, 43})
        for (int rows : {5, 8, 12, 19})
            for (int count : {1, 3, 8, 10}) {
                std::vector<std::vector<std::vector<float>>> blocks(
                    count,
                    std::vector<std::vector<float>>(rows, std::vector<float>(first + points)));
                std::vector<std::vector<int>> zeros(count, std::vector<int>(rows));
                for (int k = 0; k < count; ++k)
                    for (int r = 0; r < rows; ++r) {
                        zeros[k][r] = std::uniform_int_distribution<int>(0, points)(rng);
                        for (int j = 0; j < points; ++j)
                            blocks[k][r][first + j] =
                                j < zeros[k][r] ? (j % 2 ? -0.0f : 0.0f) : u(rng);
                    }
                std::vector<NoiseMeans> told(count), plain(count);
                auto row = [&](int k, int r) { return blocks[k][r].data(); };
                ComputeNoiseMeansOfBlocks(
                    row, [&](int k, int r) { return zeros[k][r]; }, count, rows, first, points,
                    told.data());
                ComputeNoiseMeansOfBlocks(row, count, rows, first, points, plain.data());
                for (int k = 0; k < count; ++k) {
                    EXPECT_EQ(told[k].row, plain[k].row) << count << " blocks, block " << k;
                    EXPECT_EQ(told[k].point, plain[k].point) << count << " blocks, block " << k;
                    EXPECT_EQ(told[k].grand, plain[k].grand) << count << " blocks, block " << k;
                    NoiseMeans each;
                    each.point.assign(points, 0.0);
                    for (int r = 0; r < rows; ++r) {
                        double sum = 0.0;
                        for (int j = 0; j < points; ++j) {
                            sum += blocks[k][r][first + j];
                            each.point[j] += blocks[k][r][first + j];
                        }
                        each.row.push_back(sum / points);
                        each.grand += sum;
                    }
                    for (double& v : each.point)
                        v /= rows;
                    each.grand /= double(rows) * points;
                    const std::string at = std::to_string(rows) + " rows, " +
                                           std::to_string(count) + " blocks, block " +
                                           std::to_string(k);
                    EXPECT_EQ(told[k].row, each.row) << at;
                    EXPECT_EQ(told[k].point, each.point) << at;
                    EXPECT_EQ(told[k].grand, each.grand) << at;
                }
            }
}

// Several blocks at once (their means, then their centred products with one block, pair by pair
// and with the means held side by side from any block on) give each block exactly what it gets
// alone, for group sizes on both sides of the eight and the 32 taken together; the noise's part
// given beside a product is minus the centred product of a zero raw sum.
TEST(NoiseProjection, BlocksTakenTogetherGetWhatEachGetsAlone) {
    const int rows = 6, first = 2, points = 11;
    std::mt19937 rng(7);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    for (int count : {1, 3, 8, 9, 12, 29, 33, 70}) {
        std::vector<std::vector<std::vector<float>>> blocks(
            count, std::vector<std::vector<float>>(rows, std::vector<float>(first + points)));
        for (auto& b : blocks)
            for (auto& r : b)
                for (float& v : r)
                    v = u(rng);
        std::vector<NoiseMeans> together(count);
        ComputeNoiseMeansOfBlocks([&](int k, int r) { return blocks[k][r].data(); }, count, rows,
                                  first, points, together.data());
        std::vector<double> raw(count), products(count), parts(count);
        auto noisePart = [](const NoiseMeans& x, const NoiseMeans& y, const NoiseTerms& terms) {
            return -CentredProduct(0.0, x, y, terms);
        };
        for (int k = 0; k < count; ++k) {
            const NoiseMeans alone =
                ComputeNoiseMeans([&](int r) { return blocks[k][r].data(); }, rows, first, points);
            EXPECT_EQ(together[k].row, alone.row) << count << " blocks, block " << k;
            EXPECT_EQ(together[k].point, alone.point) << count << " blocks, block " << k;
            EXPECT_EQ(together[k].grand, alone.grand) << count << " blocks, block " << k;
            raw[k] = 0.1 * (k + 1);
        }
        for (int mask = 0; mask < 8; ++mask) {
            const NoiseTerms terms{(mask & 1) != 0, (mask & 2) != 0, (mask & 4) != 0};
            CentredProducts(raw.data(), together[0], together.data(), count, terms, products.data(),
                            parts.data());
            for (int k = 0; k < count; ++k) {
                EXPECT_EQ(products[k], CentredProduct(raw[k], together[0], together[k], terms))
                    << count << " blocks, block " << k << ", terms " << mask;
                EXPECT_EQ(parts[k], noisePart(together[0], together[k], terms)) << count << k;
            }
            // each block with one, the sums of four pairs side by side
            std::vector<const NoiseMeans*> each(count);
            for (int k = 0; k < count; ++k)
                each[k] = &together[k];
            CentredProductsWith(raw.data(), each.data(), together[0], count, terms,
                                products.data());
            for (int k = 0; k < count; ++k)
                EXPECT_EQ(products[k], CentredProduct(raw[k], together[k], together[0], terms))
                    << count << " blocks with one, block " << k << ", terms " << mask;
            const NoiseMeansSideBySide side(together.data(), count);
            for (int from : {0, count / 3, count - 1}) {
                std::fill(products.begin(), products.end(), -1.0);
                CentredProductsSideBySide(raw.data() + from, together[1 % count],
                                          together.data() + from, side, from, count - from, terms,
                                          products.data(), parts.data());
                for (int k = from; k < count; ++k) {
                    EXPECT_EQ(products[k - from],
                              CentredProduct(raw[k], together[1 % count], together[k], terms))
                        << count << " blocks side by side from " << from << ", block " << k
                        << ", terms " << mask;
                    EXPECT_EQ(parts[k - from], noisePart(together[1 % count], together[k], terms))
                        << count << " side by side " << k;
                }
            }
            // four rows at once, each from its own block on
            const int starts[][4] = {{0, 1, 2, 3},
                                     {0, count / 3, count / 2, count - 1},
                                     {count - 1, 0, count - 1, count / 2}};
            for (const auto& start : starts) {
                std::vector<double> four[4], fourParts[4];
                const double* sums[4];
                const NoiseMeans* x[4];
                double *out[4], *part[4];
                int from[4];
                for (int i = 0; i < 4; ++i) {
                    from[i] = std::min(start[i], count - 1);
                    four[i].assign(std::size_t(count - from[i]), -1.0);
                    fourParts[i] = four[i];
                    sums[i] = raw.data() + from[i], x[i] = &together[(i + 1) % count];
                    out[i] = four[i].data(), part[i] = fourParts[i].data();
                }
                CentredProductsSideBySide4(sums, x, together.data(), side, from, count - 1, terms,
                                           out, part);
                for (int i = 0; i < 4; ++i)
                    for (int k = from[i]; k < count; ++k) {
                        const std::size_t at = std::size_t(k - from[i]);
                        EXPECT_EQ(four[i][at], CentredProduct(raw[k], *x[i], together[k], terms))
                            << count << " blocks, four rows, row " << i << ", block " << k;
                        EXPECT_EQ(fourParts[i][at], noisePart(*x[i], together[k], terms))
                            << count << " four rows " << i << " " << k;
                    }
            }
        }
    }
}

// Blocks of unequal lengths held side by side: each value in its place, zeros past a block's own
// and in the 32 after, for counts that fill groups of eight and those that leave some over.
TEST(NoiseProjection, MeansSideBySideHoldEachBlocksValuesInPlace) {
    for (int count : {3, 8, 13, 24}) {
        std::vector<NoiseMeans> y(count);
        for (int u = 0; u < count; ++u) {
            y[u].point.resize(std::size_t(37 - (u * 7) % 11)); // 26..37 values
            y[u].row.resize(std::size_t(u % 5));
            for (std::size_t j = 0; j < y[u].point.size(); ++j)
                y[u].point[j] = u + 0.001 * double(j + 1);
            for (std::size_t s = 0; s < y[u].row.size(); ++s)
                y[u].row[s] = -u - 0.01 * double(s + 1);
        }
        NoiseMeansSideBySide side;
        side.Assign(y.data(), count);
        const auto check = [&](const std::vector<double>& held, std::size_t length, auto of) {
            ASSERT_EQ(held.size(), length * count + 32) << count;
            for (std::size_t j = 0; j < length + 32 / count; ++j)
                for (int u = 0; u < count && j * count + u < held.size(); ++u) {
                    const std::vector<double>& own = of(y[u]);
                    EXPECT_EQ(held[j * count + u], j < own.size() ? own[j] : 0.0)
                        << count << " blocks, block " << u << ", value " << j;
                }
        };
        const auto point = [](const NoiseMeans& m) -> const auto& {
            return m.point;
        };
        const auto row = [](const NoiseMeans& m) -> const auto& {
            return m.row;
        };
        check(side.point, 37, point);
        check(side.row, std::size_t(std::min(count - 1, 4)), row);
    }
}
