// Pixel rules of lines, rectangles, ellipses, polygons and pixel copies.
#include "core/raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace plat::raster {

void Span(Target& t, int y, int x0, int x1, std::uint32_t color) {
    if (y < t.clip.top || y >= t.clip.bottom)
        return;
    x0 = std::max(x0, t.clip.left);
    x1 = std::min(x1, t.clip.right);
    if (x0 >= x1)
        return;
    std::uint32_t* row = t.surface.Row(y);
    if (t.rop2 == 13) {
        std::fill(row + x0, row + x1, color);
    } else {
        for (int x = x0; x < x1; ++x)
            row[x] = Mix(t.rop2, color, row[x]);
    }
    t.Touch(x0, y);
    t.Touch(x1 - 1, y);
}

namespace {

void Stamp(Target& t, int x, int y, std::uint32_t color, int width) {
    if (width <= 1) {
        Plot(t, x, y, color);
        return;
    }
    const int lo = -(width - 1) / 2;
    for (int dy = lo; dy < lo + width; ++dy)
        Span(t, y + dy, x + lo, x + lo + width, color);
}

// Clips the segment a..b to the (margin-grown) clip rectangle in double; false when outside.
bool ClipSegment(const TRect& c, double& ax, double& ay, double& bx, double& by) {
    double t0 = 0, t1 = 1;
    const double dx = bx - ax, dy = by - ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {ax - c.left, c.right - 1 - ax, ay - c.top, c.bottom - 1 - ay};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return false;
            continue;
        }
        const double r = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, r);
        else
            t1 = std::min(t1, r);
        if (t0 > t1)
            return false;
    }
    const double nax = ax + t0 * dx, nay = ay + t0 * dy;
    bx = ax + t1 * dx;
    by = ay + t1 * dy;
    ax = nax;
    ay = nay;
    return true;
}

} // namespace

// Classic integer Bresenham: error term on the doubled distances, the end pixel never plotted,
// so segments joined end to start paint each pixel once (invert mode relies on this). Very
// long segments are first clipped in double to the clip rectangle; within it they stay exact.
void Line(Target& t, TPoint a, TPoint b, std::uint32_t color, int width) {
    const int margin = width + 2;
    const TRect grown{t.clip.left - margin, t.clip.top - margin, t.clip.right + margin,
                      t.clip.bottom + margin};
    if (std::max(a.x, b.x) < grown.left || std::min(a.x, b.x) >= grown.right ||
        std::max(a.y, b.y) < grown.top || std::min(a.y, b.y) >= grown.bottom)
        return;
    bool paintEnd = false;
    if (std::abs(long(b.x) - a.x) > 16384 || std::abs(long(b.y) - a.y) > 16384) {
        double ax = a.x, ay = a.y, bx = b.x, by = b.y;
        if (!ClipSegment(grown, ax, ay, bx, by))
            return;
        const TPoint na{int(std::lround(ax)), int(std::lround(ay))};
        const TPoint nb{int(std::lround(bx)), int(std::lround(by))};
        paintEnd = !(nb == b); // the true end lies outside: the clipped end is an inner pixel
        a = na;
        b = nb;
    }
    const int dx = std::abs(b.x - a.x), sx = a.x < b.x ? 1 : -1;
    const int dy = -std::abs(b.y - a.y), sy = a.y < b.y ? 1 : -1;
    int err = dx + dy;
    int x = a.x, y = a.y;
    while (!(x == b.x && y == b.y)) {
        Stamp(t, x, y, color, width);
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y += sy;
        }
    }
    if (paintEnd)
        Stamp(t, x, y, color, width);
}

void Rectangle(Target& t, TRect box, const std::uint32_t* outline, const std::uint32_t* fill) {
    if (!outline) {
        // Without a pen the filled area is one pixel narrower and lower.
        if (fill) {
            const int y0 = std::max(box.top, t.clip.top),
                      y1 = std::min(box.bottom - 1, t.clip.bottom);
            for (int y = y0; y < y1; ++y)
                Span(t, y, box.left, box.right - 1, *fill);
        }
        return;
    }
    const int l = box.left, r = box.right - 1, tp = box.top, bt = box.bottom - 1;
    if (r < l || bt < tp)
        return;
    Span(t, tp, l, r + 1, *outline);
    if (bt > tp)
        Span(t, bt, l, r + 1, *outline);
    // rows between, limited to the clip so far-off rectangles cost nothing
    const int y0 = std::max(tp + 1, t.clip.top), y1 = std::min(bt, t.clip.bottom);
    for (int y = y0; y < y1; ++y) {
        Plot(t, l, y, *outline);
        if (r > l)
            Plot(t, r, y, *outline);
        if (fill)
            Span(t, y, l + 1, r, *fill);
    }
}

