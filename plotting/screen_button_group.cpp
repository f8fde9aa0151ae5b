// A column of screen buttons: made, styled, painted and hit-tested together.
#include "plotting/screen_button_group.h"

#include "plotting/plot_globals.h"

#include <cmath>

CScreenButtonGroup::~CScreenButtonGroup() {
    Clear();
    if (groupPictureValid)
        DeleteMetaFile(groupPicture);
}

CScreenButton* CScreenButtonGroup::At(int i) const {
    return i >= 1 && i <= count ? buttons[std::size_t(i)].get() : nullptr;
}

void CScreenButtonGroup::Create(int n, float y1, float x1, float y2, float x2) {
    Clear();
    firstY = int(std::floor(y1));
    lastY = int(std::floor(y2));
    leftX = int(std::floor(x1));
    rightX = int(std::floor(x2));
    if (n < 1)
        return;
    count = n;
    buttons.resize(std::size_t(n) + 1);
    const int s = int(std::floor(double(firstY - lastY) / n));
    for (int i = 1; i <= n; ++i) {
        auto b = std::make_unique<CScreenButton>();
        b->on = false;
        b->SetRect(float(firstY - (i - 1) * s), x1, float(firstY - i * s + 1), x2);
        buttons[std::size_t(i)] = std::move(b);
    }
}

void CScreenButtonGroup::Clear() {
    buttons.clear();
    count = 0;
}

void CScreenButtonGroup::SetColours(COLORREF onFace, COLORREF offFace) {
    for (int i = 1; i <= count; ++i) {
        At(i)->onFaceColour = onFace;
        At(i)->offFaceColour = offFace;
    }
}

void CScreenButtonGroup::SetAllFlat() {
    for (int i = 1; i <= count; ++i)
        At(i)->flat = true;
}

void CScreenButtonGroup::SetAllBold() {
    for (int i = 1; i <= count; ++i)
        At(i)->SetBold();
}

void CScreenButtonGroup::SetAllLabelStyle1() {
    for (int i = 1; i <= count; ++i)
        At(i)->SetLabelStyle1();
}

void CScreenButtonGroup::SetAllLabelStyle2() {
    for (int i = 1; i <= count; ++i)
        At(i)->SetLabelStyle2();
}

void CScreenButtonGroup::BeepAll() {
    for (int i = 1; i <= count; ++i)
        At(i)->Beep();
}

void CScreenButtonGroup::PaintAll(TXLAWindow* window) {
    for (int i = 1; i <= count; ++i)
        At(i)->Paint(window);
}

void CScreenButtonGroup::SaveAllBackgrounds(TXLAWindow* window) {
    for (int i = 1; i <= count; ++i)
        At(i)->SaveBackground(window);
}

void CScreenButtonGroup::RestoreAllBackgrounds(TXLAWindow* window) {
    for (int i = 1; i <= count; ++i)
        At(i)->RestoreBackground(window);
}

void CScreenButtonGroup::SetDisabled(int i, bool flag) {
    if (CScreenButton* b = At(i))
        b->disabled = flag;
}

bool CScreenButtonGroup::IsDisabled(int i) const {
    const CScreenButton* b = At(i);
    return b && b->disabled;
}

bool CScreenButtonGroup::IsOn(int i) const {
    const CScreenButton* b = At(i);
    return b && b->on;
}

void CScreenButtonGroup::Toggle(int i) {
    if (CScreenButton* b = At(i))
        b->Toggle();
}

void CScreenButtonGroup::SetTexts(int i, const char* off, int offLength, const char* on,
                                  int onLength) {
    if (CScreenButton* b = At(i))
        b->SetTexts(off, offLength, on, onLength);
}

void CScreenButtonGroup::SetBold(int i) {
    if (CScreenButton* b = At(i))
        b->SetBold();
}

HMETAFILE CScreenButtonGroup::GetPicture(int i) const {
    const CScreenButton* b = At(i);
    return b ? b->picture : nullptr;
}

bool CScreenButtonGroup::HitTest(float x, float y, int& index) {
    if (count == 0)
        return false;
    for (int i = 1; i <= count; ++i) {
        if (At(i)->HitTest(x, y)) {
            index = i;
            return true;
        }
    }
    index = 0;
    return false;
}

bool CScreenButtonGroup::RebuildAll() {
    if (count == 0)
        return false;
    bool all = true;
    for (int i = 1; i <= count; ++i)
        all = At(i)->Rebuild() && all;
    return all;
}

bool CScreenButtonGroup::RebuildGroupPicture() {
    if (count == 0)
        return false;
    TMetaFileDC recorder;
    recorder.SetWindowExt(TSize{LogicalPageWidth(), LogicalPageHeight()});
    for (int i = 1; i <= count; ++i)
        At(i)->Draw(recorder);
    HMETAFILE made = recorder.Close();
    if (!made)
        return false;
    if (groupPictureValid)
        DeleteMetaFile(groupPicture);
    groupPicture = made;
    groupPictureValid = true;
    return true;
}
