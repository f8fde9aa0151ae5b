// The scaled substitution that looks for values out of range and the largest value in its back
// pass, against the substitution followed by the separate pass over the solution; both given the
// products of adjacent factors, against both without them.
#include "foundations/vector_unit.h"
#include "lamm/step_change_kernels.h"
#include "lamm/tridiagonal.h"
#include "support/step_test_matrices.h"

#include <array>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <vector>

namespace {

struct CheckedCase {
    const char* name;
    int n, from, largestFrom, meeting; // meeting 0: between `from` and n
    int spoiledRow;                    // row of v given `spoil` (0: none)
    double spoil;
    double peak; // v[from] when not 0: the largest solution lies below largestFrom
};

// The case's right-hand matrix scaled by the pivots of its two-ended factorisation, the
// right-hand side v and the factors.
struct CheckedSystem {
    std::array<std::vector<double>, 6> rows; // a, b, c, v, scaled, back
    TwistedMeeting meet;
    bool factorised = false;

    explicit CheckedSystem(const CheckedCase& tc) {
        const int n = tc.n;
        auto [la, lb, lc, a, b, c] = SmoothStepMatrices(n);
        std::vector<double> v(n + 1, 0.0);
        for (int i = tc.from; i <= n; ++i)
            v[i] = 1.0 + 0.5 * std::sin(0.7 * i) - 0.03 * i;
        if (tc.peak != 0.0)
            v[tc.from] = tc.peak;
        if (tc.spoiledRow > 0)
            v[tc.spoiledRow] = tc.spoil;
        std::vector<double> inv(n + 1), scaled(n + 1), back(n + 1);
        const int k = tc.meeting > 0 ? tc.meeting : (tc.from + n) / 2;
        factorised = TwistedFactorAt(la.data(), lb.data(), lc.data(), inv.data(), scaled.data(),
                                     back.data(), meet, 1, k, n) == TridiagStatus::Ok;
        ScaleRowsByPivots(a.data(), b.data(), c.data(), inv.data(), 1, n);
        rows = {a, b, c, v, scaled, back};
    }
};

} // namespace