namespace {

// Pixel spans [x0, x1] of an ellipse inscribed in the box, one per row, by the pixel-centre
// test against the ellipse with the box's half-sizes as radii (so it touches all four sides).
struct Rows {
    int top = 0;
    std::vector<int> x0, x1; // x1 < x0: empty row
};

// Rows y0 .. y1 - 1 of the box only.
Rows EllipseRows(const TRect& box, int y0, int y1) {
    Rows rows;
    rows.top = y0;
    const double cx = (box.left + double(box.right)) * 0.5,
                 cy = (box.top + double(box.bottom)) * 0.5;
    const double rx = (double(box.right) - box.left) * 0.5,
                 ry = (double(box.bottom) - box.top) * 0.5;
    for (int y = y0; y < y1; ++y) {
        const double v = (y + 0.5 - cy) / ry;
        const double h = v * v <= 1 ? rx * std::sqrt(1 - v * v) : -1;
        int a = 1, b = 0;
        if (h >= 0) {
            a = int(std::max<double>(std::ceil(cx - h - 0.5 - 1e-9), box.left));
            b = int(std::min<double>(std::floor(cx + h - 0.5 + 1e-9), box.right - 1));
            // keep the row symmetric about the centre
            const long sum = long(box.left) + box.right - 1;
            a = int(std::min<long>(a, sum - b));
            b = int(std::max<long>(b, sum - a));
        }
        rows.x0.push_back(std::max(a, box.left));
        rows.x1.push_back(std::min(b, box.right - 1));
    }
    return rows;
}

} // namespace

void Ellipse(Target& t, TRect box, const std::uint32_t* outline, const std::uint32_t* fill) {
    if (!outline) {
        box.right -= 1;
        box.bottom -= 1;
    }
    if (box.IsEmpty() || (!outline && !fill))
        return;
    // Only the rows that meet the clip, and one more each side for the outline test.
    const int y0 = std::max(box.top, t.clip.top - 1), y1 = std::min(box.bottom, t.clip.bottom + 1);
    if (y0 >= y1)
        return;
    const Rows rows = EllipseRows(box, y0, y1);
    const int n = int(rows.x0.size());
    auto inside = [&](int i, int x) {
        return i >= 0 && i < n && rows.x0[size_t(i)] <= x && x <= rows.x1[size_t(i)];
    };
    for (int i = 0; i < n; ++i) {
        const int y = rows.top + i, a = rows.x0[size_t(i)], b = rows.x1[size_t(i)];
        if (b < a || y < t.clip.top || y >= t.clip.bottom)
            continue;
        if (!outline) {
            Span(t, y, a, b + 1, *fill);
            continue;
        }
        // A pixel is on the outline when a 4-neighbour lies outside the ellipse.
        int x = std::max(a, t.clip.left - 1);
        const int end = std::min(b, t.clip.right);
        while (x <= end) {
            const bool edge = x == a || x == b || !inside(i - 1, x) || !inside(i + 1, x);
            if (edge) {
                Plot(t, x, y, *outline);
                ++x;
                continue;
            }
            // an interior run up to the next edge pixel
            int run = x;
            while (run <= end && run != b && inside(i - 1, run) && inside(i + 1, run))
                ++run;
            if (fill)
                Span(t, y, x, run, *fill);
            x = run;
        }
    }
}

