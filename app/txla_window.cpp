// TXLAWindow: construction, set-up, destruction and the routing of messages to handlers.
#include "app/txla_window.h"

#include "app/command_ended_by_exception.h"
#include "app/dialog_302.h"
#include "app/external_plot_programs.h"
#include "app/last_data_folder.h"
#include "app/menu_1.h"
#include "app/preferences_file.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/backend.hpp"
#include "plat/dialog.hpp"
#include "plat/printer.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_preferences.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/preference_switches.h"
#include "state/startup_paths.h"

#include <utility>
#include <vector>

char gSelectedFiles[kSelectedFilesSize];
char gSelectedFiles2[kSelectedFilesSize];

namespace {

// The message map: one entry per command of the table, then the window messages.
std::vector<plat::MapEntry> MakeMessageMap() {
    std::vector<plat::MapEntry> map;
    for (const CommandRow& row : CommandTable()) {
        const CommandRow* r = &row;
        map.push_back({WM_COMMAND, UINT(row.id), [r](TWindow& w, WPARAM, LPARAM) -> LRESULT {
                           static_cast<TXLAWindow&>(w).RunCommand(*r);
                           return 0;
                       }});
    }
    map.push_back(plat::OnMessage(WM_KEYDOWN, &TXLAWindow::EvKeyDown));
    map.push_back(plat::OnMessage(WM_CHAR, &TXLAWindow::EvChar));
    map.push_back(plat::OnMessage(WM_LBUTTONDOWN, &TXLAWindow::EvLButtonDown));
    map.push_back(plat::OnMessage(WM_LBUTTONUP, &TXLAWindow::EvLButtonUp));
    map.push_back(plat::OnMessage(WM_RBUTTONDOWN, &TXLAWindow::EvRButtonDown));
    map.push_back(plat::OnMessage(WM_RBUTTONUP, &TXLAWindow::EvRButtonUp));
    map.push_back(plat::OnMessage(WM_MOUSEMOVE, &TXLAWindow::EvMouseMove));
    map.push_back(plat::OnMessage(WM_RBUTTONDBLCLK, &TXLAWindow::EvRButtonDblClk));
    map.push_back(plat::OnMessage(WM_LBUTTONDBLCLK, &TXLAWindow::EvLButtonDblClk));
    map.push_back(plat::OnMessage(WM_ENTERIDLE, &TXLAWindow::EvEnterIdle));
    map.push_back(plat::OnMessage(WM_SIZE, &TXLAWindow::EvSize));
    map.push_back(plat::OnMessage(WM_DROPFILES, &TXLAWindow::EvDropFiles));
    map.push_back(plat::OnMessage(WM_TIMER, &TXLAWindow::EvRealtimeTimer));
    return map;
}

} // namespace

void PrepareLoadDialog(OpenFileRecord& record, char* nameBuffer) {
    record = OpenFileRecord{};
    record.lStructSize = 76;
    record.hwndOwner = nullptr;
    record.filters = {
        {"All AUC Files (*.IP*;*.RA*;*.RI*;*.R0*;*.FI*;*.xp;*list*.*)",
         "*.IP*;*.RA*;*.RI*;*.R0*;*.FI*;*.xp;*list*.*"},
        {"Previously Loaded Lists (list*.*)", "list*.*"},
        {"MIROVAN Experiments (*.xp)", "*.xp"},
        {"cell 1 (*.*1)", "*.*1"},
        {"cell 2 (*.*2)", "*.*2"},
        {"cell 3 (*.*3)", "*.*3"},
        {"cell 4 (*.*4)", "*.*4"},
        {"cell 5 (*.*5)", "*.*5"},
        {"cell 6 (*.*6)", "*.*6"},
        {"cell 7 (*.*7)", "*.*7"},
        {"cell 8 (*.*8)", "*.*8"},
        {"Interference Files (*.IP*)", "*.IP*"},
        {"Absorbance Files (*.RA*)", "*.RA*"},
        {"Intensity Files (*.RI*)", "*.RI*"},
        {"Fluorescence Files (*.FI*)", "*.FI*"},
        {"All Files (*.*)", "*.*"},
    };
    record.nFilterIndex = 1;
    record.lpstrFile = nameBuffer;
    record.nMaxFile = kSelectedFilesSize;
    record.lpstrInitialDir = gLastDataFolder;
    record.lpstrTitle = "select files";
    record.lpstrDefExt = std::string("*");
    record.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT;
}

