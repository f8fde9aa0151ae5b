// The scan and point menus on the plot. Sizes follow the client size the paint last saw; a menu
// near the right edge opens to the left so that it stays inside the window. Nothing here works
// on light-scattering data, whose "scans" are correlation curves.
#include "display/scan_menu.h"

#include "display/menu_button.h"
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/scan_colours.h"
#include "display/scan_removal.h"
#include "display/screen_button_set.h"
#include "foundations/key_polling.h"
#include "plat/msgbox.hpp"
#include "plat/process.hpp"
#include "plat/window.hpp"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "scandata/reload_data.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/plot_interaction_state.h"
#include "state/window_services.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

using S = ScreenButtonSet;

void Remove(TXLAWindow* w, CScreenButton*& slot) {
    if (!slot)
        return;
    if (w)
        slot->RestoreBackground(w);
    delete slot;
    slot = nullptr;
}

void Flash(TXLAWindow* w, CScreenButton* b) {
    if (b)
        b->Paint(w);
    WaitSeconds(0.1f);
}

std::string ScanPath(int k) {
    const int s = ScanStore::scanOrder[k];
    return ScanStore::scanFileName && ScanStore::scanFileName[s] ? ScanStore::scanFileName[s] : "";
}

std::string NameAndExtension(const std::string& path) {
    const std::size_t cut = path.find_last_of("/\\:");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

// Data to client pixel of a point of the data plot, for the ring around the clicked point.
TPoint PointPixel(TXLAWindow* w, float r, float v) {
    const CWINPlot& p = *ScanStore::dataPlot;
    return {LogicalToPixelX(DataToLogicalX(p, r), WindowServices::ClientWidth(w)),
            LogicalToPixelY(DataToLogicalY(p, v), WindowServices::ClientHeight(w))};
}

bool ValidPosition(int k) {
    return k >= 1 && k <= ScanStore::scanCount;
}

} // namespace

void ShowScanButtons(TXLAWindow* window, int x, int y, int k) {
    if (gDlsData || !ValidPosition(k))
        return;
    HideScanNameTip(window);
    S::selectedScan = k;
    S::selectedPoint = S::hitPoint;
    const std::string path = ScanPath(k);
    const double h = 0.018 * gClientHeightPx;
    const double w = (7.0 * double(path.size()) + 40.0) * gClientWidthPx / 1400.0 + 10.0;
    const bool right = PixelToLogicalX(x, WindowServices::ClientWidth(window)) < 1200;
    const double left = right ? x + 10 : x - 10 - w;
    const double outer = right ? x + 10 + w : x - 10;
    if (!S::scanEditButton) {
        S::scanEditButton =
            MakeMenuButton(window, "edit " + path + "?", y - 1.5 * h, y - 0.5 * h, left, outer);
        S::editAnchorX = int(right ? x + 10 + w + 2 : x - 10 - w - 2);
        S::editAnchorY = y - 20;
        S::editToRight = right;
    }
    if (!S::scanDeleteButton)
        S::scanDeleteButton =
            MakeMenuButton(window, "delete " + path + "?", y - 0.5 * h, y + 0.5 * h, left, outer);
    if (!S::scanCancelButton)
        S::scanCancelButton =
            MakeMenuButton(window, "cancel", y + 0.5 * h, y + 1.5 * h, left, outer);
    S::clickX = x;
    S::clickY = y;
    S::scanEditButton->SaveBackground(window);
    S::scanDeleteButton->SaveBackground(window);
    S::scanCancelButton->SaveBackground(window);
    S::scanEditButton->Paint(window);
    const int s = ScanStore::scanOrder[k];
    const int j = S::selectedPoint;
    if (ScanStore::dataPlot && j >= 1 && j <= ScanStore::pointCount[s]) {
        const TPoint p = PointPixel(window, ScanStore::radius[s][j], ScanStore::signal[s][j]);
        S::scanEditButton->DrawMarker(window, p.x, p.y, 4, 0x0000FF, ScanColour(s));
    }
    S::scanDeleteButton->Paint(window);
    S::scanCancelButton->Paint(window);
}

void HideScanButtons(TXLAWindow* window) {
    if (gDlsData)
        return;
    S::selectedScan = 0;
    Remove(window, S::scanDeleteButton);
    Remove(window, S::scanEditButton);
    HidePointEditButtons(window);
    Remove(window, S::scanCancelButton);
}

void ScanButtonAction(TXLAWindow* window, int which) {
    if (gDlsData)
        return;
    if (which < 1) {
        Flash(window, S::scanCancelButton);
        HideScanButtons(window);
    } else if (which == 1) {
        Flash(window, S::scanEditButton);
        ShowPointEditButtons(window, S::editAnchorX, S::editAnchorY, S::editToRight);
    } else {
        Flash(window, S::scanDeleteButton);
        if (ValidPosition(S::selectedScan))
            RemoveScanFromSet(window, ScanStore::scanOrder[S::selectedScan]);
        HideScanButtons(window);
    }
}

