// Monte-Carlo statistics of a distribution: replicate data sets made of the best fit plus
// Gaussian noise of the fit's rmsd, each solved with the kernel, the noise elimination and the
// regularization of the original; per-point limits and the statistics of integrated ranges.
#pragma once

#include "distributions/conti_normal_equations.h"
#include "distributions/conti_regularization.h"
#include "foundations/analysis_failure.h"
#include "state/compute_observer.h"
#include "state/serial_fit_state.h"

#include <functional>
#include <string>
#include <vector>

class TXLAWindow;

// What stays fixed over the replicates: the normal matrix of the original (its b and yy are
// replaced per replicate), the data set, the kernel columns and the best fit on the common grid.
struct MonteCarloProblem {
    int n = 0;
    ContiNormalEquations eq;
    ContiDataSet set;
    ContiColumnRow column;
    std::vector<std::vector<double>> fit; // [s][i], fitted scan s, grid index i in [first, last]
    double rmsd = 0.0;
    ContiRegularizationKind kind = ContiRegularizationKind::MaximumEntropy;
    double P = 0.68;           // confidence level of the regularization
    double nu = 1.0;           // degrees of freedom for its chi-square ratio
    std::vector<double> prior; // [1..n], the prior probability of the original; empty: none
    int threads = 1;
    // When the common grid was resampled from the scans: the measured radii of each scan of set
    // ([s][1..m], ascending) and the grid's radii ([1..gridCount]). The noise is then drawn per
    // measured point and resampled like the data, so that neighbouring grid points share it as
    // the data do. Empty: the grid points are the measured points.
    std::vector<std::vector<float>> measuredRadii;
    std::vector<float> gridRadius;
};

// Gaussian deviate of standard deviation sigma.
using MonteCarloNoise = std::function<double(double sigma)>;

struct MonteCarloOutcome {
    std::vector<std::vector<double>> amplitudes;     // per finished replicate, [1..n]
    bool stopped = false;                            // a key press ended the loop
    AnalysisFailure failure = AnalysisFailure::None; // a replicate's regularization failed
    std::string failureDetail;
};

// The right-hand side b* and yy* of replicate data y*[s][i] against the fixed columns. The rows
// p are dealt out to problem.threads shares on the kept threads, each summed in a fixed order,
// so the result does not depend on the number of threads.
void MonteCarloRightHandSide(const MonteCarloProblem& problem,
                             const std::vector<std::vector<double>>& y, ContiNormalEquations& eq);

// The standard deviation per measured point whose linear resampling onto the grid points
// [first, last] has the mean square rmsd^2; rmsd itself without measured radii.
double MeasuredPointNoise(const MonteCarloProblem& problem);

// Runs count replicates, problem.threads at a time on the kept threads. The noise is drawn on
// the calling thread in the order replicates, scans, points, so the replicates do not depend on
// the thread count. The keyboard is polled after each batch: a key press keeps the finished
// replicates and ends the loop. A regularization failure ends the loop and keeps the replicates
// before it (code 6 is the caller's to report).
MonteCarloOutcome RunMonteCarloReplicates(const MonteCarloProblem& problem, int count,
                                          const MonteCarloNoise& noise);

// The q-quantile (0..1) of values, linear between order statistics; 0 for none.
double Quantile(std::vector<double> values, double q);

// Per grid point the (1-P)/2 and (1+P)/2 quantiles of the replicates ([1..n] each).
void MonteCarloLimits(const std::vector<std::vector<float>>& replicates, double P,
                      std::vector<float>& lower, std::vector<float>& upper);

// Mean, sample standard deviation and 15.87% / 84.13% quantiles of the integrated c and the
// weight-average abscissa over [smin, smax] of each replicate (values over x[1..n]).
MonteCarloStatistics ComputeMonteCarloStatistics(const float* x, int n,
                                                 const std::vector<std::vector<float>>& replicates,
                                                 double smin, double smax);

// Command level, on the current distribution and the stored Monte-Carlo replicates.

// Replicates of the current distribution at its own confidence level (the regularization strength
// found anew for each); the limit table at P; files "MC%d.dat" in folder when writeEach. False
// when nothing was kept.
bool RunMonteCarloDistributions(TXLAWindow* window, CComputeObserver& observer, int n, float P,
                                const std::string& folder, bool writeEach);
// The same with the regularization at the confidence level P, the nonlinear parameters fixed,
// and the statistics of [smin, smax] reported at the end.
bool RunMonteCarloIntegratedS(TXLAWindow* window, CComputeObserver& observer, int n, float P,
                              float smin, float smax, const std::string& folder, bool writeEach);
// Recomputes the limit curves at level P.
void MonteCarloLimitTable(float P);
// Shows the statistics of [smin, smax] in a box, or while serializing stores them in
// SerialFitState::mcStatistics.
void ReportMonteCarloStatistics(TXLAWindow* window, float smin, float smax);
// Frees the replicates and the limit curves.
void FinishMonteCarlo(TXLAWindow* window);
