// The inhomogeneous-solvent model (542) through the menu: switching it on moves the species to
// standard conditions and off brings them back, the dialog's checks and coefficient files, and a
// user's road (generate, load, Run, Fit) in a viscous, dense buffer.
#include "app/params_box.h"
#include "app/run_engines.h"
#include "app/solvent_params_box.h"
#include "distributions/integrate_distribution.h"
#include "fitting/parameter_report.h"
#include "fitting/solvent_conditions.h"
#include "plat/png.hpp"
#include "plotting/win_plot.h"
#include "scandata/fit_limits.h"
#include "scandata/initial_data.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"
#include "state/window_services.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using IS = InhomogeneousSolvent;
using M = ModelParameters;
using S = ScanStore;
constexpr double kEtaW = 0.001002, kRhoW = 0.99823;
constexpr const char* kToStandard = "changing s and D (and M) to standard conditions!";
constexpr const char* kToExperimental = "changing s and D (and M) back to experimental conditions!";

void OneSpecies(float s, float d) {
    ModelChoice::equilibriumMs = false;
    M::speciesOn[1] = 1;
    M::concentration[1] = 1.0f;
    M::speciesS[1] = s;
    M::speciesDOrM[1] = d;
    M::meniscus = 6.2f;
    M::bottom = 7.2f;
    PackFitParameters();
}

// The notes and the conversion box of switching the model on.
void ExpectSwitchOn(MainWindowFixture& f, bool cosolute) {
    f.script.expectBox().textHas("dyanmically trucate grid").answer(IDOK);
    f.script.expectBox()
        .caption("Attention")
        .textHas(cosolute ? "c(s) and c(M)" : "ls-g*(s)")
        .answer(IDOK);
    f.script.expectBox().text(kToStandard).answer(IDOK);
}

// Switches the model on over a sedimenting cosolute loaded at 2 M, its density and viscosity
// polynomials read from two coefficient files, ideally sedimenting or with the s and D of CsCl;
// returns the density file's path.
std::string SwitchOnASedimentingCosolute(MainWindowFixture& f, bool cesiumChloride = false,
                                         bool saveCosolute = false, bool plotCosolute = false) {
    const std::string density = f.data.file("density.dat");
    const std::string viscosity = f.data.file("viscosity.dat");
    WriteTextFile(density, "0.99823\n0\n12.5\n"); // rho_w + 0.125 c
    WriteTextFile(viscosity, "1.0\n0\n20\n");     // eta_w (1 + 0.2 c)
    f.script.expectDialog(kSolventParamsDialogId)
        .check(kSpModelOn)
        .check(kSpCosolute)
        .set(kSpLoading, "2")
        .check(kSpLoadDensityFile)
        .check(kSpLoadViscosityFile)
        .check(kSpIdeal, !cesiumChloride)
        .check(kSpCesiumChloride, cesiumChloride)
        .check(kSpSave, saveCosolute)
        .check(kSpPlot, plotCosolute)
        .ok();
    f.script.expectFileOpen()
        .title("Select DENSITY(c) Data File")
        .answer(std::vector<std::string>{density});
    f.script.expectFileOpen()
        .title("Select VISCOSITY(c) Data File")
        .answer(std::vector<std::string>{viscosity});
    ExpectSwitchOn(f, true);
    Send(f, 542);
    return density;
}

// A Fit of the one species started at s = 7.2 on data generated with s = 8 and noise 0.003
// brings s back within the noise.
void ExpectFitFromTenPercentOffFindsS8(MainWindowFixture& f) {
    OneSpecies(7.2f, 6.0f);
    M::speciesSFloat[1] = 1;
    PackFitParameters();
    Send(f, 215);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesS[1] / 8.0, 1.0, 0.005);
    EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);
}

// Switching on with a buffer twice as viscous as water and denser, then off again: the species
// hold standard values while the model is on, and come back; the store's buffer is the buffer at
// 1 atm afterwards.
TEST(SolventModel, OnAndOffConvertsTheSpeciesToStandardConditionsAndBack) {
    for (bool massForm : {false, true}) {
        MainWindowFixture f;
        OneSpecies(5.0f, 6.0f);
        if (massForm) {
            ModelChoice::equilibriumMs = true;
            M::speciesDOrM[1] = 60000.0f;
            PackFitParameters();
        }
        // The store's buffer is the one the dialog describes.
        S::vbar = 0.73f;
        S::density = 1.05f;
        S::vbarRho = S::vbar * S::density;
        f.script.expectDialog(kSolventParamsDialogId)
            .check(kSpModelOn)
            .set(kSpBufferDensity, "1.05")
            .set(kSpBufferViscosity, "0.02")
            .ok();
        ExpectSwitchOn(f, false);
        Send(f, 542);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        const double etaRel = 0.002 / kEtaW;
        const double sFactor = etaRel * (1 - 0.73 * kRhoW) / (1 - 0.73 * 1.05);
        EXPECT_TRUE(ModelChoice::inhomogeneousSolvent);
        EXPECT_TRUE(IS::convertedToStandard);
        EXPECT_NEAR(M::speciesS[1], 5.0 * sFactor, 1e-4);
        // In the M-and-s form M is the same molecule's mass at either condition.
        EXPECT_NEAR(M::speciesDOrM[1], massForm ? 60000.0 : 6.0 * etaRel, massForm ? 1.0 : 1e-4);
        EXPECT_FLOAT_EQ(S::density, float(kRhoW));
        EXPECT_FLOAT_EQ(S::viscosity, 1.0f);

        f.script.expectDialog(kSolventParamsDialogId).check(kSpModelOn, false).ok();
        f.script.expectBox().text(kToExperimental).answer(IDOK);
        Send(f, 542);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        EXPECT_FALSE(ModelChoice::inhomogeneousSolvent);
        EXPECT_FALSE(IS::convertedToStandard);
        EXPECT_NEAR(M::speciesS[1], 5.0, 1e-5);
        EXPECT_NEAR(M::speciesDOrM[1], massForm ? 60000.0 : 6.0, massForm ? 0.05 : 1e-5);
        EXPECT_FLOAT_EQ(S::density, 1.05f);
        EXPECT_NEAR(S::viscosity, etaRel, 1e-6);
    }
}

