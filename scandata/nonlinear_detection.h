// Nonlinear detection of fluorescence data: the detector reads y' = (y - b)^p + b above a baseline
// b. Every loaded scan's signal and fit are kept untransformed and transformed, and the scan store
// shows one of the two (DetectionCorrections::nonlinearShowTransformed).
#pragma once

#include <vector>

// The power law: (y - b)^p + b for y > b; y itself at or below the baseline (or unordered).
double NonlinearDetectionLaw(double y, double p, double b);
// Its inverse, the same law with the exponent 1/p (p > 0).
double InverseNonlinearDetectionLaw(double y, double p, double b);
// The power the transform uses for an entered p: not a number or p <= 0 becomes 0.01, since
// a power of 0 collapses every value above the baseline onto b + 1.
float UsableNonlinearPower(float p);

// The working state of the transform. Copies are 1-based per scan ([0] unused), each as long as
// the scan's point count plus one.
struct NonlinearDetection {
    static inline bool shown = false; // the store holds the transformed signal and fit
    static inline double appliedPower = 1.0;
    static inline double appliedBaseline = 0.0;
    static inline std::vector<std::vector<float>> untransformedSignal;
    static inline std::vector<std::vector<float>> untransformedFit;
    static inline std::vector<std::vector<float>> transformedSignal;
    static inline std::vector<std::vector<float>> transformedFit;
    static inline float transformedRmsd = 0.0f;
    static inline float untransformedRmsd = 0.0f;
    static inline bool suppressGridRebuild = false;
    static inline bool fitBusy = false;
};

// Brings copies, scan store and plots to power p, baseline b and the show switch. The store is
// the authority: a scan whose points were edited, added or removed since the last apply is
// taken anew from the store (read back through the inverse law while transformed data are
// shown), so no edit is reverted and no copy is read past its scan. False without scans or
// while nonlinear detection is off.
bool ApplyNonlinearDetection(double p, double b, bool show);
// The same for the model code: the grid builder does not re-apply meanwhile.
bool ApplyNonlinearDetectionForFit(double p, double b, bool show);
// Takes the store's fit as the model's answer and refreshes both fit copies and both rmsds.
bool InvertNonlinearDetection();
float GetNonlinearDetectionRmsd();
// Rms deviation between two sets of per-scan vectors over the points of the fit rmsd.
float RmsdBetweenScanSets(const std::vector<std::vector<float>>& a,
                          const std::vector<std::vector<float>>& b);
// Takes both copies of every scan from the store as recorded (power 1, baseline 0, not shown).
bool AllocNonlinearDetectionCopies();
// Frees the per-scan copies kept for the nonlinear detection correction.
void FreeNonlinearDetectionCopies();
// Applies again with the applied power and baseline and the show switch; without redraw the
// grid is not rebuilt (the grid builder calls it so at its start).
bool ReapplyNonlinearDetection(bool redraw);

// The pair the model code puts around computing a model signal. Before: the store holds the
// transformed signal (and fit), so the model and its linear parameters meet the data in the
// domain where the signal is proportional to concentration. After: the store's fit is taken as
// the model's answer in that domain, carried through the inverse law into the detector's domain,
// and the store shows the domain DetectionCorrections::nonlinearShowTransformed chooses. Both do
// nothing while nonlinear detection is off.
void BeginNonlinearDetectionModel();
void EndNonlinearDetectionModel();
// True while nonlinear detection is on and both copies exist: the fit's objective is then taken
// in the detector's domain.
bool NonlinearDetectionInForce();
// The detector-domain signal minus fit over the points of the fit rmsd, in scan order; false
// (residuals left alone) when the correction is not in force.
bool NonlinearDetectionResiduals(std::vector<double>& residuals);
