// Commit and revert of a released marker move. The value is written, then the order rules bring
// the neighbours into line: the meniscus upper bound stays 0.001 cm left of the left fit limit,
// the bottom lower bound 0.001 cm right of the right fit limit, a boundary outside its bounds
// widens them, a bound or limit dropped past its partner exchanges the two. Sums are formed in
// double and stored as float, the precision of the model's values.
#include "app/mstar_actions.h"
#include "app/txla_window.h"
#include "display/marker_commit.h"
#include "display/marker_lines.h"
#include "display/screen_button_set.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/buffer_sedimentation.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "state/mstar_state.h"
#include "state/plot_interaction_state.h"

namespace {

constexpr COLORREF kErase = 0xFFFFFF;

struct Lines {
    TXLAWindow* w;
    void Solid(float v, COLORREF c) const { DrawMarkerLine(w, DataPlotColumn(w, v), c); }
    void Dashed(float v, COLORREF c) const {
        DrawMarkerLineA(w, DataPlotColumn(w, v), c, kMarkerDashes);
    }
    void MoveSolid(float from, float to, COLORREF c) const {
        Solid(from, kErase);
        Solid(to, c);
    }
    void MoveDashed(float from, float to, COLORREF c) const {
        Dashed(from, kErase);
        Dashed(to, c);
    }
};

float Plus(float v, double d) {
    return float(double(v) + d);
}

float RefMeniscus() {
    return float(double(ModelParameters::meniscus) - BufferSedimentation::meniscusDifference);
}

// The meniscus may not vary past the left fit limit during a fit.
void LeftLimitRule(const Lines& l) {
    const float left = ScanStore::leftFitLimit;
    if (left > 0 && FitControl::meniscusMax > 0 && left < FitControl::meniscusMax) {
        l.Solid(FitControl::meniscusMax, kErase);
        FitControl::meniscusMax = Plus(left, -0.001);
        l.Dashed(FitControl::meniscusMax, TentativeMarker::limitBoundColour);
    }
}

// Nor the bottom before the right fit limit.
void RightLimitRule(const Lines& l) {
    const float right = ScanStore::rightFitLimit;
    if (right > 0 && FitControl::bottomMin > 0 && FitControl::bottomMin < right) {
        l.Solid(FitControl::bottomMin, kErase);
        FitControl::bottomMin = Plus(right, 0.001);
        l.Dashed(FitControl::bottomMin, TentativeMarker::limitBoundColour);
    }
}

void BoundLines(const Lines& l, float low, float high) {
    l.Dashed(low, TentativeMarker::limitBoundColour);
    l.Dashed(high, TentativeMarker::limitBoundColour);
}

// Puts the grabbed marker's line back at its unchanged value.
void Revert(const Lines& l) {
    using D = MarkerDragState;
    D::meniscusShiftPending = D::bottomShiftPending = false;
    const COLORREF grey = TentativeMarker::limitBoundColour;
    struct Row {
        bool& grabbed;
        float value;
        COLORREF colour;
        bool dashed;
    };
    const Row rows[] = {
        {D::meniscusGrabbed, ModelParameters::meniscus, TentativeMarker::meniscusColour, false},
        {D::refMeniscusGrabbed, RefMeniscus(), TentativeMarker::refMeniscusColour, false},
        {D::leftLimitGrabbed, ScanStore::leftFitLimit, TentativeMarker::fitLimitColour, false},
        {D::rightLimitGrabbed, ScanStore::rightFitLimit, TentativeMarker::fitLimitColour, false},
        {D::bottomGrabbed, ModelParameters::bottom, TentativeMarker::bottomColour, false},
        {D::meniscusLowGrabbed, FitControl::meniscusMin, grey, true},
        {D::meniscusHighGrabbed, FitControl::meniscusMax, grey, true},
        {D::bottomLowGrabbed, FitControl::bottomMin, grey, true},
        {D::bottomHighGrabbed, FitControl::bottomMax, grey, true},
    };
    for (const Row& r : rows) {
        if (!r.grabbed)
            continue;
        r.grabbed = false;
        gMouseDataX = 0.0f;
        r.dashed ? l.Dashed(r.value, r.colour) : l.Solid(r.value, r.colour);
        return;
    }
}

// Sets the bound that was dropped at d; the pair is exchanged when d passed the partner.
void DropBound(float& moved, float& partner, float d, bool movedIsLow) {
    const bool passed = movedIsLow ? partner < d : d < partner;
    if (passed) {
        moved = partner;
        partner = d;
    } else {
        moved = d;
    }
}

} // namespace