// With the model checked, every numeric field must hold a positive number: the dialog stays open
// without a message. A cosolute grid of one point (no spacing) or of millions is refused too.
TEST(SolventModel, DialogStaysOpenSilentlyOnEntriesThatAreNoPositiveNumber) {
    const std::vector<std::pair<int, const char*>> cases = {
        {kSpVbar, ""},
        {kSpCompressibility, "0"},
        {kSpBufferDensity, "-1"},
        {kSpBufferViscosity, "x"},
        {kSpSolvatedVbar, "0"},
        {kSpLoading, "-0.5"},
        {kSpApparentS, ""},
        {kSpApparentD, "0"},
        {kSpGridSize, "1"},
        {kSpGridSize, "1e7"},
    };
    for (const auto& [id, text] : cases) {
        MainWindowFixture f;
        f.script.expectDialog(kSolventParamsDialogId).check(kSpModelOn).set(id, text).ok();
        f.script.expectDialog(kSolventParamsDialogId).cancel();
        Send(f, 542);
        EXPECT_TRUE(f.script.done()) << id << " " << text << f.script.logText();
        ASSERT_EQ(f.script.log().size(), 2u) << id << " " << text << f.script.logText();
        EXPECT_EQ(f.script.log()[0].answer, "stayed open") << id;
        EXPECT_FALSE(ModelChoice::inhomogeneousSolvent) << id;
    }
    // With the model unchecked anything goes; the grid size is taken as its integer part.
    MainWindowFixture f;
    f.script.expectDialog(kSolventParamsDialogId).set(kSpApparentS, "").ok();
    Send(f, 542);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    f.script.expectDialog(kSolventParamsDialogId).set(kSpGridSize, "50.7").ok();
    Send(f, 542);
    EXPECT_EQ(IS::gridSize, 50);
}

// With the model unchecked any entry is accepted, but an entry that is no number keeps the value
// it stood for: an emptied vbar box once set the store's vbar to 0 for every model, an emptied
// buffer box the buffer to nothing. Numbers are taken as before, and the boxes as left.
TEST(SolventModel, UncheckedDialogKeepsTheValuesOfEntriesThatAreNoNumber) {
    const std::vector<std::tuple<int, const char*, std::function<double()>>> cases = {
        {kSpVbar, "", [] { return double(S::vbar); }},
        {kSpCompressibility, "x", [] { return IS::compressibility; }},
        {kSpBufferDensity, "", [] { return double(IS::bufferDensity); }},
        {kSpBufferViscosity, "-", [] { return double(IS::bufferViscosity); }},
        {kSpSolvatedVbar, "", [] { return double(IS::solvatedVbar); }},
        {kSpLoading, "1,5", [] { return IS::loadingConcentration; }},
        {kSpApparentS, "", [] { return IS::apparentS; }},
        {kSpApparentD, "", [] { return IS::apparentD; }},
    };
    for (const auto& [id, text, value] : cases) {
        MainWindowFixture f;
        S::vbar = 0.72f;
        IS::solvatedVbar = 0.7f;
        const double before = value();
        ASSERT_GT(before, 0.0) << id;
        f.script.expectDialog(kSolventParamsDialogId).set(id, text).ok();
        Send(f, 542);
        EXPECT_TRUE(f.script.done()) << id << f.script.logText();
        EXPECT_DOUBLE_EQ(value(), before) << id << " '" << text << "'";
    }
    MainWindowFixture f;
    f.script.expectDialog(kSolventParamsDialogId).set(kSpVbar, "0.71").set(kSpLoading, "2.5").ok();
    Send(f, 542);
    EXPECT_FLOAT_EQ(S::vbar, 0.71f);
    EXPECT_DOUBLE_EQ(IS::loadingConcentration, 2.5);

    // "add H2O compressibility" left checked outside the cosolute case is shown so again,
    // though only the cosolute case adds it.
    f.script.expectDialog(kSolventParamsDialogId).check(kSpWaterCompressibility).ok();
    Send(f, 542);
    EXPECT_FALSE(IS::addWaterCompressibility);
    SolventParamsRecord shown{};
    FillSolventTransfer(shown);
    const std::uint32_t waterCompressibilityShown = shown.waterCompressibility; // packed record
    EXPECT_NE(waterCompressibilityShown, 0u);
}

