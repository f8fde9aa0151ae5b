// Writing the propagated profile into the scans at their times.
#include "simulation/scan_output.h"

#include "foundations/key_polling.h"
#include "foundations/resampling.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/analytic_profiles.h"
#include "simulation/bottom_pellet.h"
#include "simulation/conti_kernel.h"
#include "simulation/module_solvers.h"
#include "simulation/progress_texts.h"
#include "state/component_scans.h"
#include "state/compute_observer.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"

#include <utility>
#include <vector>

namespace {

constexpr int kScanSegments = 100;

using Assembly = CScanOutput::Assembly;
using LastScan = CScanOutput::LastScan;

bool IsLastScan(int scan) {
    return ScanStore::scanOrder != nullptr && scan == ScanStore::scanOrder[ScanStore::scanCount];
}

void TakeBackLastScan(LastScan& last, int scan) {
    if (scan != last.scan)
        return;
    float* fit = ScanStore::fit[scan];
    for (int i = 1; i <= ScanStore::pointCount[scan]; ++i)
        fit[i] -= last.work[std::size_t(i)];
    last = LastScan{};
}

bool SimulatesTimeResolution() {
    return LammGrid::simulateTimeResolution && LammGrid::scanVelocity > 0.0f &&
           ScanDataKind::absorbance;
}

// Copies the grid points up to the scanner's position after segments segments; the rest of the
// display profile keeps what it holds.
void CopyUpToScanner(Assembly& a, int segments) {
    const int n = LammGrid::allocatedGridSize;
    const double reach = ModelParameters::meniscus + (LammGrid::scanVelocity / 60.0) * segments *
                                                         ScanCrossingSeconds() / kScanSegments;
    int i = a.lastCopied + 1;
    for (; i <= n && (segments >= kScanSegments - 1 || LammGrid::radius[i] <= reach); ++i)
        LammGrid::displayProfile[i] = LammGrid::concentration[i];
    a.lastCopied = i - 1;
}

// Builds the display profile; false while the scan is still being assembled, the clock then
// awaiting the next segment.
bool AssembleDisplayProfile(Assembly& a, CGridClock& clock) {
    const double scanTime = clock.targetScanTime;
    const int n = LammGrid::allocatedGridSize;
    if (!SimulatesTimeResolution()) {
        for (int i = 1; i <= n; ++i)
            LammGrid::displayProfile[i] = LammGrid::concentration[i];
        return true;
    }
    const double segment = ScanCrossingSeconds() / kScanSegments;
    if (a.segment == 0) {
        for (int i = 1; i <= n; ++i)
            LammGrid::displayProfile[i] = 0.0;
        a.lastCopied = 0;
        a.offset = clock.time - scanTime + segment;
        a.segment = 1;
        CopyUpToScanner(a, 1);
    } else if (clock.time >= scanTime + a.offset + segment - 1e-10) {
        a.offset += segment;
        ++a.segment;
        CopyUpToScanner(a, a.segment);
    }
    if (a.segment >= kScanSegments - 1) {
        a.incomplete = false;
        return true;
    }
    a.incomplete = true;
    clock.endTime = scanTime + a.offset + segment;
    clock.endTimePending = true;
    return false;
}

void DrawScanCurve(int scan) {
    if (LammGrid::progressObserver == nullptr || !gSimulateOnly || ScanStore::dataPlot == nullptr)
        return;
    const int count = ScanStore::pointCount[scan];
    LammGrid::progressObserver->TrialCurve(ScanStore::radius[scan], ScanStore::work[scan], count,
                                           SpeciesCurveColour(LammGrid::currentSpecies));
}

// With the reacting system the free species and the complex, which its solver keeps in the
// first three arrays of the reaction block, are drawn over the data plot as well: the first in
// blue, the second in green, the complex in red.
void DrawReactionProfiles() {
    if (!ModelChoice::reactingSystem || LammGrid::progressObserver == nullptr || !gSimulateOnly ||
        ScanStore::dataPlot == nullptr)
        return;
    double* const* profiles = LammGrid::reactionArray;
    if (profiles[1] == nullptr || profiles[2] == nullptr || profiles[3] == nullptr)
        return;
    const int n = LammGrid::allocatedGridSize;
    std::vector<float> x(std::size_t(n) + 1);
    for (int i = 1; i <= n; ++i)
        x[std::size_t(i)] = float(LammGrid::radius[i]);
    const std::uint32_t colours[3] = {CurveColour(0, 0, 255), CurveColour(0, 255, 0),
                                      CurveColour(255, 0, 0)};
    std::vector<float> y(std::size_t(n) + 1);
    for (int k = 0; k < 3; ++k) {
        for (int i = 1; i <= n; ++i)
            y[std::size_t(i)] = float(profiles[k + 1][i]);
        LammGrid::progressObserver->TrialCurve(x.data(), y.data(), n, colours[k]);
    }
}

bool SmoothsLikeTheOptics() {
    return ScanDataKind::absorbance && !ScanDataKind::intensity &&
           LammGrid::simulateRadialResolution;
}

// The work values are cleared first: the resampling leaves points it does not reach as they
// were, and the previous species' values would otherwise be added a second time.
void WriteScan(LastScan& last, int scan) {
    const int n = LammGrid::allocatedGridSize;
    if (ModelChoice::contiMode) {
        MapLammSolutionToData(scan, LammGrid::radius, LammGrid::displayProfile, n);
        return;
    }
    if (!ModelChoice::linearAmplitudes && !ModelChoice::fitTINoise && !ModelChoice::fitRINoise) {
        const int count = ScanStore::pointCount[scan];
        float* work = ScanStore::work[scan];
        for (int i = 1; i <= count; ++i)
            work[i] = 0.0f;
        ResampleCurveFromDouble(count, ScanStore::radius[scan], work, n, LammGrid::radius,
                                LammGrid::displayProfile);
        if (SmoothsLikeTheOptics())
            MovingAverageOfLogValues(count, LammGrid::radialConvolutionRange,
                                     ScanStore::radius[scan], work);
        TakeBackLastScan(last, scan);
        for (int i = 1; i <= count; ++i)
            ScanStore::fit[scan][i] += work[i];
        if (LammGrid::finalProfileToLastScan && IsLastScan(scan)) {
            last.scan = scan;
            last.work.assign(work, work + count + 1);
        }
        DrawScanCurve(scan);
        return;
    }
    const int count = ComponentScans::Count(scan);
    const float* radii = ComponentScans::Radii(scan);
    float* row = ComponentScans::Row(LammGrid::currentSpecies, scan, count);
    for (int i = 1; i <= count; ++i)
        row[i] = 0.0f;
    ResampleCurveFromDouble(count, radii, row, n, LammGrid::radius, LammGrid::displayProfile);
    if (SmoothsLikeTheOptics())
        MovingAverageOfLogValues(count, LammGrid::radialConvolutionRange, radii, row);
}

double ScanTimeAt(int position) {
    const ScanHeader& h = ScanStore::header[ScanStore::scanOrder[position]];
    return ScanStore::rampRotorSpeed && !gDlsData ? h.originalTime : h.time;
}

void Advance(Assembly& a, CGridClock& clock) {
    if (clock.targetScan < ScanStore::scanCount) {
        ++clock.targetScan;
        clock.targetScanTime = ScanTimeAt(clock.targetScan);
        clock.endTime = clock.targetScanTime;
        clock.endTimePending = true;
        a = Assembly{};
        return;
    }
    if (LammGrid::finalProfileToLastScan) {
        clock.targetScanTime = 1e8;
        clock.endTimePending = false;
    } else {
        clock.running = false;
    }
}

} // namespace

