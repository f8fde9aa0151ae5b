// The output interpolation: linear between grid nodes, end values outside the grid, and the kept
// cells never used for a grid or radii that changed in place.
#include "foundations/vector_unit.h"
#include "lamm/grid_profile_interpolation.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// Linear interpolation of (gr, gv)[1..] at x found by bisection, for comparison.
double Expected(const std::vector<double>& gr, const std::vector<double>& gv, double x) {
    const int gn = static_cast<int>(gr.size()) - 1;
    if (x <= gr[1])
        return gv[1];
    if (x >= gr[gn])
        return gv[gn];
    const int j = static_cast<int>(std::lower_bound(gr.begin() + 1, gr.end(), x) - gr.begin());
    return gv[j - 1] + (x - gr[j - 1]) / (gr[j] - gr[j - 1]) * (gv[j] - gv[j - 1]);
}

void ExpectInterpolates(GridProfileInterpolation& interpolation, const std::vector<double>& gr,
                        const std::vector<double>& gv, const std::vector<float>& x,
                        const char* name, bool gridKept = false) {
    const int gn = static_cast<int>(gr.size()) - 1, n = static_cast<int>(x.size()) - 1;
    std::vector<float> y(x.size(), -1.0f);
    interpolation.Interpolate(gr.data(), gv.data(), gn, x.data(), y.data(), n, gridKept);
    for (int i = 1; i <= n; ++i)
        EXPECT_NEAR(y[i], Expected(gr, gv, x[i]), 1e-6) << name << " at x = " << x[i];
}

} // namespace

// Ascending, descending and shuffled radii, radii on nodes and outside the grid, a grid graded
// toward its end: each against bisection, with a fresh object and again with the kept cells.
TEST(GridProfileInterpolation, MatchesLinearInterpolationForAnyRadii) {
    const std::vector<double> uniform = {0, 6.0, 6.3, 6.6, 6.9, 7.2};
    const std::vector<double> graded = {0, 6.0, 6.6, 6.9, 7.05, 7.125, 7.2};
    struct Case {
        const char* name;
        std::vector<double> gr;
        std::vector<float> x;
    };
    const Case cases[] = {
        {"ascending", uniform, {0, 6.0f, 6.1f, 6.45f, 6.9f, 7.19f, 7.2f}},
        {"descending", uniform, {0, 7.1f, 6.8f, 6.5f, 6.2f, 6.05f}},
        {"shuffled", graded, {0, 7.1f, 6.1f, 7.15f, 6.95f, 6.0f, 7.2f}},
        {"outside", graded, {0, 5.5f, 5.99f, 7.21f, 8.0f}},
        {"graded ascending", graded, {0, 6.3f, 6.95f, 7.06f, 7.1f, 7.13f, 7.19f}},
    };
    for (const Case& tc : cases) {
        std::vector<double> gv(tc.gr.size());
        for (size_t i = 1; i < gv.size(); ++i)
            gv[i] = 1.0 + 3.0 * (tc.gr[i] - 6.0) * (tc.gr[i] - 6.0) - 0.5 * i;
        GridProfileInterpolation interpolation;
        ExpectInterpolates(interpolation, tc.gr, gv, tc.x, tc.name);
        ExpectInterpolates(interpolation, tc.gr, gv, tc.x, tc.name);
    }
}

// The kept cells belong to the grid and radii they were found for: a grid moved in place (as
// the moving frame moves it between scans) and radii changed in place give new cells, and a
// profile changed on the same grid is interpolated with the kept ones.
TEST(GridProfileInterpolation, KeptCellsFollowGridAndRadiiChangedInPlace) {
    std::vector<double> gr = {0, 6.0, 6.3, 6.6, 6.9, 7.2};
    std::vector<double> gv = {0, 0.0, 1.0, 2.0, 4.0, 8.0};
    std::vector<float> x = {0, 6.1f, 6.5f, 6.8f, 7.0f, 7.15f};
    GridProfileInterpolation interpolation;
    ExpectInterpolates(interpolation, gr, gv, x, "first");
    for (size_t i = 2; i + 1 < gr.size(); ++i)
        gr[i] += 0.12;
    ExpectInterpolates(interpolation, gr, gv, x, "grid moved");
    x[2] = 6.05f, x[4] = 7.18f;
    ExpectInterpolates(interpolation, gr, gv, x, "radii changed");
    gv = {0, 5.0, 4.0, 3.0, 1.0, 0.5};
    ExpectInterpolates(interpolation, gr, gv, x, "profile changed");
    x.resize(4);
    ExpectInterpolates(interpolation, gr, gv, x, "fewer radii");
}

