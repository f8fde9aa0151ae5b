// Dialog units to pixels: templates give positions in quarters of the average character width
// and eighths of the character height of the dialog font.
#pragma once

#include <QtCore/QRect>
#include <QtGui/QFont>

namespace plat::qt {

struct DialogScale {
    int baseX = 6;  // average character width in pixels
    int baseY = 13; // character height in pixels

    // Rounded to nearest, as template layouts were measured that way.
    int x(int du) const { return (du * baseX + 2) / 4; }
    int y(int du) const { return (du * baseY + 4) / 8; }
    QRect rect(int xDu, int yDu, int wDu, int hDu) const {
        return QRect(x(xDu), y(yDu), x(xDu + wDu) - x(xDu), y(yDu + hDu) - y(yDu));
    }
};

// The dialog font: DejaVu Sans at 11 pixels stands in for the templates' 8-point face.
QFont DialogFont();
DialogScale ScaleOf(const QFont& font);

} // namespace plat::qt
