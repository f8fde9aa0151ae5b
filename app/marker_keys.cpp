// Characters on the plots. Esc leaves whatever transient state is up (peak labels, a waiting
// marker move, the equilibrium-test screen, the tentative marker, a range selection); Enter or
// Tab applies a waiting move or commits the tentative marker to the meniscus or bottom, the
// reference meniscus or a fitting limit, keeping the fit bounds outside the fitting limits. Any
// character closes an open scan menu. A key during a Run or Fit only asks it to stop.
#include "app/mstar_actions.h"
#include "app/txla_window.h"
#include "display/marker_commit.h"
#include "display/marker_lines.h"
#include "display/mstar_screen.h"
#include "display/scan_menu.h"
#include "display/screen_button_set.h"
#include "plotting/aux_plots.h"
#include "plotting/screen_button.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/boundary_analysis.h"
#include "state/buffer_sedimentation.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"
#include "state/realtime_state.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

using D = MarkerDragState;
using T = TentativeMarker;

constexpr COLORREF kWhite = 0xFFFFFF;

bool TentativePending() {
    return T::boundaryPending || T::fitLimitPending || T::refMeniscusPending;
}

float Plus(float v, double d) {
    return float(double(v) + d);
}

// The radial markers as they stood before a commit.
struct Markers {
    float meniscus, bottom, left, right, menLow, menHigh, botLow, botHigh;
    static Markers Now() {
        return {ModelParameters::meniscus, ModelParameters::bottom, ScanStore::leftFitLimit,
                ScanStore::rightFitLimit,  FitControl::meniscusMin, FitControl::meniscusMax,
                FitControl::bottomMin,     FitControl::bottomMax};
    }
};

void Solid(TXLAWindow* w, float r, COLORREF c) {
    DrawMarkerLine(w, DataPlotColumn(w, r), c);
}
void Dashed(TXLAWindow* w, float r, COLORREF c) {
    DrawMarkerLineA(w, DataPlotColumn(w, r), c, kMarkerDashes);
}

// The inner and outer ends of the loaded data.
void DataEnds(float& rMin, float& rMax) {
    rMin = 1000.0f;
    rMax = 0.0f;
    for (int j = 1; j <= ScanStore::scanCount; ++j) {
        const int n = ScanStore::pointCount[j];
        if (n < 1)
            continue;
        rMin = std::min(rMin, ScanStore::radius[j][1]);
        rMax = std::max(rMax, ScanStore::radius[j][n]);
    }
}

// Asks which boundary v is; false when the user declines both.
bool AskBoundary(TXLAWindow* w, float v, bool bottomFirst) {
    struct Ask {
        const char* text;
        float* target;
    } asks[] = {{"set bottom?", &ModelParameters::bottom},
                {"set meniscus?", &ModelParameters::meniscus}};
    if (!bottomFirst)
        std::swap(asks[0], asks[1]);
    w->paintSuspended = true;
    bool set = false;
    for (const Ask& a : asks) {
        if (w->MessageBox(a.text, "", MB_YESNO) == IDYES) {
            *a.target = v;
            set = true;
            break;
        }
    }
    w->paintSuspended = false;
    return set;
}

// Meniscus or bottom at v; false when the user declined both questions.
bool CommitBoundary(TXLAWindow* w, float v, float rMin, float rMax) {
    float& men = ModelParameters::meniscus;
    float& bot = ModelParameters::bottom;
    ScanStore::dataChanged = true;
    T::boundaryPending = false;
    if (men == 0.0f) {
        men = v;
    } else if (bot == 0.0f) {
        bot = v;
    } else if (rMax < bot && rMax - v < v - rMin) {
        if (!AskBoundary(w, v, true))
            return false;
    } else if (men < rMin && v - rMin < rMax - v) {
        if (!AskBoundary(w, v, false))
            return false;
    } else if (v - men <= bot - v) {
        men = v;
    } else {
        bot = v;
    }
    if (bot != 0.0f && men > bot) // a second boundary left of the first: they change places
        std::swap(men, bot);
    PackFitParameters();
    const float left = ScanStore::leftFitLimit, right = ScanStore::rightFitLimit;
    if (left > 0 && FitControl::meniscusMax > 0 && left < FitControl::meniscusMax) {
        Solid(w, FitControl::meniscusMax, kWhite);
        FitControl::meniscusMax = Plus(left, -0.001);
        Dashed(w, FitControl::meniscusMax, T::limitBoundColour);
    }
    if (right > 0 && FitControl::bottomMin > 0 && FitControl::bottomMin < right) {
        Solid(w, FitControl::bottomMin, kWhite);
        FitControl::bottomMin = Plus(right, 0.001);
        Dashed(w, FitControl::bottomMin, T::limitBoundColour);
    }
    SetDefaultMeniscusBottomLimits();
    return true;
}