// A sedimenting cosolute with density and viscosity polynomials from files: the buffer at the
// loading molarity follows them; a file choice that is cancelled says so and keeps the old path.
TEST(SolventModel, CosoluteBufferFollowsTheCoefficientFiles) {
    MainWindowFixture f;
    OneSpecies(5.0f, 6.0f);
    const std::string density = SwitchOnASedimentingCosolute(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(IS::sedimentingCosolute && IS::dynamicGradient && !IS::compressibleSolvent);
    EXPECT_NEAR(IS::bufferDensity, kRhoW + 0.25, 1e-6);
    EXPECT_NEAR(IS::relativeViscosity, 1.4, 1e-6);
    EXPECT_NEAR(CosoluteDensity(0.0), kRhoW, 1e-7); // read in single precision
    EXPECT_EQ(IS::densityFile, density);

    f.script.expectDialog(kSolventParamsDialogId).check(kSpLoadDensityFile).ok();
    f.script.expectFileOpen().title("Select DENSITY(c) Data File").answer(IDCANCEL);
    f.script.expectBox().textHas("Could Not Open New DENSITY(c) Data File").answer(IDOK);
    Send(f, 542);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(IS::densityFile, density);
    EXPECT_NEAR(IS::bufferDensity, kRhoW + 0.25, 1e-6);
}

// Before any file is chosen the coefficient files are those of the program folder, named at
// start-up: the cosolute case reads "density.dat" and "viscosity.dat" from there (once it read
// none and took the solvent for water), and the dialog shows all four paths.
TEST(SolventModel, CoefficientFilesOfTheProgramFolderServeUntilOthersAreChosen) {
    MainWindowFixture f;
    OneSpecies(5.0f, 6.0f);
    const TablePaths kept = gTablePaths;
    const std::string density = f.data.file("density.dat");
    const std::string viscosity = f.data.file("viscosity.dat");
    WriteTextFile(density, "0.99823\n0\n12.5\n"); // rho_w + 0.125 c
    WriteTextFile(viscosity, "1.0\n0\n20\n");     // eta_w (1 + 0.2 c)
    std::snprintf(gTablePaths.density, kPathBufferSize, "%s", density.c_str());
    std::snprintf(gTablePaths.viscosity, kPathBufferSize, "%s", viscosity.c_str());
    std::snprintf(gTablePaths.dNonId, kPathBufferSize, "%s", f.data.file("dnonid.dat").c_str());
    f.script.expectDialog(kSolventParamsDialogId)
        .check(kSpModelOn)
        .check(kSpCosolute)
        .set(kSpLoading, "2")
        .ok();
    ExpectSwitchOn(f, true);
    Send(f, 542);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(IS::bufferDensity, kRhoW + 0.25, 1e-6);
    EXPECT_NEAR(IS::relativeViscosity, 1.4, 1e-6);
    EXPECT_EQ(std::string(f.window->solventTransfer.densityFile), density);
    EXPECT_EQ(std::string(f.window->solventTransfer.viscosityFile), viscosity);
    EXPECT_EQ(std::string(f.window->solventTransfer.dFile), f.data.file("dnonid.dat"));
    EXPECT_EQ(IS::SFileInUse(), std::string(gTablePaths.sNonId));
    gTablePaths = kept;
}

// Coefficient files in a folder whose path is longer than the 260 characters the paths once
// had: each chosen path is kept whole, its coefficients read, and the dialog shows it whole the
// next time.
TEST(SolventModel, CoefficientFilesInADeepFolderAreReadWhole) {
    MainWindowFixture f;
    OneSpecies(5.0f, 6.0f);
    const std::string deep =
        f.data.path() + "/" + std::string(150, 'd') + "/" + std::string(150, 'e');
    std::filesystem::create_directories(deep);
    const std::string density = deep + "/density.dat", viscosity = deep + "/viscosity.dat";
    ASSERT_GT(density.size(), 300u);
    WriteTextFile(density, "0.99823\n0\n12.5\n"); // rho_w + 0.125 c
    WriteTextFile(viscosity, "1.0\n0\n20\n");     // eta_w (1 + 0.2 c)
    f.script.expectDialog(kSolventParamsDialogId)
        .check(kSpModelOn)
        .check(kSpCosolute)
        .set(kSpLoading, "2")
        .check(kSpLoadDensityFile)
        .check(kSpLoadViscosityFile)
        .ok();
    f.script.expectFileOpen()
        .title("Select DENSITY(c) Data File")
        .answer(std::vector<std::string>{density});
    f.script.expectFileOpen()
        .title("Select VISCOSITY(c) Data File")
        .answer(std::vector<std::string>{viscosity});
    ExpectSwitchOn(f, true);
    Send(f, 542);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(IS::densityFile, density);
    EXPECT_EQ(IS::viscosityFile, viscosity);
    EXPECT_NEAR(IS::bufferDensity, kRhoW + 0.25, 1e-6);
    EXPECT_NEAR(IS::relativeViscosity, 1.4, 1e-6);

    f.script.expectDialog(kSolventParamsDialogId).cancel();
    Send(f, 542);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_EQ(std::string(f.window->solventTransfer.densityFile), density);
    EXPECT_EQ(std::string(f.window->solventTransfer.viscosityFile), viscosity);
}

// The experimental initial distribution over a sedimenting cosolute with the s and D of CsCl: data
// generated by the list road, then solved on each of the engine's own solvers from the initial
// data the generator leaves (the uniform loading at t = 0) or from the first scan, the cosolute
// building its gradient from its loading at t = 0 underneath. Every scan simulated lies within
// 3e-3 of the loading from the list road's. The model was refused in the solvent.
TEST(SolventModel, ExperimentalInitialDistributionFollowsTheCosoluteOnBothSolvers) {
    for (const auto& [movingHat, fromFirstScan] :
         {std::pair{true, false}, {false, false}, {true, true}, {false, true}}) {
        SCOPED_TRACE(movingHat ? "moving hat" : "fixed grid");
        SCOPED_TRACE(fromFirstScan ? "from the first scan" : "from the uniform loading");
        MainWindowFixture f(1000, 750);
        S::vbar = 0.73f;
        OneSpecies(8.0f, 6.0f);
        SwitchOnASedimentingCosolute(f, true);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_TRUE(IS::nonidealCosolute && IS::cesiumChloride);
        OneSpecies(8.0f, 6.0f); // standard conditions
        f.GenerateWithTheModelAsItIs(10, "0");
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_EQ(S::scanCount, 10);

        M::experimentalInitialDistribution = true;
        M::constantInitialDistribution = false;
        S::resultAvailable = false;
        if (fromFirstScan)
            FreeInitialDataArrays(); // the first scan becomes the start, 300 s into the run
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = movingHat;
        ModelChoice::claverieAlgorithm = !movingHat;
        Send(f, 213);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_TRUE(S::resultAvailable);
        ASSERT_EQ(LammGrid::firstScanIsInitial, fromFirstScan);
        double worst = 0.0;
        for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
            const int k = S::scanOrder[pos];
            for (int p = S::firstFitIndex[k]; p <= S::lastFitIndex[k]; ++p)
                worst = std::max(worst, double(std::fabs(S::fit[k][p] - S::signal[k][p])));
        }
        EXPECT_LT(worst, 3e-3);
    }
}

