// The prior probability of the distribution: a curve read from a file or taken from a
// distribution, or bumps at discrete species, resampled onto each grid the regularization uses.
#pragma once

#include <string>
#include <vector>

// A prior over the distribution's abscissa (S, or Da for c(M)): ascending x, p >= 0 (0-based).
struct PriorCurve {
    std::vector<double> x, p;
};

// Reads the two numbers of each line (abscissa, probability; further columns ignored, blank
// lines skipped). Refuses, with the reason and the curve untouched, a line that is not numbers,
// a negative or non-finite value, abscissae that do not ascend, fewer than 2 rows and a curve
// without a positive probability. Empty on success.
std::string ParsePriorText(const std::string& text, PriorCurve& out);
// The same for a file; a file that cannot be read is refused too.
std::string ReadPriorFile(const std::string& path, PriorCurve& out);

// The curve at the abscissae x[1..n] (element 0 unused): linear between its points, 0 outside.
std::vector<double> ResamplePrior(const PriorCurve& curve, const std::vector<double>& x);

// The prior of discrete species at abscissae species over the grid x[1..n]: a flat level 0.01
// plus a normal bump of height 1 at each, its standard deviation two local grid steps.
std::vector<double> DiscretePrior(const std::vector<double>& x, const std::vector<double>& species);

// The prior of the "Use Prior Probabilities" command: kept here, switched on with
// ContiState::priorInUse.
void UsePriorCurve(PriorCurve curve);
// The discrete species of the "Prior Knowledge of Discrete Species" command, used while
// ContiState::discretePrior is set.
void UseDiscreteSpecies(std::vector<double> species);
// The prior a distribution on abscissae x[1..n] is regularized with: the discrete species while
// their switch is set, else the curve while it is in use; empty for none. Each applies only
// where it overlaps the grid (a prior without a positive value on x is none).
std::vector<double> PriorForGrid(const std::vector<double>& x);

// The prior a stored distribution was computed with, kept for the display and the copy command
// as ContiState::priorValues and priorAbscissa over the distribution's gridPoints; both freed
// (and the second prior switch cleared) when prior is empty. Call after the grid is stored.
void KeepPriorOfDistribution(const std::vector<double>& prior);
// Frees the prior arrays held over a grid of n points.
void FreePriorArrays(int n);
// Zeroes the prior block: no prior in use, no curve, no discrete species, arrays freed.
void ClearPriorParams();