void FillPolygon(Target& t, const std::vector<TPoint>& pts, bool winding, std::uint32_t color) {
    const size_t n = pts.size();
    if (n < 3)
        return;
    int ymin = pts[0].y, ymax = pts[0].y;
    for (const TPoint& p : pts) {
        ymin = std::min(ymin, p.y);
        ymax = std::max(ymax, p.y);
    }
    ymin = std::max(ymin, t.clip.top);
    ymax = std::min(ymax, t.clip.bottom - 1);
    struct Cross {
        double x;
        int dir;
    };
    std::vector<Cross> xs;
    for (int y = ymin; y <= ymax; ++y) {
        const double yc = y + 0.5;
        xs.clear();
        for (size_t i = 0; i < n; ++i) {
            const TPoint& a = pts[i];
            const TPoint& b = pts[(i + 1) % n];
            if (a.y == b.y)
                continue;
            const bool down = a.y < b.y;
            const double y0 = down ? a.y : b.y, y1 = down ? b.y : a.y;
            if (yc < y0 || yc >= y1)
                continue;
            const double x = a.x + (yc - a.y) * double(b.x - a.x) / double(b.y - a.y);
            xs.push_back({x, down ? 1 : -1});
        }
        std::sort(xs.begin(), xs.end(), [](const Cross& p, const Cross& q) { return p.x < q.x; });
        int wind = 0;
        for (size_t k = 0; k + 1 < xs.size(); ++k) {
            wind += xs[k].dir;
            const bool in = winding ? wind != 0 : (k % 2 == 0);
            if (!in)
                continue;
            const int x0 = int(std::ceil(xs[k].x - 0.5));
            const int x1 = int(std::ceil(xs[k + 1].x - 0.5));
            Span(t, y, x0, x1, color);
        }
    }
}

namespace {

std::uint32_t Ternary(std::uint32_t rop, std::uint32_t s, std::uint32_t d, bool& ok) {
    ok = true;
    switch (rop) {
    case 0x00CC0020:
        return s;
    case 0x00330008:
        return ~s & 0xFFFFFFu;
    case 0x00660046:
        return s ^ d;
    case 0x008800C6:
        return s & d;
    case 0x00EE0086:
        return s | d;
    case 0x00550009:
        return ~d & 0xFFFFFFu;
    case 0x00000042:
        return 0;
    case 0x00FF0062:
        return 0xFFFFFFu;
    default:
        ok = false;
        return d;
    }
}

} // namespace

bool Blit(Target& t, BlitRect dst, const Surface& src, BlitRect from, std::uint32_t rop) {
    bool ok = true;
    Ternary(rop, 0, 0, ok);
    if (!ok)
        return false;
    if (dst.w == 0 || dst.h == 0)
        return true;
    // Normalise the destination; mirroring moves to the source side.
    bool mirrorX = (dst.w < 0) != (from.w < 0), mirrorY = (dst.h < 0) != (from.h < 0);
    if (dst.w < 0) {
        dst.x += dst.w;
        dst.w = -dst.w;
    }
    if (dst.h < 0) {
        dst.y += dst.h;
        dst.h = -dst.h;
    }
    if (from.w < 0) {
        from.x += from.w;
        from.w = -from.w;
    }
    if (from.h < 0) {
        from.y += from.h;
        from.h = -from.h;
    }
    const bool needsSource = rop != 0x00550009 && rop != 0x00000042 && rop != 0x00FF0062;
    if (needsSource && (from.w == 0 || from.h == 0))
        return false;
    // Copy the source first: source and destination may be the same surface.
    std::vector<std::uint32_t> copy;
    if (needsSource) {
        copy.assign(size_t(from.w) * size_t(from.h), 0);
        for (int y = 0; y < from.h; ++y)
            for (int x = 0; x < from.w; ++x)
                if (src.Inside(from.x + x, from.y + y))
                    copy[size_t(y) * size_t(from.w) + size_t(x)] = src.Row(from.y + y)[from.x + x];
    }
    const TRect area = TRect{dst.x, dst.y, dst.x + dst.w, dst.y + dst.h}.Intersect(t.clip);
    for (int y = area.top; y < area.bottom; ++y) {
        long sy = (long(y - dst.y) * from.h) / dst.h;
        if (mirrorY)
            sy = from.h - 1 - sy;
        std::uint32_t* row = t.surface.Row(y);
        for (int x = area.left; x < area.right; ++x) {
            long sx = (long(x - dst.x) * from.w) / dst.w;
            if (mirrorX)
                sx = from.w - 1 - sx;
            const std::uint32_t s =
                needsSource ? copy[size_t(sy) * size_t(from.w) + size_t(sx)] : 0;
            row[x] = Ternary(rop, s, row[x], ok);
        }
        t.Touch(area.left, y);
        t.Touch(area.right - 1, y);
    }
    return true;
}

} // namespace plat::raster
