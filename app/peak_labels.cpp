// Peak labels of the c(s) distribution: the peaks are the distribution's highest local maxima,
// each bounded where a valley goes below 0.9 of its height; the molar mass is that of the
// chosen c(s) model at the peak's weight-average s.
#include "app/peak_labels.h"

#include "app/molar_mass_readout.h"
#include "app/txla_window.h"
#include "display/integrated_area.h"
#include "display/paint_switches.h"
#include "display/plot_coordinates.h"
#include "display/plot_replays.h"
#include "display/screen_button_set.h"
#include "distributions/distribution_peaks.h"
#include "plotting/screen_button.h"
#include "plotting/win_plot.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/model_choice.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

using S = ScreenButtonSet;

constexpr double kPeakFraction = 0.9;
constexpr int kLabelHeight = 20; // logical units
constexpr const char* kCaption = "PEAK INFO";

std::string MassText(double m) {
    char text[40];
    if (m >= 1e6)
        std::snprintf(text, sizeof text, "%.2f MDa", m * 1e-6);
    else if (m >= 1e3)
        std::snprintf(text, sizeof text, "%.1f kDa", m * 1e-3);
    else
        std::snprintf(text, sizeof text, "%.0f Da", m);
    return text;
}

bool PeaksCanBeLabelled() {
    return ContiState::distributionPlot && ContiState::sValues && ContiState::distribution &&
           ModelChoice::contiMode && !ModelChoice::gStarFamily && !gDlsData &&
           MolarMassReadoutEnabled();
}

CScreenButton* MakeLabel(const CWINPlot& plot, float s, float height, const std::string& text) {
    const int width = 8 * int(text.size()) + 16;
    const int centre = DataToLogicalX(plot, s);
    const int peakY = DataToLogicalY(plot, std::min(height, plot.yMax));
    const int top = std::max(peakY - 6 - kLabelHeight, ContiState::distributionPlotTop + 2);
    auto* b = new CScreenButton;
    b->kind = 1; // a push button: a press does not toggle it
    b->SetRect(float(top), float(centre - width / 2), float(top + kLabelHeight),
               float(centre + width / 2));
    b->SetTexts(text.c_str(), int(text.size()), text.c_str(), int(text.size()));
    b->Rebuild();
    return b;
}

} // namespace

int DrawPeakMwLabels(TXLAWindow* window) {
    ClearPeakLabelButtons();
    if (!PeaksCanBeLabelled())
        return 0;
    const std::vector<DistributionPeak> peaks =
        FindCurrentDistributionPeaks(S::kMaxPeakLabels, kPeakFraction);
    const CWINPlot& plot = *ContiState::distributionPlot;
    int k = 0;
    for (const DistributionPeak& p : peaks) {
        ++k;
        S::peakS[k] = float(p.weightAverage);
        S::peakPercent[k] = float(p.percent);
        S::peakSignal[k] = float(p.area);
        S::peakMass[k] = float(MolarMassOfS(S::peakS[k]));
        S::peakLow[k] = p.low;
        S::peakHigh[k] = p.high;
        char text[80];
        std::snprintf(text, sizeof text, "%.2f S: %s", double(S::peakS[k]),
                      MassText(S::peakMass[k]).c_str());
        S::peakLabels[k] =
            MakeLabel(plot, ContiState::sValues[p.index], ContiState::distribution[p.index], text);
    }
    S::peakLabelCount = k;
    S::peakLabelsShown = k > 0;
    // Drawn now, and kept by the next paint (the one after the menu closes).
    gKeepPeakLabelsOnce = k > 0;
    for (int i = 1; i <= k; ++i)
        S::peakLabels[i]->Paint(window);
    return k;
}

std::string PeakInfoText(int k) {
    if (k < 1 || k > S::peakLabelCount || !S::peakLabels[k])
        return {};
    char text[300];
    std::snprintf(text, sizeof text,
                  "peak %d: %.3f - %.3f S\nweight-average s = %.3f S\nsignal = %.4g (%.1f%% of "
                  "the total)\nM = %s",
                  k, double(S::peakLow[k]), double(S::peakHigh[k]), double(S::peakS[k]),
                  double(S::peakSignal[k]), double(S::peakPercent[k]),
                  MassText(S::peakMass[k]).c_str());
    return text;
}

void ShowPeakInfo(TXLAWindow* window, int k) {
    const std::string text = PeakInfoText(k);
    if (text.empty() || !window)
        return;
    const float low = S::peakLow[k], high = S::peakHigh[k];
    gKeepPeakLabelsOnce = true; // the labels outlive the paint after the box
    window->MessageBox(text.c_str(), kCaption, MB_OK | MB_ICONINFORMATION);
    DrawIntegratedArea(window, low, high, 12, 0x0000FF);
    if (low > 0.0f && high > 0.0f)
        HighlightSRangeInData(window, low, high);
}

bool PressPeakLabel(TXLAWindow* window, float x, float y) {
    for (int k = 1; k <= S::peakLabelCount && k <= S::kMaxPeakLabels; ++k) {
        if (S::peakLabels[k] && S::peakLabels[k]->HitTest(x, y)) {
            ShowPeakInfo(window, k);
            return true;
        }
    }
    return false;
}

void TXLAWindow::CmShowPeakMw() {
    DrawPeakMwLabels(this);
}
