// Seeded draws across the legal ranges of the concentration-dependent, associating, reacting,
// buffer-mismatch and solvent models, each chosen through the menu with its dialogs answered, on
// a small velocity store of drawn speed, run length, column and scan count, with drawn numerical
// options of the Lamm solution. On every draw Run ends within bounded time, and either shows a
// model whose fit, rmsd, parameters and report are finite and of sensible size, or says why it
// could not with a box and leaves the Run not evaluated. A few draws go on to Fit on their own
// model taken as data, under the same checks.
#include "app/buffer_sed_box.h"
#include "app/lamm_params_box.h"
#include "app/params_box.h"
#include "app/solvent_params_box.h"
#include "fitting/parameter_report.h"
#include "fitting/params_transfer.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"
#include "support/race_checker.h"
#include "support/temp_folder.h"
#include "support/velocity_store.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <mutex>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;
using C = ModelChoice;

enum class Family {
    NonidealSingle,
    MonomerDimer,
    MonomerTrimer,
    DimerTetramer,
    TetramerOctamer,
    Reacting,
    BufferMismatch,
    Cosolute,
    CompressibleSolvent,
};

struct FamilyCase {
    Family family;
    const char* name;
    int draws;
};

// A hang becomes a failure naming the draw: a watchdog ends the process when one draw outlives
// its bound (generous, so that a loaded machine or a sanitizer build does not trip it).
class Watchdog {
  public:
    Watchdog() : thread_([this] { Watch(); }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        wake_.notify_all();
        thread_.join();
    }
    void Start(const std::string& what) {
        std::lock_guard<std::mutex> lock(mutex_);
        what_ = what;
        deadline_ = std::chrono::steady_clock::now() + std::chrono::seconds(kBoundS);
        armed_ = true;
    }
    void Stop() {
        std::lock_guard<std::mutex> lock(mutex_);
        armed_ = false;
    }

  private:
    // A draw that takes longer hangs; the race checker slows every draw several times over.
    static constexpr int kBoundS = FullOrUnderRaceChecker(240, 1800);
    void Watch() {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!stop_) {
            wake_.wait_for(lock, std::chrono::milliseconds(250));
            if (armed_ && std::chrono::steady_clock::now() > deadline_) {
                std::fprintf(stderr, "draw did not end within %d s: %s\n", kBoundS, what_.c_str());
                std::fflush(stderr);
                std::_Exit(3);
            }
        }
    }
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stop_ = false, armed_ = false;
    std::string what_;
    std::chrono::steady_clock::time_point deadline_;
    std::thread thread_;
};

double LogUniform(std::mt19937& g, double lo, double hi) {
    return std::exp(std::uniform_real_distribution<double>(std::log(lo), std::log(hi))(g));
}
double Uniform(std::mt19937& g, double lo, double hi) {
    return std::uniform_real_distribution<double>(lo, hi)(g);
}
int Integer(std::mt19937& g, int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(g);
}
bool Chance(std::mt19937& g, double p) {
    return Uniform(g, 0.0, 1.0) < p;
}

// The experiment and the numerical options of one draw.
struct Cell {
    double rpm = 50000;
    double meniscus = 6.0, bottom = 7.2;
    int scans = 5, points = 60;
    double firstScanS = 600, intervalS = 600;
    bool ramp = false;  // the header's omega^2 t carries an acceleration phase
    bool rampOn = true; // "ramp rotor speed" in the Lamm options
    bool timesFromW2t = false;
    bool movingHat = true;
    bool autoGrid = true;
    int gridSize = 200;
};

Cell DrawCell(std::mt19937& g) {
    Cell c;
    c.rpm = std::round(LogUniform(g, 3000, 60000));
    c.meniscus = Chance(g, 0.3) ? c.bottom - Uniform(g, 0.06, 0.2) : Uniform(g, 5.8, 6.9);
    c.scans = Chance(g, 0.3) ? Integer(g, 2, 3) : Integer(g, 4, 14);
    c.points = Integer(g, 25, 90);
    const double run = Chance(g, 0.25) ? Uniform(g, 300, 1200) : LogUniform(g, 1200, 1.0e5);
    c.firstScanS = std::round(run / c.scans);
    c.intervalS = c.firstScanS;
    c.ramp = Chance(g, 0.5);
    c.rampOn = Chance(g, 0.6);
    c.timesFromW2t = Chance(g, 0.4);
    c.movingHat = Chance(g, 0.5);
    c.autoGrid = Chance(g, 0.4);
    c.gridSize = Integer(g, 60, 400);
    return c;
}

