// The products of the species amplitudes are the same, bit for bit, whichever vector unit sums
// them: rows that end inside the first pass of points, on a whole number of passes and in a tail,
// one row after another, from data less a held value or from a target row, and after a centred
// row has made the raw norms differ from the diagonal.
#include "fitting/linear_least_squares_amplitudes.h"
#include "foundations/vector_unit.h"

#include <bit>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace {

struct ProductsCase {
    const char* name;
    std::vector<int> rowLengths;
    double held;
    bool centredFirst; // a first row with offsets, which no longer shares raw norm and diagonal
    bool targetRows;   // the target as rows of doubles instead of data less the held value
};

AmplitudeProducts SumRows(const ProductsCase& c, int m, VectorUnit unit) {
    const CVectorUnitCap cap(unit);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> value(-0.3f, 1.7f);
    AmplitudeProducts products(m);
    const std::vector<double> offsets(m, 0.0), shifts(m, 0.125);
    for (std::size_t r = 0; r < c.rowLengths.size(); ++r) {
        const int n = c.rowLengths[r];
        std::vector<std::vector<float>> signal(m, std::vector<float>(n));
        std::vector<const float*> x(m);
        for (int s = 0; s < m; ++s) {
            for (float& v : signal[s])
                v = value(random) * (s + 1);
            x[s] = signal[s].data();
        }
        std::vector<float> data(n);
        std::vector<double> target(n);
        for (int q = 0; q < n; ++q) {
            data[q] = value(random);
            target[q] = double(data[q]) - c.held;
        }
        if (r == 0 && c.centredFirst)
            products.AddRowOffsets(x.data(), shifts.data(), target.data(), 0.25, n);
        else if (c.targetRows)
            products.AddRowOffsets(x.data(), offsets.data(), target.data(), 0.0, n);
        else
            products.AddDataRow(x.data(), data.data(), c.held, n);
    }
    return products;
}

void ExpectSameBits(const std::vector<double>& a, const std::vector<double>& b, const char* what,
                    const char* name, int m) {
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(std::bit_cast<std::uint64_t>(a[i]), std::bit_cast<std::uint64_t>(b[i]))
            << name << ", " << m << " species, " << what << "[" << i << "]";
}

TEST(AmplitudeProducts, EveryVectorUnitGivesTheSameSums) {
    const ProductsCase cases[] = {
        {"short rows", {1, 2, 3}, 0.0, false, false},
        {"whole passes", {4, 8, 1000}, 0.0, false, false},
        {"tails after passes", {5, 13, 1001, 6}, 0.0625, false, false},
        {"empty row between", {7, 0, 9}, -0.5, false, false},
        {"target rows", {11, 1000, 3}, 0.0, false, true},
        {"after a centred row", {9, 1000, 5}, 0.1, true, false},
    };
    for (const ProductsCase& c : cases)
        for (const int m : {1, 2, 3}) {
            const AmplitudeProducts plain = SumRows(c, m, VectorUnit::Plain);
            const AmplitudeProducts widest = SumRows(c, m, DetectedVectorUnit());
            ExpectSameBits(plain.rawNorm, widest.rawNorm, "rawNorm", c.name, m);
            ExpectSameBits(plain.cross, widest.cross, "cross", c.name, m);
            ExpectSameBits(plain.gram, widest.gram, "gram", c.name, m);
        }
}

} // namespace
