// "&Parameters" (212): the parameters dialog of the current model and what its OK changes.
#include "app/params_box.h"
#include "app/power_law_calibration_command.h"
#include "app/txla_window.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

void TXLAWindow::CmParameters() {
    RunParameters();
}

bool TXLAWindow::RunParameters() {
    LeaveEqTestMode();
    const ParamsPage page = CurrentParamsPage();
    // The labels follow the model (D or M, the signal's unit), so the pages are made anew.
    RegisterParamsDialogs();
    FillParamsTransfer(paramsTransfer, page);
    TParamsBox box(this, page, paramsTransfer);
    if (box.Execute() != IDOK)
        return false;
    ApplyParamsTransfer(paramsTransfer, page);
    // The menu marks of the time offset and its fit follow the page.
    CheckMark(256, ModelParameters::timeOffsetOn);
    CheckMark(255, ModelParameters::fitT0);
    // The calibration stays asked for until one has been accepted.
    if (page == ParamsPage::Distribution && paramsTransfer.distribution.calibrate != 0) {
        if (CalibrateCMPowerLaw(this))
            paramsTransfer.distribution.calibrate = 0;
        else
            MessageBox("sorry, s(M) power-law calibration failed!", "C(M) POWERLAW", MB_OK);
    }
    if (ModelChoice::fitTINoise || ModelChoice::fitRINoise)
        WindowServices::ShowNoiseButtons(0);
    else
        WindowServices::HideNoiseButtons();
    DrawPlotsNow();
    Invalidate(true);
    return true;
}