std::string Describe(const Cell& c) {
    char text[300];
    std::snprintf(text, sizeof text,
                  "%.0f rpm, meniscus %.3f, bottom %.2f, %d scans of %d points every %.0f s%s, "
                  "ramp option %s, times from w2t %s, %s, grid %s %d",
                  c.rpm, c.meniscus, c.bottom, c.scans, c.points, c.intervalS,
                  c.ramp ? " after a ramp" : "", c.rampOn ? "on" : "off",
                  c.timesFromW2t ? "on" : "off", c.movingHat ? "moving hat" : "fixed grid",
                  c.autoGrid ? "automatic from" : "of", c.gridSize);
    return text;
}

// An empty store of the cell's scans (the Run's model is what is checked, not a fit to data).
void FillStore(MainWindowFixture& f, const Cell& c) {
    VelocitySet set;
    set.species.clear();
    set.scans = c.scans;
    set.points = c.points;
    set.firstRadius = c.meniscus + 0.01;
    set.lastRadius = c.bottom - 0.01;
    set.rpm = c.rpm;
    set.firstScanS = c.firstScanS;
    set.intervalS = c.intervalS;
    set.meniscus = c.meniscus;
    set.bottom = c.bottom;
    set.leftFitLimit = float(c.meniscus + 0.015);
    set.rightFitLimit = float(c.bottom - 0.015);
    StartVelocityRoad(f, set);
    if (!c.ramp)
        return;
    // A rotor accelerating evenly to speed in rpm / 200 s: omega^2 t lags by two thirds of it.
    const double accel = c.rpm / 200.0;
    const double omega2 = std::pow(c.rpm * M_PI / 30.0, 2);
    for (int k = 1; k <= S::scanCount; ++k) {
        ScanHeader& h = S::header[k];
        h.accelerationTime = float(accel);
        h.accelerationRate = 200.0f;
        h.omega2t = float(omega2 * std::max(h.time - 2.0 * accel / 3.0, 1.0));
    }
}

// The numerical options through their dialog; a changed setting is not kept as the default.
void ChooseLammOptions(MainWindowFixture& f, const Cell& c) {
    auto& step = f.script.expectDialog(kLammParamsDialogId)
                     .check(kLpAutoGridSize, c.autoGrid)
                     .set(kLpDefaultGridSize, std::to_string(c.gridSize))
                     .set(kLpMinGridSize, std::to_string(std::min(c.gridSize, 75)))
                     .check(kLpAutomaticAlgorithm, false)
                     .check(kLpMovingHat, c.movingHat)
                     .check(kLpClaverie, !c.movingHat)
                     .check(kLpTimesFromW2t, c.timesFromW2t)
                     .check(kLpRampRotorSpeed, c.rampOn);
    step.ok();
    SendCommand(f, 611);
}

struct Species {
    double s = 0.0, d = 0.0, mass = 0.0, loading = 0.0;
    bool on = false;
};

// What one draw enters: the species (monomer, oligomers; or A, B and the complex), the
// constants, and the buffer's or the solvent's values for the families that have them.
struct ModelDraw {
    Family family = Family::NonidealSingle;
    Species species[4];
    double logK = 0.0, secondLogK = 0.0, logKs = -8.0, logKd = -8.0;
    bool nonidealPositive = true;
    double bufferSignal = 0.0, bufferS = 0.0, bufferD = 0.0, referenceShift = 0.0;
    double cosoluteLoading = 0.0, densityA = 0.0, densityB = 0.0, viscosityA = 0.0,
           viscosityB = 0.0, cosoluteS = 0.0;
    bool cesiumChloride = false;
    double solventDensity = 1.0, solventViscosity = 0.01, compressibility = 1e-4;
};

Species DrawSpecies(std::mt19937& g) {
    return {LogUniform(g, 0.1, 100.0), LogUniform(g, 1e-9, 1e-5), LogUniform(g, 1e3, 1e7),
            LogUniform(g, 1e-3, 10.0), true};
}