void TXLAWindow::ApplyMarkerDrag(bool commit) {
    using D = MarkerDragState;
    const Lines l{this};
    const bool mStar = MStarState::mStarMode;
    const float d = gMouseDataX;
    float& men = ModelParameters::meniscus;
    float& bot = ModelParameters::bottom;
    float& left = ScanStore::leftFitLimit;
    float& right = ScanStore::rightFitLimit;
    const COLORREF grey = TentativeMarker::limitBoundColour;

    // Common start: the release line and the buttons go.
    D::awaitingConfirm = false;
    DrawMarkerLine(this, D::releaseX, kErase);
    D::releaseX = 0;
    TentativeMarker::placed = false;
    HideMarkerConfirmButtons(this);

    if (!commit) {
        Revert(l);
        return;
    }

    bool askShift = false;
    if (D::meniscusGrabbed) {
        D::meniscusGrabbed = false;
        const float m = men;
        D::shiftedHigh = float(double(d) - (double(m) - FitControl::meniscusMax));
        D::shiftedLow = float(double(d) - (double(m) - FitControl::meniscusMin));
        l.MoveSolid(m, d, TentativeMarker::meniscusColour);
        men = d;
        gMouseDataX = 0.0f;
        if (!mStar) {
            if (men < FitControl::meniscusMin) {
                l.MoveDashed(FitControl::meniscusMin, men, grey);
                FitControl::meniscusMin = men;
            } else if (men > FitControl::meniscusMax) {
                const float high = Plus(men, 0.002);
                l.MoveDashed(FitControl::meniscusMax, high, grey);
                FitControl::meniscusMax = high;
            }
            if (men > left) {
                const float moved = Plus(men, 0.005);
                l.MoveSolid(left, moved, TentativeMarker::fitLimitColour);
                left = moved;
            }
            LeftLimitRule(l);
        }
        D::meniscusShiftPending = true;
        askShift = true;
    } else if (!mStar && D::meniscusShiftPending) {
        D::meniscusShiftPending = false;
        l.Dashed(FitControl::meniscusMax, kErase);
        l.Dashed(FitControl::meniscusMin, kErase);
        FitControl::meniscusMin = D::shiftedLow;
        FitControl::meniscusMax = D::shiftedHigh;
        BoundLines(l, FitControl::meniscusMin, FitControl::meniscusMax);
        LeftLimitRule(l);
    } else if (D::bottomGrabbed) {
        D::bottomGrabbed = false;
        const float b = bot;
        l.Solid(b, kErase);
        D::shiftedHigh = float(double(d) - (double(b) - FitControl::bottomMax));
        D::shiftedLow = float(double(d) - (double(b) - FitControl::bottomMin));
        bot = d;
        gMouseDataX = 0.0f;
        l.Solid(d, TentativeMarker::bottomColour);
        if (!mStar) {
            if (bot < FitControl::bottomMin) {
                l.MoveDashed(FitControl::bottomMin, bot, grey);
                FitControl::bottomMin = bot;
            } else if (bot > FitControl::bottomMax) {
                l.MoveDashed(FitControl::bottomMax, bot, grey);
                FitControl::bottomMax = bot;
            }
            if (bot < right) {
                l.MoveSolid(right, bot, TentativeMarker::fitLimitColour);
                right = bot;
            }
            RightLimitRule(l);
        }
        D::bottomShiftPending = true;
        askShift = true;
    } else if (!mStar && D::bottomShiftPending) {
        D::bottomShiftPending = false;
        l.Dashed(FitControl::bottomMax, kErase);
        l.Dashed(FitControl::bottomMin, kErase);
        FitControl::bottomMin = D::shiftedLow;
        FitControl::bottomMax = D::shiftedHigh;
        BoundLines(l, FitControl::bottomMin, FitControl::bottomMax);
        RightLimitRule(l);
    } else if (D::refMeniscusGrabbed) {
        D::refMeniscusGrabbed = false;
        l.Solid(RefMeniscus(), kErase);
        BufferSedimentation::meniscusDifference = double(men) - d;
        gMouseDataX = 0.0f;
        l.Solid(RefMeniscus(), TentativeMarker::refMeniscusColour);
    } else if (D::meniscusLowGrabbed || D::meniscusHighGrabbed) {
        const bool low = D::meniscusLowGrabbed;
        D::meniscusLowGrabbed = D::meniscusHighGrabbed = false;
        l.Dashed(low ? FitControl::meniscusMin : FitControl::meniscusMax, kErase);
        if (low)
            DropBound(FitControl::meniscusMin, FitControl::meniscusMax, d, true);
        else
            DropBound(FitControl::meniscusMax, FitControl::meniscusMin, d, false);
        gMouseDataX = 0.0f;
        BoundLines(l, FitControl::meniscusMin, FitControl::meniscusMax);
        const float inside = low ? FitControl::meniscusMin : FitControl::meniscusMax;
        if (low ? men < inside : inside < men) {
            l.MoveSolid(men, inside, TentativeMarker::meniscusColour);
            men = inside;
            l.Dashed(inside, grey);
        }
        LeftLimitRule(l);
    } else if (D::bottomLowGrabbed || D::bottomHighGrabbed) {
        const bool low = D::bottomLowGrabbed;
        D::bottomLowGrabbed = D::bottomHighGrabbed = false;
        l.Dashed(low ? FitControl::bottomMin : FitControl::bottomMax, kErase);
        if (low)
            DropBound(FitControl::bottomMin, FitControl::bottomMax, d, true);
        else
            DropBound(FitControl::bottomMax, FitControl::bottomMin, d, false);
        gMouseDataX = 0.0f;
        BoundLines(l, FitControl::bottomMin, FitControl::bottomMax);
        const float inside = low ? FitControl::bottomMin : FitControl::bottomMax;
        if (low ? bot < inside : inside < bot) {
            l.MoveSolid(bot, inside, TentativeMarker::bottomColour);
            bot = inside;
            l.Dashed(inside, grey);
        }
        RightLimitRule(l);
    } else if (D::leftLimitGrabbed) {
        D::leftLimitGrabbed = false;
        l.MoveSolid(left, d, TentativeMarker::fitLimitColour);
        left = d;
        gMouseDataX = 0.0f;
        if (right < left)
            std::swap(left, right);
        if (men > 0 && left < men) {
            const float moved = Plus(men, 0.005);
            l.MoveSolid(left, moved, TentativeMarker::fitLimitColour);
            left = moved;
        } else if (bot > 0 && right > bot) {
            const float moved = Plus(bot, -0.005);
            l.MoveSolid(right, moved, TentativeMarker::fitLimitColour);
            right = moved;
        }
        if (!mStar) {
            LeftLimitRule(l);
            BoundLines(l, FitControl::meniscusMin, FitControl::meniscusMax);
            RightLimitRule(l);
            BoundLines(l, FitControl::bottomMin, FitControl::bottomMax);
        }
    } else if (D::rightLimitGrabbed) {
        D::rightLimitGrabbed = false;
        if (men > 0 && d <= men) {
            // A right limit at or left of the meniscus would, after the exchange, leave a fit
            // range that the clamping collapses or empties: the drop is put back instead.
            gMouseDataX = 0.0f;
            l.Solid(right, TentativeMarker::fitLimitColour);
            return;
        }
        l.MoveSolid(right, d, TentativeMarker::fitLimitColour);
        right = d;
        gMouseDataX = 0.0f;
        if (right < left)
            std::swap(left, right);
        if (bot > 0 && right > bot) {
            l.Solid(right, kErase);
            right = bot;
            l.Dashed(bot, TentativeMarker::bottomColour);
        }
        if (!mStar)
            RightLimitRule(l);
    }

    if (askShift) {
        ScreenButtonSet::askMoveFitLimits = true;
        if (!mStar)
            ShowMarkerConfirmButtons(this, 0, 0);
        else
            ApplyMarkerDrag(true);
        ScreenButtonSet::askMoveFitLimits = false;
        D::awaitingConfirm = true;
    }

    ApplyLeftFitLimit();
    ApplyRightFitLimit();
    PackFitParameters();
    ScanStore::dataChanged = true;
    if (mStar)
        MStarScreenButtonAction(this, 0);
}
