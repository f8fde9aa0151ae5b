// What the c(s) kernel's Lamm list takes from the program's records: each option reaches the
// template as loaded, and the loads that change the physics change the kernel as they should
// (time offset, rotor speed profile, zone loading, grid size), checked against closed forms or
// against runs that reach the same physics another way.
#include "distributions/conti_lamm_list.h"
#include "lamm/lamm_ideal.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/conti_scan_store.h"
#include "support/lamm_list_harness.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

using G = LammGrid;
using M = ModelParameters;
using IS = InhomogeneousSolvent;

// The template as the kernel list loads it for one equation of s (S) with D from f/f0 1.2.
void LoadTemplate(CLammIdeal& o, double sS = 4.0) {
    gContiKernel.Allocate(1, ScanStore::scanCount, ScanStore::gridRadius, ScanStore::gridCount);
    LoadContiLammTemplate(o, SilentObserver(), sS, DiffusionFromSAndFf0(sS, 1.2),
                          gContiKernel.Targets()[1]);
}

// The kernel column of one species of s (S), D (cm^2/s); the list must succeed.
std::vector<std::vector<float>> SolveOne(double sS, double dCm2s) {
    const double s[2] = {0.0, sS}, D[2] = {0.0, dCm2s};
    EXPECT_EQ(RunSVContiSedList(nullptr, SilentObserver(), 1, s, D, nullptr), LammResult::Solved);
    return KernelColumn(1);
}

double MaxDifference(const std::vector<std::vector<float>>& a,
                     const std::vector<std::vector<float>>& b) {
    double worst = 0.0;
    for (std::size_t k = 1; k < a.size(); ++k)
        for (std::size_t i = 1; i < a[k].size(); ++i)
            worst = std::max(worst, std::fabs(double(a[k][i]) - b[k][i]));
    return worst;
}

// Radius where a sedimentation boundary crosses half its plateau (the value at plateauRadius).
double HalfPlateauRadius(const std::vector<float>& row, const std::vector<float>& radii,
                         double plateauRadius) {
    std::size_t p = 1;
    while (p + 1 < radii.size() && radii[p] < plateauRadius)
        ++p;
    const double half = 0.5 * row[p];
    for (std::size_t i = 2; i <= p; ++i)
        if (row[i] >= half)
            return radii[i - 1] +
                   (half - row[i - 1]) / (row[i] - row[i - 1]) * (radii[i] - radii[i - 1]);
    return 0.0;
}

struct OptionCase {
    const char* name;
    std::function<void()> set;
    std::function<bool(const CLammIdeal&)> loaded;
};

} // namespace

