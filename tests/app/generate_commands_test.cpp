// The commands that make and use simulated data, driven through the menu: "Single" and "Series"
// of the Generate menu, "Add or Subtract Simulated Sedimentation Data".
#include "app/experiment_file.h"
#include "app/params_box.h"
#include "foundations/hydrodynamics.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/simulation_switches.h"
#include "state/conti_state.h"
#include "state/fit_services.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"
#include "support/velocity_store.h"
#include "support/write_faults.h"

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;
constexpr const char* kGenerate = "GENERATE DATA";

void ExpectNumber(plat::test::Script& script, const std::string& prompt,
                  const std::string& answer) {
    script.expectInput().title(kGenerate).prompt(prompt).answer(answer);
}

// The answers of "Single": cancelAt (a prompt) is cancelled; refusedAt gets its answer from typed
// and then the refusal that names it, after which nothing more is asked.
struct SingleAnswers {
    std::string cancelAt, refusedAt;
    bool acceleration = false;
    bool mAndS = false; // the answer to "Fit with M and s instead D and s?"
    std::map<std::string, std::string> typed;
};

// False once the script stops at a cancelled or refused prompt.
bool ScriptSingle(MainWindowFixture& f, const SingleAnswers& a) {
    f.script.expectBox()
        .caption(kGenerate)
        .text("Fit with M and s instead D and s?")
        .answer(a.mAndS ? IDYES : IDNO);
    // The species' values are converted to the other form, without scans at 20 C.
    if (a.mAndS != ModelChoice::equilibriumMs && S::scanCount < 1)
        f.script.expectBox().caption("").text("assuming t = 20 'C");
    std::map<std::string, std::string> answers = {
        {"density of points dr (cm)", "0.01"},   {"rotor speed (rpm)", "50000"},
        {"time interval of scans (sec)", "300"}, {"number of simulated scans", "5"},
        {"std of noise (OD)", "0.005"},          {"acceleration (rpm/sec)", "200"}};
    for (const auto& [prompt, answer] : a.typed)
        answers[prompt] = answer;
    auto ask = [&](const std::vector<std::string>& prompts) {
        for (const std::string& prompt : prompts) {
            if (prompt == a.cancelAt) {
                f.script.expectInput().title(kGenerate).prompt(prompt).cancel();
                return false;
            }
            ExpectNumber(f.script, prompt, answers[prompt]);
            if (prompt == a.refusedAt) {
                f.script.expectBox().caption(kGenerate).textHas(prompt);
                return false;
            }
        }
        return true;
    };
    if (!ask({"density of points dr (cm)", "rotor speed (rpm)"}))
        return false;
    f.script.expectBox()
        .caption(kGenerate)
        .text("simulate with rotor acceleration phase?")
        .answer(a.acceleration ? IDYES : IDNO);
    if (a.acceleration && !ask({"acceleration (rpm/sec)"}))
        return false;
    if (!ask({"time interval of scans (sec)", "number of simulated scans", "std of noise (OD)"}))
        return false;
    f.script.expectDialog(kDiscreteParamsDialogId).ok(); // the parameters as they are
    return true;
}

