// The text and layout of the warranty disclaimer dialog.
#include "app/dialog_302.h"

namespace {

const char* const kLines[] = {
    "Tarnix - Sedimentation Analysis",
    "",
    "This program is provided \"as is\", without warranty of any kind, express or",
    "implied, including the warranties of merchantability and of fitness for a",
    "particular purpose. The results depend on the data and on the models and",
    "settings chosen; check them before you rely on them.",
    "You use this program at your own risk. In no event shall its authors be liable",
    "for any damage or loss arising from its use.",
    "",
    "Do you agree to these terms?",
};

} // namespace

plat::DialogTemplate Dialog302() {
    plat::DialogTemplate dialog;
    dialog.id = kDisclaimerDialogId;
    dialog.caption = "Warranty Disclaimer";
    dialog.w = 280;
    dialog.h = 150;
    int y = 8;
    for (const char* line : kLines) {
        dialog.controls.push_back({-1, plat::ControlKind::Static, line, 10, y, 260, 10});
        y += 11;
    }
    dialog.controls.push_back({IDOK, plat::ControlKind::DefButton, "agree", 70, y + 8, 60, 14});
    dialog.controls.push_back(
        {IDCANCEL, plat::ControlKind::Button, "don't agree", 150, y + 8, 60, 14});
    return dialog;
}

void RegisterDialog302() {
    plat::RegisterDialogTemplate(Dialog302());
}