// An n-mer of the monomer a: s and D near those of a compact particle n times its mass.
Species Oligomer(std::mt19937& g, const Species& a, double n) {
    return {a.s * std::pow(n, 2.0 / 3.0) * Uniform(g, 0.8, 1.2),
            a.d * std::pow(n, -1.0 / 3.0) * Uniform(g, 0.8, 1.2), a.mass * n, 0.0, true};
}

ModelDraw DrawModel(std::mt19937& g, Family family) {
    ModelDraw d;
    d.family = family;
    Species& a = d.species[1];
    a = DrawSpecies(g);
    d.logK = Uniform(g, -8.0, 8.0);
    switch (family) {
    case Family::NonidealSingle:
        d.logKs = Uniform(g, -4.0, 3.0);
        d.logKd = Uniform(g, -4.0, 3.0);
        d.nonidealPositive = Chance(g, 0.8);
        break;
    case Family::MonomerDimer:
        d.species[2] = Oligomer(g, a, 2);
        d.species[2].on = false; // the dimer follows from the monomer and K
        break;
    case Family::MonomerTrimer:
        d.species[2] = d.species[3] = Oligomer(g, a, 3);
        break;
    case Family::DimerTetramer:
    case Family::TetramerOctamer: {
        const double n = family == Family::DimerTetramer ? 2 : 4;
        d.species[2] = Oligomer(g, a, n);
        d.species[3] = Oligomer(g, a, 2 * n);
        d.secondLogK = Uniform(g, -8.0, 8.0);
        break;
    }
    case Family::Reacting: {
        const Species b = DrawSpecies(g);
        Species ab = a;
        ab.mass = a.mass + b.mass;
        ab.s = (a.s + b.s) * Uniform(g, 0.6, 1.2);
        ab.d = std::min(a.d, b.d) * Uniform(g, 0.6, 1.0);
        ab.loading = 0.0;
        d.species[2] = b;
        d.species[3] = ab;
        break;
    }
    case Family::BufferMismatch:
        // the buffer's signal of either sign, its s and D, a reference meniscus near the sample's
        d.bufferSignal = Uniform(g, -2.0, 2.0);
        d.bufferS = LogUniform(g, 0.01, 3.0);
        d.bufferD = LogUniform(g, 1.0, 200.0);
        d.referenceShift = Uniform(g, -0.05, 0.05);
        break;
    case Family::Cosolute:
        // a sedimenting cosolute up to CsCl-like densities: rho_w + a c + b c^2 (in 1e-2) and a
        // viscosity polynomial, read from coefficient files
        d.cosoluteLoading = LogUniform(g, 0.05, 6.0);
        d.densityA = Uniform(g, 2.0, 13.0), d.densityB = Uniform(g, 0.0, 1.0);
        d.viscosityA = Uniform(g, -5.0, 10.0), d.viscosityB = Uniform(g, 0.0, 10.0);
        d.cesiumChloride = Chance(g, 0.3);
        d.cosoluteS = LogUniform(g, 0.05, 2.0);
        break;
    case Family::CompressibleSolvent:
        // up to densities at which a protein floats
        d.solventDensity = Uniform(g, 0.99, 1.7);
        d.solventViscosity = LogUniform(g, 0.005, 0.5);
        d.compressibility = LogUniform(g, 1e-6, 1e-3);
        break;
    }
    return d;
}

std::string Describe(const char* name, const Species& sp) {
    char text[160];
    std::snprintf(text, sizeof text, "%s s %.4g S, D %.3g cm^2/s, M %.4g Da, loading %.3g", name,
                  sp.s, sp.d, sp.mass, sp.loading);
    return text;
}

