// The direct boundary model of a g*(s*) table: a single spike is one non-diffusing boundary, and
// tables that cannot stand for a boundary are refused with a box, leaving the fits as they were.
#include "distributions/boundary_analysis_run.h"
#include "distributions/gstar_boundary.h"
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/non_diffusing_boundary.h"
#include "state/lamm_grid.h"
#include "state/model_parameters.h"
#include "support/conti_data_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

// A 6-column table (s*, g*, four error columns) in the matrix-table layout [column][row].
class GStarTable {
  public:
    GStarTable(const std::vector<float>& s, const std::vector<float>& g)
        : rows(int(s.size())), m(matrix(1, 6, 1, std::max(rows, 1))) {
        for (int l = 1; l <= rows; ++l) {
            m[1][l] = s[std::size_t(l - 1)];
            m[2][l] = g[std::size_t(l - 1)];
            for (int c = 3; c <= 6; ++c)
                m[c][l] = 0.01f;
        }
    }
    ~GStarTable() { free_matrix(m, 1, 6, 1, std::max(rows, 1)); }
    int rows;
    float** m;
};

ContiStoreCase FewScans() {
    ContiStoreCase c;
    c.scans = 4;
    c.points = 200;
    return c;
}

TEST(GStarBoundary, ASpikeIsTheNonDiffusingBoundaryOfItsS) {
    ContiDataStore store(FewScans());
    store.Fill({{4.0, 1.25, 0.5}}, {}, {}, 0.002, 3);
    // g* = 2 per S in a cell of 0.5 S: a loading of 1 at 4 S.
    GStarTable table({3.0f, 3.5f, 4.0f, 4.5f, 5.0f}, {0.0f, 0.0f, 2.0f, 0.0f, 0.0f});
    ASSERT_TRUE(GStarToDirectBoundary(table.m, 6, table.rows));
    EXPECT_TRUE(ScanStore::resultAvailable);
    std::vector<float> expected(std::size_t(store.c.points) + 1);
    double worst = 0.0;
    for (int k = 1; k <= store.c.scans; ++k) {
        LammGrid::omega2S = 4.0e-13 * ScanW2t(k);
        NonDiffusingBoundary(1.0, 1.0, store.radii.data(), expected.data(), store.c.points);
        for (int i = 1; i <= store.c.points; ++i) {
            worst = std::max(worst, double(std::fabs(store.fit[k][i] - expected[std::size_t(i)])));
            EXPECT_EQ(store.residuals[k][i], store.signal[k][i] - store.fit[k][i]);
        }
    }
    EXPECT_LE(worst, 1e-6) << "largest difference from the 4 S boundary";
}

TEST(GStarBoundary, TablesThatStandForNoBoundaryAreRefused) {
    struct Case {
        const char* name;
        std::vector<float> s, g;
        float meniscus;
    };
    const Case cases[] = {
        {"one row", {4.0f}, {1.0f}, 6.0f},
        {"s* not ascending", {3.0f, 5.0f, 4.0f}, {1.0f, 1.0f, 1.0f}, 6.0f},
        {"s* repeated", {3.0f, 3.0f, 4.0f}, {1.0f, 1.0f, 1.0f}, 6.0f},
        {"s* beyond any particle", {3.0f, 1e30f}, {1.0f, 1.0f}, 6.0f},
        {"no meniscus", {3.0f, 4.0f}, {1.0f, 1.0f}, 0.0f},
        {"a signal beyond single precision", {3.0f, 1e5f}, {3e38f, 3e38f}, 6.0f},
    };
    ContiDataStore store(FewScans());
    store.Fill({{4.0, 1.25, 0.5}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int k = 1; k <= store.c.scans; ++k)
            std::fill(store.fit[k].begin(), store.fit[k].end(), 0.25f);
        ScanStore::resultAvailable = false;
        ModelParameters::meniscus = c.meniscus;
        GStarTable table(c.s, c.g);
        EXPECT_FALSE(GStarToDirectBoundary(table.m, 6, table.rows));
        const std::vector<ErrorBoxEntry> said = TakeErrorBoxes();
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].text.find("g*(s) table"), std::string::npos) << said[0].text;
        EXPECT_FALSE(ScanStore::resultAvailable);
        for (int k = 1; k <= store.c.scans; ++k)
            for (int i = 1; i <= store.c.points; ++i)
                ASSERT_EQ(store.fit[k][i], 0.25f);
    }
}

} // namespace
