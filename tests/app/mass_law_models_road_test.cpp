// Distribution models through the menu on scans of known species: c(Mb) with invariant D,
// f(M) vs M with the scaling law (its questions, and the area it holds until Run), c(s) with
// fixed f/f0 and floating vbar (its vbar box, Run and Fit), the c(M) with a power law s(M) or a
// vbar(M) and the c(s) of linear rods; a picture of each window.
#include "app/molar_mass_readout.h"
#include "app/params_box.h"
#include "app/txla_window.h"
#include "display/distribution_display.h"
#include "fitting/model_identity.h"
#include "fitting/parameter_report.h"
#include "foundations/hydrodynamics.h"
#include "foundations/physical_constants.h"
#include "foundations/shape_models.h"
#include "plat/testing.hpp"
#include "plotting/win_plot.h"
#include "scandata/fit_limits.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/conti_data_store.h"
#include "support/distribution_maximum.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using M = ModelChoice;

void Command(MainWindowFixture& f, int id) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
}

// Ten scans of the cell 6.0 to 7.2 cm holding the species, with noise 0.003, loaded from files.
void LoadScans(MainWindowFixture& f, const std::vector<ContiSpecies>& species) {
    ContiStoreCase c;
    c.scans = 10;
    c.points = 260;
    c.firstTimeS = 600.0;
    c.intervalS = 600.0;
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    std::vector<std::string> paths;
    {
        ContiDataStore store(c);
        ModelParameters::meniscus = 6.0f; // the cell the species sediment in
        ModelParameters::bottom = 7.2f;
        store.Fill(species, {}, {}, 0.003, 29);
        for (int k = 1; k <= c.scans; ++k) {
            char name[20];
            std::snprintf(name, sizeof name, "%05d.RA1", k);
            std::ofstream(f.data.file(name))
                << store
                       .ScanFile(k, "[T OK]known species " + std::to_string(k),
                                 store.signal[k].data())
                       .Text();
            paths.push_back(f.data.file(name));
        }
    }
    f.script.expectFileOpen().answer(paths);
    Command(f, 200); // Load New Files
}

// The weight-average abscissa of the distribution.
double Mean() {
    double area = 0.0, first = 0.0;
    for (int p = 1; p < C::gridPoints; ++p) {
        const double dx = C::sValues[p + 1] - C::sValues[p];
        area += 0.5 * (C::distribution[p] + C::distribution[p + 1]) * dx;
        first += 0.5 *
                 (C::distribution[p] * C::sValues[p] + C::distribution[p + 1] * C::sValues[p + 1]) *
                 dx;
    }
    return first / area;
}

double Area() {
    double area = 0.0;
    for (int p = 1; p < C::gridPoints; ++p)
        area += 0.5 * (C::distribution[p] + C::distribution[p + 1]) *
                (C::sValues[p + 1] - C::sValues[p]);
    return area;
}

// The report line that starts with start, or "" when there is none.
std::string ReportLine(const std::string& start) {
    for (const std::string& l : ParameterReportLines())
        if (l.rfind(start, 0) == 0)
            return l;
    return {};
}

void Picture(MainWindowFixture& f, const char* name) {
    f.Paint();
    ASSERT_TRUE(plat::test::windowPng(*f.window, f.data.file(name)));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/" + name);
}

void Parameters(MainWindowFixture& f, const char* lo, const char* hi, const char* resolution) {
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, lo)
        .set(kRangeMaxId, hi)
        .set(kResolutionId, resolution)
        .set(kConfidenceLevelId, "0.68")
        .set(kMeniscusId, "6")
        .set(kBottomId, "7.2")
        .ok();
    Command(f, 212);
}

} // namespace

TEST(MassLawModelsRoad, BuoyantMolarMassWithInvariantD) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    // 20 kDa buoyant with D = 6e-7 cm^2/s, loaded 0.5
    LoadScans(f, {{SFromBuoyantMandD(20000.0, 6e-7, 20.0f), 1.0, 0.5, 6e-7}});
    ASSERT_EQ(ScanStore::scanCount, 10);
    f.script.expectBox().caption("").text("distribution will be c(Mbuoyant)").answer(IDOK);
    Command(f, 277);
    ASSERT_TRUE(M::cmInvariantD) << f.script.logText();
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, "4") // kDa
        .set(kRangeMaxId, "60")
        .set(kResolutionId, "60")
        .set(kConfidenceLevelId, "0.68")
        .set(kInvariantDId, "6") // 1e-7 cm^2/s
        .set(kMeniscusId, "6")
        .set(kBottomId, "7.2")
        .ok();
    Command(f, 212);
    ASSERT_EQ(C::invariantD, 6e-7f) << f.script.logText();
    Command(f, 213); // Run
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    EXPECT_NEAR(DistributionMaximumAbscissa(), 20000.0, 0.06 * 20000.0); // a grid step is 5%
    EXPECT_NEAR(Mean(), 20000.0, 0.02 * 20000.0);
    EXPECT_NEAR(Area(), 0.5, 0.03 * 0.5);
    ASSERT_NE(C::distributionPlot, nullptr);
    EXPECT_STREQ(C::distributionPlot->xLabel, "buoyant molar mass (Da)");
    EXPECT_EQ(ReportLine("invariant D"), "invariant D = 6 e-7 cm^2/s, abscissa buoyant molar mass");
    Picture(f, "c_mb_invariant_d.png");
}

