// The clipboard content as the desktop's data formats.
#pragma once

#include "plat/clipboard.hpp"

class QMimeData;

namespace plat::qt {

// Text as plain text; a picture as SVG (130 x 90 mm for the 13000 x 9000 extent) plus a PNG of
// it for programs that take no SVG; a bitmap as an image.
QMimeData* ToMime(const plat::ClipData& data);
void SetClipboard(const plat::ClipData& data);

// The PNG size of a picture of the given HIMETRIC extent: 4 pixels per millimetre.
TSize PicturePixels(TSize himetric);

} // namespace plat::qt
