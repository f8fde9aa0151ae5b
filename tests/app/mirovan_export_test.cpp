// Export Data to MIROVAN through the menu: the experiment file, the hybrid model parameter and
// configuration files read back line by line, the peaks handed over as species, the program's
// start and what a missing program or an unwritable folder says.
#include "app/mirovan_export.h"
#include "foundations/hydrodynamics.h"
#include "plotting/win_plot.h"
#include "scandata/scan_header.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"
#include "support/temp_folder.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using M = ModelChoice;

std::string Species(const char* format, int k, double value) {
    char line[80];
    std::snprintf(line, sizeof line, format, value, k);
    return line;
}

// A c(s) model with a drawn distribution of three Gaussian peaks at 2, 5 and 9 S.
struct CsExport {
    MainWindowFixture f;
    CWINPlot plot;
    std::vector<float> s, c;
    std::string program;

    CsExport() {
        f.LoadScans(3, 20);
        SerialFitState::serializing = true; // the experiment file's questions stay silent
        M::lammModel = false;
        M::contiMode = M::contiCs = true;
        C::resolution = 120.0f;
        C::rangeMin = 0.5f;
        C::rangeMax = 12.0f;
        C::ff0 = 1.4f;
        C::ff0Float = 1;
        const int n = 200;
        s.assign(n + 1, 0.0f);
        c.assign(n + 1, 0.0f);
        for (int i = 1; i <= n; ++i) {
            s[i] = 0.5f + 11.5f * static_cast<float>(i - 1) / (n - 1);
            for (float centre : {2.0f, 5.0f, 9.0f})
                c[i] += std::exp(-(s[i] - centre) * (s[i] - centre) / 0.08f);
        }
        C::gridPoints = n;
        C::sValues = s.data();
        C::distribution = c.data();
        C::distributionPlot = &plot;
        program = f.data.file("mirovan");
        std::FILE* file = std::fopen(program.c_str(), "w");
        std::fclose(file);
        std::snprintf(gMirovanProgramPath, sizeof gMirovanProgramPath, "%s", program.c_str());
    }
    ~CsExport() {
        C::sValues = C::distribution = nullptr;
        C::distributionPlot = nullptr;
        SerialFitState::serializing = false;
        M::ResetToDefaults();
    }
    void Export(const std::string& xp, int convertAnswer) {
        f.script.expectFileSave().answer({xp});
        f.script.expectBox().text("launch MIROVAN with data?").answer(IDYES);
        if (convertAnswer)
            f.script.expectBox()
                .text("convert all c(s) peaks to discrete species?")
                .answer(convertAnswer);
        plat::test::command(f.window.get(), 577);
        f.script.pumpUntilIdle();
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    }
};

TEST(MirovanExport, ConvertedPeaksBecomeThreeFittedSpecies) {
    CsExport e;
    const std::string xp = e.f.data.file("run.xp");
    e.Export(xp, IDYES);
    const std::string config = e.f.data.file("run_from_tarnix_c(s).mirovan");
    const std::string par = config + "_PAR";
    const auto p = SplitLines(ReadTextFile(par));
    ASSERT_EQ(p.size(), 82u);
    EXPECT_EQ(p[0], "1000 (hybrid discrete - c(s) model) ");
    EXPECT_EQ(p[1], "80 (# of parameter follow)");
    EXPECT_EQ(p[2], "0 (resolution c(s) #1)");
    EXPECT_EQ(p[3], "0.500000 (MCDsmin1)");
    EXPECT_EQ(p[4], "12.000000 (MCDsmax1)");
    EXPECT_EQ(p[5], "1 (MCDlinlog1)");
    EXPECT_EQ(p[6], "1.400000 (ff0 c(s) #1)");
    EXPECT_EQ(p[7], "0 (MCDfitff01)");
    EXPECT_EQ(p[15], "0.950000 (MCDWPval)");
    // The weight-average s of each peak, in the buffer, and its molar mass.
    std::vector<double> found;
    for (int k = 1; k <= 3; ++k) {
        const double sBuffer = std::atof(p[36 + k].c_str());
        found.push_back(sBuffer);
        EXPECT_GT(std::atof(p[16 + k].c_str()), 0.0) << k;
        EXPECT_EQ(p[26 + k], "1 (exist #" + std::to_string(k) + ")");
        EXPECT_EQ(p[46 + k], "1 (MCDfitM #" + std::to_string(k) + ")");
        EXPECT_EQ(p[56 + k], "1 (MCDfitS #" + std::to_string(k) + ")");
    }
    std::sort(found.begin(), found.end());
    const double expected[] = {2.0, 5.0, 9.0};
    for (int k = 0; k < 3; ++k)
        EXPECT_NEAR(found[k], S20wToSInBuffer(static_cast<float>(expected[k])), 0.02) << k;
    for (int k = 4; k <= 10; ++k) {
        EXPECT_EQ(p[16 + k], Species("%f (MCDglobM #%d)", k, 0.0));
        EXPECT_EQ(p[26 + k], Species("%f (exist #%d)", k, 0.0));
        EXPECT_EQ(p[56 + k], Species("%f (MCDfitS #%d)", k, 0.0));
    }
    EXPECT_EQ(p[81], "1 (bMarquardLevenbergMin)");

    const auto cfg = SplitLines(ReadTextFile(config));
    ASSERT_EQ(cfg.size(), 50u);
    EXPECT_EQ(cfg[0], "experiments:");
    EXPECT_EQ(cfg[1], "1 1 " + xp);
    EXPECT_EQ(cfg[2], "-1 0 end");
    EXPECT_EQ(cfg[4], "g 18 (#global parameters)");
    EXPECT_EQ(cfg[5], "1 0.000459");
    EXPECT_EQ(cfg[15], "0 (SRTESTING)");
    EXPECT_EQ(cfg[24], "1000 (hybrid discrete - c(s) model) ");
    EXPECT_EQ(cfg[26], par);
    EXPECT_EQ(cfg[28], "20 (iMaxExp)");
    EXPECT_EQ(cfg[29], "7 (#links)");
    EXPECT_EQ(cfg[30], "1 1 1 1 1 0 0");
    EXPECT_EQ(cfg[49], "20 20 20 20 20 0 0");

    // The program is started on the configuration file; the peaks are let go.
    const auto& started = plat::test::processes();
    ASSERT_EQ(started.size(), 1u);
    ASSERT_EQ(started[0].argv.size(), 2u);
    EXPECT_EQ(started[0].argv[1], config);
    EXPECT_EQ(ExportPeaks::peakCount, 0);
    EXPECT_TRUE(ExportPeaks::convertPeaks);
}