void ScriptSingle(MainWindowFixture& f, const std::string& cancelAt, bool acceleration) {
    SingleAnswers a;
    a.cancelAt = cancelAt;
    a.acceleration = acceleration;
    if (ScriptSingle(f, a))
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
    // the rectangular cell is solved in a uniform solvent only
    auto LinearCellInSolventGradient = [] {
        ModelChoice::linearLamm = true;
        ModelChoice::inhomogeneousSolvent = true;
    };
    const std::vector<Case> cases = {
        {"van Holde-Weischet", 214, [] { ModelChoice::gStarFamily = true; }, kGenerate,
         "no simulation for van Holde-Weischet boundaries implemented"},
        {"distribution without a kernel", 214,
         [] {
             ModelChoice::contiMode = true;
             ModelChoice::csFf0 = true;
         },
         "NOT AVAILABLE", single.c_str()},
        {"linear geometry in a solvent gradient", 214, LinearCellInSolventGradient, "NOT AVAILABLE",
         single.c_str()},
        {"series, linear geometry in a solvent gradient", 647, LinearCellInSolventGradient,
         "NOT AVAILABLE",
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

// "Single" in the c(s) model makes the data of the distribution put in its file: one point of
// 0.8 at 4.5 S, or the same loading as a normalized triangle over 4.0 to 5.0 S. Both give the
// scans of one species of 4.5 S with D from the frictional ratio, as the discrete model makes it.
// A file that holds no distribution leaves nothing written, and says so.
TEST(GenerateSingle, DistributionModelMakesTheDataOfItsFile) {
    struct Case {
        const char* name;
        const char* file;
        bool normalized;
    } const cases[] = {{"one point, loadings", "4.5 0.8\n4.6 0\n", false},
                       {"triangle, normalized", "4.0 0\n4.5 1.6\n5.0 0\n", true},
                       {"no distribution", "4.5\n", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        M::meniscus = 0.0f;
        ModelChoice::contiMode = true;
        ModelChoice::contiCs = true;
        PackFitParameters(); // the model's slots, as choosing it leaves them
        const std::string distrib = f.data.file("distrib.dat");
        std::snprintf(gTablePaths.distrib, sizeof gTablePaths.distrib, "%s", distrib.c_str());
        {
            std::ofstream out(distrib);
            out << c.file;
        }
        for (const auto& [prompt, answer] : std::vector<std::pair<std::string, std::string>>{
                 {"density of points dr (cm)", "0.01"}, {"rotor speed (rpm)", "50000"}})
            ExpectNumber(f.script, prompt, answer);
        f.script.expectBox()
            .caption(kGenerate)
            .text("simulate with rotor acceleration phase?")
            .answer(IDNO);
        ExpectNumber(f.script, "time interval of scans (sec)", "600");
        ExpectNumber(f.script, "number of simulated scans", "5");
        ExpectNumber(f.script, "std of noise (OD)", "0");
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, "1")
            .set(kRangeMaxId, "10")
            .set(kResolutionId, "50")
            .ok();
        f.script.expectFileSave()
            .title("save generated data as")
            .answer(std::vector<std::string>{f.data.file("0000x.RA0")});
        f.script.expectBox().caption("ATTENTION").text("put synthetic distribution in " + distrib);
        f.script.expectBox()
            .caption("ATTENTION")
            .text("is synthetic distribution normalized?")
            .answer(c.normalized ? IDYES : IDNO);
        const bool readable = std::string(c.file).find(' ') != std::string::npos;
        if (!readable)
            f.script.expectBox().caption(kGenerate).text(
                "the model could not be simulated:\nno file was written");
        Send(f, 214);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_EQ(S::scanCount, 5);
        EXPECT_EQ(ReadTextFile(f.data.file("00005.ra0")).empty(), !readable);
        if (!readable)
            continue;
        std::vector<std::vector<float>> generated;
        for (int k = 1; k <= S::scanCount; ++k)
            generated.emplace_back(S::signal[k] + 1, S::signal[k] + 1 + S::pointCount[k]);

        // The same species by the discrete model on the same scans.
        const double d = DFromSandM(float(CalculateMff02(4.5f, ContiState::ff0)), 4.5f, 20.0f);
        ModelChoice::contiMode = ModelChoice::contiCs = false;
        ModelChoice::lammModel = true;
        ModelChoice::equilibriumMs = false;
        M::speciesOn[1] = 1;
        M::speciesS[1] = 4.5f;
        M::speciesDOrM[1] = float(d * 1e7);
        M::concentration[1] = 0.8f;
        PackFitParameters();
        ASSERT_TRUE(RunDiscreteSed(f.window.get()));
        double worst = 0.0;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i)
                if (S::radius[k][i] < 7.1f)
                    worst = std::max(
                        worst, double(std::fabs(generated[std::size_t(k - 1)][std::size_t(i - 1)] -
                                                S::fit[k][i])));
        EXPECT_LT(worst, 3e-3) << "against the discrete species of D = " << d;
        // and the plateau of the first scan has the loading, diluted
        const double omega2 = std::pow(50000 * M_PI / 30.0, 2);
        const double plateau = 0.8 * std::exp(-2.0 * 4.5e-13 * omega2 * S::header[1].time);
        EXPECT_NEAR(generated[0][50] / plateau, 1.0, 2e-3) << "at r = " << S::radius[1][51];
    }
}

struct SeriesAnswers {
    std::vector<std::string> drs{"0.05"}, speeds{"40000"}, noises{"0.01"}, menisci{"6.0"},
        traces{"0"};
    std::string scans = "3";
    std::string offset = "10";
    std::string interval = "600";
    // A list count typed instead of the list's length; refusedAt: the prompt whose answer is
    // refused, after which nothing more is asked.
    std::map<std::string, std::string> counts;
    std::string refusedAt;
};

void ScriptSeries(MainWindowFixture& f, const SeriesAnswers& a) {
    f.script.expectDialog(kDiscreteParamsDialogId).ok(); // the parameters as they are
    f.script.expectFileSave()
        .title("save generated data as")
        .answer(std::vector<std::string>{f.data.file("run.RA0")});
    bool refused = false;
    auto number = [&](const std::string& prompt, const std::string& answer) {
        if (refused)
            return;
        ExpectNumber(f.script, prompt, answer);
        if (prompt == a.refusedAt) {
            f.script.expectBox().caption(kGenerate).textHas(prompt);
            refused = true;
        }
    };
    auto list = [&](const char* count, const char* item, const std::vector<std::string>& values) {
        const auto typed = a.counts.find(count);
        number(count, typed != a.counts.end() ? typed->second : std::to_string(values.size()));
        for (std::size_t k = 0; k < values.size(); ++k) {
            char prompt[100];
            std::snprintf(prompt, sizeof prompt, item, int(k + 1));
            number(prompt, values[k]);
        }
    };
    list("# radial increments?", "%d - density of points dr (cm)", a.drs);
    list("# rotor speeds?", "%d - rotor speed (rpm)?", a.speeds);
    if (refused)
        return;
    f.script.expectBox()
        .caption(kGenerate)
        .text("simulate with rotor acceleration phase?")
        .answer(IDNO);
    number("time interval of scans (sec)", a.interval);
    number("number of simulated scans (0 for auto)", a.scans);
    list("# noise levels?", "%d - noise level?", a.noises);
    list("# menisci?", "%d - meniscus (cm)?", a.menisci);
    list("# trace concentrations?", "%d - 2nd species concentration (%%)?", a.traces);
    number("directory # offset", a.offset);
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
    // 40,000 rpm, interval 600 s, meniscus 6.0, right limit 7.05: ln(7.05/6)/(w^2 s) / 600.
    for (const Case& c :
         {Case{"4 S", 4.0f, 38}, Case{"8 S", 8.0f, 19}, Case{"no sedimentation", 0.0f, 0}}) {
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

// Typed counts and offsets went to int unchecked (1e10 scans, offset 3e9), a noise of 3e38 wrote
// infinities, and a step <= 0, a meniscus beyond the bottom or a count <= 0 made a numbered folder
// without a word. Each is refused, naming its box, before anything is made. A bound a box names
// is taken when typed: a typed 0.0001 or 1e30, read in single precision, fell outside 1e-4 or 1e30.
TEST(GenerateCommands, InputThatCannotBeGeneratedIsRefusedFirst) {
    struct Case {
        const char* name;
        std::function<void(SingleAnswers&)> single; // null: a Series case
        std::function<void(SeriesAnswers&)> series;
    };
    auto single = [](const char* prompt, const char* typed) {
        return [=](SingleAnswers& a) {
            a.typed[prompt] = typed;
            a.refusedAt = prompt;
        };
    };
    auto count = [](const char* prompt, const char* typed) {
        return [=](SeriesAnswers& a) {
            a.counts[prompt] = typed;
            a.refusedAt = prompt;
        };
    };
    auto item = [](std::vector<std::string> SeriesAnswers::*list, const char* prompt,
                   const char* typed) {
        return [=](SeriesAnswers& a) {
            (a.*list)[0] = typed;
            a.refusedAt = prompt;
        };
    };
    const std::vector<Case> cases = {
        {"single, 1e10 scans", single("number of simulated scans", "1e10"), nullptr},
        {"single, no scans", single("number of simulated scans", "0"), nullptr},
        {"single, grid step 0", single("density of points dr (cm)", "0"), nullptr},
        {"single, negative grid step", single("density of points dr (cm)", "-0.01"), nullptr},
        {"single, noise 3e38", single("std of noise (OD)", "3e38"), nullptr},
        {"single, negative noise", single("std of noise (OD)", "-0.01"), nullptr},
        {"single, interval 3e38", single("time interval of scans (sec)", "3e38"), nullptr},
        {"single, interval 0", single("time interval of scans (sec)", "0"), nullptr},
        {"single, rotor speed 3e38", single("rotor speed (rpm)", "3e38"), nullptr},
        {"single, grid step 1e-6 (1.2 M points a scan)",
         single("density of points dr (cm)", "1e-6"), nullptr},
        {"single, grid step 0.0000999", single("density of points dr (cm)", "0.0000999"), nullptr},
        {"single, grid step 0.0001 taken, then no scans",
         [](SingleAnswers& a) {
             a.typed["density of points dr (cm)"] = "0.0001";
             a.typed["number of simulated scans"] = "0";
             a.refusedAt = "number of simulated scans";
         },
         nullptr},
        {"single, acceleration 0",
         [](SingleAnswers& a) {
             a.acceleration = true;
             a.typed["acceleration (rpm/sec)"] = "0";
             a.refusedAt = "acceleration (rpm/sec)";
         },
         nullptr},
        {"single, acceleration -200",
         [](SingleAnswers& a) {
             a.acceleration = true;
             a.typed["acceleration (rpm/sec)"] = "-200";
             a.refusedAt = "acceleration (rpm/sec)";
         },
         nullptr},
        {"series, rotor speed 3e38", nullptr,
         item(&SeriesAnswers::speeds, "1 - rotor speed (rpm)?", "3e38")},
        {"series, interval 3e38", nullptr,
         [](SeriesAnswers& a) {
             a.interval = "3e38";
             a.refusedAt = "time interval of scans (sec)";
         }},
        {"series, 1e10 radial increments", nullptr, count("# radial increments?", "1e10")},
        {"series, no noise levels", nullptr, count("# noise levels?", "0")},
        {"series, negative meniscus count", nullptr, count("# menisci?", "-2")},
        {"series, grid step 0", nullptr,
         item(&SeriesAnswers::drs, "1 - density of points dr (cm)", "0")},
        {"series, negative grid step", nullptr,
         item(&SeriesAnswers::drs, "1 - density of points dr (cm)", "-0.05")},
        {"series, meniscus beyond the bottom", nullptr,
         item(&SeriesAnswers::menisci, "1 - meniscus (cm)?", "7.5")},
        {"series, noise 3e38", nullptr, item(&SeriesAnswers::noises, "1 - noise level?", "3e38")},
        {"series, noise 1.000001e30", nullptr,
         item(&SeriesAnswers::noises, "1 - noise level?", "1.000001e30")},
        {"series, noise 1e30 taken, then a meniscus beyond the bottom", nullptr,
         [](SeriesAnswers& a) {
             a.noises = {"1e30"};
             a.menisci = {"7.5"};
             a.refusedAt = "1 - meniscus (cm)?";
         }},
        {"series, 1e10 scans", nullptr,
         [](SeriesAnswers& a) {
             a.scans = "1e10";
             a.refusedAt = "number of simulated scans (0 for auto)";
         }},
        {"series, folder offset 3e9", nullptr,
         [](SeriesAnswers& a) {
             a.offset = "3e9";
             a.refusedAt = "directory # offset";
         }},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        if (c.single) {
            SingleAnswers a;
            c.single(a);
            ScriptSingle(f, a);
            Send(f, 214);
        } else {
            SeriesAnswers a;
            c.series(a);
            ScriptSeries(f, a);
            Send(f, 647);
        }
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_EQ(S::scanCount, 0) << c.name;
        EXPECT_TRUE(std::filesystem::is_empty(f.data.path())) << c.name;
        EXPECT_FALSE(ModelChoice::generatingSeries) << c.name;
    }
}

// Single went on when the generator wrote nothing (an engine that refused, a key press): the user
// was told nothing. Now the box says so and no scan file is written. A simulation that failed
// (a floater on a typed moving hat, too slow an acceleration) names no key.
TEST(GenerateSingle, SaysWhenNothingWasGenerated) {
    struct Case {
        const char* name;
        std::function<void(MainWindowFixture&, SingleAnswers&)> set;
        std::vector<const char*> engineSays; // the engine's own boxes
        const char* text;
    };
    const std::vector<Case> cases = {
        {"an engine that refused the rotor speed",
         [](MainWindowFixture&, SingleAnswers& a) { a.typed["rotor speed (rpm)"] = "0"; },
         {"was recorded at 0 rpm"},
         "the model could not be simulated"},
        {"an engine that refused its grid",
         [](MainWindowFixture&, SingleAnswers&) { LammGrid::defaultGridSize = 5; },
         {"too small for a Lamm equation solution"},
         "the model could not be simulated"},
        {"a key pressed while it computes",
         [](MainWindowFixture& f, SingleAnswers&) { plat::test::key(f.window.get(), 'A', 'a'); },
         {},
         "the simulation was stopped by a key press"},
        {"a floater the typed grid cannot carry",
         [](MainWindowFixture&, SingleAnswers& a) {
             // the moving hat of 120 nodes typed
             M::autoGridSize = ModelChoice::automaticAlgorithm = false;
             LammGrid::defaultGridSize = 120;
             a.mAndS = ModelChoice::equilibriumMs = false, a.typed["rotor speed (rpm)"] = "40000";
             M::speciesS[1] = -10.0f, M::speciesDOrM[1] = 0.5f;
             PackFitParameters();
         },
         {"error #2 in simulation #1", "change grid size"},
         "the simulation failed"},
        {"an acceleration the engine refuses",
         [](MainWindowFixture&, SingleAnswers& a) {
             a.acceleration = true, a.typed["acceleration (rpm/sec)"] = "20";
         },
         {"too slow rotor acceleration", "error #5 in simulation #1", "temperature equilibration"},
         "the simulation failed"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        SingleAnswers a;
        a.mAndS = true; // the species as they are
        c.set(f, a);
        ASSERT_TRUE(ScriptSingle(f, a)) << c.name;
        f.script.expectFileSave()
            .title("save generated data as")
            .answer(std::vector<std::string>{f.data.file("0000x.RA0")});
        for (const char* says : c.engineSays)
            f.script.expectBox().textHas(says);
        f.script.expectBox().caption(kGenerate).text(std::string(c.text) +
                                                     ":\nno file was written");
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(214), 0);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        for (const auto& entry : std::filesystem::directory_iterator(f.data.path()))
            if (entry.path().filename() != "ScanRms.dat") // the display's, for the scans shown
                ADD_FAILURE() << c.name << ": " << entry.path();
    }
}

// Memory running out while the scan files were written left the first of them in the folder, each
// whole, and nothing said the set was cut: the folder loaded as a shorter set. None of the set
// stays and a file it would replace keeps its contents; the next Single writes the whole set.
TEST(GenerateSingle, OutOfMemoryWhileWritingLeavesNoneOfTheSet) {
    MainWindowFixture f;
    M::meniscus = 0.0f;
    const std::string earlier = f.data.write("00002.ra0", "an earlier scan\n");
    for (const bool outOfMemory : {true, false}) {
        ScriptSingle(f, "", false);
        if (outOfMemory) {
            f.script.expectBox().text("Not enough memory to complete the command.");
            plat::test::OutOfMemoryAfterAtomicFiles(3); // after three of the five files
        }
        Send(f, 214);
        plat::test::OutOfMemoryAfterAtomicFiles(-1);
        EXPECT_TRUE(f.script.done()) << outOfMemory << f.script.logText();
        EXPECT_EQ(S::scanCount, 5) << outOfMemory; // simulated: the memory ran out at the files
        std::vector<std::string> entries = FolderEntries(f.data.path());
        std::erase(entries, "ScanRms.dat"); // the display's, for the scans shown
        const std::string text = ReadTextFile(earlier);
        if (outOfMemory) {
            EXPECT_EQ(entries, std::vector<std::string>{"00002.ra0"});
            EXPECT_EQ(text, "an earlier scan\n");
        } else {
            EXPECT_EQ(entries, (std::vector<std::string>{"00001.ra0", "00002.ra0", "00003.ra0",
                                                         "00004.ra0", "00005.ra0"}));
            EXPECT_EQ(text.rfind("[T OK]synthetic\n", 0), 0u);
        }
    }
}

// A file's first line and a hash of its bytes: equal when the bytes are, short in a failure.
std::string Digest(const std::string& text) {
    return text.substr(0, text.find('\n')) + " #" + std::to_string(std::hash<std::string>{}(text));
}

// Each entry of folder with what it holds (a file's digest, a link's target, "<folder>"), but the
// display's rms file.
std::map<std::string, std::string> FolderHolds(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> holds;
    for (const auto& entry : fs::directory_iterator(folder))
        if (entry.path().filename() != "ScanRms.dat")
            holds[entry.path().filename()] =
                entry.is_symlink()     ? "-> " + fs::read_symlink(entry.path()).string()
                : entry.is_directory() ? "<folder>"
                                       : Digest(ReadTextFile(entry.path()));
    return holds;
}

// A set was renamed scan by scan: a failing rename, a scan file that was a folder or a link to
// another file system, a leftover hidden folder cut it; a leftover hidden link was written outside.
// A scan that was a link to another scan of the set, led nowhere or to itself refused the set.
TEST(GenerateSingle, TheSetIsWrittenWholeOrTheFolderStaysAsItWas) {
    struct Case {
        const char* name;
        std::map<std::string, std::string> files, links; // links: name -> file outside
        int failRenameAt;                                // the hook's index, or -1
        const char* refused; // the scan named in the box, or null: the set is written whole
        std::map<std::string, std::string> inside = {}; // links: name -> what it names
        int umask = -1;                                 // while the set is written; -1: as it is
    };
    const std::vector<Case> cases = {
        {"the fourth rename fails",
         {{"00002.ra0", "old 2"}, {"00004.ra0", "old 4"}},
         {},
         3,
         "00004.ra0"},
        {"a scan file that is a folder",
         {{"00001.ra0", "old 1"}, {"00004.ra0/x", ""}},
         {},
         -1,
         "00004.ra0"},
        {"a scan file that is a link", {}, {{"00002.ra0", "kept.ra0"}}, -1, nullptr},
        {"a leftover hidden folder", {{".00003.ra0.part/x", "x"}}, {}, -1, nullptr},
        {"a leftover hidden link", {}, {{".00004.ra0.part", "victim"}}, -1, nullptr},
        {"a link to a scan", {{"00001.ra0", "1"}}, {}, -1, nullptr, {{"00002.ra0", "00001.ra0"}}},
        {"a link to nothing", {}, {}, -1, nullptr, {{"00003.ra0", "gone.ra0"}}},
        {"a link to itself", {}, {}, -1, nullptr, {{"00004.ra0", "00004.ra0"}}},
        {"a link to a scan, and the fourth rename fails",
         {{"00001.ra0", "1"}, {"00004.ra0", "4"}},
         {},
         3,
         "00004.ra0",
         {{"00002.ra0", "00001.ra0"}}},
        {"a link to nothing, under umask 077",
         {},
         {},
         -1,
         nullptr,
         {{"00003.ra0", "gone.ra0"}},
         077},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        // Outside the data folder: on another file system where /dev/shm is one (a test cannot
        // mount one), else beside it.
        struct stat here {};
        struct stat shm {};
        const bool otherDevice = ::stat(f.data.path().c_str(), &here) == 0 &&
                                 ::stat("/dev/shm", &shm) == 0 && here.st_dev != shm.st_dev;
        std::string outside = (otherDevice ? "/dev/shm" : f.data.path() + "/..") + "/outXXXXXX";
        ASSERT_TRUE(::mkdtemp(outside.data()));
        for (const auto& [name, text] : c.files) {
            std::filesystem::create_directories(
                std::filesystem::path(f.data.file(name)).parent_path());
            f.data.write(name, text);
        }
        for (const auto& [name, file] : c.links) {
            WriteTextFile(outside + "/" + file, "outside");
            std::filesystem::create_symlink(outside + "/" + file, f.data.file(name));
        }
        for (const auto& [name, to] : c.inside)
            std::filesystem::create_symlink(to, f.data.file(name));
        const auto before = FolderHolds(f.data.path());
        M::meniscus = 0.0f;
        ScriptSingle(f, "", false);
        if (c.refused)
            f.script.expectBox().text("\nAttention: could not open " + f.data.file(c.refused) +
                                      "\nno scan of the set was written");
        plat::test::FailSetRenameAt(c.failRenameAt);
        const mode_t usual = c.umask < 0 ? 0 : ::umask(static_cast<mode_t>(c.umask));
        Send(f, 214);
        const mode_t mask = c.umask < 0 ? 0 : ::umask(usual);
        plat::test::FailSetRenameAt(-1);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        auto after = FolderHolds(f.data.path());
        const auto outsideAfter = FolderHolds(outside);
        std::filesystem::remove_all(outside);
        if (c.refused) {
            EXPECT_EQ(after, before) << c.name;
            continue;
        }
        // A link to a scan stays and is written through; nothing else outside changes.
        EXPECT_EQ(outsideAfter.size(), c.links.size()) << c.name;
        for (const auto& [name, file] : c.links)
            if (name[0] != '.') {
                EXPECT_EQ(after[name], before.at(name)) << c.name;
                after[name] = outsideAfter.at(file);
            } else {
                EXPECT_EQ(outsideAfter.at(file), Digest("outside")) << c.name;
            }
        for (const auto& [name, to] : c.inside)
            if (name != to && before.count(to)) { // to another scan: stays, written through
                EXPECT_EQ(after[name], before.at(name)) << c.name;
                after[name] = after[to];
            } else if (c.umask >= 0) { // a link that led nowhere: a new scan's mode
                struct stat st {};
                ASSERT_EQ(::lstat(f.data.file(name).c_str(), &st), 0) << c.name;
                EXPECT_EQ(st.st_mode & 07777, 0666 & ~mask) << c.name;
            }
        EXPECT_EQ(after.erase(".00003.ra0.part"), before.count(".00003.ra0.part")) << c.name;
        EXPECT_EQ(after.size(), 5u) << c.name;
        for (const auto& [name, text] : after)
            EXPECT_EQ(text.rfind("[T OK]synthetic #", 0), 0u) << c.name << ": " << name;
    }
}

// Each earlier scan was moved aside before the new one was renamed over its name: a kill in
// between left the name with nothing and the scan under a hidden name, which the next set kept.
// A kill while a scan was written left the writer's hidden temporary file, a whole scan, for good.
TEST(GenerateSingle, AKillWhileTheSetIsRenamedLeavesEachScanOldOrNew) {
    MainWindowFixture f;
    M::meniscus = 0.0f;
    const std::map<std::string, std::string> earlier = {{"00001.ra0", "1"}, {"00004.ra0", "4"}};
    const auto generate = [&](int killAt) {
        SingleAnswers a;
        a.typed["std of noise (OD)"] = "0";
        ScriptSingle(f, a);
        f.script.expectFileSave().answer(std::vector<std::string>{f.data.file("0000x.RA0")});
        plat::test::KillAtSetStep(killAt);
        Send(f, 214);
        return f.script.done();
    };
    ASSERT_TRUE(generate(-1)) << f.script.logText();
    const auto fresh = FolderHolds(f.data.path());
    // k = -1: killed as the second scan's temporary file is whole; from 0: before the k-th rename.
    for (int k = -1, status = SIGKILL; WIFSIGNALED(status); ++k) { // until one is not killed
        for (const auto& [name, text] : earlier) // the other scans are those of the set
            f.data.write(name, text);
        std::fflush(nullptr);
        if (const pid_t pid = ::fork(); pid == 0) { // the parent's pools are not in the child
            gLammThreadCount = gDistributionThreadCount = 1;
            ContiState::multiThreading = false;
            plat::test::KillAtAtomicCommit(k < 0 ? ".00002.ra0.part" : "");
            ::_exit(generate(k) ? 0 : 1);
        } else {
            ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        }
        auto held = FolderHolds(f.data.path());
        if (k < 0) { // the second scan whole in its writer's hidden temporary file
            const auto left = held.lower_bound("..00002.ra0.part.tmp");
            EXPECT_TRUE(left != held.end() && left->first.starts_with("..00002.ra0.part.tmp") &&
                        left->second.starts_with("[T OK]synthetic #"));
        }
        for (const auto& [name, digest] : fresh) // each name holds its old scan or its new one
            EXPECT_TRUE(held[name] == digest ||
                        (earlier.count(name) && held[name] == Digest(earlier.at(name))))
                << k << ": " << name;
        if (WIFSIGNALED(status)) // what the kill left is replaced by the next set
            ASSERT_TRUE(generate(-1)) << k << f.script.logText();
        EXPECT_EQ(FolderHolds(f.data.path()), fresh) << k << ": " << status;
    }
}

// Choosing D and s left the molar mass of the M form as D (50000 x 1e-7 cm^2/s): the scans had no
// boundary. The values are now converted when the form changes, and a D no solute has is refused.
TEST(GenerateSingle, DAndSAreConvertedAndChecked) {
    struct Case {
        const char* name;
        bool startInMAndS;
        const char* refusal; // null: generated
    };
    for (const Case& c : {Case{"M and s converted to D and s", true, nullptr},
                          Case{"a molar mass left as D", false, "species 1"}}) {
        MainWindowFixture f;
        ModelChoice::equilibriumMs = c.startInMAndS;
        M::speciesS[1] = 4.0f;
        M::speciesDOrM[1] = 50000.0f;
        M::concentration[1] = 0.5f;
        PackFitParameters();
        SingleAnswers a;
        a.mAndS = false;
        ASSERT_TRUE(ScriptSingle(f, a)) << c.name;
        if (c.refusal)
            f.script.expectBox().caption(kGenerate).textHas(c.refusal);
        else
            f.script.expectFileSave()
                .title("save generated data as")
                .answer(std::vector<std::string>{f.data.file("0000x.RA0")});
        Send(f, 214);
        EXPECT_TRUE(f.script.done()) << c.name << f.script.logText();
        EXPECT_FALSE(ModelChoice::equilibriumMs) << c.name;
        if (c.refusal) {
            EXPECT_TRUE(std::filesystem::is_empty(f.data.path())) << c.name;
            continue;
        }
        ASSERT_EQ(S::scanCount, 5) << c.name;
        // 4 S and 50 kDa at 20 C with vbar 0.73: D near 7.2e-7 cm^2/s.
        EXPECT_NEAR(M::speciesDOrM[1], 7.2, 0.5) << c.name;
        // After 1500 s at 50,000 rpm the boundary is near 6.30 cm: the solvent side is cleared.
        const int last = S::scanOrder[S::scanCount];
        EXPECT_LT(S::fit[last][3], 0.05f) << c.name; // 6.22 cm
        EXPECT_NEAR(
            S::fit[last][50],
            0.5f * std::exp(-2 * 4e-13 * std::pow(50000 * M_PI / 30, 2) * S::header[last].time),
            0.02)
            << c.name; // 6.69 cm, the plateau
    }
}

// Generated data set the right fit limit a hundredth of a cm before the bottom, inside the pile-up;
// a Load keeps a set limit, so the analyses of the files fitted the pile-up. An unset or generated
// right limit now starts where Load starts it, 0.15 cm before the bottom.
TEST(GenerateCommands, TheRightFitLimitStartsClearOfThePileUp) {
    const float expected = static_cast<float>(7.2f - 0.15);
    {
        MainWindowFixture f;
        ScriptSingle(f, "", false);
        Send(f, 214);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FLOAT_EQ(S::rightFitLimit, expected) << "single";
    }
    {
        MainWindowFixture f;
        ScriptSeries(f, SeriesAnswers{});
        Send(f, 647);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FLOAT_EQ(S::rightFitLimit, expected) << "series";
    }
    {
        MainWindowFixture f;
        VelocitySet set;
        set.scans = 2;
        set.points = 121;
        FillVelocityStore(set);
        S::rightFitLimit = 0.0f;
        Send(f, 213);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FLOAT_EQ(S::rightFitLimit, expected) << "Run with the limit unset";
        for (int k = 1; k <= S::scanCount; ++k)
            EXPECT_LE(S::radius[k][S::lastFitIndex[k]], expected);
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
