// The commands that make and use simulated data, driven through the menu: "Single" and "Series"
// of the Generate menu, "Add or Subtract Simulated Sedimentation Data".
#include "app/params_box.h"
#include "app/experiment_file.h"
#include "scandata/scan_store.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;
constexpr const char* kGenerate = "GENERATE DATA";

void ExpectNumber(plat::test::Script& script, const std::string& prompt,
                  const std::string& answer) {
    script.expectInput().title(kGenerate).prompt(prompt).answer(answer);
}

// The answers of "Single" up to the step given by cancelAt (a prompt), which is cancelled.
void ScriptSingle(MainWindowFixture& f, const std::string& cancelAt, bool acceleration) {
    f.script.expectBox().caption(kGenerate).text("Fit with M and s instead D and s?").answer(IDNO);
    const std::vector<std::pair<std::string, std::string>> first = {
        {"density of points dr (cm)", "0.01"}, {"rotor speed (rpm)", "50000"}};
    const std::vector<std::pair<std::string, std::string>> second = {
        {"time interval of scans (sec)", "300"},
        {"number of simulated scans", "5"},
        {"std of noise (OD)", "0.005"}};
    auto ask = [&](const std::vector<std::pair<std::string, std::string>>& list) {
        for (const auto& [prompt, answer] : list) {
            if (prompt == cancelAt) {
                f.script.expectInput().title(kGenerate).prompt(prompt).cancel();
                return false;
            }
            ExpectNumber(f.script, prompt, answer);
        }
        return true;
    };
    if (!ask(first))
        return;
    f.script.expectBox()
        .caption(kGenerate)
        .text("simulate with rotor acceleration phase?")
        .answer(acceleration ? IDYES : IDNO);
    if (acceleration)
        ExpectNumber(f.script, "acceleration (rpm/sec)", "200");
    if (!ask(second))
        return;
    f.script.expectDialog(kDiscreteParamsDialogId).ok(); // the parameters as they are
    f.script.expectFileSave()
        .title("save generated data as")
        .answer(std::vector<std::string>{f.data.file("0000x.RA0")});
}

TEST(GenerateSingle, AsksTheRunThenWritesTheScans) {
    struct Case {
        const char* name;
        std::string cancelAt;
        bool acceleration;
        int scans;
        double firstTime;
    };
    const std::vector<Case> cases = {
        {"with acceleration phase", "", true, 5, 300.0 + 250.0},
        {"acceleration declined", "", false, 5, 300.0},
        {"grid step cancelled", "density of points dr (cm)", false, 0, 0.0},
        {"rotor speed cancelled", "rotor speed (rpm)", false, 0, 0.0},
        {"interval cancelled", "time interval of scans (sec)", false, 0, 0.0},
        {"scan count cancelled", "number of simulated scans", false, 0, 0.0},
        {"noise cancelled", "std of noise (OD)", false, 0, 0.0},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        M::meniscus = 0.0f;
        ScriptSingle(f, c.cancelAt, c.acceleration);
        plat::test::clearRecords();
        plat::test::command(f.window.get(), 214);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_FALSE(gSimulateOnly) << c.name;
        EXPECT_EQ(S::scanCount, c.scans) << c.name;
        EXPECT_EQ(ReadTextFile(f.data.file("00005.ra0")).empty(), c.scans == 0) << c.name;
        if (c.scans == 0)
            continue;
        EXPECT_FALSE(ModelChoice::equilibriumMs) << c.name;
        EXPECT_FLOAT_EQ(M::meniscus, 6.2f) << c.name;
        EXPECT_FLOAT_EQ(M::bottom, 7.2f) << c.name;
        // 6.2 + k x 0.01 summed in single precision passes 7.2 after 100 radii.
        EXPECT_EQ(S::pointCount[1], 100) << c.name;
        EXPECT_NEAR(S::header[S::scanOrder[1]].time, c.firstTime, 1e-6) << c.name;
        EXPECT_EQ(plat::test::cursorHistory(f.window.get()),
                  (std::vector<int>{IDC_WAIT, IDC_ARROW}))
            << c.name;
    }
}

