// Every model of the model menu runs: on a small data set of its kind the model is chosen through
// the menu, its prompts answered with the model's own values, and the model it asked for is the
// one chosen; then Run and Fit (the meniscus floated where the model has one) end with a finite
// model and a finite rmsd, the Fit no worse than the model it started from and the model still
// the one asked for; or the model refuses the data with its own text and nothing is computed.
#include "distributions/dls_time_course.h"
#include "fitting/model_identity.h"
#include "plat/messages.hpp"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/equilibrium_kernel.h"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/startup_paths.h"
#include "support/dls_file_generator.h"
#include "support/equilibrium_scan_set.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"
#include "support/scan_set_generator.h"
#include "support/two_peak_scans.h"
#include "support/velocity_store.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <ostream>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

using S = ScanStore;

enum class Data { Velocity, FineVelocity, Light, Electrophoresis, Equilibrium, Boundaries };

struct ModelCase {
    int command;
    const char* name;
    Data data = Data::Velocity;
    const char* refusal = nullptr;    // the text of the box that refuses this data, if any
    bool distribution = false;        // a continuous distribution is part of the result
    const char* knownFault = nullptr; // a fault seen on this data and reported, not yet mended
    float rangeMin = 0.0f, rangeMax = 0.0f; // the distribution's range as typed (0: as chosen)
    const char* programTable = nullptr; // "mofs.dat" of the program folder, if the model reads it
    const char* runOnly = nullptr;      // why the Fit is left out here (its Run is still checked)
    float meniscusWithin = 0.0f; // the fitted meniscus this close to the data's (cm; 0: unchecked)
    // The model's own values typed into its prompts, in their order: prompt, answer.
    std::vector<std::pair<const char*, const char*>> typed = {};
    int computed = 0;      // the model command whose model is computed (0: the command itself)
    int before = 0;        // a model chosen and run first, whose result this one starts from
    int runCommand = 213;  // the command that runs the model
    bool boundary = false; // a boundary analysis: its result is the extrapolation table
};

constexpr const char* kPreAveraging = "radial pre-averaging of data points is recommended";

// M(s) rows of a compact globular protein: s (S), M (Da).
constexpr const char* kMofSRows = "1 12000\n4 90000\n8 250000\n15 650000\n25 1400000\n";

