// The four plot fonts.
#include "plotting/plot_fonts.h"

namespace {

TFont MakePlotFont(int height, int escapement) {
    return CreateFont(height, 0, escapement, 0, kPlotFontWeight, 0, 0, 0, ANSI_CHARSET,
                      OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_ROMAN,
                      nullptr);
}

} // namespace

// Made during static initialisation, before the program's entry function runs.
TFont gTickLabelFont = MakePlotFont(kTickLabelFontHeight, 0);
TFont gLabelFont = MakePlotFont(kLabelFontHeight, 0);
TFont gRotatedLabelFont = MakePlotFont(kLabelFontHeight, kRotatedEscapement);
TFont gTitleFont = MakePlotFont(kTitleFontHeight, 0);

void CreatePlotFonts() {
    gTickLabelFont = MakePlotFont(kTickLabelFontHeight, 0);
    gLabelFont = MakePlotFont(kLabelFontHeight, 0);
    gRotatedLabelFont = MakePlotFont(kLabelFontHeight, kRotatedEscapement);
    gTitleFont = MakePlotFont(kTitleFontHeight, 0);
}
