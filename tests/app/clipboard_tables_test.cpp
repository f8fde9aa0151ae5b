// The Copy menu's tables pasted back: every column reads back the values of the loaded scans,
// their fits and residuals and the fitted noise, in display order.
#include "app/command_table.h"
#include "plat/testing.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/main_window_fixture.h"
#include "support/pasted_table.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using Table = PastedTable;

// Six significant digits: a relative difference below 1e-5 (absolute near zero).
void ExpectCell(const std::string& cell, float value, const std::string& where) {
    ASSERT_FALSE(cell.empty()) << where;
    EXPECT_NEAR(std::strtod(cell.c_str(), nullptr), value, 1e-5 * std::fabs(value) + 1e-9) << where;
}

class ClipboardTables : public ::testing::Test {
  protected:
    void LoadWithFit(char type, const char* extension) {
        ScanSetOptions options;
        options.count = 3;
        options.points = 40;
        options.type = type;
        options.extension = extension;
        f.Load(options);
        ASSERT_EQ(S::scanCount, 3);
        // Scan 2 is fitted over fewer points, so the pair table has ragged columns.
        if (type == 'R')
            S::lastFitIndex[2] -= 5;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i) {
                S::fit[k][i] = 0.5f * S::signal[k][i] + 0.01f * float(k);
                S::residuals[k][i] = S::signal[k][i] - S::fit[k][i];
            }
        // Display order differs from storage order.
        S::scanOrder[1] = 3;
        S::scanOrder[2] = 1;
        S::scanOrder[3] = 2;
        plat::test::clearRecords();
    }
    void Copy(int id) { f.window->RunCommand(*FindCommand(id)); }

    MainWindowFixture f;
};

} // namespace

TEST_F(ClipboardTables, AbsorbanceScansReadBackAsRadiusValuePairs) {
    LoadWithFit('R', "RA1");
    struct Case {
        int id;
        float** values;
    };
    const Case cases[] = {{258, S::signal}, {259, S::fit}, {260, S::residuals}};
    for (const Case& c : cases) {
        Copy(c.id);
        const Table table = PasteClipboard();
        int rows = 0;
        for (int k = 1; k <= 3; ++k)
            rows = std::max(rows, S::lastFitIndex[k] - S::firstFitIndex[k] + 1);
        ASSERT_EQ(int(table.size()), rows) << c.id;
        for (int col = 1; col <= 3; ++col) {
            const int k = S::scanOrder[col];
            const int first = S::firstFitIndex[k], last = S::lastFitIndex[k];
            for (int r = 0; r < rows; ++r) {
                ASSERT_EQ(table[std::size_t(r)].size(), 6u) << c.id << " row " << r;
                const std::string& x = table[std::size_t(r)][std::size_t(2 * col - 2)];
                const std::string& y = table[std::size_t(r)][std::size_t(2 * col - 1)];
                const std::string where = std::to_string(c.id) + " scan " + std::to_string(k) +
                                          " row " + std::to_string(r);
                if (first + r > last) {
                    EXPECT_TRUE(x.empty() && y.empty()) << where;
                    continue;
                }
                ExpectCell(x, S::radius[k][first + r], where);
                ExpectCell(y, c.values[k][first + r], where);
            }
        }
    }
}

TEST_F(ClipboardTables, InterferenceScansShareOneRadiusColumn) {
    LoadWithFit('P', "IP1");
    Copy(258);
    const Table table = PasteClipboard();
    const int first = S::firstFitIndex[1], last = S::lastFitIndex[1];
    ASSERT_EQ(int(table.size()), last - first + 1);
    for (int r = 0; r <= last - first; ++r) {
        ASSERT_EQ(table[std::size_t(r)].size(), 4u);
        ExpectCell(table[std::size_t(r)][0], S::radius[1][first + r], "radius");
        for (int col = 1; col <= 3; ++col)
            ExpectCell(table[std::size_t(r)][std::size_t(col)],
                       S::signal[S::scanOrder[col]][first + r], "column " + std::to_string(col));
    }
}

TEST_F(ClipboardTables, NoiseTablesReadBackTimeAndRadius) {
    LoadWithFit('R', "RA1");
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    for (int g = 1; g <= S::gridCount; ++g)
        S::tiNoise[g] = 0.001f * float(g);
    for (int k = 1; k <= S::scanCount; ++k)
        S::riNoise[k] = -0.02f * float(k);

    Copy(261);
    Table table = PasteClipboard();
    ASSERT_EQ(table.size(), 3u);
    for (int i = 1; i <= 3; ++i) {
        const int k = S::scanOrder[i];
        ExpectCell(table[std::size_t(i - 1)][0], float(S::header[k].time), "time");
        ExpectCell(table[std::size_t(i - 1)][1], S::riNoise[k], "ri noise");
    }

    Copy(262);
    table = PasteClipboard();
    ASSERT_EQ(int(table.size()), S::gridLastFit - S::gridFirstFit + 1);
    for (int g = S::gridFirstFit; g <= S::gridLastFit; ++g) {
        ExpectCell(table[std::size_t(g - S::gridFirstFit)][0], S::gridRadius[g], "grid radius");
        ExpectCell(table[std::size_t(g - S::gridFirstFit)][1], S::tiNoise[g], "ti noise");
    }
}

TEST_F(ClipboardTables, WithoutTheirDataTheCopiesLeaveTheClipboard) {
    // No scans: nothing to copy.
    for (int id : {258, 259, 260, 261, 262, 632})
        Copy(id);
    EXPECT_FALSE(plat::test::clipboard().text.has_value());
    // Scans, but neither noise fitted nor a prior in use.
    LoadWithFit('R', "RA1");
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = false;
    for (int id : {261, 262, 632})
        Copy(id);
    EXPECT_FALSE(plat::test::clipboard().text.has_value());
}

TEST_F(ClipboardTables, UnsetFitLimitsBecomeMeniscusAndBottomFirst) {
    LoadWithFit('R', "RA1");
    S::leftFitLimit = 0.0f;
    Copy(258);
    // Set from the meniscus and the bottom, then kept within the data by the limit routines.
    EXPECT_GE(S::leftFitLimit, ModelParameters::meniscus);
    EXPECT_GT(S::rightFitLimit, S::leftFitLimit);
    EXPECT_LE(S::rightFitLimit, ModelParameters::bottom);
    EXPECT_FALSE(PasteClipboard().empty());
}