std::string Describe(const ModelDraw& d) {
    std::ostringstream what;
    what << Describe("species 1", d.species[1]);
    for (int k = 2; k <= 3; ++k)
        if (d.species[k].mass > 0.0)
            what << "; " << Describe(k == 2 ? "species 2" : "species 3", d.species[k]);
    switch (d.family) {
    case Family::NonidealSingle:
        what << "; log ks " << d.logKs << ", log kd " << d.logKd
             << (d.nonidealPositive ? "" : " (negative)");
        break;
    case Family::DimerTetramer:
    case Family::TetramerOctamer:
        what << "; log K " << d.logK << ", second log K " << d.secondLogK;
        break;
    case Family::MonomerDimer:
    case Family::MonomerTrimer:
    case Family::Reacting:
        what << "; log K " << d.logK;
        break;
    case Family::BufferMismatch:
        what << "; buffer signal " << d.bufferSignal << ", s " << d.bufferS << ", D " << d.bufferD
             << ", reference meniscus " << d.referenceShift << " cm off";
        break;
    case Family::Cosolute:
        what << "; cosolute " << d.cosoluteLoading << " M of s " << d.cosoluteS
             << ", density 0.99823 + " << d.densityA << "e-2 c + " << d.densityB
             << "e-2 c^2, viscosity 1 + " << d.viscosityA << "e-2 c + " << d.viscosityB << "e-2 c^2"
             << (d.cesiumChloride ? ", CsCl" : "");
        break;
    case Family::CompressibleSolvent:
        what << "; solvent density " << d.solventDensity << ", viscosity " << d.solventViscosity
             << " P, compressibility " << d.compressibility;
        break;
    }
    return what.str();
}

std::string Number(double v) {
    char text[40];
    std::snprintf(text, sizeof text, "%.6g", v);
    return text;
}

// One species' values in the form the model shows: D in 1e-7 cm^2/s, or M in Da.
void SetSpecies(int k, const Species& sp, bool floated) {
    M::speciesOn[k] = sp.on ? 1 : 0;
    M::concentration[k] = float(sp.loading);
    M::speciesS[k] = float(sp.s);
    M::speciesDOrM[k] = float(C::equilibriumMs ? sp.mass : sp.d * 1e7);
    M::concentrationFloat[k] = 0;
    M::speciesSFloat[k] = floated ? 1 : 0;
    M::speciesDOrMFloat[k] = 0;
}

constexpr int kModelCommand[] = {227, 197, 229, 228, 520, 267, 198, 198, 198};

// The model chosen through the menu and the draw entered: the species through the parameters
// dialog, the buffer's and the solvent's values through theirs.
void ChooseModel(MainWindowFixture& f, const ModelDraw& d) {
    const std::string what = Describe(d);
    SendCommand(f, kModelCommand[int(d.family)]);
    // the free monomer (or A) is the value a fit moves; the complex of a reaction too
    for (int k = 1; k <= M::maxSpecies; ++k)
        SetSpecies(k, d.species[k < 4 ? k : 0], k == 1 || (d.family == Family::Reacting && k == 3));
    M::logKs = float(d.logKs);
    M::logKd = float(d.logKd);
    M::nonidealPositive = d.nonidealPositive;
    M::assocLogK = float(d.logK);
    M::oligoLogK3 = float(d.secondLogK);
    M::assocLogKFloat = 0;
    M::meniscusFloat = M::bottomFloat = 0;
    PackFitParameters();
    const std::size_t from = f.script.log().size();
    f.script.expectDialog(kDiscreteParamsDialogId).ok();
    SendCommand(f, 212);
    for (std::size_t i = from; i < f.script.log().size(); ++i)
        EXPECT_NE(f.script.log()[i].caption, "Input Error")
            << "a value in its legal range refused: " << what << "\n"
            << f.script.logText();

    if (d.family == Family::BufferMismatch) {
        f.script.expectDialog(kBufferSedDialogId)
            .check(kBsOn)
            .set(kBsSignal, Number(d.bufferSignal))
            .set(kBsSampleS, Number(d.bufferS))
            .set(kBsSampleD, Number(d.bufferD))
            .check(kBsMeniscusMismatch)
            .set(kBsMeniscusDifference, Number(d.referenceShift))
            .ok();
        SendCommand(f, 552);
        EXPECT_TRUE(BufferSedimentation::on) << f.script.logText();
    }
    if (d.family == Family::Cosolute) {
        const std::string density = f.data.file("density.dat");
        const std::string viscosity = f.data.file("viscosity.dat");
        WriteTextFile(density,
                      "0.99823\n0\n" + Number(d.densityA) + "\n" + Number(d.densityB) + "\n");
        WriteTextFile(viscosity,
                      "1.0\n0\n" + Number(d.viscosityA) + "\n" + Number(d.viscosityB) + "\n");
        f.script.expectDialog(kSolventParamsDialogId)
            .check(kSpModelOn)
            .check(kSpCosolute)
            .set(kSpLoading, Number(d.cosoluteLoading))
            .set(kSpApparentS, Number(d.cosoluteS))
            .check(kSpCesiumChloride, d.cesiumChloride)
            .check(kSpLoadDensityFile)
            .check(kSpLoadViscosityFile)
            .ok();
        f.script.expectFileOpen().answer(std::vector<std::string>{density});
        f.script.expectFileOpen().answer(std::vector<std::string>{viscosity});
        SendCommand(f, 542);
        EXPECT_TRUE(C::inhomogeneousSolvent) << f.script.logText();
    }
    if (d.family == Family::CompressibleSolvent) {
        f.script.expectDialog(kSolventParamsDialogId)
            .check(kSpModelOn)
            .check(kSpCosolute, false)
            .set(kSpBufferDensity, Number(d.solventDensity))
            .set(kSpCompressibility, Number(d.compressibility))
            .set(kSpBufferViscosity, Number(d.solventViscosity))
            .ok();
        SendCommand(f, 542);
        EXPECT_TRUE(C::inhomogeneousSolvent) << f.script.logText();
    }
}

