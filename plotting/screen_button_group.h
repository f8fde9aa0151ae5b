// A column of equal screen buttons handled together.
#pragma once

#include "plotting/screen_button.h"

#include <memory>
#include <vector>

class CScreenButtonGroup {
  public:
    CScreenButtonGroup() = default;
    ~CScreenButtonGroup();
    CScreenButtonGroup(const CScreenButtonGroup&) = delete;
    CScreenButtonGroup& operator=(const CScreenButtonGroup&) = delete;

    // n buttons (off) from y1 down toward y2, each (y1 - y2) / n high, between x1 and x2.
    void Create(int n, float y1, float x1, float y2, float x2);
    void Clear();
    void SetColours(COLORREF onFace, COLORREF offFace);
    void SetAllFlat();
    void SetAllBold();
    void SetAllLabelStyle1();
    void SetAllLabelStyle2();
    void BeepAll();
    void PaintAll(TXLAWindow* window);
    void SaveAllBackgrounds(TXLAWindow* window);
    void RestoreAllBackgrounds(TXLAWindow* window);
    // Button i (1..count); outside that range nothing happens (or false, or no picture).
    void SetDisabled(int i, bool flag);
    bool IsDisabled(int i) const;
    bool IsOn(int i) const;
    void Toggle(int i);
    void SetTexts(int i, const char* off, int offLength, const char* on, int onLength);
    void SetBold(int i);
    HMETAFILE GetPicture(int i) const;
    // The first button hit, in order; an empty group answers false and leaves index alone.
    bool HitTest(float x, float y, int& index);
    bool RebuildAll();
    // Every button drawn into one picture; false for an empty group.
    bool RebuildGroupPicture();
    HMETAFILE GetGroupPicture() const { return groupPicture; }

    int count = 0;
    std::vector<std::unique_ptr<CScreenButton>> buttons; // [1..count]
    int rightX = 0, leftX = 0, firstY = 0, lastY = 0;
    HMETAFILE groupPicture = nullptr;
    bool groupPictureValid = false;

  private:
    CScreenButton* At(int i) const;
};