void CScanOutput::Remaining(const CGridClock& clock, bool zeros) {
    if (!LammGrid::arraysAllocated || ScanStore::scanCount < 1 || clock.targetScan < 1)
        return;
    // the awaited scan is still open unless its time was reached and it was written in full
    int first = clock.targetScan;
    if (clock.time >= clock.targetScanTime && !assembly_.incomplete)
        ++first;
    const int n = LammGrid::allocatedGridSize;
    for (int i = 1; i <= n; ++i)
        LammGrid::displayProfile[i] = zeros ? 0.0 : LammGrid::concentration[i];
    if (!zeros)
        LammGrid::displayProfile[n] += pellet_ ? pellet_->Concentration() : 0.0;
    const bool addsToFit = !ModelChoice::contiMode && !ModelChoice::linearAmplitudes &&
                           !ModelChoice::fitTINoise && !ModelChoice::fitRINoise;
    for (int position = first; position <= ScanStore::scanCount; ++position) {
        if (!(zeros && addsToFit))
            WriteScan(last_, ScanStore::scanOrder[position]);
        else
            TakeBackLastScan(last_, ScanStore::scanOrder[position]);
    }
    assembly_ = Assembly{};
}

int CScanOutput::TakeWrittenScanPosition() {
    return std::exchange(writtenPosition_, 0);
}

double ScanCrossingSeconds() {
    if (!(LammGrid::scanVelocity > 0.0f))
        return 0.0;
    return (double(ModelParameters::bottom) - ModelParameters::meniscus) /
           (LammGrid::scanVelocity / 60.0);
}

void CScanOutput::Step(CGridClock& clock, double value) {
    if (gSimulateOnly) {
        ShowTimeStepText(clock.dt);
        ShowIterationText(clock.stepCount);
        ShowSimTimeText(clock.time);
        ShowRiText(float(value));
    }
    if (clock.time < clock.targetScanTime) {
        assembly_ = Assembly{};
        return;
    }
    if (!(ModelChoice::reactingSystem && LammGrid::reactionDisplay) && KeyPressed()) {
        clock.running = false;
        gUserInterrupt = true;
    }
    if (!LammGrid::arraysAllocated || ScanStore::scanCount < 1 || clock.targetScan < 1 ||
        clock.targetScan > ScanStore::scanCount)
        return;
    const int scan = ScanStore::scanOrder[clock.targetScan];
    // the moving grid's nodes have travelled with the frame since the last period shift (a no-op
    // after the fixed grid)
    ScaleGridByExponential(clock.time);
    if (!AssembleDisplayProfile(assembly_, clock))
        return;
    LammGrid::displayProfile[LammGrid::allocatedGridSize] +=
        pellet_ ? pellet_->Concentration() : 0.0;
    WriteScan(last_, scan);
    writtenPosition_ = clock.targetScan;
    DrawReactionProfiles();
    Advance(assembly_, clock);
}