// The signal loaded: the species' loadings, the baseline and the buffer's signal.
double LoadedSignal() {
    double total = std::fabs(M::baseline);
    for (int k = 1; k <= M::maxSpecies; ++k)
        total += std::fabs(M::concentration[k]);
    if (BufferSedimentation::on)
        total += std::fabs(BufferSedimentation::signal);
    return total;
}

double TotalSignal() {
    return LoadedSignal() + 1.0;
}

bool BoxShownSince(const MainWindowFixture& f, std::size_t from) {
    const auto& log = f.script.log();
    for (std::size_t i = from; i < log.size(); ++i)
        if (log[i].kind == plat::test::PromptKind::Box && !log[i].text.empty())
            return true;
    return false;
}

// What a model shown must hold: every fitted point finite, within a thousand times the signal
// loaded (the most a conserved column can pile up this far from the bottom) and not below minus
// the signal loaded; a finite rmsd, finite parameters, and a report without non-numbers.
void ExpectShownModelSound(const std::string& what) {
    const double bound = 1000.0 * TotalSignal();
    const double lowest = -1.01 * LoadedSignal() - 1e-6;
    int bad = 0;
    float worst = 0.0f;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int i = std::max(S::firstFitIndex[k], 1);
             i <= S::lastFitIndex[k] && i <= S::pointCount[k]; ++i)
            if (!(S::fit[k][i] <= bound && S::fit[k][i] >= lowest)) {
                ++bad;
                worst = S::fit[k][i];
            }
    EXPECT_EQ(bad, 0) << "fit values not finite or absurd, e.g. " << worst << ": " << what;
    const double rmsd = CalcFitRmsd();
    EXPECT_TRUE(std::isfinite(rmsd) && rmsd >= 0.0 && rmsd <= bound) << rmsd << ": " << what;
    for (int slot = 1; slot <= M::kFitSlots; ++slot)
        EXPECT_TRUE(std::isfinite(M::fitValues[slot]))
            << "parameter slot " << slot << " is " << M::fitValues[slot] << ": " << what;
    for (int k = 1; k <= M::maxSpecies; ++k)
        EXPECT_TRUE(std::isfinite(M::speciesS[k]) && std::isfinite(M::speciesDOrM[k]) &&
                    std::isfinite(M::concentration[k]))
            << "species " << k << ": " << what;
    for (const std::string& line : ParameterReportLines()) {
        const bool nan = line.find("nan") != std::string::npos ||
                         line.find("inf") != std::string::npos ||
                         line.find("NaN") != std::string::npos;
        EXPECT_FALSE(nan) << "report line \"" << line << "\": " << what;
    }
}

// Run: a model shown is sound; a model not computed is said with a box and not reported as
// evaluated, and no stale or partial model becomes the result.
bool RunAndCheck(MainWindowFixture& f, const std::string& what) {
    gRunCompleted = false;
    S::resultAvailable = false;
    const std::size_t from = f.script.log().size();
    SendCommand(f, 213);
    if (gRunCompleted) {
        EXPECT_TRUE(S::resultAvailable) << "evaluated without a result: " << what;
        for (std::size_t i = from; i < f.script.log().size(); ++i)
            EXPECT_NE(f.script.log()[i].caption, "DISCRETIZATION ERROR")
                << "a Run that failed shown as a model: " << what;
        ExpectShownModelSound(what);
        return true;
    }
    EXPECT_FALSE(S::resultAvailable) << "a result of a Run not evaluated: " << what;
    EXPECT_TRUE(BoxShownSince(f, from)) << "a Run not evaluated said nothing: " << what << "\n"
                                        << f.script.logText();
    return false;
}

