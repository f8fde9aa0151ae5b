// The data symbols shared by the curve drawing and the one-curve painters.
#include "plotting/curve_marks.h"

#include "plotting/dash_primitives.h"

namespace {

// Lights the single pixel (x, y); the end point of the line is left out.
void Pixel(TDC& dc, int x, int y) {
    dc.MoveTo(x, y);
    dc.LineTo(x + 1, y + 1);
}

void Segment(TDC& dc, int ax, int ay, int bx, int by) {
    dc.MoveTo(ax, ay);
    dc.LineTo(bx, by);
}

void Cross(TDC& dc, int x, int y, int s) {
    Segment(dc, x - s, y + s, x + s + 1, y - s + 1);
    Segment(dc, x - s, y - s, x + s + 1, y + s + 1);
}

struct Shift {
    int dx, dy;
};
constexpr Shift kThick[] = {{0, -1}, {0, 1}, {-1, 0}, {1, 0}};
constexpr Shift kExtraThick[] = {{0, -2}, {0, -1}, {0, 1}, {0, 2},
                                 {-2, 0}, {-1, 0}, {1, 0}, {2, 0}};

template <std::size_t N>
void ShiftedCopies(TDC& dc, const Shift (&shifts)[N], int px, int py, int x, int y) {
    for (const Shift& s : shifts)
        Segment(dc, px + s.dx, py + s.dy, x + s.dx, y + s.dy);
}

} // namespace

void DrawMark(TDC& dc, int style, int x, int y, bool hasPrevious, int px, int py, bool lastPoint,
              const MarkContext& mark) {
    const int s = mark.size;
    // The segment styles draw nothing towards a previous point on the same pixel.
    const bool segment = hasPrevious && (px != x || py != y);
    switch (style) {
    case 1:
        if (s == 0)
            return Pixel(dc, x, y);
        Cross(dc, x, y, s);
        break;
    case 2:
    case 6:
    case 15:
        if (s == 0)
            return Pixel(dc, x, y);
        dc.Ellipse(x - s, y - s, x + s, y + s);
        break;
    case 3: {
        if (s == 0)
            return Pixel(dc, x, y);
        const int h = int(s * 0.57735);
        dc.MoveTo(x - s, y + h);
        dc.LineTo(x + s, y + h);
        dc.LineTo(x, y - 2 * s + h);
        dc.LineTo(x - s, y + h);
        break;
    }
    case 5:
        if (s == 0)
            return Pixel(dc, x, y);
        dc.MoveTo(x - s, y - s);
        dc.LineTo(x + s, y - s);
        dc.LineTo(x + s, y + s);
        dc.LineTo(x - s, y + s);
        dc.LineTo(x - s, y - s);
        break;
    case 7:
        return Pixel(dc, x, y);
    case 8:
        if (s != 0)
            dc.Ellipse(x - s, y - s, x + s, y + s);
        Segment(dc, x, mark.zeroRow, x, y);
        break;
    case 9:
        if (s == 0)
            return Pixel(dc, x, y);
        dc.Rectangle(x - s, y - s, x + s, y + s);
        break;
    case 10:
        if (s == 0)
            return Pixel(dc, x, y);
        Cross(dc, x, y, s);
        Cross(dc, x - 1, y, s);
        Cross(dc, x + 1, y, s);
        break;
    case 11:
        if (s == 0)
            return Pixel(dc, x, y);
        dc.Rectangle(x - mark.barHalfWidth, y - s, x + mark.barHalfWidth, y + s);
        break;
    case 12:
        if (segment)
            ShiftedCopies(dc, kThick, px, py, x, y);
        break;
    case 13:
        if (segment) {
            const TPen previous = dc.SelectObject(GetStockPen(WHITE_PEN));
            ShiftedCopies(dc, kThick, px, py, x, y);
            dc.SelectObject(mark.pointPen);
            (void)previous;
            Segment(dc, px, py, x, y);
        }
        break;
    case 14:
        if (!hasPrevious) {
            DrawDot(dc, x, y);
        } else if (lastPoint) {
            DrawDotPhased(dc, x, y);
        } else {
            DrawDashedLine(dc, px, py, x, y);
        }
        break;
    case 16:
        dc.MoveTo(x, y);
        dc.LineTo(x + 1, y);
        dc.LineTo(x + 1, y + 1);
        dc.LineTo(x, y + 1);
        dc.LineTo(x, y);
        break;
    case 17:
        if (segment)
            ShiftedCopies(dc, kThick, px, py, x, y);
        if (s == 0)
            return Pixel(dc, x, y);
        dc.Ellipse(x - s, y - s, x + s, y + s);
        break;
    case 18:
        if (segment)
            ShiftedCopies(dc, kExtraThick, px, py, x, y);
        if (s == 0)
            return Pixel(dc, x, y);
        dc.Ellipse(x - 2 * s, y - 2 * s, x + 2 * s, y + 2 * s);
        break;
    case 19:
        if (mark.squareHalfHeight == 0)
            return Pixel(dc, x, y);
        dc.Rectangle(x - mark.squareHalfWidth, y - mark.squareHalfHeight, x + mark.squareHalfWidth,
                     y + mark.squareHalfHeight);
        break;
    default:
        return;
    }
    dc.MoveTo(x, y);
}