void CommitFitLimit(TXLAWindow* w, float v, float rMax) {
    const float men = ModelParameters::meniscus, bot = ModelParameters::bottom;
    float& left = ScanStore::leftFitLimit;
    float& right = ScanStore::rightFitLimit;
    T::fitLimitPending = false;
    if (left == 0.0f)
        left = v;
    else if (right == 0.0f)
        right = v;
    else if ((men != 0.0f && bot != 0.0f) || gDlsData)
        (std::fabs(right - v) < std::fabs(v - left) ? right : left) = v;
    else
        left = v;
    if (ScanStore::scanCount > 0 && right == 0.0f)
        right = v - men <= bot - v ? rMax : ScanStore::radius[1][1];
    if (right < left)
        std::swap(left, right);
    if (men > 0 && left <= men)
        left = Plus(men, 0.01);
    if (bot > 0 && bot <= right)
        right = Plus(bot, -0.01);
    if (!MStarState::mStarMode) {
        if (left > 0 && FitControl::meniscusMax > 0 && left < FitControl::meniscusMax) {
            Solid(w, FitControl::meniscusMax, kWhite);
            FitControl::meniscusMax = Plus(left, -0.001);
            if (FitControl::meniscusMax < men)
                FitControl::meniscusMax = Plus(men, 0.0001);
            Dashed(w, FitControl::meniscusMax, T::limitBoundColour);
        }
        if (right > 0 && FitControl::bottomMin > 0 && FitControl::bottomMin < right) {
            Solid(w, FitControl::bottomMin, kWhite);
            FitControl::bottomMin = Plus(right, 0.001);
            if (FitControl::bottomMin > bot)
                FitControl::bottomMin = Plus(bot, -0.0001);
            Dashed(w, FitControl::bottomMin, T::limitBoundColour);
        }
    }
    ApplyLeftFitLimit();
    ApplyRightFitLimit();
}

// Draws every marker where it now stands; one that moved is painted out at its old column.
void RedrawCommitted(TXLAWindow* w, const Markers& was) {
    const Markers now = Markers::Now();
    const bool boundaryMoved = now.meniscus != was.meniscus || now.bottom != was.bottom;
    if (now.meniscus != was.meniscus)
        Solid(w, was.meniscus, kWhite);
    if (now.bottom != was.bottom)
        Solid(w, was.bottom, kWhite);
    if (now.left != was.left)
        Solid(w, was.left, kWhite);
    if (now.right != was.right)
        Solid(w, was.right, kWhite);
    if (ModelParameters::meniscus != 0.0f && !T::boundaryPending) {
        Solid(w, ModelParameters::meniscus, T::meniscusColour);
        if (BufferSedimentation::on && BufferSedimentation::meniscusDiffOn)
            Solid(
                w,
                float(double(ModelParameters::meniscus) - BufferSedimentation::meniscusDifference),
                T::refMeniscusColour);
    }
    Solid(w, ModelParameters::bottom, T::bottomColour);
    if (boundaryMoved)
        SetDefaultMeniscusBottomLimits();
    Solid(w, ScanStore::leftFitLimit, T::fitLimitColour);
    Solid(w, ScanStore::rightFitLimit, T::fitLimitColour);
    if (MStarState::mStarMode)
        return;
    const Markers bounds = Markers::Now();
    const std::pair<float, float> pairs[] = {{was.menLow, bounds.menLow},
                                             {was.menHigh, bounds.menHigh},
                                             {was.botLow, bounds.botLow},
                                             {was.botHigh, bounds.botHigh}};
    for (const auto& [old, cur] : pairs) {
        if (old == cur)
            continue;
        Dashed(w, old, kWhite);
        Dashed(w, cur, T::limitBoundColour);
    }
}

