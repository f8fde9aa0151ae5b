// Sliders on the plots. The knob position is relative (0 at the left or bottom end); values are
// mapped linearly onto it, in log10 units for a logarithmic slider; a step slider snaps to the
// step whose value lies nearest (the lower index on a tie).
#include "plotting/screen_slider.h"

#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "plotting/plot_globals.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::size_t kTextCapacity = 999;

std::unique_ptr<CScreenButton> ArrowButton(const char* text) {
    auto b = std::make_unique<CScreenButton>();
    b->SetTexts(text, 1, text, 1);
    b->SetBold();
    b->offFaceColour = 0x969696;
    b->onFaceColour = 0xfa96fa;
    return b;
}

std::string Cut(const char* text) {
    return std::string(text).substr(0, kTextCapacity);
}

} // namespace

CScreenSlider::CScreenSlider() {
    SetTexts("", 0, "", 0);
    kind = 1; // a hit moves the knob; it must not flip the track into a button face
}

void CScreenSlider::SetHorizontal() {
    horizontal = true;
    vertical = false;
}

void CScreenSlider::SetVertical() {
    vertical = true;
    horizontal = false;
}

void CScreenSlider::SetRect(float t, float l, float b, float r) {
    CScreenButton::SetRect(t, l, b, r);
    if (vertical) {
        knobHalfSize = int(std::floor(std::abs(top - bottom) / 30.0));
        knobPos = int(std::floor((top - bottom) * double(position) + bottom));
    } else {
        knobHalfSize = int(std::floor(std::abs(right - left) / 30.0));
        knobPos = int(std::floor((right - left) * double(position) + left));
    }
    knobHalfSize = std::max(knobHalfSize, 1);
}

void CScreenSlider::SetKnob(float p) {
    if (!(p >= 0.0f && p <= 1.0f))
        return;
    position = p;
    knobPos = vertical ? int(std::floor(bottom + (top - bottom) * double(p)))
                       : int(std::floor(left + (right - left) * double(p)));
}

float CScreenSlider::PositionFromPoint(float x, float y) const {
    float p = 0.0f;
    if (vertical)
        p = top != bottom ? (y - float(bottom)) / float(top - bottom) : 0.0f;
    else
        p = right != left ? (x * gScreenScale - float(left)) / float(right - left) : 0.0f;
    return std::clamp(p, 0.0f, 1.0f);
}

float CScreenSlider::Click(float x, float y) {
    if (!HitTest(x, y))
        return -1.0f;
    SetKnob(PositionFromPoint(x, y));
    Rebuild();
    return position;
}

bool CScreenSlider::DrawTrack(TDC& dc) {
    const TBrush oldBrush = dc.SelectObject(GetStockBrush(NULL_BRUSH));
    const TPen oldPen = dc.SelectObject(GetStockPen(BLACK_PEN));
    dc.SelectObject(GetStockPen(NULL_PEN));
    const int L = left, R = right, T = top, B = bottom, k = knobPos, h = knobHalfSize;
    dc.SelectObject(TBrush(offFaceColour));
    dc.Rectangle(L + 1, B + 1, R, T);
    DrawRaisedEdge(dc);
    dc.SetBkColor(offFaceColour);

    dc.SelectObject(TBrush(knobColour));
    if (vertical)
        dc.Rectangle(L + 1, k + h + 1, R, k - h);
    else
        dc.Rectangle(k + h + 1, B + 1, k - h, T);
    dc.SelectObject(TPen(darkColour));
    const TPoint outline[5] = {vertical ? TPoint{L, k + h} : TPoint{k + h, B},
                               vertical ? TPoint{L, k - h} : TPoint{k + h, T},
                               vertical ? TPoint{R, k - h} : TPoint{k - h, T},
                               vertical ? TPoint{R, k + h} : TPoint{k - h, B},
                               vertical ? TPoint{L, k + h} : TPoint{k + h, B}};
    if (vertical)
        dc.Rectangle(L + 1, k + h + 1, R, k - h);
    else
        dc.Rectangle(k + h + 1, B + 1, k - h, T);
    dc.MoveTo(outline[0]);
    for (int i = 1; i < 5; ++i)
        dc.LineTo(outline[i]);
    dc.SelectObject(oldPen);
    dc.SelectObject(oldBrush);
    return true;
}

