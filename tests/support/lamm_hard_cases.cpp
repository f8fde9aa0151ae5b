// The hard cases of the Lamm solver and their references.
#include "support/lamm_hard_cases.h"

#include <cmath>

namespace {

// The tested species with its own (automatic) options.
LammCase Species(double s, double D, double rpm, int scans, double firstS, double intervalS) {
    LammCase lc;
    lc.s = s, lc.D = D, lc.rpm = rpm;
    lc.scans = scans;
    lc.firstScanS = firstS, lc.intervalS = intervalS;
    lc.automatic = true;
    return lc;
}

enum class Loop { FixedSteps, MovingHat };

// A much finer run on n nodes: the fixed grid with fixed steps of `step` seconds, or the moving
// hat with "max dc/c" = step; the bottom open or closed as in the tested run.
LammCase Fine(LammCase lc, Loop loop, int n, double step, bool openBottom) {
    lc.automatic = false;
    lc.movingHat = loop == Loop::MovingHat;
    lc.fixTimestep = loop == Loop::FixedSteps;
    lc.shutOff = openBottom;
    lc.gridSize = n;
    lc.maxDcOverC = step;
    return lc;
}

void Nothing(CLammIdeal&) {}

void ClosedBottom(CLammIdeal& o) {
    o.shutOffBackDiffusionOption = false;
}

} // namespace

std::vector<LammHardCase> LammHardCases() {
    std::vector<LammHardCase> cases;
    // 100 S at 60,000 rpm on a grid the user set: the retries once fell back to 100 nodes.
    const LammCase fast = Species(100.0, 2e-7, 60000, 24, 20.0, 20.0);
    for (int n : {2000, 4000, 8000}) {
        auto userGrid = [n](CLammIdeal& o) {
            o.autoDynamicGridSize = false;
            o.defaultGridSize = n;
        };
        cases.push_back({"Fast_UserGrid" + std::to_string(n), fast, userGrid,
                         Fine(fast, Loop::FixedSteps, 12000, 0.05, false), false});
    }
    // A boundary too sharp for the fixed grid: 4.5 S with D 1e-9, open and closed bottom.
    const LammCase sharp = Species(4.5, 1e-9, 50000, 24, 300.0, 300.0);
    cases.push_back({"Sharp", sharp, Nothing, Fine(sharp, Loop::FixedSteps, 12000, 0.5, true)});
    cases.push_back({"Sharp_ClosedBottom", sharp, ClosedBottom,
                     Fine(sharp, Loop::MovingHat, 4000, 0.25, false), false});
    // 100 S by default, with the bottom closed, and on the fixed grid the user chose.
    cases.push_back({"Fast", fast, Nothing, Fine(fast, Loop::FixedSteps, 12000, 0.05, true)});
    cases.push_back({"Fast_ClosedBottom", fast, ClosedBottom,
                     Fine(fast, Loop::FixedSteps, 12000, 0.05, false), false});
    auto fixedGrid = [](CLammIdeal& o) {
        o.automaticAlgorithm = o.movingHatAlgorithm = false;
        o.claverieAlgorithm = true;
    };
    cases.push_back(
        {"Fast_FixedGrid", fast, fixedGrid, Fine(fast, Loop::MovingHat, 4000, 0.25, true), false});
    // Slow runs toward equilibrium in a 3 mm column over 96 hours.
    for (double rpm : {10000.0, 25000.0}) {
        LammCase lc = Species(4.5, 6e-7, rpm, 24, 4 * 3600.0, 4 * 3600.0);
        lc.meniscus = 6.9, lc.bottom = 7.2;
        lc.lowerFit = 6.91f, lc.upperFit = 7.19f;
        cases.push_back({"Equilibrium" + std::to_string(static_cast<int>(rpm)), lc, Nothing,
                         Fine(lc, Loop::MovingHat, 1000, 1.0, false)});
    }
    // Scans in the first 40 s, fitted close to the meniscus and the bottom.
    LammCase early = Species(4.5, 6e-7, 50000, 8, 5.0, 5.0);
    early.lowerFit = 6.01f, early.upperFit = 7.19f;
    cases.push_back(
        {"EarlyTimes", early, Nothing, Fine(early, Loop::MovingHat, 6000, 0.25, false)});
    // A slow, fast-diffusing species at high speed.
    const LammCase slow = Species(0.1, 2e-6, 60000, 24, 600.0, 600.0);
    cases.push_back({"Slow", slow, Nothing, Fine(slow, Loop::MovingHat, 4000, 0.25, false)});
    return cases;
}

LammResult SolveHardCase(LammRun& run, const std::function<void(CLammIdeal&)>& adjust) {
    run.Load();
    adjust(run.solver);
    return run.solver.Run();
}

double RmsdOverFitRange(const LammRun& run, const LammRun& reference, int scan) {
    double sum = 0.0;
    int n = 0;
    for (int i = 1; i <= run.Points(); ++i) {
        const double r = run.Radii()[i];
        if (r < run.lc_.lowerFit || r > run.lc_.upperFit)
            continue;
        const double d = run.Profile(scan)[i] - reference.ValueAt(scan, r);
        sum += d * d;
        ++n;
    }
    return n > 0 ? std::sqrt(sum / n) : 0.0;
}