// The non-ideal models, species 1 of the discrete model and the non-ideal c(s) (585): no solver
// of theirs carries the solvent's gradients (the species hold standard-condition values), so Run
// and Fit say the model is not available rather than sediment every species as in water.
TEST(SolventModel, NonidealModelsAreNotAvailableInTheSolvent) {
    const std::vector<std::pair<const char*, bool*>> models = {
        {"species 1 non-ideal", &ModelChoice::firstSpeciesNonideal},
        {"non-ideal c(s)", &ModelChoice::csWithBaselineEstimates},
    };
    for (const auto& [model, on] : models) {
        for (const int command : {213, 215}) {
            SCOPED_TRACE(model);
            MainWindowFixture f;
            f.LoadScans(3, 100);
            OneSpecies(5.0f, 6.0f);
            *on = true;
            ModelChoice::contiMode = on == &ModelChoice::csWithBaselineEstimates;
            ModelChoice::inhomogeneousSolvent = true;
            const RunEngine engine = ChooseRunEngine();
            const std::string name = "(command " + std::to_string(command) + ")";
            f.script.expectBox().caption("NOT AVAILABLE").textHas(name).answer(IDOK);
            Send(f, command);
            EXPECT_TRUE(f.script.done()) << f.script.logText();
            ModelChoice::inhomogeneousSolvent = false;
            EXPECT_TRUE(RunEngineAvailable(engine)) << "in water the model runs";
            *on = ModelChoice::contiMode = false;
        }
    }
}

// The Faxen approximation (530) is a closed form for a uniform solvent: in the solvent it is not
// available rather than computed as in water; in water it runs.
TEST(SolventModel, FaxenApproximationIsNotAvailableInTheSolvent) {
    MainWindowFixture f;
    f.LoadScans(3, 100);
    OneSpecies(5.0f, 6.0f);
    ModelChoice::inhomogeneousSolvent = true;
    f.script.expectBox().caption("NOT AVAILABLE").textHas("(command 213)").answer(IDOK);
    Send(f, 530);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FALSE(LammGrid::faxenApproximation);
    ModelChoice::inhomogeneousSolvent = false;
    S::resultAvailable = false;
    Send(f, 530);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(S::resultAvailable) << "in water the Faxen boundary is computed";
}

