// Text through FreeType: font files for logical fonts, measuring, and grey anti-aliased glyphs
// alpha-blended onto a raster target.
#pragma once

#include "core/raster.h"
#include "plat/gdi.hpp"

#include <cstdint>
#include <string>
#include <string_view>

namespace plat::text {

// Device metrics of a font drawn at `scale` device pixels per logical unit.
struct Metrics {
    double ascent = 0;  // baseline to cell top
    double descent = 0; // baseline to cell bottom
    double width = 0;   // advance of the whole text along its direction
    double em = 0;      // em size (what other renderers call the font size)
};

// The DejaVu file a logical font maps to (serif for the roman family, sans, mono).
std::string FontFile(const TFont& font);

// Metrics of `text` (width 0 when no text); false when the font file cannot be loaded.
bool Measure(const TFont& font, double scale, std::string_view text, Metrics& m);

// Draws `text` with its baseline origin at (x, y) in device pixels, advancing along the font's
// escapement angle, each glyph blended over the target in `color` (native 0x00RRGGBB).
bool Draw(raster::Target& t, const TFont& font, double scale, double x, double y,
          std::string_view text, std::uint32_t color);

// Code points of program text: UTF-8 when the bytes are valid UTF-8, else one byte each
// (the Latin-1 texts of old data files).
std::u32string Decode(std::string_view text);

} // namespace plat::text