// A fresh window holding the cell's empty scans, its Lamm options and the model of the draw.
std::string Enter(MainWindowFixture& f, const Cell& cell, const ModelDraw& d) {
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    FillStore(f, cell);
    ChooseLammOptions(f, cell);
    ChooseModel(f, d);
    return Describe(cell) + "; " + Describe(d);
}

void PrintDraw(const MainWindowFixture& f, const std::string& what, bool evaluated) {
    if (std::getenv("TARNIX_STRESS_VERBOSE") == nullptr)
        return;
    float top = 0.0f;
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p)
            top = std::max(top, std::fabs(S::fit[k][p]));
    std::printf("%s\n  -> %s, rmsd %g, largest %g\n%s\n", what.c_str(),
                evaluated ? "evaluated" : "refused", CalcFitRmsd(), top,
                f.script.logText().c_str());
}

// The model shown taken as data with noise, Fit by Levenberg-Marquardt from s 10% off.
void FitOwnModel(MainWindowFixture& f, unsigned seed, const std::string& what) {
    std::mt19937 noise(seed);
    std::normal_distribution<float> e(0.0f, 0.002f * float(TotalSignal()));
    for (int k = 1; k <= S::scanCount; ++k)
        for (int p = 1; p <= S::pointCount[k]; ++p)
            S::signal[k][p] = S::fit[k][p] + e(noise);
    M::speciesS[1] *= 1.1f;
    M::speciesSFloat[1] = 1;
    PackFitParameters();
    S::resultAvailable = false;
    FitWithLevenbergMarquardt(f);
    if (S::resultAvailable)
        ExpectShownModelSound(what + " (after Fit)");
    // the fitted values as the parameters dialog shows them
    f.script.expectDialog(kDiscreteParamsDialogId).ok();
    SendCommand(f, 212);
    const DiscreteParamsTransfer& r = f.window->paramsTransfer.discrete;
    std::vector<const char*> texts = {r.cell.meniscus.text,        r.cell.bottom.text,
                                      r.cell.baseline.text,        r.dependence.logK.text,
                                      r.dependence.logKs.text,     r.dependence.logKd.text,
                                      r.dependence.secondLogK.text};
    for (const DiscreteSpeciesTransfer& sp : r.species)
        texts.insert(texts.end(), {sp.loading.text, sp.s.text, sp.dOrM.text});
    for (const char* text : texts) {
        const std::string t(text);
        const bool number = t.find("nan") == std::string::npos &&
                            t.find("inf") == std::string::npos &&
                            t.find("NaN") == std::string::npos;
        EXPECT_TRUE(number) << "the dialog shows \"" << t << "\": " << what;
    }
}

struct Totals {
    int evaluated = 0, refused = 0, fitted = 0;
};

class ModelStress : public testing::TestWithParam<FamilyCase> {};

TEST_P(ModelStress, EveryDrawEndsWithASoundModelOrItsMessage) {
    const FamilyCase fc = GetParam();
    Watchdog watchdog;
    Totals totals;
    std::mt19937 g(20261208u + unsigned(fc.family) * 7919u);
    // TARNIX_STRESS_DRAWS and TARNIX_STRESS_FITS run that many draws per family, and fit that
    // many of them, instead, for a longer search.
    const char* more = std::getenv("TARNIX_STRESS_DRAWS");
    const int draws = more != nullptr && std::atoi(more) > 0 ? std::atoi(more) : fc.draws;
    const char* fits = std::getenv("TARNIX_STRESS_FITS");
    const int fitted = fits != nullptr && std::atoi(fits) > 0 ? std::atoi(fits) : 2;
    for (int draw = 0; draw < draws; ++draw) {
        const Cell cell = DrawCell(g);
        const ModelDraw model = DrawModel(g, fc.family);
        MainWindowFixture f;
        const std::string what =
            std::string(fc.name) + " draw " + std::to_string(draw) + ": " + Enter(f, cell, model);
        SCOPED_TRACE(what);
        watchdog.Start(what);
        const bool evaluated = RunAndCheck(f, what);
        (evaluated ? totals.evaluated : totals.refused)++;
        PrintDraw(f, what, evaluated);
        // The first two draws that gave a model are fitted to it.
        if (evaluated && totals.fitted < fitted) {
            FitOwnModel(f, unsigned(draw) + 1, what);
            ++totals.fitted;
        }
        watchdog.Stop();
        if (HasFatalFailure())
            return;
    }
    std::printf("%s: %d draws evaluated, %d refused with their message, %d fitted\n", fc.name,
                totals.evaluated, totals.refused, totals.fitted);
}