TEST(GenerateCommands, ModelsWithoutASimulationAreRefused) {
    struct Case {
        const char* name;
        int command;
        std::function<void()> set;
        const char* caption;
        const char* text;
    };
    const std::string single =
        "\"Single\" (command 214) is not available in this version for the model chosen.";
    const std::vector<Case> cases = {
        {"van Holde-Weischet", 214, [] { ModelChoice::gStarFamily = true; }, kGenerate,
         "no simulation for van Holde-Weischet boundaries implemented"},
        {"distribution", 214, [] { ModelChoice::contiMode = true; }, "NOT AVAILABLE",
         single.c_str()},
        {"self-association", 214, [] { ModelChoice::selfAssocMonomerDimer = true; },
         "NOT AVAILABLE", single.c_str()},
        {"linear geometry", 214, [] { ModelChoice::linearLamm = true; }, "NOT AVAILABLE",
         single.c_str()},
        {"series, linear geometry", 647, [] { ModelChoice::linearLamm = true; }, "NOT AVAILABLE",
         "\"Series\" (command 647) is not available in this version for the model chosen."},
        {"series, distribution", 647, [] { ModelChoice::contiMode = true; }, nullptr, nullptr},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        c.set();
        if (c.caption)
            f.script.expectBox().caption(c.caption).text(c.text);
        plat::test::command(f.window.get(), c.command);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_EQ(S::scanCount, 0) << c.name;
    }
}

struct SeriesAnswers {
    std::vector<std::string> drs{"0.05"}, speeds{"40000"}, noises{"0.01"}, menisci{"6.0"},
        traces{"0"};
    std::string scans = "3";
    std::string offset = "10";
};

void ScriptSeries(MainWindowFixture& f, const SeriesAnswers& a) {
    f.script.expectDialog(kDiscreteParamsDialogId).ok(); // the parameters as they are
    f.script.expectFileSave()
        .title("save generated data as")
        .answer(std::vector<std::string>{f.data.file("run.RA0")});
    auto list = [&](const char* count, const char* item, const std::vector<std::string>& values) {
        ExpectNumber(f.script, count, std::to_string(values.size()));
        for (std::size_t k = 0; k < values.size(); ++k) {
            char prompt[100];
            std::snprintf(prompt, sizeof prompt, item, int(k + 1));
            ExpectNumber(f.script, prompt, values[k]);
        }
    };
    list("# radial increments?", "%d - density of points dr (cm)", a.drs);
    list("# rotor speeds?", "%d - rotor speed (rpm)?", a.speeds);
    f.script.expectBox()
        .caption(kGenerate)
        .text("simulate with rotor acceleration phase?")
        .answer(IDNO);
    ExpectNumber(f.script, "time interval of scans (sec)", "600");
    ExpectNumber(f.script, "number of simulated scans (0 for auto)", a.scans);
    list("# noise levels?", "%d - noise level?", a.noises);
    list("# menisci?", "%d - meniscus (cm)?", a.menisci);
    list("# trace concentrations?", "%d - 2nd species concentration (%)?", a.traces);
    ExpectNumber(f.script, "directory # offset", a.offset);
}