const ModelCase kModels[] = {
    {198, "Discrete"},
    {227, "NonidealSingle"},
    {893, "NonidealMultiple"},
    {235, "CM", Data::Velocity, nullptr, true},
    {277, "CMInvariantD", Data::Velocity, nullptr, true},
    {.command = 278,
     .name = "CMPowerLaw",
     .distribution = true,
     .typed = {{"Using power-law s(M) = a*M^b. Enter a:", "0.0159"},
               {"Using power-law s(M) = a*M^b. Enter b:", "0.47"}}},
    {.command = 279,
     .name = "CMPriorVbar",
     .distribution = true,
     .typed = {{"Enter zero offset v0 (M=0):", "0.7"},
               {"Enter increment a:", "0.03"},
               {"Enter M-scale s:", "5"}}},
    {887, "FMvsM", Data::Velocity, nullptr, true},
    {275, "Cs", Data::Velocity, nullptr, true},
    {514, "CsConformationalChange", Data::Velocity, nullptr, true},
    {526, "CsInvariantD", Data::Velocity, nullptr, true},
    {531, "CsWithDiscrete", Data::Velocity, nullptr, true},
    {548, "CsBimodal", Data::Velocity, nullptr, true},
    {870, "CsBimodalDiscrete", Data::Velocity, nullptr, true},
    {602, "CsFloatingVbar", Data::Velocity, nullptr, true},
    {603, "CsWormlikeChain", Data::Velocity, nullptr, true},
    {872, "CsScalingLaw", Data::Velocity, nullptr, true},
    {587, "CsWithMsTable", Data::Velocity, nullptr, true, nullptr, 0.0f, 0.0f, kMofSRows},
    {595, "CsFf0", Data::Velocity, kPreAveraging},
    {595, "CsFf0PreAveraged", Data::FineVelocity, nullptr, true},
    {598, "CsFf0Discrete", Data::Velocity, kPreAveraging},
    {598, "CsFf0DiscretePreAveraged", Data::FineVelocity, nullptr, false, nullptr, 0.0f, 0.0f,
     nullptr,
     "the Fit (about 190 evaluations of the entropy on 1000 grid points) takes 5 to 7 minutes; "
     "set TARNIX_LONG_ROWS=1 to run it",
     0.001f},
    {288, "LsGStarS", Data::Velocity, nullptr, true},
    {539, "LsGStarSDiscrete", Data::Velocity, nullptr, true},
    {246, "ZoneIndependentSpecies"},
    {511, "ZoneCs", Data::Velocity, nullptr, true},
    {510, "ZoneLsGs", Data::Velocity, nullptr, true},
    {536, "DlsStokesRadiiOnVelocityData", Data::Velocity, "need DLS data for this analysis"},
    {.command = 536,
     .name = "DlsStokesRadii",
     .data = Data::Light,
     .typed = {{"absolute viscosity of solvent (Poise)", "0.01002"}}},
    {890, "DlsCumulants", Data::Light},
    {503, "DlsIRh", Data::Light, nullptr, true},
    {502, "DlsID", Data::Light, nullptr, true, nullptr, -8.0f, -5.0f},           // log10 D
    {522, "DlsIRhTimeCourse", Data::Light, nullptr, true, nullptr, 1.0f, 50.0f}, // nm
    {280, "LinearLamm"},
    {.command = 281,
     .name = "ExternalLoadingCell",
     .typed = {{"enter volume of oil used in run [ml]", "0.01"}}},
    {282, "GeometryVariant282"},
    {197, "SelfAssocMonomerDimer"},
    {229, "SelfAssocMonomerTrimer"},
    {520, "SelfAssocTetramerOctamer"},
    {228, "SelfAssocDimerTetramer"},
    {267, "ReactingSystem"},
    {.command = 585, .name = "CsWithBaselineEstimates", .distribution = true, .before = 275},
    {521, "CsLinearRod", Data::Velocity, nullptr, true},
    {.command = 292,
     .name = "VanHoldeWeischet",
     .data = Data::Boundaries,
     .typed = {{"enter resolution", "20"}},
     .boundary = true},
    {.command = 293,
     .name = "ExtrapolateAreaFractions",
     .data = Data::Boundaries,
     .boundary = true},
    {284, "Equilibrium", Data::Equilibrium},
    {523, "EquilibriumAssociation", Data::Equilibrium},
    {.command = 530,
     .name = "SimulateFaxen",
     .runOnly = "the Faxen approximation is a Run of its own; Fit fits the model chosen",
     .computed = 198,
     .runCommand = 530},
    {291, "ElectrophoresisLamm"},
    {501, "ElectrophoresisLsGStarOnVelocityData", Data::Velocity,
     "need electrophoresis data for this model"},
    {501, "ElectrophoresisLsGStar", Data::Electrophoresis, nullptr, true},
    {513, "ElectrophoresisCv", Data::Velocity, "need electrophoresis data for this model"},
    {513, "ElectrophoresisCvOnElectrophoresisData", Data::Electrophoresis, nullptr, true},
    // options of the model chosen, the discrete species here
    {.command = 256, .name = "SedimentationTimeOffset", .computed = 198},
    {.command = 255, .name = "FitT0", .computed = 198},
    {.command = 266, .name = "TimeDependentSM", .computed = 198},
};

// g(2)-1 of one decay with D (cm^2/s) at 90 degrees, 1e-7 .. 1e-1 s, with seeded noise.
std::string DecayText(double D, double timeS, unsigned seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1e-3);
    DlsFileContent c;
    c.time = timeS;
    for (int i = 0; i <= 120; ++i) {
        const double lag = std::pow(10.0, -7.0 + i / 20.0);
        c.lags.push_back(lag);
        c.values.push_back(std::exp(-2e-4 * D * 3.50363e14 * lag) + noise(random));
    }
    return DlsFileText(c);
}