TEST(Tridiagonal, CheckedSubstitutionMatchesThePassOverItsSolution) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const CheckedCase cases[] = {
        {"whole, even rows", 40, 1, 1, 0, 0, 0.0, 0.0},
        {"whole, odd rows", 41, 1, 1, 0, 0, 0.0, 0.0},
        {"largest from the second row", 41, 1, 2, 0, 0, 0.0, 0.0},
        {"largest from the third row", 40, 1, 3, 0, 0, 0.0, 0.0},
        {"late first row, largest after it", 60, 17, 18, 0, 0, 0.0, 0.0},
        {"late first row, odd upward chain", 61, 18, 19, 0, 0, 0.0, 0.0},
        {"largest below largestFrom left out", 60, 17, 18, 0, 0, 0.0, 50.0},
        {"largest below largestFrom left out, odd", 61, 16, 18, 0, 0, 0.0, 50.0},
        {"meeting at the first row", 30, 9, 10, 9, 0, 0.0, 0.0},
        {"meeting one above the first row", 30, 9, 10, 10, 0, 0.0, 0.0},
        {"meeting next to the bottom", 30, 9, 9, 28, 0, 0.0, 0.0},
        // a meeting below the first row (a factorisation kept while the region's edge rose)
        {"meeting below the first row", 60, 31, 32, 8, 0, 0.0, 0.0},
        {"meeting below the first row, odd", 61, 30, 33, 9, 0, 0.0, 0.0},
        {"meeting just below the first row", 40, 12, 12, 11, 0, 0.0, 0.0},
        {"meeting two below the first row", 40, 12, 14, 10, 0, 0.0, 0.0},
        {"meeting below, largest left out", 60, 31, 33, 8, 0, 0.0, 50.0},
        {"meeting below, not a number", 60, 31, 32, 8, 45, nan, 0.0},
        {"meeting below, not a number at the first row", 60, 31, 32, 8, 31, nan, 0.0},
        {"meeting below, beyond 1e100", 60, 31, 32, 7, 58, -1e103, 0.0},
        {"meeting below, beyond 1e100 below largestFrom", 60, 30, 33, 7, 31, 1e103, 0.0},
        {"short system", 6, 2, 3, 0, 0, 0.0, 0.0},
        {"not a number in the upper half", 50, 5, 6, 0, 12, nan, 0.0},
        {"not a number in the lower half", 50, 5, 6, 0, 44, nan, 0.0},
        {"not a number at the bottom", 50, 5, 6, 0, 50, nan, 0.0},
        {"not a number at the first row", 50, 5, 6, 0, 5, nan, 0.0},
        {"infinity", 50, 5, 6, 0, 30, inf, 0.0},
        {"minus infinity", 50, 5, 6, 0, 20, -inf, 0.0},
        {"beyond 1e100", 50, 5, 6, 0, 33, 1e103, 0.0},
        {"below -1e100", 50, 5, 6, 0, 8, -1e103, 0.0},
        {"just inside 1e100", 50, 5, 6, 0, 33, 1e99, 0.0},
    };
    for (const CheckedCase& tc : cases) {
        const int n = tc.n;
        CheckedSystem sys(tc);
        ASSERT_TRUE(sys.factorised) << tc.name;
        auto& [a, b, c, v, scaled, back] = sys.rows;
        const TwistedMeeting& meet = sys.meet;
        std::vector<double> plain(n + 1, 0.0), checked(n + 1, 0.0);
        TwistedSubstituteScaledFrom(a.data(), b.data(), c.data(), v.data(), scaled.data(),
                                    back.data(), meet, plain.data(), 1, tc.from, n, 1);
        double passLargest = 0.0, largest = 0.0;
        const bool passBeyond =
            AnyBeyond1e100OrLargest(plain.data(), tc.from, tc.largestFrom, n, passLargest);
        const bool beyond = TwistedSubstituteScaledFromChecked(
            a.data(), b.data(), c.data(), v.data(), scaled.data(), back.data(), meet,
            checked.data(), 1, tc.from, n, 1, tc.largestFrom, largest);
        EXPECT_EQ(std::memcmp(plain.data(), checked.data(), sizeof(double) * (n + 1)), 0)
            << tc.name;
        if (UsableAvx512()) {
            // the right-hand sides eight rows a vector in AVX-512, four in AVX2: the same bits
            const CVectorUnitCap avx2(VectorUnit::Avx2);
            std::vector<double> halves(n + 1, 0.0);
            double halvesLargest = 0.0;
            TwistedSubstituteScaledFromChecked(a.data(), b.data(), c.data(), v.data(),
                                               scaled.data(), back.data(), meet, halves.data(), 1,
                                               tc.from, n, 1, tc.largestFrom, halvesLargest);
            EXPECT_EQ(std::memcmp(halves.data(), checked.data(), sizeof(double) * (n + 1)), 0)
                << tc.name << ": AVX2 against AVX-512";
        }
        EXPECT_EQ(beyond, passBeyond) << tc.name;
        EXPECT_EQ(beyond, tc.spoiledRow > 0 && !(std::fabs(tc.spoil) <= 1e100)) << tc.name;
        if (!passBeyond) {
            EXPECT_EQ(largest, passLargest) << tc.name;
        }
        if (tc.peak != 0.0) {
            EXPECT_LT(largest, plain[tc.from]) << tc.name;
        }
        // given the products of adjacent factors: the same solution and verdicts, bit for bit
        std::vector<double> scaledPairs(n + 1), backPairs(n + 1);
        AdjacentProducts(scaled.data(), scaledPairs.data(), 1, n);
        AdjacentProducts(back.data(), backPairs.data(), 1, n);
        std::vector<double> paired(n + 1, 0.0), pairedChecked(n + 1, 0.0);
        TwistedSubstituteScaledFrom(a.data(), b.data(), c.data(), v.data(), scaled.data(),
                                    back.data(), meet, paired.data(), 1, tc.from, n, 1,
                                    scaledPairs.data(), backPairs.data());
        double pairedLargest = 0.0;
        const bool pairedBeyond = TwistedSubstituteScaledFromChecked(
            a.data(), b.data(), c.data(), v.data(), scaled.data(), back.data(), meet,
            pairedChecked.data(), 1, tc.from, n, 1, tc.largestFrom, pairedLargest,
            scaledPairs.data(), backPairs.data());
        for (const std::vector<double>* given : {&paired, &pairedChecked})
            EXPECT_EQ(std::memcmp(plain.data(), given->data(), sizeof(double) * (n + 1)), 0)
                << tc.name << ": with the products";
        EXPECT_EQ(pairedBeyond, beyond) << tc.name;
        if (!beyond) {
            EXPECT_EQ(pairedLargest, largest) << tc.name;
        }
    }
}