// Radius where the last scan crosses half its plateau, between meniscus and bottom.
double MidpointRadius(int scan) {
    const float* r = S::radius[scan];
    const float* c = S::signal[scan];
    const int n = S::pointCount[scan];
    int mid = n / 2;
    const double half = 0.5 * c[mid + n / 4];
    for (int k = 2; k <= n; ++k)
        if (c[k - 1] < half && c[k] >= half)
            return r[k - 1] + (half - c[k - 1]) / (c[k] - c[k - 1]) * (r[k] - r[k - 1]);
    return 0.0;
}

// A user's road in a buffer twice as viscous as water: the species entered at standard
// conditions sediment at half their speed (the boundary of the generated data is where s/2 puts
// it), and a Fit started 10% off brings s back to within the noise.
TEST(SolventModel, RunAndFitInAViscousBufferRecoverTheStandardS) {
    MainWindowFixture f(1000, 750);
    S::vbar = 0.73f;
    f.script.expectDialog(kSolventParamsDialogId)
        .check(kSpModelOn)
        .set(kSpBufferDensity, "0.99823")
        .set(kSpCompressibility, "0.0001")
        .set(kSpBufferViscosity, "0.02004")
        .ok();
    ExpectSwitchOn(f, false);
    Send(f, 542);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    OneSpecies(8.0f, 6.0f); // standard conditions
    f.GenerateWithTheModelAsItIs(12, "0.003");
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, 12);

    const int last = S::scanOrder[S::scanCount];
    const ScanHeader& h = S::header[last];
    const double omega = h.rotorSpeed * 2.0 * M_PI / 60.0;
    const double expected = 6.2 * std::exp(4.0e-13 * omega * omega * h.time);
    const double water = 6.2 * std::exp(8.0e-13 * omega * omega * h.time);
    const double found = MidpointRadius(last);
    // The second moment of a sector boundary lies a little beyond its midpoint.
    EXPECT_NEAR(found, expected, 0.01) << "in water it would be at " << water;

    ExpectFitFromTenPercentOffFindsS8(f);
}

} // namespace

