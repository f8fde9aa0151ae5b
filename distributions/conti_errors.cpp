// The error texts of the distribution analysis.
#include "distributions/conti_errors.h"

#include "foundations/show_error.h"
#include "state/serial_fit_state.h"

const char* ContiErrorText(int code) {
    switch (code) {
    case kNnlsIterations:
        return "max #iteration exceeded in NNLS";
    case kNnlsNotPositiveDefinite:
        return "matrix not positive definite in NNLS";
    case kRegularizationUnreachable:
        return "problem in regularization, cannot reach chi-square increase";
    case kZbrentIterations:
        return "Maximum number of iterations exceeded in zbrent";
    case kRootNotBracketed:
        return "too many iterations finding root";
    case kReplicateRegularization:
        return "problem with regularization, caught at P = ?";
    default:
        return "";
    }
}

void ReportContiError(int code) {
    if (code == kContiOk || ContiErrorText(code)[0] == '\0')
        return;
    if (SerialFitState::serializing) {
        SerialFitState::errorCode = code;
        return;
    }
    ShowError(ContiErrorText(code), 0);
}