// Every option that the equations share reaches the template, in its own field: the long
// positional loaders make a swapped or skipped option easy to miss by eye.
TEST(ContiLammLoading, TemplateCarriesEachOption) {
    const OptionCase cases[] = {
        {"default grid size", [] { G::defaultGridSize = 357; },
         [](const CLammIdeal& o) { return o.defaultGridSize == 357; }},
        {"grid limits", [] { M::minGridSize = 120, M::maxGridSize = 1500; },
         [](const CLammIdeal& o) { return o.lowerGridLimit == 120 && o.upperGridLimit == 1500; }},
        {"points per sigma", [] { M::pointsPerSigma = 7.5f; },
         [](const CLammIdeal& o) { return o.pointsPerSigma == 7.5f; }},
        {"automatic grid size off", [] { M::autoGridSize = false; },
         [](const CLammIdeal& o) { return !o.autoDynamicGridSize; }},
        {"max dc/c", [] { G::maxDcOverC = 0.5; },
         [](const CLammIdeal& o) { return o.maxDcOverC == 0.5; }},
        {"step factors", [] { G::stepFactor = 3.0, G::stepBlend = 0.7; },
         [](const CLammIdeal& o) { return o.timeStepFactorA == 3.0 && o.timeStepFactorB == 0.7; }},
        {"algorithm thresholds", [] { G::autoChangeS = 7.0f, G::autoChangeSOptimized = 70.0f; },
         [](const CLammIdeal& o) {
             return o.normalizedS == 7.0 && o.normalizedSOptimized == 70.0;
         }},
        {"Claverie by hand",
         [] {
             ModelChoice::automaticAlgorithm = ModelChoice::movingHatAlgorithm = false;
             ModelChoice::claverieAlgorithm = true;
         },
         [](const CLammIdeal& o) {
             return !o.automaticAlgorithm && o.claverieAlgorithm && !o.movingHatAlgorithm;
         }},
        {"moving hat by hand",
         [] {
             ModelChoice::automaticAlgorithm = ModelChoice::claverieAlgorithm = false;
             ModelChoice::movingHatAlgorithm = true;
         },
         [](const CLammIdeal& o) {
             return !o.automaticAlgorithm && !o.claverieAlgorithm && o.movingHatAlgorithm;
         }},
        {"truncation", [] { G::truncateGrid = false, G::truncationLevel = 1e-5; },
         [](const CLammIdeal& o) {
             return !o.dynamicallyTruncateGrid && o.truncationThreshold == 1e-5;
         }},
        {"back-diffusion", [] { G::shutOffBackDiffusion = false, G::backDiffusionLevel = 1e-3; },
         [](const CLammIdeal& o) {
             return !o.shutOffBackDiffusionOption && o.backDiffusionLevel == 1e-3;
         }},
        {"optimized spacing off", [] { G::optimizeGridSpacing = false; },
         [](const CLammIdeal& o) { return !o.optimizeSpacing; }},
        {"fixed time step", [] { ModelChoice::fixedTimeStep = true; },
         [](const CLammIdeal& o) { return o.fixTimestep; }},
        {"rotor ramp", [] { ScanStore::rampRotorSpeed = true; },
         [](const CLammIdeal& o) { return o.rampRotorSpeed; }},
        {"no rotor ramp", [] {}, [](const CLammIdeal& o) { return !o.rampRotorSpeed; }},
        {"acceleration check off", [] { ScanStore::checkAcceleration = false; },
         [](const CLammIdeal& o) { return !o.checkAcceleration; }},
        {"acceleration check on", [] {}, [](const CLammIdeal& o) { return o.checkAcceleration; }},
        {"equilibrium threshold", [] { G::equilibriumThreshold = 1e-7; },
         [](const CLammIdeal& o) { return o.timeStepControlValue == 1e-7; }},
        {"s grid by hand", [] { G::automaticSGrid = false, G::sGrid = 3.0; },
         [](const CLammIdeal& o) { return !o.automaticSGrid && o.sGridValue == 3.0; }},
        {"mass check", [] { G::profileCurves = true; },
         [](const CLammIdeal& o) { return o.massCheck != 0; }},
        {"run on after the last scan", [] { G::finalProfileToLastScan = true; },
         [](const CLammIdeal& o) { return o.continuation; }},
        {"time offset", [] { M::startTimeOn = true, M::startTime = 120.0f; },
         [](const CLammIdeal& o) { return o.sedimentationTimeOffset == 120.0; }},
        {"time offset switched off", [] { M::startTime = 120.0f; },
         [](const CLammIdeal& o) { return o.sedimentationTimeOffset == 0.0; }},
        {"inverted zone",
         [] {
             ModelChoice::zoneCentrifugation = ModelChoice::zoneInverted = true;
             M::zoneLayerThickness = 0.07f;
         },
         [](const CLammIdeal& o) { return o.zoneLoading && o.zoneWidth == 0.07f && o.emptyZone; }},
        {"no zone without its model", [] { M::zoneLayerThickness = 0.07f; },
         [](const CLammIdeal& o) { return !o.zoneLoading; }},
        {"quiet while fitting", [] { FitControl::fitInProgress = true; },
         [](const CLammIdeal& o) { return o.quietWhileFitting; }},
        {"temperature of the store", [] { ScanStore::absoluteTemperature = 298.15f; },
         [](const CLammIdeal& o) { return std::fabs(o.temperature - 25.0f) < 1e-4f; }},
        {"scanning time of absorbance optics",
         [] {
             ScanDataKind::absorbance = G::simulateTimeResolution = true;
             G::scanVelocity = 2.4f;
             M::meniscus = 6.1f; // the scanner starts 0.1 cm before the meniscus
             ScanStore::leftFitLimit = 6.15f;
         },
         [](const CLammIdeal& o) {
             return o.simulateTimeResolution && o.scanVelocity == 2.4f &&
                    std::fabs(o.timeShift - 2.5) < 1e-4;
         }},
        {"scanning time needs absorbance data",
         [] {
             G::simulateTimeResolution = true;
             M::meniscus = 6.1f;
             ScanStore::leftFitLimit = 6.15f;
         },
         [](const CLammIdeal& o) { return !o.simulateTimeResolution && o.timeShift == 0.0; }},
        {"radial resolution of absorbance optics",
         [] {
             ScanDataKind::absorbance = G::simulateRadialResolution = true;
             G::radialConvolutionRange = 0.01f;
         },
         [](const CLammIdeal& o) { return o.simulateRadialResolution && o.radialRange == 0.01f; }},
        {"compressible solvent",
         [] {
             ModelChoice::inhomogeneousSolvent = true;
             IS::compressibility = 5e-4, IS::bufferDensity = 1.01f, IS::relativeViscosity = 1.1f;
         },
         [](const CLammIdeal& o) {
             return o.inhomogeneousSolvent && o.compressibleSolvent && o.kappa == 5e-4 &&
                    o.rho0 == 1.01f && o.viscosityRatio == 1.1f && !o.cosolventGradient;
         }},
        {"sedimenting cosolute",
         [] {
             ModelChoice::inhomogeneousSolvent = true;
             IS::compressibleSolvent = false;
             IS::sedimentingCosolute = IS::dynamicGradient = IS::addWaterCompressibility = true;
             IS::apparentS = 0.3, IS::apparentD = 4e-6, IS::gridSize = 60;
             IS::macromoleculeVbar = 0.75f, IS::loadingConcentration = 2.0;
             IS::viscosityCoefficients = {0.0, 1.0, 2.0};
             IS::densityCoefficients = {0.0, 1.0, 0.1, 0.2};
         },
         [](const CLammIdeal& o) {
             return o.inhomogeneousSolvent && !o.compressibleSolvent && o.cosolventGradient &&
                    o.cosolventCompressible && o.secondComponentOn && o.cosolventS == 0.3 &&
                    o.cosolventD == 4e-6 && o.cosolventGridCount == 60 &&
                    o.cosolventLoading == 2.0 && o.vbarSecond == 0.75f &&
                    o.cosolventArray1 == std::vector<double>{0.0, 1.0, 2.0} &&
                    o.cosolventArray2 == std::vector<double>{0.0, 1.0, 0.1, 0.2};
         }},
        {"solvent settings without the model", [] { IS::relativeViscosity = 1.1f; },
         [](const CLammIdeal& o) { return !o.inhomogeneousSolvent && o.viscosityRatio == 1.0f; }},
    };
    for (const OptionCase& c : cases) {
        ContiScanStore store;
        c.set();
        CLammIdeal o;
        LoadTemplate(o);
        EXPECT_TRUE(c.loaded(o)) << c.name;
        EXPECT_TRUE(o.modelSet && o.discretizationLoaded && o.outputLoaded) << c.name;
    }
}