TEST(MirovanExport, WithoutConversionNoSpeciesAndTheModelsOwnSwitches) {
    struct Case {
        const char* name;
        int answer;     // to the peak question
        bool flatCurve; // no local maximum: the answer Yes is dropped
    };
    for (const Case& c : {Case{"answered No", IDNO, false}, Case{"no peak", IDYES, true}}) {
        CsExport e;
        if (c.flatCurve)
            std::fill(e.c.begin(), e.c.end(), 1.0f);
        e.Export(e.f.data.file("run.xp"), c.answer);
        const auto p = SplitLines(ReadTextFile(e.f.data.file("run_from_tarnix_c(s).mirovan_PAR")));
        ASSERT_EQ(p.size(), 82u) << c.name;
        EXPECT_EQ(p[2], "120 (resolution c(s) #1)") << c.name;
        EXPECT_EQ(p[7], "1 (MCDfitff01)") << c.name;
        for (int k = 1; k <= 10; ++k) {
            EXPECT_EQ(p[26 + k], "0 (exist #" + std::to_string(k) + ")") << c.name;
            EXPECT_EQ(p[46 + k], "0 (MCDfitM #" + std::to_string(k) + ")") << c.name;
        }
        EXPECT_FALSE(ExportPeaks::convertPeaks) << c.name;
    }
}

TEST(MirovanExport, DiscreteComponentFollowsThePeaksOrStandsAlone) {
    struct Case {
        const char* name;
        int answer;
        int slot; // the component's species number
        const char* fitM;
        const char* fitS;
    };
    for (const Case& c : {Case{"after three peaks", IDYES, 4, "1", "1"},
                          Case{"without conversion", IDNO, 1, "0", "1"}}) {
        CsExport e;
        M::contiCs = false;
        M::csDiscreteMs = true;
        ModelParameters::speciesS[1] = 11.5f;
        ModelParameters::speciesDOrM[1] = 250000.0f;
        ModelParameters::speciesDOrMFloat[1] = 0;
        ModelParameters::speciesSFloat[1] = 1;
        e.Export(e.f.data.file("run.xp"), c.answer);
        const auto p = SplitLines(ReadTextFile(e.f.data.file("run_from_tarnix_c(s).mirovan_PAR")));
        ASSERT_EQ(p.size(), 82u) << c.name;
        const std::string k = std::to_string(c.slot);
        EXPECT_EQ(p[16 + c.slot], "250000.000000 (MCDglobM #" + k + ")") << c.name;
        EXPECT_EQ(p[26 + c.slot], "1 (exist #" + k + ")") << c.name;
        EXPECT_EQ(p[36 + c.slot], "11.500000 (MCDglobS #" + k + ")") << c.name;
        EXPECT_EQ(p[46 + c.slot], std::string(c.fitM) + " (MCDfitM #" + k + ")") << c.name;
        EXPECT_EQ(p[56 + c.slot], std::string(c.fitS) + " (MCDfitS #" + k + ")") << c.name;
        EXPECT_EQ(p[26 + c.slot + 1].rfind("0", 0), 0u) << c.name; // the next one is absent
        ModelParameters::speciesSFloat[1] = 0;
        ModelParameters::speciesS[1] = 4.0f;
        ModelParameters::speciesDOrM[1] = 50000.0f;
    }
}