// Six electrophoresis scans, 1.0 to 1.4 cm, every 300 s: a step of 0.5 OD drifting at 2e-4 cm/s
// with D 2e-7 cm^2/s, as transmitted intensities with seeded noise.
std::vector<std::string> ElectrophoresisFiles(MainWindowFixture& f) {
    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, 0.003);
    std::vector<std::string> paths;
    for (int k = 1; k <= 6; ++k) {
        const double t = 300.0 * k;
        std::string text =
            "[T OK]drift " + std::to_string(k) + "\nR 0 " + std::to_string(int(t)) + " 280 2 0\n";
        for (int i = 0; i < 151; ++i) {
            const double r = 1.0 + 0.4 * i / 150.0;
            const double a = 0.25 * std::erfc((1.0 + 2e-4 * t - r) / (2.0 * std::sqrt(2e-7 * t))) +
                             noise(random);
            char row[80];
            std::snprintf(row, sizeof row, "   %.5f  %.6e   1.00000e+00\n", r,
                          1000.0 * std::pow(10.0, -a));
            text += row;
        }
        paths.push_back(f.data.write("0000" + std::to_string(k) + ".RA1", text));
    }
    return paths;
}

// Three scans of one species of 20 kDa buoyant at equilibrium, one per speed, with seeded noise,
// loaded as equilibrium data.
void LoadEquilibriumScans(MainWindowFixture& f) {
    const EquilibriumSet set;
    const auto profile = [&set](double rpm, const std::vector<double>& r) {
        const double sigma = EquilibriumSigma(set.mb, rpm, 20.0);
        std::vector<double> c;
        for (double radius : r)
            c.push_back(
                EquilibriumConcentration(sigma, set.loading, radius, set.meniscus, set.bottom));
        return c;
    };
    f.script.expectFileOpen().answer(
        WriteScanFiles(f, EquilibriumScans(profile, set.noise, set.seed)));
    SendCommand(f, 515); // load sedimentation equilibrium data
    ModelParameters::meniscus = float(set.meniscus);
    ModelParameters::bottom = float(set.bottom);
}

void LoadData(MainWindowFixture& f, Data data) {
    if (data == Data::Equilibrium) {
        LoadEquilibriumScans(f);
        return;
    }
    if (data == Data::Light) {
        gAlwaysLoadG2 = true;
        f.script.expectFileOpen().answer(
            std::vector<std::string>{f.data.write("a.dlsdat", DecayText(5e-7, 0.0, 1)),
                                     f.data.write("b.dlsdat", DecayText(5e-7, 100.0, 2))});
        SendCommand(f, 298); // load DLS Data
        return;
    }
    if (data == Data::Electrophoresis) {
        f.script.expectFileOpen().answer(ElectrophoresisFiles(f));
        SendCommand(f, 290); // load electrophoresis data
        ModelParameters::meniscus = 1.0f;
        ModelParameters::bottom = 1.4f;
        S::leftFitLimit = 1.01f;
        S::rightFitLimit = 1.39f;
        ApplyLeftFitLimit();
        ApplyRightFitLimit();
        return;
    }
    if (data == Data::Boundaries) {
        // two species whose boundaries leave the meniscus
        LoadScanFiles(f, TwoSpeciesScans());
        ModelParameters::meniscus = 6.0f;
        ModelParameters::bottom = 7.2f;
        S::leftFitLimit = 6.05f;
        S::rightFitLimit = 7.1f;
        return;
    }
    VelocitySet set;
    set.scans = FullOrUnderRaceChecker(8, 4);
    set.points = FullOrUnderRaceChecker(151, 101);
    StartVelocityRoad(f, set);
    if (data == Data::FineVelocity)
        S::radialResolution = 0.003f;
}

