// Sedimentation equilibrium of A + B <-> AB as a user drives it: three speeds of scans made with
// known buoyant masses and association constant, loaded from files, the model chosen, its values
// typed into the equilibrium page, Fit from a start off the truth.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "plat/testing.hpp"
#include "scandata/fit_limits.h"
#include "scandata/scan_header.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/equilibrium_scan_set.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/scan_set_generator.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;

struct Truth {
    double mbA = 10000.0, mbB = 15000.0;                   // buoyant, g/mol
    double logK = 1.0;                                     // per signal unit (signal increments 1)
    double a0 = 0.4, b0 = 0.3;                             // loadings
    double meniscus = double(6.9f), bottom = double(7.2f); // as the model holds them
};

// The total signal at the radii of one scan, solved here by brute force: the free A and B at
// the meniscus (x, y) by Newton's method on the two mass balances, each radial integral a
// trapezoid sum over 40000 intervals.
std::vector<double> AssociationSignal(const Truth& t, double rpm, const std::vector<double>& r) {
    const double sA = EquilibriumSigma(t.mbA, rpm, 20.0), sB = EquilibriumSigma(t.mbB, rpm, 20.0);
    const double K = std::pow(10.0, t.logK), m = t.meniscus, b = t.bottom;
    auto e = [m](double sigma, double radius) {
        return std::exp(0.5 * sigma * (radius * radius - m * m));
    };
    auto integral = [&](double sigma) {
        const int n = 40000;
        double sum = 0.0;
        for (int i = 0; i <= n; ++i) {
            const double radius = m + (b - m) * i / n;
            sum += (i == 0 || i == n ? 0.5 : 1.0) * e(sigma, radius) * radius;
        }
        return sum * (b - m) / n;
    };
    const double IA = integral(sA), IB = integral(sB), IAB = integral(sA + sB);
    const double V = 0.5 * (b * b - m * m);
    double x = t.a0 * V / IA, y = t.b0 * V / IB;
    for (int it = 0; it < 100; ++it) {
        const double f1 = x * IA + K * x * y * IAB - t.a0 * V;
        const double f2 = y * IB + K * x * y * IAB - t.b0 * V;
        const double j11 = IA + K * y * IAB, j12 = K * x * IAB;
        const double j21 = K * y * IAB, j22 = IB + K * x * IAB;
        const double det = j11 * j22 - j12 * j21;
        const double dx = (f1 * j22 - f2 * j12) / det, dy = (j11 * f2 - j21 * f1) / det;
        x = std::max(x - dx, 0.1 * x);
        y = std::max(y - dy, 0.1 * y);
    }
    std::vector<double> out;
    for (double radius : r) {
        const double a = x * e(sA, radius), bb = y * e(sB, radius);
        out.push_back(a + bb + 2.0 * K * a * bb);
    }
    return out;
}

constexpr double kNoise = 0.0005;

// Three scans at equilibrium, one per speed, with seeded noise, loaded through the menu.
void LoadAssociationScans(MainWindowFixture& f, const Truth& t) {
    const auto profile = [&t](double rpm, const std::vector<double>& r) {
        return AssociationSignal(t, rpm, r);
    };
    f.script.expectFileOpen().answer(WriteScanFiles(f, EquilibriumScans(profile, kNoise, 11)));
    SendCommand(f, 515);
}

// The equilibrium page with the loadings as loaded and the masses (kDa) and log K typed, each
// floated when asked; no systematic noise.
void TypeAssociation(MainWindowFixture& f, const char* mbA, const char* mbB, const char* logK,
                     bool floated) {
    f.script.expectDialog(kEquilibriumParamsDialogId)
        .set(SpeciesControlId(1, kLoadingItem), "0.4")
        .set(SpeciesControlId(2, kLoadingItem), "0.3")
        .set(SpeciesControlId(1, kDOrMItem), mbA)
        .check(SpeciesControlId(1, kDOrMItem + 1), floated)
        .set(SpeciesControlId(2, kDOrMItem), mbB)
        .check(SpeciesControlId(2, kDOrMItem + 1), floated)
        .set(kLogKId, logK)
        .check(kLogKId + 1, floated)
        .set(kMeniscusId, "6.9")
        .set(kBottomId, "7.2")
        .set(kBaselineId, "0")
        .check(kTiNoiseId, false)
        .check(kRiNoiseId, false)
        .ok();
    SendCommand(f, 212);
}

TEST(AssociationEquilibriumRoad, RunAtTheTruthAndFitFromOffIt) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    const Truth t;
    LoadAssociationScans(f, t);
    ASSERT_EQ(ScanStore::scanCount, 3) << f.script.logText();
    ASSERT_TRUE(ScanStore::equilibriumData);
    SendCommand(f, 523);
    ASSERT_TRUE(ModelChoice::equilibriumAssociationModel);

    // At the truth the model is the brute-force solution of the two mass balances.
    TypeAssociation(f, "10", "15", "1", false);
    ASSERT_TRUE(f.script.done()) << f.script.logText();
    SendCommand(f, 213);
    ASSERT_TRUE(ScanStore::resultAvailable) << f.script.logText();
    double worst = 0.0;
    for (int k = 1; k <= 3; ++k) {
        const std::vector<double> r(ScanStore::radius[k] + 1,
                                    ScanStore::radius[k] + 1 + ScanStore::pointCount[k]);
        const std::vector<double> truth = AssociationSignal(t, ScanStore::header[k].rotorSpeed, r);
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
            worst = std::max(worst, std::fabs(ScanStore::fit[k][i] - truth[std::size_t(i - 1)]));
    }
    EXPECT_LT(worst, 1e-5) << "largest deviation from the brute-force profiles";
    // the complex of the loading mixture shown as species 3
    const double S = t.a0 + t.b0 + 0.1;
    EXPECT_NEAR(M::concentration[3], 0.5 * (S - std::sqrt(S * S - 4.0 * t.a0 * t.b0)), 1e-5);

    // From masses 15% and log K 0.25 off the truth.
    TypeAssociation(f, "8.5", "17.25", "1.25", true);
    SendCommand(f, 213);
    const double startRmsd = CalcFitRmsd();
    FitWithLevenbergMarquardt(f);
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    EXPECT_NEAR(M::speciesDOrM[1], t.mbA, 0.01 * t.mbA) << f.script.logText();
    EXPECT_NEAR(M::speciesDOrM[2], t.mbB, 0.01 * t.mbB);
    EXPECT_NEAR(M::assocLogK, t.logK, 0.03);
    EXPECT_LT(CalcFitRmsd(), 1.1 * kNoise) << "from " << startRmsd;
    const std::vector<std::string> report = ParameterReportLines();
    ASSERT_GE(report.size(), 4u);
    EXPECT_EQ(report[0], "sedimentation equilibrium A + B <-> AB");
    EXPECT_EQ(report[1].rfind("A: buoyant M = 1", 0), 0u) << report[1];
    EXPECT_EQ(report[3].rfind("log10(Ka) = ", 0), 0u) << report[3];
    EXPECT_NE(report[3].find(" (f), complex of the loading = "), std::string::npos) << report[3];
    f.Paint();
    ASSERT_TRUE(plat::test::windowPng(*f.window, f.data.file("association.png")));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/association.png");
}

} // namespace
