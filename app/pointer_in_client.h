// The pointer held inside the client area: a drag that leaves the window stops at its edge.
#pragma once

#include "app/txla_window.h"

#include <algorithm>

inline int ColumnInClient(const TXLAWindow& window, int x) {
    const TRect c = window.GetClientRect();
    return std::clamp(x, c.left, std::max(c.left, c.right - 1));
}

inline int RowInClient(const TXLAWindow& window, int y) {
    const TRect c = window.GetClientRect();
    return std::clamp(y, c.top, std::max(c.top, c.bottom - 1));
}
