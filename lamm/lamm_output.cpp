// Output per time step: scan times, the profile on the scans' radii, finite scan speed.
#include "foundations/key_polling.h"
#include "foundations/subnormal_flush.h"
#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>
#include <vector>

double CLammIdeal::ScanTimeAt(int pos) const {
    const ScanHeader& h = headers[scanOrder[pos]];
    return timeShift + ((rampRotorSpeed || profileLoaded) ? h.originalTime : h.time);
}

// Where the profile of the scan at position pos goes: the caller's row written in place, unless
// it is to be added to what the row holds, which the object's accumulation row collects first.
float* CLammIdeal::OutputRowFor(int pos) {
    if (!perScanRadii && !accumulate)
        return outputTarget[scanOrder[pos]];
    if (accumulationRows == 0)
        return nullptr;
    if (!accumulate) {
        scanRowsWritten = true;
        return outputTarget[scanOrder[pos]];
    }
    if (accumulation.size() != AccumulationSize())
        ClearAccumulation(); // made, zeroed, at the first row handed out
    accumulationClear = false;
    return &accumulation[static_cast<size_t>(pos) * (accumulationCols + 1)];
}

bool CLammIdeal::WritesSumOfZero(int pos) {
    if (!perScanRadii || accumulate || AnyDetectionCorrectionOn() || pos < 1 || pos > scanCount)
        return false;
    rowsSumOfZero.resize(static_cast<size_t>(scanCount) + 1, 0);
    rowsSumOfZero[static_cast<size_t>(pos)] = 1;
    return true;
}

int CLammIdeal::OutputCountFor(int pos) const {
    if (!perScanRadii)
        return outputRadiusCount;
    return perScanCounts != nullptr ? perScanCounts[scanOrder[pos]] : 0;
}

const float* CLammIdeal::OutputRadiiFor(int pos) const {
    if (!perScanRadii)
        return outputRadii;
    return perScanRadiusVectors != nullptr ? perScanRadiusVectors[scanOrder[pos]] : nullptr;
}

// Scans after an early end of the loop: zeros when the boundary has left the data, the final
// profile when the loop stopped at equilibrium (the profile no longer changes).
void CLammIdeal::WriteRemainingScans(bool zero) {
    if (movingHatAlgorithm && !claverieAlgorithm && setupSucceeded)
        UpdateRadii();
    for (int pos = nextOutputScan; pos <= scanCount; ++pos) {
        float* row = OutputRowFor(pos);
        const float* radii = OutputRadiiFor(pos);
        const int n = OutputCountFor(pos);
        if (row == nullptr || n <= 0)
            continue;
        const bool sumOfZero = WritesSumOfZero(pos);
        if (zero || setupSucceeded == 0 || radii == nullptr) {
            std::fill(row + 1, row + 1 + n, 0.0f);
        } else {
            std::copy(c + 1, c + N + 1, outputProfile + 1);
            outputProfile[N] += BottomPelletConcentration();
            outputInterpolation.Interpolate(r, outputProfile, N, radii, row, n, outputGridKept,
                                            sumOfZero, outputRadiiKept);
            outputGridKept = outputRadiiKept = true;
        }
    }
    nextOutputScan = scanCount + 1;
}

