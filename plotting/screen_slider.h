// On-plot sliders built from screen buttons: a track with a knob, the same with arrow buttons, a
// value label and a linear or logarithmic range, and a slider that snaps to a list of steps.
// Coordinates are those of the screen buttons: logical plot units for the rectangle, per-mille
// of the client area for clicks.
#pragma once

#include "plotting/screen_button.h"

#include <memory>
#include <string>
#include <vector>

class CScreenSlider : public CScreenButton {
  public:
    CScreenSlider();

    void SetHorizontal();
    void SetVertical();
    // The button rectangle, then the knob's size (a thirtieth of the track, at least 1) and place.
    void SetRect(float top, float left, float bottom, float right);
    // p in 0..1, else ignored.
    void SetKnob(float p);
    // Relative position of a click along the track, clamped to 0..1.
    float PositionFromPoint(float x, float y) const;
    // The new position for a click on the track, else -1.
    float Click(float x, float y);
    bool DrawTrack(TDC& dc);
    bool Rebuild();
    void Paint(TXLAWindow* window) { CScreenButton::Paint(window); }

    int knobHalfSize = 3; // along the track, logical units
    int knobPos = 0;      // knob centre along the track
    float position = 0.0f;
    bool vertical = false;
    bool horizontal = true;
    COLORREF knobColour = 0;
};

class CValueSlider : public CScreenSlider {
  public:
    CValueSlider();

    void SetRange(float a, float b, bool logarithmic);
    // Each text only when given.
    void SetNameUnit(const char* name, const char* unit, float factor);
    // The track, then the arrows at its ends and the label beyond them.
    void SetRect(float top, float left, float bottom, float right);
    float ValueAt(float p) const;
    float PositionOf(float v) const;
    float DisplayValueAt(float p) const;
    float PositionOfDisplayValue(float v) const;
    // Knob and value; the label reads "name = value unit". Not re-recorded.
    void SetPosition(float p);
    // Track or arrows; the position, or -1 when nothing was hit.
    float Click(float x, float y);
    // A click on the label asks for a value; the new position, or -1 (cancelled, out of range).
    float EnterValue(float x, float y);
    // The track and the three buttons in one picture.
    bool Rebuild();

    std::unique_ptr<CScreenButton> increaseButton, decreaseButton, labelButton;
    int arrowSize = 20;
    int labelWidth = 150;
    float minimum = 0.0f, maximum = 0.0f; // log10 units in log scale
    bool linear = true;
    float value = 0.0f;
    std::string name, unit;
    float unitFactor = 1.0f; // applied to 10^value in log scale

  protected:
    void SetLabel(const char* text);
};

class CStepSlider : public CValueSlider {
  public:
    // values[1..n]; in log scale with takeLog each is taken as log10. False for none.
    bool SetSteps(int n, const float* values, bool takeLog);
    void SetZeroFirst();
    // Snaps to the step nearest the value at p; returns the step's index.
    int SetPosition(float p);
    float StepUp();
    float StepDown();
    float ClickTrackOrLabel(float x, float y);
    // The position for a track hit, -2 for the increase arrow, -3 for the decrease arrow, else -1.
    float ClickTrackOrArrows(TXLAWindow* window, float x, float y);

    int stepCount = 0;
    int stepIndex = 0;        // 1-based
    std::vector<float> steps; // [1..stepCount]
    bool zeroFirst = false;
};