// Eight rows a vector (where the vector unit takes them; else the same call solves as above): the
// solution to rounding and the same verdicts, over the ends of the blocks, the meeting and the
// rows below largestFrom; a meeting below the first row or a short system as before, bit for bit.
TEST(Tridiagonal, CheckedSubstitutionInBlocksOfEightMatchesThePairedOne) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const CheckedCase cases[] = {
        {"blocks on both sides", 200, 1, 1, 0, 0, 0.0, 0.0},
        {"first row inside a block", 203, 13, 14, 0, 0, 0.0, 0.0},
        {"largest from inside a block", 197, 9, 21, 0, 0, 0.0, 0.0},
        {"largest below largestFrom left out", 150, 17, 19, 0, 0, 0.0, 50.0},
        {"meeting at the first row", 120, 40, 40, 40, 0, 0.0, 0.0},
        {"meeting at a block's end", 120, 3, 5, 47, 0, 0.0, 0.0},
        {"meeting next to the bottom", 120, 3, 5, 118, 0, 0.0, 0.0},
        {"meeting in the last block above the bottom", 121, 3, 5, 119, 0, 0.0, 0.0},
        {"bottom block short of a line", 205, 3, 5, 0, 0, 0.0, 0.0},
        {"meeting below the first row", 120, 61, 62, 20, 0, 0.0, 0.0},
        {"short system", 30, 2, 3, 0, 0, 0.0, 0.0},
        {"not a number in a block above", 200, 5, 6, 0, 40, nan, 0.0},
        {"not a number in a block below", 200, 5, 6, 0, 170, nan, 0.0},
        {"beyond 1e100 below largestFrom", 200, 5, 30, 0, 18, 1e103, 0.0},
        {"below -1e100 in a block", 200, 5, 6, 0, 150, -1e103, 0.0},
    };
    for (const CheckedCase& tc : cases) {
        const int n = tc.n;
        CheckedSystem sys(tc);
        ASSERT_TRUE(sys.factorised) << tc.name;
        auto& [a, b, c, v, scaled, back] = sys.rows;
        const TwistedMeeting& meet = sys.meet;
        const int k = meet.k;
        std::vector<double> scaledPairs(n + 1), backPairs(n + 1);
        AdjacentProducts(scaled.data(), scaledPairs.data(), 1, n);
        AdjacentProducts(back.data(), backPairs.data(), 1, n);
        std::vector<double> forward(4 * (n + 1)), backward(4 * (n + 1));
        ScanCoefficients(scaled.data(), back.data(), k, 1, n, forward.data(), backward.data());
        // the factors are the same bits from every narrower unit
        for (VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2}) {
            if (unit >= UsableVectorUnit())
                continue;
            const CVectorUnitCap cap(unit);
            std::vector<double> f(forward.size()), g(backward.size());
            ScanCoefficients(scaled.data(), back.data(), k, 1, n, f.data(), g.data());
            EXPECT_EQ(std::memcmp(f.data(), forward.data(), sizeof(double) * f.size()), 0)
                << tc.name << ": forward factors at unit " << static_cast<int>(unit);
            EXPECT_EQ(std::memcmp(g.data(), backward.data(), sizeof(double) * g.size()), 0)
                << tc.name << ": backward factors at unit " << static_cast<int>(unit);
        }
        std::vector<double> paired(n + 1, 0.0), blocks(n + 1, 0.0);
        double pairedLargest = 0.0, largest = 0.0;
        const bool pairedBeyond = TwistedSubstituteScaledFromChecked(
            a.data(), b.data(), c.data(), v.data(), scaled.data(), back.data(), meet, paired.data(),
            1, tc.from, n, 1, tc.largestFrom, pairedLargest, scaledPairs.data(), backPairs.data());
        const bool beyond = TwistedSubstituteScaledFromChecked(
            a.data(), b.data(), c.data(), v.data(), scaled.data(), back.data(), meet, blocks.data(),
            1, tc.from, n, 1, tc.largestFrom, largest, scaledPairs.data(), backPairs.data(),
            forward.data(), backward.data());
        EXPECT_EQ(beyond, pairedBeyond) << tc.name;
        if (UsableAvx512()) {
            // two AVX2 registers take the same lane operations as one AVX-512 register
            const CVectorUnitCap avx2(VectorUnit::Avx2);
            std::vector<double> halves(n + 1, 0.0);
            double halvesLargest = 0.0;
            EXPECT_EQ(TwistedSubstituteScaledFromChecked(
                          a.data(), b.data(), c.data(), v.data(), scaled.data(), back.data(), meet,
                          halves.data(), 1, tc.from, n, 1, tc.largestFrom, halvesLargest,
                          scaledPairs.data(), backPairs.data(), forward.data(), backward.data()),
                      beyond)
                << tc.name;
            EXPECT_EQ(std::memcmp(halves.data(), blocks.data(), sizeof(double) * (n + 1)), 0)
                << tc.name << ": AVX2 against AVX-512";
            if (!beyond) {
                EXPECT_EQ(halvesLargest, largest) << tc.name;
            }
        }
        if (pairedBeyond)
            continue;
        const bool asBefore = k < tc.from || n - tc.from < 32;
        double size = 0.0;
        for (double value : paired)
            size = std::max(size, std::fabs(value));
        for (int i = 1; i <= n; ++i)
            EXPECT_NEAR(blocks[i], paired[i], asBefore ? 0.0 : 1e-13 * size)
                << tc.name << ", row " << i;
        EXPECT_NEAR(largest, pairedLargest, asBefore ? 0.0 : 1e-13 * size) << tc.name;
    }
}

