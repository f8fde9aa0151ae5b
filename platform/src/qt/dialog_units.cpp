// Dialog font and its base units.
#include "qt/dialog_units.hpp"

#include <QtGui/QFontMetrics>

namespace plat::qt {

QFont DialogFont() {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(11);
    return f;
}

DialogScale ScaleOf(const QFont& font) {
    const QFontMetrics fm(font);
    // The average width over the 52 letters, rounded, as the templates' unit is defined.
    static const QString letters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int total = fm.horizontalAdvance(letters);
    DialogScale s;
    s.baseX = (total / 26 + 1) / 2;
    s.baseY = fm.height();
    if (s.baseX <= 0)
        s.baseX = 6;
    if (s.baseY <= 0)
        s.baseY = 13;
    return s;
}

} // namespace plat::qt
