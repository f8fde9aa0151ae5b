// The M* copy commands with c(M) smoothing on: after a first transformation without it, each
// command puts the tables of the c(M) fit on the clipboard (not the extrapolations left from the
// first run), each read back and compared row by row with the fit's curves, and the plots' ranges
// take in the fit's curves.
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "support/equilibrium_scan_set.h"
#include "support/mstar_screen_fixture.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using MS = MStarState;
using S = ScanStore;

struct Row {
    double x, y;
};

std::vector<Row> Rows(const std::string& table) {
    std::istringstream in(table);
    std::vector<Row> rows;
    for (Row r; in >> r.x >> r.y;)
        rows.push_back(r);
    return rows;
}

class MStarCMCopies : public MStarScreenFixture {};

TEST_F(MStarCMCopies, EachTableIsTheCMFitOfTheDataSetAsked) {
    const int n = kEquilibriumPoints;
    ModelParameters::meniscus = S::radius[1][1];
    ModelParameters::bottom = S::radius[1][n];
    for (int k = 1; k <= 3; ++k)
        for (int i = 1; i <= n; ++i)
            S::fit[k][i] = S::signal[k][i];
    ModelChoice::contiMode = true;
    Command(896); // the extrapolations of the first run stay in the working copies
    f.script.expectBox().caption("M* transformation").text("use c(M) smoothing?").answer(IDYES);
    Command(896);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(MS::useCMSmoothing);
    const MStarSet& set = MS::sets[2];

    struct Table {
        std::string text;
        const std::vector<float>& x;
        const std::vector<float>& y;
        int first, last;
    };
    struct Case {
        int command;
        const char* caption;
        std::vector<Table> tables;
    };
    const int w = MS::lnCSmoothHalfWidth, w2 = MS::mappSmoothHalfWidth;
    const int fitFirst = set.meniscusIndex + 1, fitLast = set.bottomIndex - 1;
    const Case cases[] = {
        {918,
         "COPY LNC DATA",
         {{"r^2 vs ln(c) is in clipboard", set.rSquared, set.lnC, set.firstIndex,
           set.lastIndex - 1},
          {"r^2 vs fit of ln(c) [c(M)-based] is in clipboard", set.rSquared, set.lnCFromCM,
           set.meniscusIndex, fitLast}}},
        {919,
         "COPY M* DATA",
         {{"r vs M*(r) is in clipboard", set.workRadius, set.mstar, set.firstIndex,
           set.lastIndex - 1},
          {"r vs fit of M*(r) [c(M)-based] is in clipboard", set.workRadius, set.mstarFromCM,
           fitFirst, fitLast}}},
        {920,
         "COPY MW DATA",
         {{"c vs Mapp(c) is in clipboard", set.signal, set.mappDcdr, set.firstIndex + w + w2,
           set.lastIndex - w - w2 - 1},
          {"c vs fit of Mapp(c) [c(M)-based] is in clipboard", set.signal, set.mappFromCM, fitFirst,
           fitLast}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        f.script.expectInput().caption(c.caption).prompt("which data set?").answer("2");
        if (c.command == 920)
            f.script.expectBox().text("for c vs Mapp(c), subtract baseline?").answer(IDNO);
        for (const Table& t : c.tables)
            f.script.expectBox()
                .caption(c.caption)
                .text(t.text + " - paste before continuing")
                .answer(IDOK);
        plat::test::clearRecords();
        Command(c.command);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const std::vector<std::string>& copied = plat::test::clipboardTexts();
        ASSERT_EQ(copied.size(), c.tables.size());
        for (std::size_t t = 0; t < c.tables.size(); ++t) {
            const Table& table = c.tables[t];
            const std::vector<Row> rows = Rows(copied[t]);
            ASSERT_EQ(int(rows.size()), table.last - table.first + 1) << table.text;
            for (int i = table.first; i <= table.last; ++i) {
                const Row& r = rows[std::size_t(i - table.first)];
                ASSERT_NEAR(r.x, table.x[std::size_t(i)], 1e-6 + 1e-6 * std::fabs(r.x));
                ASSERT_NEAR(r.y, table.y[std::size_t(i)], 1e-6 + 1e-6 * std::fabs(r.y));
            }
        }
    }
    // The fit's M* carries the species' molar mass to the bottom (the first points beside the
    // meniscus lose a few percent to the first interval).
    for (int i = set.meniscusIndex + 5; i <= fitLast; ++i)
        ASSERT_NEAR(set.mstarFromCM[std::size_t(i)], truth, 0.01 * truth) << i;

    // The signal and M* plots' ranges hold the fit's curves.
    for (int k = 1; k <= 3; ++k) {
        const MStarSet& s = MS::sets[std::size_t(k)];
        for (int i = s.meniscusIndex + 1; i <= s.lastIndex - 1; ++i) {
            ASSERT_GE(s.cmFit[std::size_t(i)], MS::signalPlot->yMin) << k << " " << i;
            ASSERT_LE(s.cmFit[std::size_t(i)], MS::signalPlot->yMax) << k << " " << i;
        }
        for (int i = s.firstIndex + 1; i <= s.bottomIndex - 1; ++i)
            ASSERT_LE(s.mstarFromCM[std::size_t(i)], MS::mstarPlot->yMax) << k << " " << i;
    }
    f.Paint();
    if (const char* png = std::getenv("TARNIX_MSTAR_CM_PNG"))
        plat::test::windowPng(*f.window, png);
}

} // namespace