void ShowPointEditButtons(TXLAWindow* window, int x, int y, bool toRight) {
    if (gDlsData)
        return;
    if (S::pointDeleteButton || S::pointNotepadButton)
        HidePointEditButtons(window);
    const double h = 0.018 * gClientHeightPx;
    const int w = 98 * gClientWidthPx / 1400 + 10;
    S::pointDeleteButton = MakeMenuButton(window, "delete point?", y - 1 - h, y - 1,
                                          toRight ? x : x - 1 - w, toRight ? x + w : x - 1);
    S::pointNotepadButton = MakeMenuButton(window, "-> notepad?", y, y + h, toRight ? x : x - w,
                                           toRight ? x + w : x - 1);
    S::pointDeleteButton->SaveBackground(window);
    S::pointNotepadButton->SaveBackground(window);
    S::pointDeleteButton->Paint(window);
    S::pointNotepadButton->Paint(window);
}

void HidePointEditButtons(TXLAWindow* window) {
    if (gDlsData)
        return;
    Remove(window, S::pointDeleteButton);
    Remove(window, S::pointNotepadButton);
}

void PointEditButtonAction(TXLAWindow* window, int which) {
    if (gDlsData)
        return;
    const int k = S::selectedScan;
    const int point = S::selectedPoint;
    MakeTmpScanFileList(0);
    if (which == 1) {
        Flash(window, S::pointDeleteButton);
        HideScanButtons(window);
        if (ValidPosition(k))
            DeleteScanPoint(window, ScanStore::scanOrder[k], point);
        return;
    }
    if (which != 2)
        return;
    Flash(window, S::pointNotepadButton);
    HideScanButtons(window);
    if (!ValidPosition(k) || k > int(ScanStore::fileNames.size()))
        return;
    plat::OpenInTextEditor(ScanStore::fileNames[k - 1]);
    WindowServices::SetPaintSuspended(window, true);
    const int answer = WindowServices::PlatformWindow(window)->MessageBox(
        "reload scans for changes to take effect?", "", MB_YESNO);
    WindowServices::SetPaintSuspended(window, false);
    if (answer != IDYES)
        return;
    WindowServices::PlatformWindow(window)->SetCursor(IDC_WAIT);
    gReloadingData = true;
    ReloadAllData(window, WindowServices::Observer(window));
    gReloadingData = false;
    if (CWINPlot* plot = ScanStore::dataPlot) {
        const int level = ZoomHistory::level;
        plot->SetRanges(ZoomHistory::xLow[level], ZoomHistory::xHigh[level],
                        ZoomHistory::yLow[level], ZoomHistory::yHigh[level]);
        plot->Draw();
    }
    WindowServices::PlatformWindow(window)->SetCursor(IDC_ARROW);
    WindowServices::DrawPlotsNow(window);
}

void ShowScanNameTip(TXLAWindow* window, int k, int x, int y) {
    if (S::nameTipScan == k || !ValidPosition(k))
        return;
    HideScanNameTip(window);
    S::nameTipX = x;
    S::nameTipY = y;
    S::nameTipScan = k;
    const std::string name = NameAndExtension(ScanPath(k));
    const double h = 0.018 * gClientHeightPx;
    const double w = 8.0 * double(name.size()) * gClientWidthPx / 1400.0 + 5.0;
    const bool right = PixelToLogicalX(x, WindowServices::ClientWidth(window)) < 1300;
    auto* b = new CScreenButton;
    b->SetRect(float(PixelToLogicalY(int(y - h), WindowServices::ClientHeight(window))),
               float(PixelToLogicalX(right ? x : int(x - w), WindowServices::ClientWidth(window))),
               float(PixelToLogicalY(y - 1, WindowServices::ClientHeight(window))),
               float(PixelToLogicalX(right ? int(x + 1 + w) : x - 1,
                                     WindowServices::ClientWidth(window))));
    b->SetTexts(name.c_str(), int(name.size()), name.c_str(), int(name.size()));
    b->flat = true;
    b->SetBold();
    b->SetLabelStyle1();
    b->textColour = 0;
    b->offFaceColour = ScanColour(k);
    b->Rebuild();
    b->SaveBackground(window);
    b->Paint(window);
    S::nameTipButton = b;
}

void HideScanNameTip(TXLAWindow* window) {
    if (!S::nameTipButton)
        return;
    Remove(window, S::nameTipButton);
    S::nameTipX = S::nameTipY = S::nameTipScan = 0;
}
