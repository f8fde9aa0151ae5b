// The size-and-shape distribution through the menu on generated data of one species (5 S,
// f/f0 1.4): model, Run, the map on the window (written as a picture), and the plot command 882
// with its exchange file read back field by field, its command line, and the box that keeps the
// file when the plot program is missing.
#include "app/external_plot_programs.h"
#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/size_shape_state.h"
#include "state/startup_paths.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"
#include "support/scan_set_generator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using SS = SizeShapeState;

std::string E(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%e", v);
    return text;
}

void Command(MainWindowFixture& f, int id) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
}

// Eight scans of one species at 5 S and f/f0 1.4, loading 0.5, noise 0.002.
std::vector<std::string> WriteOneShapeScans(MainWindowFixture& f) {
    ContiStoreCase c;
    c.scans = 8;
    c.points = 191;
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    c.firstTimeS = 600.0;
    c.intervalS = 600.0;
    std::vector<std::string> paths;
    ContiDataStore store(c);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    store.Fill({{5.0, 1.4, 0.5}}, {}, {}, 0.002, 5);
    for (int k = 1; k <= c.scans; ++k) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        std::ofstream(f.data.file(name))
            << store.ScanFile(k, "[T OK]one shape " + std::to_string(k), store.signal[k].data())
                   .Text();
        paths.push_back(f.data.file(name));
    }
    return paths;
}

void LoadAndRun(MainWindowFixture& f) {
    const std::vector<std::string> paths = WriteOneShapeScans(f);
    f.script.expectFileOpen().answer(paths);
    Command(f, 200); // Load New Files
    ASSERT_EQ(ScanStore::scanCount, 8);
    ScanStore::radialResolution = 0.003f; // the model asks for pre-averaged points
    Command(f, 595);                      // Continuous c(s,ff0)
    ASSERT_TRUE(ModelChoice::csFf0) << f.script.logText();
    ContiState::rangeMin = 3.0f;
    ContiState::rangeMax = 7.0f;
    ContiState::resolution = 17.0f;
    ContiState::confidenceLevel = 0.68f;
    SS::ff0Min = 1.0f;
    SS::ff0Max = 2.4f;
    SS::ff0Points = 8;
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 7.12f;
    Command(f, 213); // Run
    ASSERT_TRUE(SS::Held()) << f.script.logText();
    ASSERT_NE(ContiState::distributionPlot, nullptr);
}

// An executable stand-in at the program-folder path.
void StandIn(MainWindowFixture& f, const std::string& relative) {
    fs::create_directories(fs::path(f.folder.file(relative)).parent_path());
    std::ofstream(f.folder.file(relative)) << "#!/bin/sh\n";
    fs::permissions(f.folder.file(relative), fs::perms::owner_all);
}

} // namespace

TEST(SizeShapeRoad, RunThroughTheMenuFindsTheShapeAndDrawsItsMap) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    int best = 1;
    for (int p = 2; p <= SS::Points(); ++p)
        if (SS::values[p] > SS::values[best])
            best = p;
    EXPECT_NEAR(SS::s[best], 5.0, 0.25);
    EXPECT_NEAR(SS::ff0[best], 1.4, 0.2);
    // Fit of this model is its Run: the same result again.
    const std::vector<float> run = SS::values;
    Command(f, 215);
    EXPECT_EQ(SS::values, run);
    f.Paint();
    const std::string png = f.data.file("size_shape.png");
    ASSERT_TRUE(plat::test::windowPng(*f.window, png));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/size_shape.png");
}

