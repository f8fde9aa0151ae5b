// The table of failure texts and their reporter.
#include "foundations/analysis_failure.h"

#include "foundations/show_error.h"
#include "state/serial_fit_state.h"

#include <iterator>

namespace {

// Indexed by the failure's code.
constexpr const char* kTexts[] = {
    "",
    "max #iteration exceeded in NNLS",
    "matrix not positive definite in NNLS",
    "problem in regularization, cannot reach chi-square increase",
    "Maximum number of iterations exceeded in zbrent",
    "too many iterations finding root",
    "problem with regularization, caught at P = ?",
    "could not create MC directory",
    "too many iterations finding root",
    "zero differential in mlcof",
    "Nelder-Mead not converged",
    "could not open",
    "is not available in this version for the model chosen.",
};
static_assert(std::size(kTexts) ==
              static_cast<std::size_t>(AnalysisFailure::ModelNotAvailable) + 1);

} // namespace

const char* AnalysisFailureText(AnalysisFailure failure) {
    const auto code = static_cast<std::size_t>(failure);
    return code < std::size(kTexts) ? kTexts[code] : "";
}

const char* BatchErrorText(int code) {
    if (code <= 0)
        return "";
    if (code > static_cast<int>(AnalysisFailure::SimplexNotConverged))
        return "error occured (invalid error code)";
    return AnalysisFailureText(static_cast<AnalysisFailure>(code));
}

std::string AnalysisFailureMessage(AnalysisFailure failure, const std::string& detail) {
    std::string text = AnalysisFailureText(failure);
    if (!detail.empty())
        text += (failure == AnalysisFailure::AnalysisNotSaved ? " " : "\n") + detail;
    return text;
}

void ReportAnalysisFailure(AnalysisFailure failure, const std::string& detail) {
    if (failure == AnalysisFailure::None)
        return;
    if (SerialFitState::serializing) {
        SerialFitState::errorCode = static_cast<int>(failure);
        return;
    }
    ShowError(AnalysisFailureMessage(failure, detail).c_str(), 0);
}
