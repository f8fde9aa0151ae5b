// Curves and plots for the plotting tests: owning curves made from short value lists.
#pragma once

#include "foundations/ccurve.h"
#include "plat/metafile.hpp"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

inline std::unique_ptr<CCurve> MakeCurve(const std::vector<float>& x, const std::vector<float>& y) {
    return std::make_unique<CCurve>(x.data(), y.data(), std::uint32_t(x.size()), 0, 0);
}

// x = 0, 1, ..., n-1 with y from f.
template <class F> std::unique_ptr<CCurve> SampledCurve(int n, F f, float x0 = 0, float dx = 1) {
    std::vector<float> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        x[std::size_t(i)] = x0 + dx * float(i);
        y[std::size_t(i)] = float(f(x[std::size_t(i)]));
    }
    return MakeCurve(x, y);
}

// The display list of a recorded picture as text, one record per line.
inline std::string Dump(HMETAFILE mf) {
    return mf ? plat::DumpMetaFile(*mf) : std::string("<none>");
}

// A compact listing of the drawing records only (moves, lines, shapes, pixels, pens, texts), for
// checks that care about geometry: "M x y", "L x y", "E l t r b", "R l t r b", "G n" (polygon),
// "Y n" (polyline), "T x y text", "pen RRGGBB" in COLORREF hex.
inline std::string Geometry(const MetaFile& mf, bool withPens = false) {
    std::string out;
    char buf[160];
    for (const auto& r : mf.Records()) {
        buf[0] = '\0';
        if (auto* m = std::get_if<plat::mf::MoveTo>(&r)) {
            std::snprintf(buf, sizeof buf, "M %d %d\n", m->p.x, m->p.y);
        } else if (auto* l = std::get_if<plat::mf::LineTo>(&r)) {
            std::snprintf(buf, sizeof buf, "L %d %d\n", l->p.x, l->p.y);
        } else if (auto* e = std::get_if<plat::mf::Ellipse>(&r)) {
            std::snprintf(buf, sizeof buf, "E %d %d %d %d\n", e->rect.left, e->rect.top,
                          e->rect.right, e->rect.bottom);
        } else if (auto* q = std::get_if<plat::mf::Rectangle>(&r)) {
            std::snprintf(buf, sizeof buf, "R %d %d %d %d\n", q->rect.left, q->rect.top,
                          q->rect.right, q->rect.bottom);
        } else if (auto* g = std::get_if<plat::mf::Polygon>(&r)) {
            std::snprintf(buf, sizeof buf, "G %zu\n", g->points.size());
        } else if (auto* y = std::get_if<plat::mf::Polyline>(&r)) {
            std::snprintf(buf, sizeof buf, "Y %zu\n", y->points.size());
        } else if (auto* t = std::get_if<plat::mf::Text>(&r)) {
            std::snprintf(buf, sizeof buf, "T %d %d %s\n", t->p.x, t->p.y, t->text.c_str());
        } else if (auto* p = std::get_if<plat::mf::SelectPen>(&r); p && withPens) {
            std::snprintf(buf, sizeof buf, "pen %06X\n", unsigned(p->pen.color));
        }
        out += buf;
    }
    return out;
}

inline std::string Geometry(HMETAFILE mf, bool withPens = false) {
    return mf ? Geometry(*mf, withPens) : std::string("<none>");
}

// Owns a picture handed over by a painter, as the callers' wrapper does.
struct Picture {
    HMETAFILE mf;
    explicit Picture(HMETAFILE m) : mf(m) {}
    ~Picture() { DeleteMetaFile(mf); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    std::string Geo(bool withPens = false) const { return Geometry(mf, withPens); }
};