bool Shown(const MainWindowFixture& f, std::size_t from, const std::string& text) {
    const auto& log = f.script.log();
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].text == text || log[i].text.rfind(text, 0) == 0)
            return true;
    return false;
}

bool CaptionShown(const MainWindowFixture& f, std::size_t from, const std::string& caption) {
    const auto& log = f.script.log();
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].caption == caption)
            return true;
    return false;
}

bool NotAvailable(const MainWindowFixture& f, std::size_t from) {
    return CaptionShown(f, from, "NOT AVAILABLE");
}

// A solution that failed says so with one of these boxes and computes no model.
bool SimulationFailed(const MainWindowFixture& f, std::size_t from) {
    return CaptionShown(f, from, "DISCRETIZATION ERROR") ||
           CaptionShown(f, from, "ERROR in simulation");
}

// Every fitted point of every scan is a finite number, and not all of them are zero.
bool FitIsFiniteAndNotEmpty() {
    bool any = false;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = S::firstFitIndex[k];
             i >= 1 && i <= S::lastFitIndex[k] && i <= S::pointCount[k]; ++i) {
            if (!std::isfinite(S::fit[k][i]))
                return false;
            any = any || S::fit[k][i] != 0.0f;
        }
    return any;
}

// The distribution shown, and the time course's slices where the model made one.
bool DistributionIsFinite() {
    for (const std::vector<double>& slice : LastDlsTimeCourse().values)
        for (double v : slice)
            if (!std::isfinite(v))
                return false;
    if (ContiState::gridPoints < 1 || ContiState::distribution == nullptr)
        return false;
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        if (!std::isfinite(ContiState::distribution[p]))
            return false;
    return true;
}

void PrintTo(const ModelCase& c, std::ostream* os) {
    *os << "command " << c.command;
}

class EveryModel : public testing::TestWithParam<ModelCase> {};

