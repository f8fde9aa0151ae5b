// The size-and-shape distribution handed to its auxiliary plot program: the six-column file in
// the temp folder and a command line with the plot kind and the axis ranges.
#include "app/size_shape_commands.h"

#include "app/external_plot_programs.h"
#include "app/txla_window.h"
#include "distributions/conti_fit.h"
#include "distributions/size_shape_distribution.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/process.hpp"
#include "state/model_choice.h"
#include "state/size_shape_state.h"
#include "state/startup_paths.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

using SS = SizeShapeState;

constexpr int kAuxProgramKey = 4113;
constexpr const char* kFitCaption = "PLOT FIT";

// The axes the plot program is asked for: 1 s and f/f0, 2 M and f/f0, 3 s and Rh, 4 s and D,
// 5 s and M, by the display switches of the distribution.
int PlotKind() {
    if (SS::molarMassTransform)
        return 2;
    if (SS::rhTransform)
        return 3;
    if (SS::dTransform)
        return 4;
    return SS::sMTransform ? 5 : 1;
}

// Smallest and largest of a per-point quantity, scaled.
std::pair<float, float> Extremes(const std::vector<float>& v, float scale) {
    const auto [lo, hi] = std::minmax_element(v.begin() + 1, v.end());
    return {*lo * scale, *hi * scale};
}

// Asks one axis range with its defaults; the answers replace them.
void AskAxis(TXLAWindow* window, const char* axis, std::pair<float, float> extremes, float& lo,
             float& hi) {
    lo = extremes.first;
    hi = extremes.second;
    const std::string min = std::string("minimum value for ") + axis + " in distribution plot";
    const std::string max = std::string("maximum value for ") + axis + " in distribution plot";
    InputFloatForWindow(window, &lo, lo, true, min.c_str(), kFitCaption);
    InputFloatForWindow(window, &hi, hi, true, max.c_str(), kFitCaption);
}

} // namespace

bool WriteSasDistFile(const std::string& path) {
    if (WriteMonteCarloColumns(path.c_str()))
        return true;
    if (SS::Held())
        ShowError(("\n\aAttention: could not open " + path).c_str(), 0);
    return false;
}

void TXLAWindow::CmPlotSizeShapeDist() {
    if (!SizeShapeModel() || !SS::Held())
        return;
    const std::string file = std::string(gTempFolder) + "sasdist.dat";
    if (!WriteSasDistFile(file))
        return;
    const AuxPlotProgram& program = AuxPlotPaths[kSizeShape];
    if (!program.available) {
        const std::string text = std::string("the plot program ") + gProgramFolder +
                                 program.relativePath +
                                 " was not found: the distribution is "
                                 "kept in " +
                                 file;
        MessageBox(text.c_str(), kFitCaption, MB_OK | MB_ICONINFORMATION);
        return;
    }
    const int kind = PlotKind();
    // Axes the kind does not show are sent as 0.
    float sLo = 0, sHi = 0, fLo = 0, fHi = 0, mLo = 0, mHi = 0, rLo = 0, rHi = 0, dLo = 0, dHi = 0;
    if (kind != 2)
        AskAxis(this, "s-axis", Extremes(SS::sAxis, 1.0f), sLo, sHi);
    if (kind == 1 || kind == 2)
        AskAxis(this, "ff0-axis", Extremes(SS::ff0Axis, 1.0f), fLo, fHi);
    if (kind == 2 || kind == 5)
        AskAxis(this, "M-axis (kDa)", Extremes(SS::M, 0.001f), mLo, mHi);
    if (kind == 3)
        AskAxis(this, "Rh-axis (nm)", Extremes(SS::Rh, 1.0f), rLo, rHi);
    if (kind == 4)
        AskAxis(this, "D-axis (F)", Extremes(SS::D, 1e7f), dLo, dHi);
    // Each field one argument: the temp folder may hold blanks or quotes.
    std::vector<std::string> args{std::to_string(kAuxProgramKey), gTempFolder, std::to_string(kind),
                                  ModelChoice::csFf0Discrete ? "1" : "0"};
    for (const float v : {sLo, sHi, fLo, fHi, mLo, mHi, rLo, rHi, dLo, dHi}) {
        std::string text;
        AppendFormat(text, "%e", double(v));
        args.push_back(text);
    }
    plat::StartProgram(program.path, args);
}
