// The distribution Run: kernel, normal equations with noise elimination, regularized
// non-negative amplitudes, and the result in the distribution state and the scan store.
#pragma once

#include "distributions/conti_data_set.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_regularization.h"
#include "foundations/analysis_failure.h"
#include "state/compute_observer.h"

#include <string>
#include <vector>

class TXLAWindow;

struct ContiSolution {
    ContiGrid grid;
    ContiDataSet set;
    std::vector<double> c;      // amplitudes [1..n] of the main result
    std::vector<double> second; // second-derivative amplitudes while both are shown, else empty
    std::vector<double> ti, ri; // eliminated noise over set's points and scans
    // Each scan's model without the noise on the common grid ([s][1..gridCount]), formed with the
    // noise when asked for; empty: not formed (the store forms it).
    std::vector<std::vector<double>> model;
    std::vector<double> prior; // [1..n], the prior probability regularized with; empty: none
    // [s * (n + 1) + p]: where column p of the s-th scan begins inside the set's range, as the
    // normal equations found it (ContiNormalEquations::firstNonzero); empty: not known.
    std::vector<int> firstNonzero;
    double chiSquare = 0.0;
    double rmsd = 0.0;
    // The first numerical failure met (the solution is still usable), with its numbers.
    AnalysisFailure failure = AnalysisFailure::None;
    std::string failureDetail;
};

enum class ContiStatus { Done, Refused, Stopped, KernelFailed };

// The scans and common-grid range a distribution fits, with the noise switches; the reason when
// there is nothing to fit.
bool GetContiDataSet(ContiDataSet& set, std::string* why);
// The settings of the distribution state and the model, checked; the reason when unusable.
std::string CheckContiRun(ContiVariant variant);

// Whether the maximum entropy of the current settings, at confidence level P with nu degrees of
// freedom, regularizes with the set's noise held (conti_held_noise.h): on while "suppress
// baseline correlation in Max Ent" is, the entropy is the regularization (or one of both shown)
// and noise is eliminated.
bool EntropyHoldsNoise(const ContiDataSet& set, double P, double nu);

// The threads the distribution's shares run on: the distribution thread count while
// multithreading is on, else 1.
int ContiThreadCount();

// The box text when the memory for the current grid could not be allocated.
std::string NotEnoughMemoryText();
// The first point from lo on (lo <= the set's last) where column p of the s-th scan of the
// solution's set, at row, may differ from zero: the leading zeros before it are skipped. Inside
// the set's range the point the normal equations found is taken.
int ContiFirstValueFrom(const ContiSolution& sol, const float* row, int p, int s, int lo);
// Every value of the solution (distribution, noise, rmsd) is finite.
bool SolutionFinite(const ContiSolution& solution);
// A solution that failed or is not finite is reported in a box and must not be stored; true
// when it may be.
bool SolutionStorable(const ContiSolution& solution);

// The grid of the current range, resolution and model values.
ContiGrid CurrentContiGrid(ContiVariant variant);

// Temperature of the loaded scans in degrees C: the absolute temperature set for them, else the
// first scan's own.
double ContiScanTemperature();

// The kernel of grid g, computed unless the one held was made for the same grid, scans and
// conditions. With set and starts, a kernel made whole by the Lamm list has its columns' starts
// and means over the set found into starts as the list solves them (columns changed after that
// forgotten); starts is left without columns otherwise.
bool EnsureContiKernel(TXLAWindow* window, CComputeObserver& observer, const ContiGrid& g,
                       const ContiDataSet* set = nullptr, ContiColumnStarts* starts = nullptr);
// The kernel held is made again by the next EnsureContiKernel, whatever its inputs.
void ForgetKeptContiKernel();

// Computes the distribution of the current settings without storing it. The kernel is rebuilt
// when its inputs changed. A key press (after the normal equations) returns Stopped. Without
// withNoise the eliminated noise is not formed (ti and ri stay empty): a caller that needs only
// the rmsd saves a pass over the kernel. A hint carries the entropy's strength search from one
// computation to the next on nearly the same data and model (RegularizeDistribution). With
// withModel (and withNoise) the scans' model is formed in the same pass as the noise, for a
// caller that stores the solution.
ContiStatus ComputeContiSolution(TXLAWindow* window, CComputeObserver& observer, ContiSolution& out,
                                 bool withNoise = true, ContiStrengthHint* hint = nullptr,
                                 bool withModel = false);
// The normal equations, the regularized amplitudes, the rmsd and (withNoise) the noise of the
// data set out.set on the kernel as it stands for out.grid, with withModel the scans' model
// beside it; the hint goes to the main regularization; the observer hears of the progress.
// starts (optional): the columns' starts and means found while the kernel was made
// (EnsureContiKernel), taken by normal equations built whole.
ContiStatus SolveContiSet(CComputeObserver& observer, ContiSolution& out, bool withNoise = true,
                          ContiStrengthHint* hint = nullptr, bool withModel = false,
                          ContiColumnStarts* starts = nullptr);
// Writes a solution: distribution arrays, fit, residuals and noise of the scans, resultAvailable.
// A solution whose fit, or residuals, would lie beyond single precision is refused with its box:
// false, and nothing written.
bool StoreContiSolution(const ContiSolution& solution);
// A fit's trial shown while the fit runs: its fit, residuals and noise go into the scan store; the
// distribution and what later trials read stay as they were. Nothing without the noise computed,
// nor for a trial beyond single precision.
void ShowContiTrial(const ContiSolution& solution);
// A trial's distribution as the plot draws it (abscissa and value, points 1..n), in copies of
// its own; false for a solution that is not finite.
bool TrialDistributionCurve(const ContiSolution& solution, std::vector<float>& x,
                            std::vector<float>& c);
// After a Run outside a fit: the eliminated systematic noise moved out of the fit into the
// data by the noise switches (the baseline offset when neither is fitted).
void MoveNoiseIntoData();
// Frees the distribution arrays of the state (abscissae and values).
void FreeDistributionArrays();

// Synthetic data from the distribution in the distribution state (as read from a file): the fit
// of every scan is the sum of the kernel columns of its points on the common grid, resampled onto
// the scan's radii. With normalized, the values are per unit of the abscissa (as this program
// writes distributions), else each is the loading of its point. False, with the fits untouched,
// for a model without a kernel, no distribution or no grid, or a kernel that failed (said).
bool ComputeSyntheticDistributionFits(TXLAWindow* window, CComputeObserver& observer,
                                      bool normalized);

// The light-scattering distributions decay as g(1): when the first loaded curve holds g(2)-1,
// asks "DLS data for this model must be field autocorrelation g(1) - transform?" and on Yes
// converts every curve (and the common grid with them). Nothing for the other models.
void OfferFieldAcfConversion(TXLAWindow* window);

// The Run of the continuous models: checks (each refusal says why and changes nothing), the
// computation, the result, and unless called from the fit the systematic noise moved into the
// data. False when nothing was stored; the previous distribution is then intact. The hint as
// for ComputeContiSolution (the Fit's last trial for its final Run).
bool RunContiSed(TXLAWindow* window, CComputeObserver& observer, ContiStrengthHint* hint = nullptr);
