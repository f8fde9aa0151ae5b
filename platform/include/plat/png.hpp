// PNG files of surfaces and recorded pictures, for screenshots, the clipboard and test review.
#pragma once

#include "plat/surface.hpp"

#include <cstdint>
#include <string>
#include <vector>

class MetaFile;

namespace plat {

// 8-bit RGB PNG of the surface; an empty vector when the surface is empty or encoding fails.
std::vector<std::uint8_t> EncodePng(const Surface& surface);
bool WritePng(const Surface& surface, const std::string& path);
// Reads an 8-bit (or palette / grey, expanded) PNG; alpha is dropped. False on any error.
bool ReadPng(const std::string& path, Surface& out);
bool DecodePng(const std::vector<std::uint8_t>& bytes, Surface& out);

// Draws the picture on a fresh white w x h surface with MM_ANISOTROPIC, window 1400 x 1000 and
// viewport w x h, as the main window's painter does.
Surface RenderMetaFile(const MetaFile& mf, int width, int height);
bool RenderPng(const MetaFile& mf, int width, int height, const std::string& path);

} // namespace plat
