// Failure reports of the optimisers: a box, or the batch's error code.
#include "fitting/fit_objective.h"
#include "foundations/show_error.h"
#include "state/serial_fit_state.h"

void ReportFitFailure(int code, const char* text) {
    if (SerialFitState::serializing)
        SerialFitState::errorCode = code;
    else
        ShowError(text);
}