// With the automatic size off, the solution runs on exactly the grid size asked for.
TEST(ContiLammLoading, GridSizeIsTheOneAsked) {
    for (const int asked : {357, 1234}) {
        ContiScanStore store;
        M::autoGridSize = false;
        G::defaultGridSize = asked;
        CLammIdeal o;
        LoadTemplate(o);
        ASSERT_EQ(o.Run(), LammResult::Solved);
        EXPECT_EQ(o.N, asked);
    }
}

// A sedimentation time offset t0 starts the solution at t0: the kernel at scan times T equals
// the one without offset at T - t0, and the boundary lags by ln(r) = s w^2 t0.
TEST(ContiLammLoading, TimeOffsetStartsTheSolutionLater) {
    const double sS = 4.0, dCm2s = DiffusionFromSAndFf0(sS, 1.2), t0 = 300.0;
    std::vector<std::vector<float>> offset, shifted, plain;
    std::vector<float> radii;
    {
        ContiScanStore store;
        M::startTimeOn = true;
        M::startTime = float(t0);
        offset = SolveOne(sS, dCm2s);
        radii = store.radii;
    }
    {
        ContiScanStore store;
        store.ShiftTimes(-t0);
        shifted = SolveOne(sS, dCm2s);
    }
    {
        ContiScanStore store;
        plain = SolveOne(sS, dCm2s);
    }
    EXPECT_LT(MaxDifference(offset, shifted), 1e-3) << "tolerance 1e-3 of the loading";
    const double w = 50000.0 * M_PI / 30.0;
    const double expected = sS * 1e-13 * w * w * t0;
    const int last = int(offset.size()) - 1;
    const double lag = std::log(HalfPlateauRadius(plain[last], radii, 6.8) /
                                HalfPlateauRadius(offset[last], radii, 6.8));
    EXPECT_NEAR(lag, expected, 0.1 * expected) << "tolerance 10 %";
}

