// "Serialize Fit by list.* File" through the menu: four list files beside generated c(s) sets,
// one naming scans that are not there and one of saturated signal; the summaries and the set's
// integrals read back field by field, and the summary opened in the editor at the end.
#include "app/batch_fit_common.h"
#include "app/txla_window.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/list_file.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "support/batch_data_sets.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::vector<double> Numbers(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> values;
    for (double v; in >> v;)
        values.push_back(v);
    return values;
}

// The list file of the scans written into folder (the list files lie beside the scans: the batch
// looks for them in the folder of the loaded data).
std::string ListOf(const std::string& folder, int scans, const std::string& ext) {
    std::vector<std::string> strings{folder};
    for (int k = 1; k <= scans; ++k) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.%s", k, ext.c_str());
        strings.push_back(name);
    }
    return ListText(1, strings);
}

} // namespace

TEST(BatchByList, EveryListFileOfTheFolderInTheSummaries) {
    const BatchSetCase a{6, 150, 3.0, 1.25, 0.3, 0.005, 21};
    const BatchSetCase b{6, 150, 6.0, 1.25, 0.6, 0.005, 22};
    // Absorbance above 1.8 near 6.95 cm: recognised before any analysis.
    const BatchSetCase saturated{6, 150, 4.0, 1.25, 2.5, 0.005, 23};
    const auto scansA = BatchSetScans(a), scansB = BatchSetScans(b);
    const auto scansS = BatchSetScans(saturated);
    MainWindowFixture f;
    const std::string root = f.data.path() + "/";
    WriteBatchSet(f.data.path(), "RA1", scansA);
    WriteBatchSet(f.data.path(), "RA2", scansB);
    WriteBatchSet(f.data.path(), "RA3", scansS);
    f.data.write("list.001", ListOf(f.data.path(), 6, "RA1"));
    f.data.write("list.002", ListOf(f.data.path(), 6, "RA4"));
    f.data.write("list.003", ListOf(f.data.path(), 6, "RA2"));
    f.data.write("list.004", ListOf(f.data.path(), 6, "RA3"));

    // The analysis is set up on the loaded set, whose folder holds the list files.
    f.script.expectFileOpen().answer(std::vector<std::string>{root + "list.001"});
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
    ASSERT_EQ(ScanStore::scanCount, 6) << f.script.logText();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
    SetBatchCsParameters();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
    ASSERT_TRUE(DistributionAvailable()) << f.script.logText();

    auto& s = f.script;
    s.expectBox()
        .caption("SERIALIZE FIT")
        .text("fit each set? \n(otherwise only run will be executed in each set)")
        .answer(IDNO);
    s.expectBox().text("restore previous params if available?").answer(IDNO);
    s.expectBox().text("overwrite FitRightLim?").answer(IDYES);
    s.expectInput().prompt("right lim position ").answer("7.1");
    s.expectBox().text("VIZRA dfr and c(s)?").answer(IDNO);
    s.expectBox().text("with automatic integration?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("1.5");
    s.expectInput().prompt("s max for integration").answer("9");
    s.expectBox().text("another integration range?").answer(IDNO);
    s.expectBox().text("with Monte-Carlo error analysis?").answer(IDNO);
    plat::test::clearRecords();
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(904), 0);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_FALSE(SerialFitState::serializing);
    EXPECT_FLOAT_EQ(ScanStore::rightFitLimit, 7.1f) << "every set took the limit entered";

    const std::vector<std::string> summary = SplitLines(ReadTextFile(root + "summary.txt"));
    ASSERT_EQ(summary.size(), 7u) << ReadTextFile(root + "summary.txt");
    EXPECT_EQ(summary[0], "smin, smax, c(in range), c(tot), sw(in range), Mwavg(in range), rmsd, "
                          "rmsd/ctot(%)");
    // A result: "#counter - list path: " and the range on the same line.
    struct Result {
        int line, counter;
        std::string list;
        BatchSetCase truth;
    };
    for (const Result& r : {Result{1, 1, "list.001", a}, Result{4, 3, "list.003", b}}) {
        SCOPED_TRACE(r.list);
        const std::string& line = summary[r.line];
        const std::string head = "#" + std::to_string(r.counter) + " - " + root + r.list + ": ";
        ASSERT_EQ(line.rfind(head + "          1.500 - 9.000: c=", 0), 0u) << line;
        ASSERT_EQ(line.substr(line.size() - 17), std::string(17, ' '));
        float c, ctot, sw, mapp, rmsd, rel;
        ASSERT_EQ(std::sscanf(line.c_str() + head.size(),
                              " 1.500 - 9.000: c=%f (ctot = %f) sw=%f , Mapp=%f , rmsd = %f "
                              "(rmsd/ctot = %f%%)",
                              &c, &ctot, &sw, &mapp, &rmsd, &rel),
                  6)
            << line;
        EXPECT_NEAR(c, r.truth.loading, 0.03 * r.truth.loading);
        EXPECT_NEAR(sw, r.truth.sS, 0.03 * r.truth.sS);
        EXPECT_GE(ctot, c * 0.999f);
        EXPECT_GT(mapp, 0.0f);
        EXPECT_NEAR(rel, 100.0 * rmsd / ctot, 0.006);
    }
    EXPECT_EQ(summary[2], root + "list.002");
    EXPECT_EQ(summary[3], "scan files not found - set skipped");
    EXPECT_EQ(summary[5], root + "list.004");
    EXPECT_EQ(summary[6], "signal maxed out");

    const std::vector<std::string> idswsig = SplitLines(ReadTextFile(root + "idswsig.txt"));
    ASSERT_EQ(idswsig.size(), 3u) << ReadTextFile(root + "idswsig.txt");
    for (const auto& [line, list, truth] :
         {std::tuple{0, "list.001", a}, std::tuple{1, "list.003", b}}) {
        ASSERT_EQ(idswsig[line].rfind(root + list + "  ", 0), 0u) << idswsig[line];
        const std::vector<double> v = Numbers(idswsig[line].substr(root.size() + 9));
        ASSERT_EQ(v.size(), 3u) << idswsig[line];
        EXPECT_NEAR(v[0], truth.loading, 0.03 * truth.loading);
        EXPECT_NEAR(v[1], truth.sS, 0.03 * truth.sS);
    }
    EXPECT_EQ(idswsig[2], root + "list.004 0 0 0");

    // The set's own integrals: the summary's header and "%.3f %.3f  %f %f %.3f %.0f %f %.2f".
    const std::vector<std::string> integrals = SplitLines(ReadTextFile(root + "integrals.RA2"));
    ASSERT_EQ(integrals.size(), 2u);
    EXPECT_EQ(integrals[0], summary[0]);
    ASSERT_EQ(integrals[1].rfind("1.500 9.000  ", 0), 0u) << integrals[1];
    const std::vector<double> v = Numbers(integrals[1]);
    ASSERT_EQ(v.size(), 8u);
    EXPECT_NEAR(v[2], b.loading, 0.03 * b.loading);
    EXPECT_NEAR(v[4], b.sS, 0.03 * b.sS);
    EXPECT_EQ(ReadTextFile(root + "ff0.RA2"), "1.250000e+00 \n");
    EXPECT_TRUE(fs::exists(root + "distribution.RA2"));
    EXPECT_TRUE(fs::exists(root + "data_RA2.xp"));
    EXPECT_FALSE(fs::exists(root + "distribution.RA3")) << "saturated: only noted";
    EXPECT_FALSE(fs::exists(root + "data_RA3.xp"));

    ASSERT_FALSE(plat::test::processes().empty());
    EXPECT_EQ(plat::test::processes().back().argv.back(), root + "summary.txt");

    // The batch's reloads leave the scan plots to the Run; the saturated set loaded last had
    // none, and the window still shows its scans (not those freed by the reload).
    for (CWINPlot* plot : {ScanStore::dataPlot, ScanStore::residualPlot}) {
        ASSERT_NE(plot, nullptr);
        ASSERT_EQ(plot->nCurves, 6);
        EXPECT_EQ(plot->curves[0]->y->data,
                  ScanStore::scanCurves[ScanStore::scanOrder[1]]
                      .c[plot == ScanStore::dataPlot ? kSignalCurve : kResidualsCurve]
                      ->y->data);
    }
    f.Paint();
}