TEST_P(EveryModel, RunsAndFitsOnDataOfItsKindOrRefusesWithItsText) {
    const ModelCase c = GetParam();
    MainWindowFixture f;
    ClearDlsTimeCourse();
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    LoadData(f, c.data);
    ASSERT_GT(S::scanCount, 0) << f.script.logText();
    gTablePaths.mofs[0] = '\0';
    if (c.programTable) {
        const std::string table = f.folder.file("mofs.dat");
        ASSERT_TRUE(WriteTextFile(table, c.programTable));
        std::snprintf(gTablePaths.mofs, sizeof gTablePaths.mofs, "%s", table.c_str());
    }

    if (c.before) {
        SendCommand(f, c.before);
        ContiState::resolution = 25.0f;
        SendCommand(f, 213);
        ASSERT_TRUE(S::resultAvailable) << f.script.logText();
    }
    const int chosenBefore = CurrentModelCommandId();
    for (const auto& [prompt, answer] : c.typed)
        f.script.expectInput().prompt(prompt).answer(answer);
    if (c.runCommand == 213)
        SendCommand(f, c.command);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    if (c.refusal) {
        // some models take any data when chosen and refuse it at Run
        if (!Shown(f, 0, c.refusal))
            SendCommand(f, 213);
        EXPECT_TRUE(Shown(f, 0, c.refusal)) << f.script.logText();
        // a model refused when chosen leaves the one chosen before, and nothing is computed
        if (CurrentModelCommandId() != c.command) {
            EXPECT_EQ(CurrentModelCommandId(), chosenBefore);
            EXPECT_FALSE(S::resultAvailable) << f.script.logText();
        }
        return;
    }
    const int computed = c.computed ? c.computed : c.command;
    ASSERT_EQ(CurrentModelCommandId(), computed) << f.script.logText();
    // A small, quick fit: the meniscus floated within the data's reach, a coarse distribution.
    FitControl::meniscusMax = 6.04f;
    if (c.data == Data::Electrophoresis) {
        FitControl::meniscusMin = 0.98f;
        FitControl::meniscusMax = 1.02f;
    }
    if (c.data == Data::Equilibrium) {
        FitControl::meniscusMin = 6.88f;
        FitControl::meniscusMax = 6.92f;
    }
    ModelParameters::meniscusFloat = 1;
    PackFitParameters();
    if (c.distribution && c.data != Data::Light)
        ContiState::resolution = 25.0f;
    if (c.rangeMin != c.rangeMax) {
        ContiState::rangeMin = c.rangeMin;
        ContiState::rangeMax = c.rangeMax;
    }
    if (c.knownFault)
        GTEST_SKIP() << c.knownFault;

    const std::size_t runFrom = f.script.log().size();
    S::resultAvailable = false; // a model computed before is not this Run's
    SendCommand(f, c.runCommand);
    ASSERT_FALSE(NotAvailable(f, runFrom)) << f.script.logText();
    EXPECT_FALSE(SimulationFailed(f, runFrom)) << f.script.logText();
    EXPECT_EQ(CurrentModelCommandId(), computed);
    if (c.boundary) {
        // the extrapolation table of every boundary fraction, again after Fit (which runs it)
        EXPECT_FALSE(BoundaryAnalysis::abscissa.empty()) << f.script.logText();
        EXPECT_FALSE(BoundaryAnalysis::apparentS.empty());
        BoundaryAnalysis::abscissa.clear();
        SendCommand(f, 215);
        EXPECT_FALSE(BoundaryAnalysis::abscissa.empty()) << f.script.logText();
        EXPECT_EQ(CurrentModelCommandId(), computed);
        return;
    }
    if (c.distribution) {
        ASSERT_TRUE(DistributionIsFinite()) << f.script.logText();
    }
    double runRmsd = 0.0;
    if (c.data != Data::Light) {
        ASSERT_TRUE(S::resultAvailable) << f.script.logText();
        EXPECT_TRUE(FitIsFiniteAndNotEmpty()) << f.script.logText();
        runRmsd = CalcFitRmsd();
        EXPECT_TRUE(std::isfinite(runRmsd) && runRmsd > 0.0) << runRmsd;
    }

    if (c.runOnly && !std::getenv("TARNIX_LONG_ROWS"))
        GTEST_SKIP() << "Run checked; " << c.runOnly;
    const std::size_t fitFrom = f.script.log().size();
    FitControl::bestRmsd = -1.0f;
    SendCommand(f, 215);
    ASSERT_FALSE(NotAvailable(f, fitFrom)) << f.script.logText();
    EXPECT_FALSE(SimulationFailed(f, fitFrom)) << f.script.logText();
    if (c.distribution) {
        EXPECT_TRUE(DistributionIsFinite()) << f.script.logText();
    }
    EXPECT_EQ(CurrentModelCommandId(), computed);
    if (c.data == Data::Light)
        return;
    EXPECT_TRUE(FitIsFiniteAndNotEmpty()) << f.script.logText();
    const double fitRmsd = CalcFitRmsd(); // of the model the Fit left shown
    EXPECT_TRUE(std::isfinite(fitRmsd) && fitRmsd > 0.0) << fitRmsd << "\n" << f.script.logText();
    EXPECT_LE(fitRmsd, 1.05 * runRmsd) << f.script.logText();
    // what the Fit records (batch tables, error analysis) is the rmsd of the model it left
    EXPECT_NEAR(FitControl::bestRmsd, fitRmsd, 0.05 * fitRmsd) << f.script.logText();
    if (c.meniscusWithin > 0.0f) {
        EXPECT_NEAR(ModelParameters::meniscus, VelocitySet{}.meniscus, c.meniscusWithin);
    }
}

INSTANTIATE_TEST_SUITE_P(Menu, EveryModel, testing::ValuesIn(kModels),
                         [](const testing::TestParamInfo<ModelCase>& i) {
                             return std::string(i.param.name);
                         });

} // namespace