// A loaded rotor speed profile, not the speed recorded in the scans, drives the solution: a
// profile holding 40,000 rpm gives the kernel of scans recorded at 40,000 rpm.
TEST(ContiLammLoading, SpeedProfileDrivesTheRotor) {
    const double sS = 6.0, dCm2s = DiffusionFromSAndFf0(sS, 1.2);
    std::vector<std::vector<float>> profiled, at40k, at50k;
    {
        ContiScanStore store;
        CRotorSpeedProfile profile;
        const float start[3] = {0.0f, 0.0f, 1e6f}, speed[3] = {0.0f, 40000.0f, 40000.0f},
                    accel[3] = {0.0f, 1e5f, 1e5f};
        profile.SetSteps(2, start, speed, accel);
        profile.scanSpeedMode = 0;
        ScanStore::speedProfile = &profile;
        ScanStore::speedProfileInForce = true;
        profiled = SolveOne(sS, dCm2s);
        ScanStore::speedProfile = nullptr;
    }
    {
        ContiScanStore store;
        store.SetRpm(40000.0f);
        at40k = SolveOne(sS, dCm2s);
    }
    {
        ContiScanStore store;
        at50k = SolveOne(sS, dCm2s);
    }
    EXPECT_LT(MaxDifference(profiled, at40k), 2e-3) << "tolerance 2e-3 of the loading";
    EXPECT_GT(MaxDifference(at40k, at50k), 0.1) << "the speed must matter for this test";
}

// Zone loading puts the material in a layer at the meniscus: the amount, the integral of c r dr,
// stays what was loaded in every scan (the layer's edge falls between two nodes of the solver's
// grid), and the zone travels as a band that leaves the meniscus and stays clear of the bottom.
// The inverted zone leaves that layer empty: it holds the amount of the whole column on the same
// uniform grid less the layer's.
TEST(ContiLammLoading, ZoneLoadingPutsTheLoadInTheLayer) {
    const double sS = 5.0, dCm2s = DiffusionFromSAndFf0(sS, 1.2), w = 0.05;
    ContiStoreCase c;
    c.scans = 3, c.firstTimeS = 1800.0;
    const double m = c.meniscus, b = c.bottom, layer = ((m + w) * (m + w) - m * m) / 2;
    auto amounts = [&](bool zone, bool inverted) {
        ContiScanStore store(c);
        M::autoGridSize = false; // the grid zone loading always has
        ModelChoice::zoneCentrifugation = zone;
        ModelChoice::zoneInverted = inverted;
        M::zoneLayerThickness = float(w);
        const auto kernel = SolveOne(sS, dCm2s);
        std::vector<double> amount(c.scans + 1);
        for (int k = 1; k <= c.scans; ++k) {
            amount[k] = RadialAmount(kernel[k].data(), store.radii.data(), c.points);
            if (zone && !inverted) {
                EXPECT_LT(kernel[k][1], 0.01f) << "meniscus cleared, scan " << k;
                EXPECT_LT(kernel[k][c.points - 20], 1e-3f) << "bottom not reached, scan " << k;
            }
        }
        return amount;
    };
    const auto band = amounts(true, false), rest = amounts(true, true), all = amounts(false, false);
    const double tolerance = 0.6 * (m + w) * (b - m) / (G::defaultGridSize - 1);
    for (int k = 1; k <= c.scans; ++k) {
        EXPECT_NEAR(band[k], layer, tolerance) << "zone, scan " << k << ", tolerance " << tolerance;
        EXPECT_NEAR(all[k] - rest[k], layer, 2 * tolerance)
            << "inverted zone, scan " << k << ", tolerance " << 2 * tolerance;
    }
}