bool CScreenSlider::Rebuild() {
    TMetaFileDC recorder;
    recorder.SetWindowExt(TSize{LogicalPageWidth(), LogicalPageHeight()});
    DrawTrack(recorder);
    return KeepRecording(recorder);
}

CValueSlider::CValueSlider()
    : increaseButton(ArrowButton(">")), decreaseButton(ArrowButton("<")),
      labelButton(std::make_unique<CScreenButton>()) {
    labelButton->flat = true;
    labelButton->SetBold();
    labelButton->on = true;
    labelButton->textColour = 0;
}

void CValueSlider::SetRange(float a, float b, bool logarithmic) {
    minimum = std::min(a, b);
    maximum = std::max(a, b);
    linear = !logarithmic;
}

void CValueSlider::SetNameUnit(const char* n, const char* u, float factor) {
    if (n)
        name = Cut(n);
    if (u)
        unit = Cut(u);
    unitFactor = factor;
}

void CValueSlider::SetRect(float t, float l, float b, float r) {
    CScreenSlider::SetRect(t, l, b, r);
    const float A = float(arrowSize), W = float(labelWidth);
    if (vertical) {
        increaseButton->SetRect(t - A, l, t + 1, r);
        decreaseButton->SetRect(b + 1, l, b + A, r);
        labelButton->SetRect(t - 2 * A, l, t - A + 1, l + W);
    } else {
        increaseButton->SetRect(t, r + 1, b, r + A);
        decreaseButton->SetRect(t, l - A, b, l - 1);
        labelButton->SetRect(t, r + A + 1, b, r + A + 1 + W);
    }
}

float CValueSlider::ValueAt(float p) const {
    if (p <= 0.0f)
        return minimum;
    if (p >= 1.0f)
        return maximum;
    return minimum + (maximum - minimum) * p;
}

float CValueSlider::PositionOf(float v) const {
    if (v <= minimum)
        return 0.0f;
    if (v >= maximum)
        return 1.0f;
    return std::fabs(v - minimum) / std::fabs(maximum - minimum);
}

float CValueSlider::DisplayValueAt(float p) const {
    return linear ? ValueAt(p) : float(std::pow(10.0, double(ValueAt(p))) * unitFactor);
}

float CValueSlider::PositionOfDisplayValue(float v) const {
    if (linear)
        return PositionOf(v);
    return v <= 0.0f ? 0.0f : PositionOf(float(std::log10(double(v) * 1e-6)));
}

void CValueSlider::SetLabel(const char* text) {
    labelButton->SetTexts(text, int(std::strlen(text)), text, int(std::strlen(text)));
}

void CValueSlider::SetPosition(float p) {
    SetKnob(p);
    value = ValueAt(p);
    char text[2100];
    std::snprintf(text, sizeof text, "%s = %.3e %s", name.c_str(), double(value), unit.c_str());
    SetLabel(text);
}

float CValueSlider::Click(float x, float y) {
    if (HitTest(x, y))
        SetPosition(PositionFromPoint(x, y));
    else if (increaseButton->HitTest(x, y))
        SetPosition(position + 0.01f);
    else if (decreaseButton->HitTest(x, y))
        SetPosition(position - 0.01f);
    else
        return -1.0f;
    return position;
}

float CValueSlider::EnterValue(float x, float y) {
    if (!labelButton->HitTest(x, y))
        return -1.0f;
    char prompt[200];
    float start = value;
    if (linear) {
        std::snprintf(prompt, sizeof prompt, "enter value between %.3f and %.3f", double(minimum),
                      double(maximum));
    } else {
        std::snprintf(prompt, sizeof prompt, "enter value between %.3f and %.3f uM",
                      std::pow(10.0, double(minimum)) * unitFactor,
                      std::pow(10.0, double(maximum)) * unitFactor);
        start = float(std::pow(10.0, double(value)) * unitFactor);
    }
    float v = 0.0f;
    if (!InputFloat(&v, start, true, prompt, ""))
        return -1.0f;
    if (!linear) {
        // A non-positive amount has no place on a logarithmic scale.
        if (!(v > 0.0f) || !(unitFactor > 0.0f))
            return -1.0f;
        v = float(std::log10(double(v) / unitFactor));
    }
    if (!(v >= minimum && v <= maximum))
        return -1.0f;
    value = v;
    CValueSlider::SetPosition(PositionOf(v));
    Rebuild();
    return position;
}