// Called after every step: writes the scan whose time the step reached (with the scanner's
// finite speed emulated when asked) and sets the next time the loop must hit. The keyboard is
// polled at every step, so a key press ends the run after the current step.
void CLammIdeal::CLEachIterationOutput(double ri) {
    // while traced, the numerical-error switch covers one call: cleared on entry and on leaving
    struct ClearNumericalError {
        CLammIdeal& o;
        ~ClearNumericalError() {
            if (o.logOn)
                o.LogError();
        }
    } clearOnLeaving{*this};
    if (logOn)
        LogError();
    ++iterationCount;
    // (the lines are shown while simulating, in a window; the test spares the call at most steps)
    if (simulatingWithoutFitting && observer != nullptr)
        ShowStatusLines(ri);
    if (!workerMode) {
        bool (*poll)() = keyPoll != nullptr ? keyPoll : static_cast<bool (*)()>(&KeyPressed);
        if (poll()) {
            continueLoop = 0;
            stopRequested = true;
            return;
        }
    } else if (gUserInterrupt.load(std::memory_order_relaxed)) {
        continueLoop = 0;
        stopRequested = true;
        return;
    }
    if (t < nextOutputTime || nextOutputScan > scanCount) {
        segmentsDone = gridPointsDone = 0;
        elapsedScanTime = 0.0;
        // after the last scan a continued loop ends at its far target time
        if (nextOutputScan > scanCount && t >= nextOutputTime)
            continueLoop = 0;
        return;
    }
    // the scan reads the rows above the region; it is written in the mode the run was called in
    WritePendingPlateau();
    if (stepMode != nullptr)
        stepMode->Release();
    if (movingHatAlgorithm && !claverieAlgorithm)
        UpdateRadii();
    bool complete = true;
    // the profile is read where it lies, unless the pellet, the optics or the scanner's travel
    // change it or the bottom holds a -0 (which the copy's + 0 turns into 0)
    const double* profile = outputProfile;
    if (!simulateTimeResolution || scanVelocity <= 0.0f || segmentCount <= 2.0) {
        if (!bottomPellet && !simulateRadialResolution && !(c[N] == 0.0 && std::signbit(c[N])))
            profile = c;
        else
            std::copy(c + 1, c + N + 1, outputProfile + 1);
    } else {
        complete = ScanSegmentsPassed();
    }
    if (!complete) {
        hitTime = 1;
        targetTime = nextOutputTime + elapsedScanTime + segmentDuration;
        return;
    }
    if (profile == outputProfile) {
        outputProfile[N] += BottomPelletConcentration();
        if (simulateRadialResolution)
            ConvolveRadialResolution(outputProfile, r, N);
    }
    float* row = OutputRowFor(nextOutputScan);
    const float* radii = OutputRadiiFor(nextOutputScan);
    if (row != nullptr && radii != nullptr) {
        outputInterpolation.Interpolate(r, profile, N, radii, row, OutputCountFor(nextOutputScan),
                                        outputGridKept, WritesSumOfZero(nextOutputScan),
                                        outputRadiiKept);
        outputGridKept = outputRadiiKept = true;
        PlotScanProfile(radii, row, OutputCountFor(nextOutputScan));
    }
    OutputSecondComponent();
    if (nextOutputScan >= scanCount) {
        ++nextOutputScan;
        if (!continuation) {
            continueLoop = 0;
        } else {
            nextOutputTime = 1e8;
            hitTime = 0;
        }
    } else {
        ++nextOutputScan;
        nextOutputTime = ScanTimeAt(nextOutputScan);
        hitTime = 1;
        targetTime = nextOutputTime;
    }
    segmentsDone = gridPointsDone = 0;
    elapsedScanTime = 0.0;
}

// The scanner travels from the meniscus to the bottom at v; each segment of the scan shows the
// profile at the time the scanner passes it. Copies the segments the scanner has passed by now
// into the output profile; whether the whole scan is in it.
bool CLammIdeal::ScanSegmentsPassed() {
    const double v = scanVelocity / 60.0;
    const double duration = (bottom - meniscus) / v;
    segmentDuration = duration / segmentCount;
    nextSegmentRadius = v * (segmentsDone + 1) * segmentDuration + meniscus;
    const int lastSegment = static_cast<int>(segmentCount) - 1;
    auto copyBelow = [this](double edge) {
        while (gridPointsDone < N && r[gridPointsDone + 1] < edge) {
            ++gridPointsDone;
            outputProfile[gridPointsDone] = c[gridPointsDone];
        }
    };
    const double due = nextOutputTime + elapsedScanTime + segmentDuration - 1e-10;
    if (segmentsDone == 0) {
        gridPointsDone = 0;
        std::fill(outputProfile + 1, outputProfile + N + 1, 0.0);
        copyBelow(nextSegmentRadius);
        elapsedScanTime = t - nextOutputTime + segmentDuration;
        segmentsDone = 1;
        return false;
    }
    if (segmentsDone < lastSegment) {
        if (t >= due) {
            copyBelow(nextSegmentRadius);
            elapsedScanTime += segmentDuration;
            ++segmentsDone;
        }
        return false;
    }
    if (!(t >= due))
        return false;
    copyBelow(bottom + 1.0);
    elapsedScanTime += segmentDuration;
    ++segmentsDone;
    return true;
}

// Finite radial resolution of absorbance optics: a Gaussian average of the transmitted light
// 10^-A over +-2 sigma, so averaging happens where the detector averages. Values of 100 or more
// stand for no light and are left alone.
template <class T> static void ConvolveAbsorbance(T* profile, const T* radii, int n, double range) {
    const double sigma = 0.42462845010615713 * range;
    std::vector<double> out(n + 1);
    for (int i = 1; i <= n; ++i) {
        out[i] = profile[i];
        if (profile[i] >= 100.0)
            continue;
        double num = 0.0, den = 0.0;
        for (int j = 1; j <= n; ++j) {
            const double dr = static_cast<double>(radii[j]) - radii[i];
            if (std::fabs(static_cast<float>(dr)) > static_cast<float>(2.0 * sigma))
                continue;
            const double w = std::exp(-dr * dr / (sigma * sigma));
            num += w * std::pow(10.0, -static_cast<double>(profile[j]));
            den += w;
        }
        if (num != 0.0 && den != 0.0)
            out[i] = -std::log10(num / den);
    }
    for (int i = 1; i <= n; ++i)
        profile[i] = static_cast<T>(out[i]);
}

void CLammIdeal::ConvolveRadialResolution(double* profile, const double* radii, int n) const {
    ConvolveAbsorbance(profile, radii, n, radialRange);
}

void CLammIdeal::ConvolveRadialResolutionF(float* profile, const float* radii, int n) const {
    ConvolveAbsorbance(profile, radii, n, radialRange);
}
