// The on-plot buttons of a CWINPlot: made, placed in a row at the plot's top right, found under
// the pointer. They are drawn into the plot's own picture (plot_draw.cpp).
#include "plotting/win_plot.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* kStepLetters[] = {"F", "P", "N", "L"};

void Label(CScreenButton& button, const char* text) {
    const int n = int(std::strlen(text));
    button.SetTexts(text, n, text, n);
}

} // namespace

void CWINPlot::ShowButtons(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", number);
    if (buttons.empty()) {
        buttons.push_back(std::make_unique<CScreenButton>());
        for (const char* letter : kStepLetters) {
            buttons.push_back(std::make_unique<CScreenButton>());
            Label(*buttons.back(), letter);
        }
        for (const auto& button : buttons)
            button->kind = 1; // push buttons: a click does not latch them
        buttonCount = int(buttons.size());
    }
    Label(*buttons.front(), text);
    PlaceButtons();
}

void CWINPlot::PlaceButtons() {
    // Right to left from the top right corner, the first button leftmost.
    float right = float(plotRight);
    for (int i = buttonCount; i >= 1; --i) {
        const float left = right - float(buttonSize);
        buttons[std::size_t(i - 1)]->SetRect(float(plotTop), left, float(plotTop + buttonSize),
                                             right);
        right = left;
    }
    if (nCurves > 0)
        Draw();
}

int CWINPlot::ButtonAt(float x, float y) {
    for (int i = 1; i <= buttonCount; ++i)
        if (buttons[std::size_t(i - 1)]->HitTest(x, y))
            return i;
    return 0;
}

CScreenButton* CWINPlot::Button(int i) const {
    return i >= 1 && i <= buttonCount ? buttons[std::size_t(i - 1)].get() : nullptr;
}