void LeaveWithEsc(TXLAWindow* w) {
    if (ScreenButtonSet::peakLabelCount > 0)
        ClearPeakLabelButtons();
    if (D::awaitingConfirm && !TentativePending()) {
        w->ApplyMarkerDrag(false);
        return;
    }
    if (RealtimeState::equilibriumTestMode) {
        w->LeaveEqTestMode();
        w->RequestRepaint();
    }
    if (T::placed) {
        D::awaitingConfirm = false;
        HideMarkerConfirmButtons(w);
        D::meniscusGrabbed = D::refMeniscusGrabbed = D::leftLimitGrabbed = false;
        T::placed = false;
        gMouseDataX = 0.0f;
        T::boundaryPending = T::fitLimitPending = T::refMeniscusPending = false;
        DistributionBand::integrateArmed = DistributionBand::zoomArmed = false;
        DrawMarkerLineB(w, DataPlotColumn(w, 0.0f), 0);
        w->DrawPlotsNow();
    }
    if (DistributionBand::selectArmed) {
        DistributionBand::active = DistributionBand::selectArmed = false;
        DistributionBand::integrateArmed = DistributionBand::zoomArmed = false;
        if (CScreenButton* b = ScreenButtonSet::rangeButton) {
            b->Toggle();
            b->Paint(w);
        }
    }
    if (BoundaryAnalysis::reportShown && BoundaryAnalysis::reportPlot) {
        BoundaryAnalysis::reportShown = false;
        w->LsgExtrapolationReport();
        w->RequestRepaint();
    }
    w->SetCursor(IDC_ARROW);
}

void EnterOrTab(TXLAWindow* w) {
    if (D::awaitingConfirm && !TentativePending()) {
        w->ApplyMarkerDrag(true);
        return;
    }
    D::awaitingConfirm = false;
    HideMarkerConfirmButtons(w);
    D::meniscusGrabbed = D::refMeniscusGrabbed = D::leftLimitGrabbed = false;
    const Markers was = Markers::Now();
    if (T::placed) {
        const float v = gMouseDataX;
        float rMin, rMax;
        DataEnds(rMin, rMax);
        if (T::boundaryPending && !CommitBoundary(w, v, rMin, rMax)) {
            T::placed = false;
            gMouseDataX = 0.0f;
            w->DrawPlotsNow();
            return;
        }
        if (T::refMeniscusPending) {
            T::refMeniscusPending = false;
            BufferSedimentation::meniscusDifference = double(ModelParameters::meniscus) - v;
        }
        if (T::fitLimitPending)
            CommitFitLimit(w, v, rMax);
        T::placed = false;
        gMouseDataX = 0.0f;
    }
    RedrawCommitted(w, was);
}

} // namespace

void TXLAWindow::EvChar(UINT key, UINT, UINT) {
    if (runBusy || fitBusy) {
        gUserInterrupt = true;
        return;
    }
    if (AuxPlots::auxPlotShown || AuxPlots::auxPlotShown2)
        RequestRepaint();
    if (!ScanStore::dataPlot)
        return;
    if (ScreenButtonSet::scanCancelButton)
        ScanButtonAction(this, 0);
    if (key == 27 && MStarState::active) {
        // Escape leaves the M* screen; a pending range drag gives its cross cursor back.
        if (MStarState::meniscusRangeDragPending || MStarState::bottomRangeDragPending)
            SetCursor(IDC_ARROW);
        if (MStarState::multiSet)
            LeaveMStarMulti(this);
        else
            LeaveMStarSingle(this);
        return;
    }
    if (key == 27)
        LeaveWithEsc(this);
    else if (key == 13 || key == 9)
        EnterOrTab(this);
}