TEST(GenerateSeries, OneNumberedFolderPerCombination) {
    MainWindowFixture f;
    SeriesAnswers a;
    a.drs = {"0.02", "0.05"};
    a.traces = {"0", "5"};
    ScriptSeries(f, a);
    plat::test::command(f.window.get(), 647);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(ModelChoice::generatingSeries);
    EXPECT_FALSE(gSimulateOnly);
    EXPECT_FLOAT_EQ(M::concentration[2], 0.05f); // 5 % of the total loading
    struct Folder {
        int number;
        const char* dr;
        const char* trace;
    };
    for (const Folder& d : {Folder{11, "0.0200", "0.000"}, Folder{12, "0.0200", "5.000"},
                            Folder{13, "0.0500", "0.000"}, Folder{14, "0.0500", "5.000"}}) {
        const std::string dir = f.data.file(std::to_string(d.number)) + "/";
        SCOPED_TRACE(dir);
        for (const char* scan : {"00001.ra0", "00003.ra0"})
            EXPECT_FALSE(ReadTextFile(dir + scan).empty());
        EXPECT_TRUE(ReadTextFile(dir + "00004.ra0").empty());
        const std::string info = ReadTextFile(dir + "info_" + std::to_string(d.number) + ".txt");
        EXPECT_EQ(info,
                  std::string(d.trace) + "000 (percent ctrace)\n" + d.dr +
                      "00 (dr)\n40000.000000 (omega)\n0.010000 (noise)\n6.000000 (meniscus)\n");
        for (std::string marker :
             {std::string("tracepercent=") + d.trace, std::string("dr=") + d.dr + "_cm",
              std::string("omega=40000_rpm"), std::string("noise=0.010"),
              std::string("meniscus=6.000")})
            EXPECT_EQ(ReadTextFile(dir + marker + ".info"), "1") << marker;
        const std::string xp = ReadTextFile(dir + "xp" + std::to_string(d.number) + ".xp");
        EXPECT_EQ(xp.rfind("0 (ExperimentType: SEDVELOCITY)\n", 0), 0u);
        EXPECT_NE(xp.find("\n0.998230 (fBufferDensity)\n"), std::string::npos);
        EXPECT_NE(xp.find("\n3 (NFILES)\n"), std::string::npos);
        EXPECT_NE(xp.find("\n6.000000 (Meniscus)\n7.200000 (Bottom)\n"), std::string::npos);
    }

    // The experiment file of a set loads that set back.
    FreeAllData();
    ReadXpExperiment(f.window.get(), (f.data.file("13") + "/xp13.xp").c_str());
    f.script.pumpUntilIdle();
    EXPECT_EQ(S::scanCount, 3);
    EXPECT_EQ(S::pointCount[1], 24); // 6.0 + k x 0.05 summed in single precision passes 7.2
}

TEST(GenerateSeries, AutomaticScanCountFollowsTheBoundary) {
    struct Case {
        const char* name;
        float s;
        int scans; // 0: asked for
    };
    // 40,000 rpm, interval 600 s, meniscus 6.0, right limit 7.19: ln(7.19/6)/(w^2 s) / 600.
    for (const Case& c :
         {Case{"4 S", 4.0f, 42}, Case{"8 S", 8.0f, 21}, Case{"no sedimentation", 0.0f, 0}}) {
        MainWindowFixture f;
        M::speciesS[1] = c.s;
        SeriesAnswers a;
        a.scans = "0";
        ScriptSeries(f, a);
        if (c.scans == 0)
            ExpectNumber(f.script, "number of simulated scans", "2");
        plat::test::command(f.window.get(), 647);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_EQ(S::scanCount, c.scans == 0 ? 2 : c.scans) << c.name;
    }
}

TEST(GenerateSeries, AnExistingFolderIsUsedAgain) {
    MainWindowFixture f;
    for (int run = 0; run < 2; ++run) {
        ScriptSeries(f, SeriesAnswers{});
        plat::test::command(f.window.get(), 647);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(ReadTextFile(f.data.file("11/xp11.xp")).empty());
    }
}

TEST(AddSubtractSimulated, AddsOrSubtractsTheFitAndOffersToSave) {
    MainWindowFixture f;
    f.LoadScans(2, 20);
    ASSERT_EQ(S::scanCount, 2);
    const float before = S::signal[2][7];
    for (int i = 1; i <= 2; ++i)
        for (int k = 1; k <= S::pointCount[i]; ++k)
            S::fit[i][k] = 0.25f;
    struct Case {
        const char* name;
        int add, subtract; // answers; 0: not asked
        float change;
    };
    const std::vector<Case> cases = {
        {"add", IDYES, 0, 0.25f},
        {"subtract", IDNO, IDYES, 0.0f},
        {"neither", IDNO, IDNO, 0.0f},
    };
    for (const Case& c : cases) {
        f.script.expectBox()
            .caption("ADD OR SUBTRACT SCANS")
            .text("add simulated data to existing data?")
            .answer(c.add);
        if (c.subtract)
            f.script.expectBox()
                .caption("ADD OR SUBTRACT SCANS")
                .text("subtract simulated data from existing data?")
                .answer(c.subtract);
        if (c.add == IDYES || c.subtract == IDYES)
            f.script.expectBox().caption("").text("save data?").answer(IDNO);
        plat::test::command(f.window.get(), 459);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_FLOAT_EQ(S::signal[2][7], before + c.change) << c.name;
    }
}

} // namespace