// A failed list is reported to the user through the error report of the simulation: here the
// scans record a rotor acceleration too slow to be simulated.
TEST(ContiLammLoading, FailedListIsReported) {
    ContiScanStore store;
    ScanStore::rampRotorSpeed = true;
    for (ScanHeader& h : store.headers)
        h.accelerationRate = 1.0;
    plat::test::Script script;
    script.onUnexpected(plat::test::Unexpected::DefaultButton);
    const double s[3] = {0.0, 2.0, 4.0}, D[3] = {0.0, 5e-7, 4e-7};
    EXPECT_EQ(RunSVContiSedList(nullptr, SilentObserver(), 2, s, D, nullptr),
              LammResult::AccelerationTooSlow);
    bool reported = false;
    for (const plat::test::PromptRecord& r : script.log())
        reported =
            reported || (r.caption == "ERROR in simulation" &&
                         r.text.find("temperature equilibration at 3000 rpm") != std::string::npos);
    EXPECT_TRUE(reported) << script.logText();
}

// A solvent twice as viscous as water and of water's density halves s and D at every radius,
// whether it is a compressible solvent that is not compressed or a cosolute that stays where it
// was loaded (s = 0): the kernel is that of s/2 and D/2 in water.
TEST(ContiLammLoading, ViscousSolventScalesSAndD) {
    struct Case {
        const char* name;
        void (*solvent)();
    };
    const Case cases[] = {
        {"compressible solvent",
         [] {
             IS::compressibility = 0.0, IS::bufferDensity = 0.99823f;
             IS::relativeViscosity = 2.0f;
         }},
        {"cosolute at rest",
         [] {
             IS::compressibleSolvent = false;
             IS::sedimentingCosolute = IS::dynamicGradient = true;
             IS::apparentS = 0.0, IS::apparentD = 1e-9, IS::loadingConcentration = 1.0;
             IS::macromoleculeVbar = 0.73f;
             IS::bufferDensity = 0.99823f, IS::relativeViscosity = 2.0f;
             IS::viscosityCoefficients = {0.0, 2.0}; // eta = 2 eta_w at any molarity
             IS::densityCoefficients = {0.0, 0.99823};
         }},
    };
    const double sS = 6.0, dCm2s = DiffusionFromSAndFf0(sS, 1.2);
    auto solve = [](double s, double d, void (*solvent)()) {
        ContiScanStore store;
        ModelChoice::automaticAlgorithm = ModelChoice::movingHatAlgorithm = false;
        ModelChoice::claverieAlgorithm = true;
        M::autoGridSize = false;
        if (solvent != nullptr) {
            ModelChoice::inhomogeneousSolvent = true;
            solvent();
        }
        return SolveOne(s, d);
    };
    const auto halved = solve(sS / 2, dCm2s / 2, nullptr), water = solve(sS, dCm2s, nullptr);
    ASSERT_GT(MaxDifference(halved, water), 0.1) << "the viscosity must matter for this test";
    for (const Case& c : cases)
        EXPECT_LT(MaxDifference(solve(sS, dCm2s, c.solvent), halved), 2e-3)
            << c.name << ", tolerance 2e-3 of the loading";
}
