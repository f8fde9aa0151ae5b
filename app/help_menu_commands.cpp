// "About" (the warranty disclaimer again) and "Keyboard Shortcuts" of the Help menu.
#include "app/dialog_302.h"
#include "app/txla_window.h"
#include "foundations/sounds.h"
#include "state/preference_switches.h"

void TXLAWindow::CmAbout() {
    PlayOkSound();
    TDialog disclaimer(this, kDisclaimerDialogId);
    if (disclaimer.Execute() != IDCANCEL)
        return;
    // Not agreeing withdraws the acceptance: the disclaimer comes back at the next start.
    gDisclaimerAccepted = false;
    WritePreferences();
    CmExit();
}

void TXLAWindow::CmKeyboardShortcuts() {
    static const char* const kText =
        "current keyboard shortcuts (with control key unless otherwise mentioned):\n\n"
        "\nL - Data->Load New Files"
        "\nA - Data->Add More Files"
        "\nS - Data->Save Fit Data"
        "\nU - Data->Update Saved Fit Parameters"
        "\n\nC - Copy->Copy Screenshot"
        "\n\nD - Display->Data Range"
        "\nN - Display->Subtract All Systematic Noise From Raw Data"
        "\nO - Display->Show Last Fit Info Again"
        "\nM - Display->Show Peak Mw in c(s)"
        "\n\nP - Parameters"
        "\n\nR - Run"
        "\n\nF - Fit"
        "\nany key (without control key) while a Run or Fit computes - stop it; a stopped fit "
        "keeps the best values it reached and says \"stopped by a key\""
        "\n\nalt-I - Options->Inhomogeneous Solvent"
        "\nE - Options->Loading Options->Sort Eq Data to Disk"
        "\nG - Plot->VIZRA"
        "\nalt-G - Options->Fitting Options->Lamm Equation Parameters"
        "\nI - Options->Size-Distribution Options->Integrate Distribution"
        "\nW - Options->Size-Distribution Options->Use Prior Probabilities"
        "\nX - Options->Size-Distribution Options->Prior Knowledge of Discrete Species"
        "\n\n(M - toggle mouse sliding)";
    MessageBox(kText, "KEYBOARD SHORTCUTS", MB_OK);
}
