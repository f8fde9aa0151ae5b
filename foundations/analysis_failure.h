// The numerical failures of the analysis engines, their texts, and the one way they reach the
// user: the error box, or the batch fit's error code.
#pragma once

#include <string>

// Each failure is numbered by the code a batch fit stores in SerialFitState::errorCode and writes
// into its error file.
enum class AnalysisFailure : int {
    None = 0,
    NnlsIterations = 1,            // the iteration cap stopped a non-negative solve
    NnlsNotPositiveDefinite = 2,   // a passive block of a non-negative solve was not definite
    RegularizationUnreachable = 3, // the chi-square increase cannot be reached
    ZbrentIterations = 4,          // a root search ran out of iterations
    RootNotBracketed = 5,          // a root search lost its bracket
    RegularizationCaught = 6,      // a regularization failure inside a Monte-Carlo replicate
    MonteCarloFolder = 7,          // the folder of the Monte-Carlo results cannot be made
    RootIterations = 8,            // a root search of the rod and chain models
    ZeroDifferential = 9,          // a floated parameter has no effect on the model
    SimplexNotConverged = 10,      // the simplex used up its evaluations
    AnalysisNotSaved = 11,         // the saved analysis cannot be written
    ModelNotAvailable = 12,        // Run and Fit do not evaluate the model chosen (own box)
};

// The message of a failure; empty for None. AnalysisNotSaved takes the path after its text,
// ModelNotAvailable the command before it.
const char* AnalysisFailureText(AnalysisFailure failure);

// The line a batch writes into its error file for the stored code: the failure's text for 1 to
// 10, "error occured (invalid error code)" above, empty for 0 and below.
const char* BatchErrorText(int code);

// The text with detail (the numbers of the case) on a line below; the detail of
// AnalysisNotSaved is the path, after a space.
std::string AnalysisFailureMessage(AnalysisFailure failure, const std::string& detail = {});

// While a batch fit runs, stores the failure's code in SerialFitState::errorCode; otherwise shows
// AnalysisFailureMessage in the error box. None does nothing.
void ReportAnalysisFailure(AnalysisFailure failure, const std::string& detail = {});