TEST(MassLawModelsRoad, FOfMWithTheScalingLawHoldsTheAreaUntilRun) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    const float mass = 100000.0f; // with the scaling law held at its start, ks 0.003, a 0.667
    const double s = SFromMScalingLaw(mass);
    LoadScans(f, {{s, 1.0, 0.5, DFromSandM(mass, float(s), 20.0f)}});
    ASSERT_EQ(ScanStore::scanCount, 10);
    Command(f, 275); // c(s) first, so that a plot is held
    const float sRange[] = {C::rangeMin, C::rangeMax};
    ASSERT_LT(sRange[1], 100.0f);
    // Yes to a new calibration that is then declined: the command says it failed and goes on.
    f.script.expectBox()
        .caption("C(M) POWERLAW")
        .text("enter new s(M) power-law calibration?")
        .answer(IDYES);
    f.script.expectBox().caption("CALIBRATE C(M) POWER LAW").answer(IDNO);
    f.script.expectBox()
        .caption("C(M) POWERLAW")
        .text("sorry, s(M) power-law calibration failed!")
        .answer(IDOK);
    f.script.expectBox()
        .text("Please Note: Switching now to Tikhonov-Phillips Regularization")
        .answer(IDOK);
    Command(f, 887);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    ASSERT_TRUE(M::fMvsM);
    EXPECT_TRUE(C::secondDerivativeRegularization);
    EXPECT_TRUE(C::fMvsMOneShot);
    EXPECT_FALSE(DistributionPlotShown()) << "the f(M) display holds the distribution area";
    // The s range of c(s) became molar masses by the law.
    EXPECT_FLOAT_EQ(C::rangeMin, MFromSScalingLaw(sRange[0]));
    EXPECT_FLOAT_EQ(C::rangeMax, MFromSScalingLaw(sRange[1]));

    Parameters(f, "20", "300", "60"); // kDa
    Command(f, 213);
    EXPECT_FALSE(C::fMvsMOneShot);
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    EXPECT_TRUE(DistributionPlotShown());
    EXPECT_NEAR(DistributionMaximumAbscissa(), mass, 0.06 * mass); // a grid step is 5%
    EXPECT_NEAR(Mean(), mass, 0.02 * mass);
    EXPECT_NEAR(Area(), 0.5, 0.03 * 0.5);
    EXPECT_EQ(ReportLine("scaling law"), "scaling law s = 0.003 M^0.667");
    Picture(f, "f_of_m_scaling_law.png");
}

TEST(MassLawModelsRoad, FloatingVbarThroughItsBoxRunAndFit) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    LoadScans(f, {{3.5, 1.25, 0.3}, {7.0, 1.25, 0.6}});
    ASSERT_EQ(ScanStore::scanCount, 10);
    Command(f, 602);
    ASSERT_TRUE(M::csFloatingVbar) << f.script.logText();
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, "1")
        .set(kRangeMaxId, "12")
        .set(kResolutionId, "56")
        .set(kFf0Id, "1.25")
        .set(kConfidenceLevelId, "0.68")
        .set(kVbarId, "0.7665")
        .check(kVbarFloatId, true)
        .set(kMeniscusId, "6")
        .set(kBottomId, "7.2")
        .ok();
    Command(f, 212);
    ASSERT_EQ(ScanStore::vbar, 0.7665f) << f.script.logText();
    ASSERT_EQ(C::vbarFloat, 1);
    EXPECT_FLOAT_EQ(ScanStore::vbarRho, 0.7665f * ScanStore::density);

    Command(f, 213); // Run at the wrong vbar
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    Command(f, 215); // Fit
    EXPECT_NEAR(ScanStore::vbar, 0.73, 0.01) << f.script.logText();
    EXPECT_EQ(C::ff0, 1.25f);
    EXPECT_NEAR(Area(), 0.9, 0.03 * 0.9);
    EXPECT_EQ(ReportLine("vbar").rfind("vbar = 0.7", 0), 0u) << ReportLine("vbar");
    EXPECT_NE(ReportLine("vbar").find("ml/g (f)"), std::string::npos) << ReportLine("vbar");
    Picture(f, "cs_floating_vbar.png");
}