// The block factors keep signed zeros, infinities and not-a-numbers in the lanes they take and
// exact zeros in the others, at every unit and for a meeting anywhere: the same bits as plain.
TEST(Tridiagonal, ScanFactorsAreTheSameBitsAtEveryUnit) {
    const double inf = std::numeric_limits<double>::infinity();
    const double odd[] = {-0.0, 0.0, inf, -inf, std::numeric_limits<double>::quiet_NaN(), 1e-300};
    const int n = 70;
    std::vector<double> scaled(n + 1), back(n + 1);
    for (int i = 0; i <= n; ++i) {
        scaled[i] = i % 7 == 3 ? odd[i % 6] : 0.3 + 0.01 * i;
        back[i] = i % 5 == 1 ? odd[(i + 2) % 6] : -0.7 + 0.02 * i;
    }
    for (int k : {0, 1, 20, 39, 40, 70}) {
        std::vector<std::vector<double>> factors;
        for (VectorUnit unit : {VectorUnit::Plain, VectorUnit::Avx2, VectorUnit::Avx512}) {
            const CVectorUnitCap cap(unit);
            std::vector<double> f(4 * (n + 1)), g(4 * (n + 1));
            ScanCoefficients(scaled.data(), back.data(), k, 1, n, f.data(), g.data());
            f.insert(f.end(), g.begin(), g.end());
            if (!factors.empty())
                EXPECT_EQ(std::memcmp(f.data(), factors[0].data(), sizeof(double) * f.size()), 0)
                    << "meeting " << k << ", unit " << static_cast<int>(unit);
            factors.push_back(std::move(f));
        }
    }
}