TXLAWindow::TXLAWindow(TWindow* parent, const char* title) : TFrameWindow(parent, title) {
    InstallWindowServices();
    gMStarCopyItemsPresent = false;
    RegisterDialog302();
    InitParamsTransfer(paramsTransfer);
    AssignMenu(BuildMenu1());
    SetAcceleratorTable(BuildAcceleratorTable303());
    gSelectedFiles[0] = '\0';
    gSelectedFiles2[0] = '\0';
    PrepareLoadDialog(openFilesDialog, gSelectedFiles);
    PrepareLoadDialog(openFilesDialog2, gSelectedFiles2);

    // Without a file to read this is the first start.
    const bool firstStart = !ReadPreferences();
    ReadLammEqParameterPreferences(this);

    if (!gDisclaimerAccepted) {
        TDialog disclaimer(this, kDisclaimerDialogId);
        if (disclaimer.Execute() != IDCANCEL) {
            gDisclaimerAccepted = true;
            // The new user is asked whether a running fit shows its residuals: their answers
            // are the first file's.
            if (firstStart)
                AskLiveRefreshPreferences(
                    [this](const char* q) { return AskYesNo(q, "SET PREFERENCE"); });
            WritePreferences();
        } else {
            CmExit();
        }
    }
    DebugLog(nullptr);
}

TXLAWindow::~TXLAWindow() {
    if (printerCreated)
        delete printer;
    delete[] logSessionText;
    delete[] logFileName;
}

void TXLAWindow::SetupWindow() {
    TFrameWindow::SetupWindow();
    if (ContiState::suppressBaselineCorrelation)
        CheckMark(829, true);
    if (gIntegrationRangesFromFile)
        CheckMark(644, true);
    CheckMark(594, gSoundOn);
    CheckMark(648, ContiState::multiThreading);
    CheckMark(610, gWizardMessages);
    // The resource checks the scan colour item; the switch may have been read as off.
    CheckMark(609, ScanStore::scanColorFromTime);
    ShowRegularizationAndOptimiser();
    if (gAlwaysLoadG2)
        CheckMark(894, true);
    if (gCheckTimestamps)
        CheckMark(902, true);

    DetectExternalPlotPrograms(this);
    CountSoundFiles();
    PlayHiSound();
    DragAcceptFiles(true);
}

const plat::MapEntry* TXLAWindow::Find(UINT message, UINT id) const {
    static const std::vector<plat::MapEntry> map = MakeMessageMap();
    for (const plat::MapEntry& entry : map) {
        if (entry.message == message && (message != WM_COMMAND || entry.id == id))
            return &entry;
    }
    return TFrameWindow::Find(message, id);
}

void TXLAWindow::RunCommand(const CommandRow& row) {
    // A command chosen while a Run or Fit computes reaches the window only through the loop of a
    // box the computation shows: it waits for the computation's end instead of running inside it
    // on half-computed state.
    if (runBusy || fitBusy) {
        heldWhileBusy_.push_back({row.id, {}, {}});
        return;
    }
    if (helpMode && row.help != HelpTest::None) {
        helpMode = false;
        if (row.help == HelpTest::Offer)
            CmHowToGetHelp();
        else
            ShowHelpContext(row.help == HelpTest::Context320 ? 320 : 321);
        return;
    }
    currentCommand_ = row.id;
    // An engine that could not get its memory ends the command, not the program.
    if (RanOutOfMemory(*this, [&] { (this->*row.handler)(); }))
        ShowError(kOutOfMemoryText, 0);
    ReleaseHeldInput();
}

void TXLAWindow::ReleaseHeldInput() {
    if (runBusy || fitBusy)
        return;
    // Queued again in the order chosen, for the message loop.
    for (HeldInput& held : std::exchange(heldWhileBusy_, {})) {
        if (held.command != 0)
            PostMessage(this, WM_COMMAND, WPARAM(held.command));
        else
            plat::PostDrop(*this, std::move(held.files), held.point);
    }
}

void TXLAWindow::EvSize(UINT, const TSize&) {
    Invalidate(true);
}

void TXLAWindow::ShowRegularizationAndOptimiser() {
    for (int id : {294, 295, 642})
        CheckMark(id, false);
    if (ContiState::secondDerivativeRegularization)
        CheckMark(294, true);
    else if (ContiState::maxEntRegularization)
        CheckMark(295, true);
    else if (ContiState::showBothRegularizations)
        CheckMark(642, true);
    for (int id : {826, 825, 824})
        CheckMark(id, false);
    if (FitControl::simplex)
        CheckMark(826, true);
    else if (FitControl::simulatedAnnealing)
        CheckMark(825, true);
    else if (FitControl::marquardtLevenberg)
        CheckMark(824, true);
}

void TXLAWindow::CheckMark(int id, bool on) {
    if (HMENU menu = GetMenu())
        ::CheckMenuItem(menu, UINT(id), on ? MF_CHECKED : MF_UNCHECKED);
}

bool TXLAWindow::AskYesNo(const char* text, const char* caption) {
    return MessageBox(text, caption, MB_YESNO) == IDYES;
}