// A grid its owner says is kept is not compared again, but radii changed in place still give new
// cells, and so do a grid at another address and one changed before a call that had no radii.
TEST(GridProfileInterpolation, KeptGridSkipsOnlyItsOwnComparison) {
    for (const char* name : {"radii changed", "other address", "changed before no radii"}) {
        const std::string c = name;
        std::vector<double> gr = {0, 6.0, 6.3, 6.6, 6.9, 7.2};
        const std::vector<double> gv = {0, 0.0, 1.0, 2.0, 4.0, 8.0};
        std::vector<float> x = {0, 6.1f, 6.5f, 6.8f, 7.0f, 7.15f};
        GridProfileInterpolation interpolation;
        ExpectInterpolates(interpolation, gr, gv, x, name);
        ExpectInterpolates(interpolation, gr, gv, x, name, true);
        if (c == "radii changed")
            x[2] = 6.05f, x[4] = 7.18f;
        const std::vector<double> other = {0, 6.0, 6.1, 6.2, 6.3, 7.2};
        if (c == "changed before no radii") {
            gr[3] = 6.45;
            ExpectInterpolates(interpolation, gr, gv, {0}, name);
        }
        ExpectInterpolates(interpolation, c == "other address" ? other : gr, gv, x, name, true);
    }
}

// Radii taken four at a time must give the values of one at a time bit for bit (the scans' fit
// rows are compared bit for bit across thread counts): inside, below and above the grid mixed
// within a group of four, a signed zero at an end, and a count that leaves a tail.
TEST(GridProfileInterpolation, GivesTheValuesOfOneRadiusAtATimeExactly) {
    const std::vector<double> gr = {0, 6.0, 6.2, 6.45, 6.7, 6.95, 7.2};
    const std::vector<double> gv = {0, -0.0, 0.3, 1.0 / 3.0, 2.7, 1e-300, 5.0};
    std::vector<float> x = {0};
    for (int i = 0; i < 23; ++i)
        x.push_back(i % 5 == 0 ? 5.9f : i % 7 == 0 ? 7.3f : 6.0f + 0.05f * float(i));
    const int n = static_cast<int>(x.size()) - 1;
    std::vector<float> y(x.size(), -1.0f);
    GridProfileInterpolation interpolation;
    interpolation.Interpolate(gr.data(), gv.data(), 6, x.data(), y.data(), n);
    for (int i = 1; i <= n; ++i) {
        const double expected = Expected(gr, gv, double(x[i]));
        EXPECT_EQ(std::bit_cast<std::uint32_t>(y[i]),
                  std::bit_cast<std::uint32_t>(static_cast<float>(expected)))
            << "radius " << i << " at " << x[i];
    }
}

// Ascending radii below, inside and above the grid give the values of one radius at a time bit
// for bit, and stored with the zero added those of 0 + v: a -0, a value that rounds to -0 in
// single precision, four at a time and in the tail.
TEST(GridProfileInterpolation, AscendingRadiiAsOneAtATimeAndWithTheZeroAdded) {
    const std::vector<double> gr = {0, 6.0, 6.2, 6.45, 6.7, 6.95, 7.2};
    const std::vector<std::vector<double>> profiles = {
        {0, -0.0, -1e-50, 0.5, -0.0, 2.0, -0.0},
        {0, -1e-60, -0.0, -0.0, -1e-300, -0.0, -1e-50},
        {0, 1.0, 0.3, 1.0 / 3.0, 2.7, 1e-300, 5.0}};
    std::vector<float> x = {0};
    for (int i = 0; i < 27; ++i)
        x.push_back(5.9f + 0.05f * float(i));
    const int n = static_cast<int>(x.size()) - 1;
    for (const std::vector<double>& gv : profiles) {
        std::vector<float> plain(x.size()), added(x.size());
        GridProfileInterpolation interpolation;
        interpolation.Interpolate(gr.data(), gv.data(), 6, x.data(), plain.data(), n);
        interpolation.Interpolate(gr.data(), gv.data(), 6, x.data(), added.data(), n, false, true);
        for (int i = 1; i <= n; ++i) {
            const double expected = Expected(gr, gv, double(x[i]));
            EXPECT_EQ(std::bit_cast<std::uint32_t>(plain[i]),
                      std::bit_cast<std::uint32_t>(static_cast<float>(expected)))
                << "radius " << i << " at " << x[i];
            EXPECT_EQ(std::bit_cast<std::uint32_t>(added[i]),
                      std::bit_cast<std::uint32_t>(0.0f + plain[i]))
                << "radius " << i << " at " << x[i];
        }
    }
}