TEST(MirovanExport, ManyPeaksLeaveTheDiscreteComponentItsSpecies) {
    // Twelve peaks: nine are handed over and the discrete component is species 10 rather than
    // dropped.
    CsExport e;
    M::contiCs = false;
    M::csDiscreteMs = true;
    ModelParameters::speciesS[1] = 11.5f;
    ModelParameters::speciesDOrM[1] = 250000.0f;
    for (std::size_t i = 1; i < e.c.size(); ++i) {
        e.c[i] = 0.0f;
        for (int k = 0; k < 12; ++k) {
            const float centre = 0.9f + 0.9f * static_cast<float>(k);
            e.c[i] += std::exp(-(e.s[i] - centre) * (e.s[i] - centre) / 0.02f);
        }
    }
    e.Export(e.f.data.file("run.xp"), IDYES);
    const auto p = SplitLines(ReadTextFile(e.f.data.file("run_from_tarnix_c(s).mirovan_PAR")));
    ASSERT_EQ(p.size(), 82u);
    for (int k = 1; k <= 10; ++k)
        EXPECT_EQ(p[26 + k], "1 (exist #" + std::to_string(k) + ")") << k;
    EXPECT_EQ(p[16 + 10], "250000.000000 (MCDglobM #10)");
    EXPECT_EQ(p[36 + 10], "11.500000 (MCDglobS #10)");
    ModelParameters::speciesS[1] = 4.0f;
    ModelParameters::speciesDOrM[1] = 50000.0f;
}

TEST(MirovanExport, DiscreteModelHandsOverTheExperimentFileOnly) {
    CsExport e;
    M::ResetToDefaults(); // the start-up discrete species model
    const std::string xp = e.f.data.file("plain.xp");
    e.Export(e.f.data.file("plain"), 0); // the extension is put on
    EXPECT_NE(ReadTextFile(xp).find("(ExperimentType: SEDVELOCITY)"), std::string::npos);
    EXPECT_TRUE(ReadTextFile(e.f.data.file("plain_from_tarnix_c(s).mirovan")).empty());
    ASSERT_EQ(plat::test::processes().size(), 1u);
    EXPECT_EQ(plat::test::processes()[0].argv.back(), xp);
}

// A save name with quotes and blanks reached the program split into further arguments (a name
// `a" -c "!touch x.xp` gave it "-c" and "!touch x.xp"): each name is now one argument.
TEST(MirovanExport, TheSaveNameReachesTheProgramAsOneArgument) {
    for (const char* name : {"a\" -c \"!touch x.xp", "two words.xp", "q\"uote.xp"}) {
        CsExport e;
        M::ResetToDefaults();
        const std::string xp = e.f.data.file(name);
        e.Export(xp, 0);
        ASSERT_EQ(plat::test::processes().size(), 1u) << name;
        EXPECT_EQ(plat::test::processes()[0].argv, (std::vector<std::string>{e.program, xp}))
            << name;
    }
}

TEST(MirovanExport, MissingProgramSaysSoAndKeepsTheFiles) {
    CsExport e;
    std::remove(e.program.c_str());
    const std::string oldPath = std::getenv("PATH") ? std::getenv("PATH") : "";
    setenv("PATH", e.f.data.path().c_str(), 1);
    e.f.script.expectFileSave().answer({e.f.data.file("run.xp")});
    e.f.script.expectBox().text("launch MIROVAN with data?").answer(IDYES);
    e.f.script.expectBox().text("convert all c(s) peaks to discrete species?").answer(IDNO);
    e.f.script.expectBox().caption("ERROR").textHas("could not find");
    plat::test::command(e.f.window.get(), 577);
    e.f.script.pumpUntilIdle();
    setenv("PATH", oldPath.c_str(), 1);
    EXPECT_TRUE(e.f.script.done()) << e.f.script.logText();
    EXPECT_TRUE(plat::test::processes().empty());
    EXPECT_FALSE(ReadTextFile(e.f.data.file("run_from_tarnix_c(s).mirovan")).empty());
}

TEST(MirovanExport, UnwritableFolderSaysSoAndWritesNothingHalf) {
    CsExport e;
    const std::string config = e.f.data.file("gone/run_from_tarnix_c(s).mirovan");
    e.f.script.expectBox().caption("ERROR").text("could not open file " + config +
                                                 "_PAR for writing");
    EXPECT_FALSE(WriteMirovanParFile(e.f.window.get(), config.c_str(), "x.xp"));
    EXPECT_TRUE(e.f.script.done()) << e.f.script.logText();
    EXPECT_TRUE(ReadTextFile(config + "_PAR").empty());
    EXPECT_TRUE(ReadTextFile(config).empty());
}

