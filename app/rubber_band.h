// The right-button band between press and release: the pointer handler moves its free corner.
#pragma once

#include "plat/geometry.hpp"

class TXLAWindow;

// Moves the band's free corner to the pointer (kept inside the client area) and redraws it.
void TrackRubberBand(TXLAWindow* window, const TPoint& point);