TEST(SizeShapeRoad, PlotCommandWritesTheFileAndStartsItsProgram) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    std::snprintf(gTempFolder, kPathBufferSize, "%s/temp/", f.folder.path().c_str());
    fs::create_directories(gTempFolder);
    const std::string file = std::string(gTempFolder) + "sasdist.dat";
    auto& s = f.script;

    // Without the program: the file is written and kept, and the box says where.
    DetectExternalPlotPrograms(f.window.get());
    s.expectBox()
        .caption("PLOT FIT")
        .text("the plot program " + f.folder.path() +
              "/bin/dravonsas was not found: the "
              "distribution is kept in " +
              file)
        .answer(IDOK);
    plat::test::clearRecords();
    Command(f, 882);
    EXPECT_TRUE(s.done()) << s.logText();
    EXPECT_TRUE(plat::test::processes().empty());
    std::ifstream in(file);
    int p = 0;
    for (std::string line; std::getline(in, line);) {
        ++p;
        ASSERT_LE(p, SS::Points());
        std::istringstream fields(line);
        std::string v[6];
        for (std::string& x : v)
            fields >> x;
        EXPECT_EQ(v[0], E(SS::s[p])) << p;
        EXPECT_EQ(v[1], E(SS::ff0[p])) << p;
        EXPECT_EQ(v[2], E(SS::values[p])) << p;
        EXPECT_EQ(v[3], E(SS::M[p])) << p;
        EXPECT_EQ(v[4], E(SS::Rh[p])) << p;
        EXPECT_EQ(v[5], E(SS::D[p])) << p;
    }
    EXPECT_EQ(p, 17 * 8);

    // With the program: the s and f/f0 ranges asked with the grid's extremes, then the start.
    StandIn(f, "bin/dravonsas");
    DetectExternalPlotPrograms(f.window.get());
    s.expectInput()
        .title("PLOT FIT")
        .prompt("minimum value for s-axis in distribution plot")
        .answer("4");
    s.expectInput().title("PLOT FIT").prompt("maximum value for s-axis in distribution plot");
    s.expectInput()
        .title("PLOT FIT")
        .prompt("minimum value for ff0-axis in distribution plot")
        .answer(IDOK);
    s.expectInput()
        .title("PLOT FIT")
        .prompt("maximum value for ff0-axis in distribution plot")
        .answer("2");
    // Rh shown against s: only its range and that of s are asked, the others are 0.
    s.expectInput().prompt("minimum value for s-axis in distribution plot").answer(IDOK);
    s.expectInput().prompt("maximum value for s-axis in distribution plot").answer(IDOK);
    s.expectInput().prompt("minimum value for Rh-axis (nm) in distribution plot").answer("1");
    s.expectInput().prompt("maximum value for Rh-axis (nm) in distribution plot").answer("9");
    plat::test::clearRecords();
    Command(f, 882);
    SS::rhTransform = true;
    Command(f, 882);
    EXPECT_TRUE(s.done()) << s.logText();
    const auto& started = plat::test::processes();
    ASSERT_EQ(started.size(), 2u);
    const std::string program = f.folder.file("bin/dravonsas");
    EXPECT_EQ(started[0].argv,
              (std::vector<std::string>{program, "4113", gTempFolder, "1", "0", E(4), E(7), E(1),
                                        E(2), E(0), E(0), E(0), E(0), E(0), E(0)}));
    EXPECT_EQ(started[1].argv,
              (std::vector<std::string>{program, "4113", gTempFolder, "3", "0", E(3), E(7), E(0),
                                        E(0), E(0), E(0), E(1), E(9), E(0), E(0)}));
}

// The cell batch on the size-and-shape model: each range asks its f/f0 limits, the integrals file
// holds thirteen values per range, and Monte Carlo is not done.
TEST(SizeShapeRoad, CellBatchIntegralsCarryTheShapeAverages) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    auto& s = f.script;
    s.onUnexpected(plat::test::Unexpected::Fail);
    s.expectBox().textHas("time stamp check").answer(IDYES);
    s.expectBox().text("incremental cell number?").answer(IDYES);
    s.expectBox().text("incremental highest subdirectory?").answer(IDNO);
    s.expectInput().prompt("minimum cell number value").answer("1");
    s.expectInput().prompt("maximum cell number value").answer("1");
    s.expectBox().text("fit each set?").answer(IDNO);
    s.expectBox().text("restore previous params if available?").answer(IDNO);
    s.expectBox().text("with automatic integration?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("3");
    s.expectInput().prompt("s max for integration").answer("7");
    s.expectInput().caption("SERIALIZE FIT").prompt("ff0 min for integration").answer("1.1");
    s.expectInput().prompt("ff0 max for integration").answer("2");
    s.expectBox().text("another integration range?").answer(IDYES);
    s.expectInput().prompt("s min for integration").answer("3");
    s.expectInput().prompt("s max for integration").answer("4.5");
    // Unconfirmed boxes keep the f/f0 grid limits.
    s.expectInput().prompt("ff0 min for integration").answer(IDCANCEL);
    s.expectInput().prompt("ff0 max for integration").answer(IDCANCEL);
    s.expectBox().text("another integration range?").answer(IDNO);
    s.expectBox().text("with Monte-Carlo error analysis?").answer(IDYES);
    s.expectInput().prompt("# of MC iterations").answer("10");
    Command(f, 593);
    EXPECT_TRUE(s.done()) << s.logText();

    const std::string integrals = f.data.file("integrals.RA1");
    std::ifstream in(integrals);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "smin, smax, fmin, fmax, c, sw, fw, ctot, Mw, Mz, second central moment of "
                    "Mz, R, second central moment R");
    std::vector<std::vector<double>> rows;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        rows.emplace_back();
        for (double v; fields >> v;)
            rows.back().push_back(v);
    }
    ASSERT_EQ(rows.size(), 2u);
    for (const auto& row : rows)
        ASSERT_EQ(row.size(), 13u);
    const std::vector<double> limits[2] = {{3, 7, 1.1, 2}, {3, 4.5, 1.0, 2.4}};
    for (int r = 0; r < 2; ++r)
        for (int k = 0; k < 4; ++k)
            EXPECT_NEAR(rows[r][k], limits[r][k], 1e-6) << r << " " << k;
    // The whole species lies in the first range: its loading, s, shape and mass.
    const auto& a = rows[0];
    EXPECT_NEAR(a[4], 0.5, 0.04);
    EXPECT_NEAR(a[5], 5.0, 0.25);
    EXPECT_NEAR(a[6], 1.4, 0.2);
    EXPECT_GE(a[7], a[4] * 0.999);
    int best = 1;
    for (int p = 2; p <= SS::Points(); ++p)
        if (SS::values[p] > SS::values[best])
            best = p;
    EXPECT_NEAR(a[8], SS::M[best], 0.25 * SS::M[best]);
    EXPECT_GE(a[9], a[8] * 0.999) << "z-average at least the weight average";
    EXPECT_GT(a[11], 0.0);
    EXPECT_GE(a[10], 0.0);
    EXPECT_GE(a[12], 0.0);
    EXPECT_LT(rows[1][4], 0.5 * a[4]) << "the second range misses the species' centre";
    EXPECT_FALSE(fs::exists(f.data.file("MCintegrals.RA1")));
    EXPECT_FALSE(fs::exists(f.data.file("MCdata")));
}