// A scan named with a blank or a quote went into the scan line, which the reader splits at each
// blank and ends at a quote: the file loaded no scan back. Such a name is refused by name and the
// file before is kept; the names as generated are exported and load back.
TEST(MirovanExport, AScanNameTheReaderWouldSplitIsRefusedByName) {
    const std::pair<const char*, const char*> cases[] = {
        {"a b.RA1", "where a blank separates names"},
        {"q\"uote.RA1", "where a quote ends the names"},
        {nullptr, nullptr}}; // the names as generated
    for (const auto& [name, reason] : cases) {
        MainWindowFixture f;
        f.LoadScans(3, 20);
        SerialFitState::serializing = true; // no questions
        const std::string xp = f.data.file("run.xp");
        WriteTextFile(xp, "before\n");
        f.script.expectFileSave().answer({xp});
        if (name) {
            std::snprintf(ScanStore::scanFileName[2], 260, "%s", name);
            f.script.expectBox().caption("ERROR").text(
                xp + " is not written: \"" + name +
                "\" would not read back from an experiment file, " + reason);
            Send(f, 577);
            EXPECT_EQ(ReadTextFile(xp), "before\n") << name;
        } else {
            f.script.expectBox().text("launch MIROVAN with data?").answer(IDNO);
            Send(f, 577);
            f.script.expectFileOpen().answer({xp});
            Send(f, 200);
            EXPECT_EQ(ScanStore::scanCount, 3);
        }
        SerialFitState::serializing = false;
        EXPECT_TRUE(f.script.done()) << (name ? name : "") << f.script.logText();
    }
}

// Scans added from another folder went into the file under the folder of the load: B/00001.RA1
// was read back as a second copy of A/00001.RA1, without a word. The export is refused by name
// and the file the program wrote before is kept, also after a reload, which reads each scan from
// its own folder; added from the load's folder, they read back.
TEST(MirovanExport, AScanAddedFromAnotherFolderIsRefusedByName) {
    for (const bool elsewhere : {true, false}) {
        MainWindowFixture f;
        ScanSetOptions options;
        options.count = 3;
        const std::string a = f.data.file("A"), b = f.data.file("B"), xp = a + "/run.xp";
        for (const std::string& folder : {a, b})
            std::filesystem::create_directories(folder), WriteScanSet(folder, options);
        std::filesystem::rename(b + "/00003.RA1", b + "/00001.RA1"); // the third time, A's name
        f.script.expectFileOpen().answer({a + "/00001.RA1", a + "/00002.RA1"});
        f.script.expectInput().answer("1");
        Send(f, 200);
        SerialFitState::serializing = true; // no questions
        f.script.expectFileSave().answer({xp});
        f.script.expectBox().text("launch MIROVAN with data?").answer(IDNO);
        Send(f, 577);
        const std::string written = ReadTextFile(xp); // the control
        const std::string scan = elsewhere ? b + "/00001.RA1" : a + "/00003.RA1";
        f.script.expectFileOpen().answer({scan});
        Send(f, 226);
        const auto time = [](int k) { return ScanStore::header[ScanStore::scanOrder[k]].time; };
        // A reload (here for a new radial resolution) reads each scan from its own folder,
        // and the export after it still knows where each came from.
        f.script.expectInput().caption("SET RADIAL RESOLUTION").answer("0.002");
        f.script.expectBox().text("save as startup default?").answer(IDNO);
        f.script.expectBox().textHas("reload now?").answer(IDYES);
        Send(f, 590);
        for (int k = 2; k <= 3; ++k)
            EXPECT_LT(time(k - 1), time(k)) << elsewhere;
        f.script.expectFileSave().answer({xp});
        if (elsewhere)
            f.script.expectBox().caption("ERROR").text(xp + " is not written: \"" + scan +
                                                       "\" would not read back from an experiment "
                                                       "file, where all scans share the folder " +
                                                       a);
        else
            f.script.expectBox().text("launch MIROVAN with data?").answer(IDNO);
        Send(f, 577);
        EXPECT_EQ(ReadTextFile(xp) == written, elsewhere);
        f.script.expectFileOpen().answer({xp});
        Send(f, 200); // the file loads back with no scan twice
        EXPECT_EQ(ScanStore::scanCount, elsewhere ? 2 : 3);
        for (int k = 2; k <= ScanStore::scanCount; ++k)
            EXPECT_LT(time(k - 1), time(k));
        SerialFitState::serializing = false;
        EXPECT_TRUE(f.script.done()) << elsewhere << f.script.logText();
    }
}

} // namespace