TEST(BatchByList, OnlyForTheCsModels) {
    MainWindowFixture f;
    f.LoadScans(5, 50);
    f.script.expectBox()
        .caption("SERIALIZE FIT")
        .text("currently only implemented for c(s) distribution analysis (please switch first)")
        .answer(IDOK);
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(904), 0);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(fs::exists(f.data.file("summary.txt")));
}

// The questions that carry the analysis loaded at the start into every set: the bottom floated
// in every set (asked when the shadow correction is put back, else as the bottom was), the
// plots handed to the plotting program, and the floated corrections noted in the summary.
TEST(BatchByList, BottomFloatPlottingProgramAndCorrectionsLine) {
    struct Case {
        const char* name;
        bool restore;       // "restore previous params if available?" (and put corrections back)
        int alwaysFloat;    // the answer to "always float bottom?", 0 when it is not asked
        bool floatingFirst; // the bottom floats in the analysis loaded at the start
        bool vizra;
        int floated; // the set's bottom switch as exported
    };
    const Case cases[] = {
        {"shadow put back, always float", true, IDYES, false, true, 1},
        {"shadow put back, each set's own", true, IDNO, false, false, 0},
        {"not asked, floating at the start", false, 0, true, false, 1},
    };
    const auto scans = BatchSetScans({6, 150, 4.0, 1.25, 0.4, 0.005, 31});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        const std::string root = f.data.path() + "/";
        fs::create_directories(f.folder.file("VIZRA"));
        WriteTextFile(f.folder.file("VIZRA/VIZRA"), "#!/bin/sh\n");
        fs::permissions(f.folder.file("VIZRA/VIZRA"), fs::perms::owner_all);
        WriteBatchSet(f.data.path(), "RA1", scans);
        f.data.write("list.001", ListOf(f.data.path(), 6, "RA1"));
        auto& s = f.script;
        s.onUnexpected(plat::test::Unexpected::Cancel); // a question missed fails below
        s.expectFileOpen().answer(std::vector<std::string>{root + "list.001"});
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(200), 0);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(275), 0);
        SetBatchCsParameters();
        ModelParameters::bottomFloat = c.floatingFirst;
        ModelParameters::fitFloat[kSlotBottom] = c.floatingFirst;
        const char* shadow = "Signal Excitation Shadow";
        s.expectBox().caption(shadow).textHas("intended for fluorescence data").answer(IDYES);
        s.expectBox().caption(shadow).textHas("excitation shadow").answer(IDYES);
        s.expectInput().caption(shadow).prompt("cone radius (cm)").answer("0.05");
        s.expectBox().caption(shadow).text("fit cone radius?").answer(IDYES);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(914), 0);
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(213), 0);
        ASSERT_TRUE(s.done()) << s.logText();

        s.expectBox().textHas("fit each set?").answer(IDNO);
        s.expectBox()
            .text("restore previous params if available?")
            .answer(c.restore ? IDYES : IDNO);
        if (c.restore)
            s.expectBox().text("overwrite FDS-related parameters?").answer(IDYES);
        s.expectBox().text("overwrite FitRightLim?").answer(IDNO);
        if (c.alwaysFloat)
            s.expectBox()
                .caption("SERIALIZE FIT")
                .text("always float bottom?")
                .answer(c.alwaysFloat);
        s.expectBox()
            .caption("SERIALIZE FIT")
            .text("VIZRA dfr and c(s)?")
            .answer(c.vizra ? IDYES : IDNO);
        s.expectBox().text("with automatic integration?").answer(IDNO);
        plat::test::clearRecords();
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(904), 0);
        ASSERT_TRUE(s.done()) << s.logText();

        const std::string xp = ReadTextFile(root + "data_RA1.xp");
        EXPECT_NE(xp.find("\n" + std::to_string(c.floated) + " (blocalVaryBottom)"),
                  std::string::npos)
            << xp;
        std::vector<std::string> programs;
        for (const auto& p : plat::test::processes())
            programs.push_back(p.argv.size() > 1 ? p.argv[1] : "");
        const std::vector<std::string> expected =
            c.vizra ? std::vector<std::string>{"--cofs", "--svdfr", ""}
                    : std::vector<std::string>{""};
        ASSERT_EQ(programs.size(), expected.size());
        for (std::size_t i = 0; i + 1 < expected.size(); ++i) {
            EXPECT_EQ(plat::test::processes()[i].argv[0], f.folder.file("VIZRA/VIZRA"));
            EXPECT_EQ(programs[i], expected[i]);
        }
        EXPECT_EQ(plat::test::processes().back().argv.back(), root + "summary.txt");
        if (c.restore) {
            const std::vector<std::string> summary = SplitLines(ReadTextFile(root + "summary.txt"));
            ASSERT_EQ(summary.size(), 3u);
            EXPECT_EQ(summary[1], "#1 - " + root + "list.001: no integrations");
            EXPECT_EQ(summary[2], "\t\t\tshadow = 0.050 |\t\t\t");
        }
    }
}