namespace {

// The road of the sedimenting cosolute: its gradient of density and viscosity, from coefficient
// files, builds up under the species while the data are generated, and a Fit started 10% off
// brings the species' s back within the noise.
TEST(SolventModel, RunAndFitOverASedimentingCosoluteRecoverTheS) {
    MainWindowFixture f(1000, 750);
    S::vbar = 0.73f;
    OneSpecies(8.0f, 6.0f);
    SwitchOnASedimentingCosolute(f);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    OneSpecies(8.0f, 6.0f); // standard conditions
    f.GenerateWithTheModelAsItIs(10, "0.003");
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_EQ(S::scanCount, 10);
    // At 2 M the buffer is 1.4 times as viscous and the species' buoyancy a third of that in
    // water: the boundary lags far behind where half its s in water would put it.
    const int last = S::scanOrder[S::scanCount];
    const ScanHeader& h = S::header[last];
    const double omega = h.rotorSpeed * 2.0 * M_PI / 60.0;
    const double halfInWater = 6.2 * std::exp(4.0e-13 * omega * omega * h.time);
    EXPECT_LT(MidpointRadius(last), halfInWater - 0.02);

    ExpectFitFromTenPercentOffFindsS8(f);
}

// The cosolute's values (second column) of a scan file the cosolute's output wrote.
std::vector<double> CosoluteValues(const std::string& path) {
    std::istringstream lines(ReadTextFile(path));
    std::string line;
    std::vector<double> values;
    for (int row = 0; std::getline(lines, line); ++row) {
        double r = 0.0, c = 0.0;
        if (row >= 2 && std::sscanf(line.c_str(), "%lf %lf", &r, &c) == 2)
            values.push_back(c);
    }
    return values;
}

// The pure blue pixels of the window inside the data plot's box of radii 6.5 .. 6.9 cm and
// values 1.5 .. 2.5: only a cosolute at 2 M is drawn there over a species plateau at 3.
std::ptrdiff_t BlueInCosoluteBox(TXLAWindow* w) {
    const CWINPlot& plot = *S::dataPlot;
    const plat::Surface& surface = w->GetSurface();
    const auto column = [&](float r) {
        return int((r * plot.xScale + plot.xOffset) * surface.Width() / 1400.0f);
    };
    const auto row = [&](float v) {
        return int((v * plot.yScale + plot.yOffset) * surface.Height() / 1000.0f);
    };
    std::ptrdiff_t count = 0;
    for (int y = std::min(row(1.5f), row(2.5f)); y <= std::max(row(1.5f), row(2.5f)); ++y)
        for (int x = column(6.5f); x <= column(6.9f); ++x)
            count += surface.GetPixel(x, y) == RGB(0, 0, 255);
    return count;
}

// A species solved on the engine's own solvers (reached through the experimental initial
// distribution) over a sedimenting cosolute draws the cosolute's profile in blue over the data
// at every scan and saves it as the list road does: "comp2_1.r00" .. "comp2_5.r00" for 5 scans,
// described "component 2", with the list road's values; files the folder cannot take are named
// in the list road's box. This road once drew and wrote nothing.
TEST(SolventModel, CosoluteOnTheEnginesOwnSolversIsDrawnAndSaved) {
    for (const bool movingHat : {true, false}) {
        SCOPED_TRACE(movingHat ? "moving hat" : "fixed grid");
        MainWindowFixture f(1000, 750);
        // The folder and the window service are put back however the case ends.
        struct Restore {
            TWindow* (*platformWindow)(TXLAWindow*) = WindowServices::table.platformWindow;
            ~Restore() {
                gTempFolder[0] = '\0';
                WindowServices::table.platformWindow = platformWindow;
            }
        } restore;
        const std::string folder = f.data.file("cosolute/");
        std::filesystem::create_directories(folder);
        std::snprintf(gTempFolder, kPathBufferSize, "%s", folder.c_str());
        S::vbar = 0.73f;
        OneSpecies(8.0f, 6.0f);
        SwitchOnASedimentingCosolute(f, false, true, true);
        OneSpecies(8.0f, 6.0f);     // standard conditions
        M::concentration[1] = 3.0f; // the data plot then takes in the cosolute's 2 M
        PackFitParameters();
        f.GenerateWithTheModelAsItIs(5, "0");
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        std::vector<std::vector<double>> listRoad;
        for (int k = 1; k <= 5; ++k) {
            const std::string path = folder + "comp2_" + std::to_string(k) + ".r00";
            listRoad.push_back(CosoluteValues(path));
            ASSERT_FALSE(listRoad.back().empty()) << path;
            std::filesystem::remove(path);
        }

        M::experimentalInitialDistribution = true;
        M::constantInitialDistribution = false;
        ModelChoice::automaticAlgorithm = false;
        ModelChoice::movingHatAlgorithm = movingHat;
        ModelChoice::claverieAlgorithm = !movingHat;
        // The profile is drawn over the plots while the solver runs; the repaint after Run
        // covers it. Each time the engine asks for the window to draw on, the blue seen so far.
        static std::ptrdiff_t mostBlue = 0;
        static TWindow* (*platformWindow)(TXLAWindow*) = nullptr;
        platformWindow = restore.platformWindow;
        const std::ptrdiff_t before = BlueInCosoluteBox(f.window.get());
        mostBlue = 0;
        WindowServices::table.platformWindow = [](TXLAWindow* w) {
            mostBlue = std::max(mostBlue, BlueInCosoluteBox(w));
            return platformWindow(w);
        };
        Send(f, 213);
        WindowServices::table.platformWindow = platformWindow;
        EXPECT_GT(mostBlue, before + 100) << "the cosolute drawn in blue";
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        for (int k = 1; k <= 5; ++k) {
            const std::string path = folder + "comp2_" + std::to_string(k) + ".r00";
            const std::string text = ReadTextFile(path);
            EXPECT_NE(text.substr(0, text.find('\n')).find("component 2"), std::string::npos)
                << path;
            const std::vector<double> values = CosoluteValues(path);
            ASSERT_EQ(values.size(), listRoad[std::size_t(k - 1)].size()) << path;
            for (std::size_t i = 0; i < values.size(); ++i)
                EXPECT_NEAR(values[i], listRoad[std::size_t(k - 1)][i], 2e-3) << path << " " << i;
        }

        const std::string gone = f.folder.path() + "/gone/";
        std::snprintf(gTempFolder, kPathBufferSize, "%s", gone.c_str());
        f.script.expectBox()
            .caption("Error")
            .text("could not write " + gone + "comp2_1.r00\nand 4 more files of component 2")
            .answer(IDOK);
        Send(f, 213);
        EXPECT_TRUE(f.script.done()) << f.script.logText();
    }
}

// The cosolute's scans that the temp folder cannot take: Run shows its result and names the first
// file with the count of the others.
TEST(SolventModel, CosoluteScansThatCannotBeWrittenAreNamed) {
    MainWindowFixture f(1000, 750);
    S::vbar = 0.73f;
    OneSpecies(8.0f, 6.0f);
    SwitchOnASedimentingCosolute(f, false, true);
    OneSpecies(8.0f, 6.0f); // standard conditions
    f.GenerateWithTheModelAsItIs(3, "0");
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    const std::string gone = f.folder.path() + "/gone/";
    std::snprintf(gTempFolder, kPathBufferSize, "%s", gone.c_str());
    S::resultAvailable = false;
    f.script.expectBox()
        .caption("Error")
        .text("could not write " + gone + "comp2_1.r00\nand 2 more files of component 2")
        .answer(IDOK);
    Send(f, 213);
    gTempFolder[0] = '\0';
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_TRUE(S::resultAvailable);
}

} // namespace