// vbar and its float box are on the page of the model that fits vbar, and on no other.
TEST(MassLawModelsRoad, OnlyTheFloatingVbarPageHoldsTheVbarBox) {
    for (bool floating : {false, true}) {
        MainWindowFixture f;
        M::contiMode = true;
        M::contiCs = !floating;
        M::csFloatingVbar = floating;
        ScanStore::vbar = 0.72f;
        C::vbarFloat = 1;
        RegisterParamsDialogs();
        FillParamsTransfer(f.window->paramsTransfer, ParamsPage::Distribution);
        TParamsBox box(f.window.get(), ParamsPage::Distribution, f.window->paramsTransfer);
        EXPECT_EQ(box.FindControl(kVbarId) != nullptr, floating);
        EXPECT_EQ(box.FindControl(kVbarFloatId) != nullptr, floating);
        if (!floating)
            continue;
        box.TransferData(true);
        EXPECT_EQ(static_cast<TEdit*>(box.FindControl(kVbarId))->GetText(), "0.72");
        EXPECT_EQ(static_cast<TCheckBox*>(box.FindControl(kVbarFloatId))->GetCheck(), 1u);
    }
}

namespace {

// s (S) and D (cm^2/s) of a compact particle of mass M, frictional ratio ff0 and its own vbar in
// the store's buffer at 20 C, from Stokes' law and Svedberg's relation (cgs).
std::pair<double, double> SphereOfOwnVbar(double mass, double ff0, double vbar) {
    using PC = PhysicalConstants;
    const double na = PC::avogadro, pi = 3.14159265358979;
    const double radius = std::cbrt(3.0 * mass * vbar / (4.0 * pi * na));
    const double f =
        6.0 * pi * 10.0 * double(PC::waterViscosity) * ScanStore::viscosity * radius * ff0;
    const double D = 1e4 * double(PC::boltzmann) * 1e3 * 293.15 / f;
    const double s = 1e13 * mass * (1.0 - vbar * ScanStore::density) / (na * f);
    return {s, D};
}

struct LawCase {
    const char* name;
    int command;
    std::vector<std::pair<const char*, const char*>> typed; // prompt, answer
    double truth; // M (Da) of the species for c(M); its s (S) for the rod
    double mass;  // its M
    double s, D;  // its s (S) and D (cm^2/s)
    const char *lo, *hi, *resolution;
    const char* law; // the report's line of the law
};

} // namespace

// The law the model asks for is the one computed: the distribution of one species made with that
// law has its weight-average at the species' M (or, for the rods, its s, and the rod's M there).
TEST(MassLawModelsRoad, PriorKnowledgeModelsPlaceTheSpeciesAtItsTruth) {
    const double powerLawS = 0.012 * std::sqrt(80000.0);
    const auto [vbarS, vbarD] = SphereOfOwnVbar(80000.0, 1.2, 0.60 + 0.05 * std::cbrt(0.8));
    ShapeModels::rodMassPerLength = 10000.0;
    const double rodS = SOfLinearRod(150000.0);
    const LawCase cases[] = {
        {"power law s(M)",
         278,
         {{"Using power-law s(M) = a*M^b. Enter a:", "0.012"},
          {"Using power-law s(M) = a*M^b. Enter b:", "0.5"}},
         80000.0,
         80000.0,
         powerLawS,
         DFromSandM(80000.0f, float(powerLawS), 20.0f),
         "40",
         "160",
         "121",
         "power law s(M) = 0.012*M^0.5"},
        {"vbar(M)",
         279,
         {{"Enter zero offset v0 (M=0):", "0.60"},
          {"Enter increment a:", "0.05"},
          {"Enter M-scale s:", "5"}},
         80000.0,
         80000.0,
         vbarS,
         vbarD,
         "40",
         "160",
         "121",
         "vbar(M) = 0.6 + 0.05*(M/10^5)^1/3"},
        {"linear rod",
         521,
         {},
         rodS,
         150000.0,
         rodS,
         DFromSandM(150000.0f, float(rodS), 20.0f),
         "4",
         "14",
         "101",
         "linear rod of 1e+04 Da/nm"},
    };
    for (const LawCase& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        LoadScans(f, {{c.s, 1.0, 0.5, c.D}});
        ASSERT_EQ(ScanStore::scanCount, 10);
        for (const auto& [prompt, answer] : c.typed)
            f.script.expectInput().prompt(prompt).answer(answer);
        Command(f, c.command);
        ASSERT_TRUE(f.script.done()) << f.script.logText();
        ASSERT_EQ(CurrentModelCommandId(), c.command) << f.script.logText();
        Parameters(f, c.lo, c.hi, c.resolution);
        Command(f, 213);
        ASSERT_NE(C::distribution, nullptr) << f.script.logText();
        ASSERT_EQ(CurrentModelCommandId(), c.command);
        EXPECT_NEAR(Mean(), c.truth, 0.01 * c.truth);
        EXPECT_NEAR(Area(), 0.5, 0.03 * 0.5);
        EXPECT_LT(CalcFitRmsd(), 0.0033) << "noise 0.003";
        EXPECT_EQ(ReportLine(std::string(c.law).substr(0, 6)), c.law);
        if (c.command == 521) {
            EXPECT_NEAR(MolarMassOfS(float(Mean())), c.mass, 0.01 * c.mass);
        }
        Picture(f, ("law_" + std::to_string(c.command) + ".png").c_str());
    }
}
