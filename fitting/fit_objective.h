// The objective the nonlinear optimisers minimise, and how their failures are reported.
#pragma once

#include <functional>
#include <vector>

class TXLAWindow;

// A trial vector p[1..n] gives the mean square of its residuals (rmsd^2); when residuals is not
// null it also receives the residual vector (data minus model, always of the same length). A
// trial the model cannot evaluate returns kFailedEvaluation, so the optimisers move away from it.
struct FitObjective {
    std::function<double(const double* p, std::vector<double>* residuals)> evaluate;
    double operator()(const double* p) const { return evaluate(p, nullptr); }
};

constexpr double kFailedEvaluation = 1e10;

// Failure codes of the optimisers (the batch writes the message of the code into its error file).
constexpr int kErrorZeroDifferential = 9;     // "zero differential in mlcof"
constexpr int kErrorSimplexNotConverged = 10; // "Nelder-Mead not converged"

// Outside a batch the error box with text; while a batch fit runs the code is stored instead.
void ReportFitFailure(int code, const char* text);
