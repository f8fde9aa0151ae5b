// The time course of the Stokes-radius distribution of light-scattering data: each measured
// curve is a slice of its own, solved for its I(Rh) on one common Rh grid.
#pragma once

#include "state/compute_observer.h"

#include <vector>

class TXLAWindow;

// The result of the last time course: the Rh grid (nm) and, per slice in time order, its time
// (s) and its distribution values [1..n] (per nm; element 0 unused).
struct DlsTimeCourse {
    std::vector<double> radiusNm;
    std::vector<double> timesS;
    std::vector<std::vector<double>> values;
};
const DlsTimeCourse& LastDlsTimeCourse();
void ClearDlsTimeCourse();

// The Run of the time course: the checks of the distribution Run (each refusal says why and
// changes nothing), the g(1) conversion question, then per curve its kernel rows and its
// regularized distribution. Only when every slice is solved are the fits of all curves, the
// table of the slices and, as the distribution shown, the last slice stored. A key press stops
// it with nothing stored. False when nothing was stored.
bool RunContinuousModel(TXLAWindow* window, CComputeObserver& observer);