bool CValueSlider::Rebuild() {
    TMetaFileDC recorder;
    recorder.SetWindowExt(TSize{LogicalPageWidth(), LogicalPageHeight()});
    DrawTrack(recorder);
    increaseButton->Draw(recorder);
    decreaseButton->Draw(recorder);
    labelButton->Draw(recorder);
    return KeepRecording(recorder);
}

bool CStepSlider::SetSteps(int n, const float* values, bool takeLog) {
    if (!values || n < 1)
        return false;
    stepCount = n;
    steps.assign(std::size_t(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i)
        steps[std::size_t(i)] =
            !linear && takeLog ? float(std::log10(double(values[i]))) : values[i];
    return true;
}

void CStepSlider::SetZeroFirst() {
    zeroFirst = true;
    if (stepCount >= 1)
        steps[1] = 0.0f;
}

int CStepSlider::SetPosition(float p) {
    if (p < 0.0f || p > 1.0f)
        return stepIndex;
    if (p == 0.0f || (zeroFirst && stepCount > 0 && p < 1.0f / float(stepCount))) {
        position = 0.0f;
        stepIndex = 1;
    } else {
        const float v = ValueAt(p);
        float best = 1e10f;
        for (int i = 1; i <= stepCount; ++i) {
            const float d = std::fabs(steps[std::size_t(i)] - v);
            if (d < best) {
                best = d;
                stepIndex = i;
            }
        }
        position = stepCount > 0 ? PositionOf(steps[std::size_t(stepIndex)]) : 0.0f;
    }
    SetKnob(position);
    if (stepIndex >= 1 && stepIndex <= stepCount)
        value = steps[std::size_t(stepIndex)];
    double shown = value;
    if (!linear)
        shown = zeroFirst && value == 0.0f && stepIndex == 1
                    ? 0.0
                    : std::pow(10.0, double(value)) * unitFactor;
    char text[2100];
    std::snprintf(text, sizeof text, "%s = %.3f %s", name.c_str(), shown, unit.c_str());
    SetLabel(text);
    CValueSlider::Rebuild();
    return stepIndex;
}

float CStepSlider::StepUp() {
    if (stepIndex >= stepCount)
        return -1.0f;
    SetPosition(PositionOf(steps[std::size_t(stepIndex) + 1]));
    CValueSlider::Rebuild();
    return position;
}

float CStepSlider::StepDown() {
    if (stepIndex < 2)
        return -1.0f;
    const float p =
        zeroFirst && stepIndex == 2 ? 0.0f : PositionOf(steps[std::size_t(stepIndex) - 1]);
    SetPosition(p);
    CValueSlider::Rebuild();
    return p;
}

float CStepSlider::ClickTrackOrLabel(float x, float y) {
    if (HitTest(x, y)) {
        SetPosition(PositionFromPoint(x, y));
        return position;
    }
    const float p = EnterValue(x, y);
    if (p != -1.0f)
        SetPosition(p);
    return p;
}

namespace {

// The arrow shown pressed, a tenth of a second, then released.
void Flash(CScreenButton& arrow, TXLAWindow* window) {
    if (!arrow.on)
        arrow.Toggle();
    arrow.Paint(window);
    WaitSeconds(0.1f);
    arrow.Toggle();
    arrow.Paint(window);
}

} // namespace

float CStepSlider::ClickTrackOrArrows(TXLAWindow* window, float x, float y) {
    for (CScreenButton* arrow : {increaseButton.get(), decreaseButton.get()}) {
        if (arrow->on) {
            arrow->Toggle();
            arrow->Paint(window);
        }
    }
    if (HitTest(x, y)) {
        SetPosition(PositionFromPoint(x, y));
        return position;
    }
    if (increaseButton->HitTest(x, y)) {
        Flash(*increaseButton, window);
        if (stepIndex < stepCount) {
            SetPosition(PositionOf(steps[std::size_t(stepIndex) + 1]));
            CValueSlider::Rebuild();
        }
        return -2.0f;
    }
    if (decreaseButton->HitTest(x, y)) {
        Flash(*decreaseButton, window);
        if (stepIndex > 1) {
            SetPosition(
                zeroFirst && stepIndex == 2 ? 0.0f : PositionOf(steps[std::size_t(stepIndex) - 1]));
            CValueSlider::Rebuild();
        }
        return -3.0f;
    }
    return -1.0f;
}