namespace {

// A compressible solvent loaded at 1.2 g/ml whose compression makes it 1.32 g/ml at the bottom
// (at 50000 rpm): the species' buoyancy falls to a third across the cell, so its vbar shapes the
// boundary's slowing down and is told apart from s.
void SwitchOnAStrongDensityGradient(MainWindowFixture& f, const char* vbar) {
    f.script.expectDialog(kSolventParamsDialogId)
        .check(kSpModelOn)
        .set(kSpVbar, vbar)
        .set(kSpBufferDensity, "1.2")
        .set(kSpCompressibility, "40")
        .set(kSpBufferViscosity, "0.01002")
        .ok();
    ExpectSwitchOn(f, false);
    Send(f, 542);
}

// Enters a vbar field and the "fit vbar" box in the dialog of the model that is on.
void EnterVbar(MainWindowFixture& f, int field, const char* vbar, bool fit) {
    f.script.expectDialog(kSolventParamsDialogId).set(field, vbar).check(kSpFitVbar, fit).ok();
    Send(f, 542);
}

bool ReportHas(const std::string& text) {
    for (const std::string& line : ParameterReportLines())
        if (line.find(text) != std::string::npos)
            return true;
    return false;
}

// The analysis the Fit saved, dropped onto the window after vbar was moved elsewhere: the
// fitted buoyancy vbar comes back, and switching the model off converts s back with it. The file
// once held only the store's vbar: over the cosolute the fitted vbar including solvation was lost,
// and in the compressible solvent the buoyancy vbar kept the value it had before the restore.
// With restart set the solvent's settings are those of a new session before the drop: the
// analysis brings back the buffer and the standard conditions of its species too.
void ExpectDroppedAnalysisBringsBackTheFittedVbar(MainWindowFixture& f, float* fitted,
                                                  bool restart) {
    const float vbar = *fitted, store = S::vbar, s = M::speciesS[1];
    const float density = IS::bufferDensity, viscosity = IS::relativeViscosity;
    const std::string saved = ScanPaths::gDataPath;
    ASSERT_FALSE(saved.empty());
    if (restart) {
        IS::ResetToDefaults();
        ModelChoice::inhomogeneousSolvent = false;
    }
    S::vbar = IS::macromoleculeVbar = IS::solvatedVbar = 0.5f;
    f.script.expectBox()
        .caption("DROPPING FILES")
        .text("switch to parameter file " + saved + "?")
        .answer(IDYES);
    // The Parameters command follows; its prompts are not what is checked here.
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    plat::test::drop(f.window.get(), {saved});
    f.script.pumpUntilIdle();
    f.script.onUnexpected(plat::test::Unexpected::Fail);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_FLOAT_EQ(*fitted, vbar);
    EXPECT_FLOAT_EQ(S::vbar, store);
    EXPECT_FLOAT_EQ(IS::macromoleculeVbar, vbar) << "the buoyancy vbar";
    EXPECT_TRUE(FitControl::fitVbar);
    EXPECT_TRUE(ModelChoice::inhomogeneousSolvent);
    EXPECT_TRUE(IS::convertedToStandard);
    EXPECT_FLOAT_EQ(IS::bufferDensity, density);
    EXPECT_FLOAT_EQ(IS::relativeViscosity, viscosity);
    UnpackFitParameters();
    EXPECT_NEAR(M::speciesS[1] / s, 1.0, 1e-6);
    const double back = M::speciesS[1] * (1.0 - double(vbar) * IS::bufferDensity) /
                        (IS::relativeViscosity * (1.0 - double(S::vbar) * kRhoW));
    f.script.expectDialog(kSolventParamsDialogId).check(kSpModelOn, false).ok();
    f.script.expectBox().text(kToExperimental).answer(IDOK);
    Send(f, 542);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    // The dialog takes back vbar as it shows it, to four decimals; a stale 0.5 would be 30% off,
    // water's buffer twice too slow.
    EXPECT_NEAR(M::speciesS[1] / back, 1.0, 1e-3);
    EXPECT_FLOAT_EQ(S::density, density);
}

// The scans the discrete vbar fits are made of (half of them under the race checker).
const int kFitScans = FullOrUnderRaceChecker(16, 8);

// One 8 S species at vbar 0.73 in a sedimenting cosolute or a strong density gradient, switched
// on through the dialog.
void OneSpeciesInTheSolvent(MainWindowFixture& f, bool cosolute) {
    S::vbar = 0.73f;
    OneSpecies(8.0f, 6.0f);
    if (cosolute)
        SwitchOnASedimentingCosolute(f);
    else
        SwitchOnAStrongDensityGradient(f, "0.73");
    ASSERT_TRUE(f.script.done()) << f.script.logText();
}

// A user's road in each solvent: data made with a buoyancy vbar of 0.73 and s = 8 S; a Fit
// started from 0.70 and s = 7.2 S with "fit vbar" checked brings both back within the noise and
// reports that vbar as fitted. Unchecked, the same start keeps vbar where it was entered. In the
// compressible solvent that vbar is the store's; over the cosolute it is the vbar including
// solvation, the store's vbar (which s would take up) staying as entered.
TEST(SolventModel, FitVbarInAStrongDensityGradientRecoversVbarAndS) {
    struct Case {
        const char* name;
        bool cosolute;
        int field;          // the dialog's entry of the floated vbar
        float* vbar;        // where it is kept
        const char* report; // its report line, as fitted
    };
    const Case cases[] = {
        {"compressible solvent", false, kSpVbar, &S::vbar, "vbar = 0.7"},
        {"sedimenting cosolute", true, kSpSolvatedVbar, &IS::macromoleculeVbar,
         "vbar including solvation = 0.7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f(1000, 750);
        OneSpeciesInTheSolvent(f, c.cosolute);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        ASSERT_TRUE(ModelChoice::inhomogeneousSolvent);
        ASSERT_FLOAT_EQ(*c.vbar, 0.73f);
        OneSpecies(8.0f, 6.0f);
        f.GenerateWithTheModelAsItIs(kFitScans, "0.003");
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_EQ(S::scanCount, kFitScans);
        // Where the scans, had they been loaded from files, would have their analysis saved.
        ScanPaths::gDataPath = f.data.file("~tmppars.RA1");

        for (bool fit : {false, true}) {
            SCOPED_TRACE(fit ? "fit vbar checked" : "fit vbar unchecked");
            EnterVbar(f, c.field, "0.70", fit);
            ASSERT_TRUE(f.script.done()) << f.script.logText();
            EXPECT_EQ(FitControl::fitVbar, fit);
            EXPECT_FLOAT_EQ(*c.vbar, 0.70f);
            OneSpecies(7.2f, 6.0f);
            M::speciesSFloat[1] = 1;
            PackFitParameters();
            Send(f, 215);
            ASSERT_TRUE(f.script.done()) << f.script.logText();
            if (fit) {
                EXPECT_NEAR(*c.vbar, 0.73, 0.003);
                EXPECT_NEAR(M::speciesS[1] / 8.0, 1.0, 0.01);
                EXPECT_NEAR(CalcFitRmsd() / 0.003, 1.0, 0.1);
                EXPECT_TRUE(ReportHas(c.report)) << "the fitted vbar is reported";
                EXPECT_TRUE(ReportHas(" ml/g (f)"));
                if (const char* keep = std::getenv("TARNIX_KEEP_PNG")) {
                    f.Paint();
                    plat::WritePng(f.window->GetSurface(),
                                   std::string(keep) + "/fit_vbar_" +
                                       (c.cosolute ? "cosolute" : "compressible") + ".png");
                }
            } else {
                EXPECT_FLOAT_EQ(*c.vbar, 0.70f);
                EXPECT_GT(CalcFitRmsd() / 0.003, 1.2) << "a wrong vbar leaves systematic residuals";
                EXPECT_FALSE(ReportHas(" ml/g (f)"));
            }
            EXPECT_FLOAT_EQ(S::vbarRho, S::vbar * S::density);
            EXPECT_FLOAT_EQ(S::vbar, c.cosolute ? 0.73f : *c.vbar) << "the store's vbar";
        }
        // The last Fit floated vbar and saved the analysis. Over a cosolute the dialog that
        // switches the model off makes the buffer from the coefficient files it names, which a
        // new session would have to be given again: that road stays within the session.
        ExpectDroppedAnalysisBringsBackTheFittedVbar(f, c.vbar, !c.cosolute);
    }
}

} // namespace

namespace {

// The same road in c(s): data made in each solvent with a buoyancy vbar of 0.73 and one species
// of 8 S; c(s) with f/f0 floated and "fit vbar" checked, started from vbar 0.70, brings vbar back
// within the noise, the distribution's peak at 8 S. Over the cosolute the vbar including
// solvation floats and the store's vbar stays as entered.
TEST(SolventModel, CsFitVbarInAStrongDensityGradientRecoversVbar) {
    struct Case {
        const char* name;
        bool cosolute;
        int field;
        float* vbar;
    };
    const Case cases[] = {
        {"compressible solvent", false, kSpVbar, &S::vbar},
        {"sedimenting cosolute", true, kSpSolvatedVbar, &IS::macromoleculeVbar},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f(1000, 750);
        OneSpeciesInTheSolvent(f, c.cosolute);
        ASSERT_FALSE(testing::Test::HasFatalFailure());
        OneSpecies(8.0f, 6.0f);
        f.GenerateWithTheModelAsItIs(16, "0.003");
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_EQ(S::scanCount, 16);

        ASSERT_TRUE(ChooseCsWith(f, {2.0f, 14.0f, 6.25f, 7.1f})) << f.script.logText();
        // Fewer scans lose the cosolute's vbar; a coarser grid keeps it.
        ContiState::resolution = FullOrUnderRaceChecker(40.0f, 30.0f);
        ContiState::ff0Float = true;
        M::meniscus = 6.2f;
        M::meniscusFloat = M::bottomFloat = 0;
        EnterVbar(f, c.field, "0.70", true);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_FLOAT_EQ(*c.vbar, 0.70f);
        Send(f, 215);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_NE(ContiState::distribution, nullptr);
        EXPECT_NEAR(*c.vbar, 0.73, 0.003);
        EXPECT_FLOAT_EQ(S::vbar, c.cosolute ? 0.73f : *c.vbar) << "the store's vbar";
        EXPECT_FLOAT_EQ(S::vbarRho, S::vbar * S::density);
        EXPECT_LT(FitControl::bestRmsd, 1.1 * 0.003);
        float area = 0, sw = 0;
        IntegrateDistribution(4.0f, 12.0f, &area, &sw, nullptr, nullptr);
        EXPECT_NEAR(sw / 8.0, 1.0, 0.01);
    }
}

} // namespace
