// The four plot fonts, made once before the program starts and kept for the whole run.
#pragma once

#include "plat/gdi.hpp"

inline constexpr int kTickLabelFontHeight = 18;
inline constexpr int kLabelFontHeight = 20;
inline constexpr int kTitleFontHeight = 35;
inline constexpr int kRotatedEscapement = 900;
inline constexpr int kPlotFontWeight = 400;

extern TFont gTickLabelFont;
extern TFont gLabelFont;
extern TFont gRotatedLabelFont; // written upwards
extern TFont gTitleFont;

// Creates the four fonts: roman family, TrueType preferred, proof quality, no face name.
void CreatePlotFonts();