// Copy Distribution on the size-and-shape model: No copies the c(s) marginal, Yes one row per
// f/f0 with the mass, amount, D, Stokes radius and s of that shape.
TEST(SizeShapeRoad, CopyDistributionOffersTheShapeTable) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadAndRun(f);
    auto& s = f.script;
    s.onUnexpected(plat::test::Unexpected::Fail);
    const auto table = [] {
        std::vector<std::vector<double>> rows;
        const auto& clip = plat::test::clipboard();
        std::istringstream in(clip.text.value_or(""));
        for (std::string line; std::getline(in, line);) {
            std::istringstream fields(line);
            rows.emplace_back();
            for (double v; fields >> v;)
                rows.back().push_back(v);
        }
        return rows;
    };

    s.expectBox().caption("").text("2d distributions?").answer(IDNO);
    Command(f, 274);
    auto rows = table();
    ASSERT_EQ(static_cast<int>(rows.size()), ContiState::gridPoints);
    for (int p = 1; p <= ContiState::gridPoints; ++p) {
        ASSERT_EQ(rows[p - 1].size(), 2u);
        EXPECT_NEAR(rows[p - 1][0], ContiState::sValues[p], 1e-5 * ContiState::sValues[p]);
        EXPECT_NEAR(rows[p - 1][1], ContiState::distribution[p],
                    1e-5 * std::fabs(ContiState::distribution[p]) + 1e-12);
    }

    s.expectBox().caption("").text("2d distributions?").answer(IDYES);
    Command(f, 274);
    EXPECT_TRUE(s.done()) << s.logText();
    rows = table();
    ASSERT_EQ(static_cast<int>(rows.size()), SS::ff0Count);
    double total = 0;
    std::size_t peak = 0;
    for (std::size_t j = 0; j < rows.size(); ++j) {
        ASSERT_EQ(rows[j].size(), 6u);
        EXPECT_NEAR(rows[j][0], SS::ff0Axis[j + 1], 1e-5);
        if (j > 0)
            total += 0.5 * (rows[j][2] + rows[j - 1][2]) * (rows[j][0] - rows[j - 1][0]);
        if (rows[j][2] > rows[peak][2])
            peak = j;
    }
    // One species of 0.5 at 5 S and f/f0 1.4: all of it found, in the row of its shape.
    EXPECT_NEAR(total, 0.5, 0.04);
    const auto& r = rows[peak];
    EXPECT_NEAR(r[0], 1.4, 0.2);
    EXPECT_NEAR(r[5], 5.0, 0.25);
    int best = 1;
    for (int p = 2; p <= SS::Points(); ++p)
        if (SS::values[p] > SS::values[best])
            best = p;
    EXPECT_NEAR(r[1], SS::M[best], 0.15 * SS::M[best]);
    EXPECT_NEAR(r[3], SS::D[best], 0.15 * SS::D[best]);
    EXPECT_NEAR(r[4], SS::Rh[best], 0.15 * SS::Rh[best]);
}