void PrintTo(const FamilyCase& c, std::ostream* os) {
    *os << c.name;
}

const FamilyCase kFamilies[] = {
    {Family::NonidealSingle, "NonidealSingle", 10},
    {Family::MonomerDimer, "MonomerDimer", 10},
    {Family::MonomerTrimer, "MonomerTrimer", 8},
    {Family::DimerTetramer, "DimerTetramer", 8},
    {Family::TetramerOctamer, "TetramerOctamer", 8},
    {Family::Reacting, "Reacting", 6}, // heavy: about 1.5 s a draw
    {Family::BufferMismatch, "BufferMismatch", 8},
    {Family::Cosolute, "Cosolute", 10},
    {Family::CompressibleSolvent, "CompressibleSolvent", 10},
};

INSTANTIATE_TEST_SUITE_P(Draws, ModelStress, testing::ValuesIn(kFamilies),
                         [](const testing::TestParamInfo<FamilyCase>& i) {
                             return std::string(i.param.name);
                         });

// A cell of a draw that was found: equal scan intervals from the start, no ramp in the headers,
// the ramp option on, the recorded times.
Cell FoundCell(double rpm, double meniscus, int scans, int points, double interval, bool movingHat,
               bool autoGrid, int grid) {
    Cell c;
    c.rpm = rpm, c.meniscus = meniscus, c.scans = scans, c.points = points;
    c.firstScanS = c.intervalS = interval;
    c.ramp = false, c.rampOn = true, c.timesFromW2t = false;
    c.movingHat = movingHat, c.autoGrid = autoGrid, c.gridSize = grid;
    return c;
}

// Draws that once ended with a model that was no solution: a fixed-grid step that failed its
// discretization check left zeros from there on and Run showed them with their rmsd; the moving
// frame of a strongly non-ideal species oscillated without bound until the depletion probe took
// the garbage for a depleted cell and wrote zero scans; one pressed against the meniscus by a
// dense, compressible solvent on a coarse grid ran on ever shorter steps for minutes; a heavy
// dimer's scans fell to four times its loading below zero. Each now
// ends with the discretization box, the Run not evaluated and the fit shown before left as it
// was.
TEST(ModelStressFound, SolutionsThatFailEndWithTheirBoxAndLeaveThePreviousFit) {
    struct Found {
        const char* name;
        Cell cell;
        ModelDraw model;
    };
    const auto cell = FoundCell;
    ModelDraw dimer;
    dimer.family = Family::MonomerDimer;
    dimer.species[1] = {37.25, 1.14e-9, 4.736e5, 0.617, true};
    dimer.species[2] = {49.51, 7.97e-10, 9.471e5, 0.0, false};
    dimer.logK = 5.9;
    ModelDraw nonideal;
    nonideal.family = Family::NonidealSingle;
    nonideal.species[1] = {17.5, 4.89e-8, 1.37e6, 0.0236, true};
    nonideal.logKs = 2.66, nonideal.logKd = 1.4;
    ModelDraw floating;
    floating.family = Family::CompressibleSolvent;
    floating.species[1] = {74.04, 4.83e-7, 1.072e4, 0.00796, true};
    floating.solventDensity = 1.39306, floating.solventViscosity = 0.00905599;
    floating.compressibility = 1e-4;
    ModelDraw pinned = floating;
    pinned.species[1] = {61.68, 8.71e-8, 1.072e4, 0.102, true};
    pinned.solventDensity = 1.46508, pinned.solventViscosity = 0.0785527;
    pinned.compressibility = 1.38198e-6;
    ModelDraw heavyDimer;
    heavyDimer.family = Family::MonomerDimer;
    heavyDimer.species[1] = {46.148365, 2.0986486e-07, 8279528.6, 5.2230154, true};
    heavyDimer.species[2] = {71.191473, 1.3452027e-07, 16559057, 0.0, false};
    heavyDimer.logK = 4.1571287;
    Cell steep = cell(35365, 7.062, 7, 60, 818, true, true, 80);
    steep.timesFromW2t = true, steep.rampOn = false;
    const Found found[] = {
        {"fixed grid", cell(50038, 7.061, 4, 34, 84, false, false, 373), dimer},
        {"moving frame", cell(24384, 6.388, 2, 63, 48042, true, false, 1000), nonideal},
        {"floating in a dense solvent against the meniscus", steep, pinned},
        {"scans four times the loading below zero",
         cell(28801, 6.8123604, 5, 55, 358, true, true, 69), heavyDimer},
    };
    for (const Found& c : found) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        const std::string what = Enter(f, c.cell, c.model);
        for (int k = 1; k <= S::scanCount; ++k)
            std::fill(S::fit[k] + 1, S::fit[k] + S::pointCount[k] + 1, 0.25f);
        const std::size_t from = f.script.log().size();
        EXPECT_FALSE(RunAndCheck(f, what)) << f.script.logText();
        EXPECT_EQ(f.script.log().size(), from + 1) << f.script.logText();
        if (f.script.log().size() > from) {
            EXPECT_EQ(f.script.log()[from].caption, "DISCRETIZATION ERROR");
        }
        bool kept = true;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int p = 1; p <= S::pointCount[k]; ++p)
                kept = kept && S::fit[k][p] == 0.25f;
        EXPECT_TRUE(kept) << "the fit shown before the Run";
    }
}