// Eight radii at a time from two loads of nodes give the values of one at a time bit for bit, and
// so do the groups that cannot take them: radii on grids coarser and finer than the radii, a grid
// graded finer toward its end, groups whose nodes run past the last one, descending radii and
// radii that leave the grid at both ends, each with and without the zero added.
TEST(GridProfileInterpolation, EveryVectorUnitGivesTheValuesOfOneAtATime) {
    struct Case {
        const char* name;
        int nodes;      // uniform grid 6.0..7.2, or graded when negative
        float from, to; // radii from..to, evenly spaced
        int radii;
    };
    const Case cases[] = {
        {"coarse grid", 40, 6.01f, 7.19f, 301},
        {"fine grid", 900, 6.02f, 7.18f, 203},
        {"graded grid", -120, 6.0f, 7.2f, 517},
        {"up to the last node", 25, 6.1f, 7.1999f, 96},
        {"descending radii", 60, 7.15f, 6.05f, 250},
        {"leaving the grid", 50, 5.9f, 7.3f, 333},
        {"radii on the nodes", 41, 0.0f, 0.0f, 161},
        // eight radii span about eight cells: groups within reach and beyond it side by side
        {"cells about as many as radii", 325, 6.03f, 7.17f, 300},
    };
    for (const Case& tc : cases) {
        const int gn = std::abs(tc.nodes);
        std::vector<double> gr(gn + 1), gv(gn + 1);
        for (int j = 1; j <= gn; ++j) {
            const double u = double(j - 1) / (gn - 1);
            gr[j] = 6.0 + 1.2 * (tc.nodes > 0 ? u : 1.0 - (1.0 - u) * (1.0 - u));
            gv[j] = j % 17 == 0 ? -0.0 : std::sin(37.0 * gr[j]) / (1.0 + j) + 1e-3 * j;
        }
        std::vector<float> x(tc.radii + 1, 0.0f);
        for (int i = 1; i <= tc.radii; ++i)
            x[i] = tc.from + (tc.to - tc.from) * float(i - 1) / float(tc.radii - 1);
        if (tc.from == tc.to) {
            // single-precision nodes, every fourth radius on one (the first on the first node)
            for (int j = 1; j <= gn; ++j)
                gr[j] = static_cast<float>(gr[j]);
            for (int i = 1; i <= tc.radii; ++i)
                x[i] = static_cast<float>(gr[1 + (i - 1) / 4] + (gr[std::min(gn, 2 + (i - 1) / 4)] -
                                                                 gr[1 + (i - 1) / 4]) *
                                                                    0.25 * ((i - 1) % 4));
        }
        for (const bool addZero : {false, true}) {
            std::vector<std::vector<float>> y;
            for (const VectorUnit unit :
                 {VectorUnit::Plain, VectorUnit::Avx2, VectorUnit::Avx512}) {
                const CVectorUnitCap cap(unit);
                GridProfileInterpolation interpolation;
                y.emplace_back(x.size(), -1.0f);
                interpolation.Interpolate(gr.data(), gv.data(), gn, x.data(), y.back().data(),
                                          tc.radii, false, addZero);
            }
            for (int i = 1; i <= tc.radii; ++i) {
                const float plain = static_cast<float>(Expected(gr, gv, double(x[i])));
                const float expected = addZero ? 0.0f + plain : plain;
                for (const std::vector<float>& values : y)
                    ASSERT_EQ(std::bit_cast<std::uint32_t>(values[i]),
                              std::bit_cast<std::uint32_t>(expected))
                        << tc.name << " radius " << i << (addZero ? " with zero added" : "");
            }
        }
    }
}

// Radii their owner says are kept are not compared again at the same address; at another address
// with other values they give new cells, and so do radii changed before a call without any.
TEST(GridProfileInterpolation, KeptRadiiSkipOnlyTheirOwnComparison) {
    const std::vector<double> gr = {0, 6.0, 6.3, 6.6, 6.9, 7.2};
    const std::vector<double> gv = {0, 0.0, 1.0, 2.0, 4.0, 8.0};
    for (const bool beforeNone : {false, true}) {
        std::vector<float> x = {0, 6.1f, 6.5f, 6.8f, 7.0f, 7.15f};
        const std::vector<float> other = {0, 6.05f, 6.2f, 6.35f, 7.1f, 7.18f};
        GridProfileInterpolation interpolation;
        std::vector<float> y(x.size());
        interpolation.Interpolate(gr.data(), gv.data(), 5, x.data(), y.data(), 5, true);
        interpolation.Interpolate(gr.data(), gv.data(), 5, x.data(), y.data(), 5, true, false,
                                  true);
        const float* radii = other.data();
        if (beforeNone) {
            interpolation.Interpolate(gr.data(), gv.data(), 5, x.data(), y.data(), 0, true);
            x = other;
            radii = x.data();
        }
        interpolation.Interpolate(gr.data(), gv.data(), 5, radii, y.data(), 5, true, false, true);
        for (int i = 1; i <= 5; ++i)
            EXPECT_NEAR(y[i], Expected(gr, gv, other[i]), 1e-6) << i << (beforeNone ? " none" : "");
    }
}