// A species whose s (given in water) says it sediments but which floats in a dense compressible
// solvent: the moving hat's grid travelled toward the bottom while the species rose, and Run
// showed values far below zero, or of 1e3 to 1e29 times the loading. Such a species is solved on
// the fixed grid, the moving hat chosen or not, and no value exceeds what its amount allows.
TEST(ModelStressFound, SpeciesTurnedAroundByTheSolventIsSolvedOnTheFixedGrid) {
    struct Turned {
        Cell cell;
        Species species;
        double density, viscosity, compressibility;
    };
    auto cell = [](double rpm, double meniscus, int scans, int points, double interval, int grid,
                   bool timesFromW2t, bool rampOn, bool autoGrid, bool ramp = false) {
        Cell c = FoundCell(rpm, meniscus, scans, points, interval, true, autoGrid, grid);
        c.timesFromW2t = timesFromW2t, c.rampOn = rampOn, c.ramp = ramp;
        return c;
    };
    const Turned turned[] = {
        {cell(5827, 7.106, 7, 69, 580, 80, false, true, true),
         {74.04, 4.83e-7, 1.072e4, 0.00796, true},
         1.39306,
         0.00905599,
         1e-4},
        {cell(37672, 7.1232102, 3, 80, 3108, 121, false, false, true, true),
         {0.62273139, 5.8450775e-6, 2202.8935, 1.8972519, true},
         1.4270990,
         0.052995095,
         6.4679422e-4},
        {cell(3414, 7.1346269, 2, 43, 27041, 216, true, false, true),
         {1.0997393, 9.6651506e-06, 7522378.7, 0.10857414, true},
         1.4608743,
         0.12575774,
         0.00099578376},
        {cell(8393, 7.0679753, 6, 73, 1516, 274, false, true, false),
         {2.9073679, 7.2438712e-07, 287843.09, 0.021175949, true},
         1.673454,
         0.029340337,
         0.00011128332},
    };
    for (const Turned& t : turned) {
        ModelDraw model;
        model.family = Family::CompressibleSolvent;
        model.species[1] = t.species;
        model.solventDensity = t.density, model.solventViscosity = t.viscosity;
        model.compressibility = t.compressibility;
        MainWindowFixture f;
        const std::string what = Enter(f, t.cell, model);
        SCOPED_TRACE(what);
        ASSERT_TRUE(RunAndCheck(f, what)) << f.script.logText();
        float largest = 0.0f;
        for (int k = 1; k <= S::scanCount; ++k)
            for (int p = 1; p <= S::pointCount[k]; ++p)
                largest = std::max(largest, std::fabs(S::fit[k][p]));
        // the pile against the meniscus of a fast floater reaches 2.5 times its loading
        EXPECT_LT(largest, 4.0 * t.species.loading);
        EXPECT_GT(largest, 0.5 * t.species.loading);
    }
}

} // namespace
