// FreeType text: DejaVu faces for logical fonts, grey glyphs cached per size and angle.
#include "core/text_render.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <map>
#include <mutex>
#include <unordered_map>
#include <vector>

#ifndef TARNIX_FONT_DIR
#define TARNIX_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif

namespace plat::text {
namespace {

struct Glyph {
    int left = 0, top = 0, width = 0, rows = 0;
    long advance = 0; // unrotated advance, 26.6
    std::vector<std::uint8_t> coverage;
};

struct Key {
    FT_Face face;
    long em26;
    int angle;
    char32_t code;
    bool operator==(const Key&) const = default;
};

struct KeyHash {
    size_t operator()(const Key& k) const {
        size_t h = std::hash<const void*>()(k.face);
        h = h * 1000003u ^ std::hash<long>()(k.em26);
        h = h * 1000003u ^ std::hash<int>()(k.angle);
        return h * 1000003u ^ std::hash<char32_t>()(k.code);
    }
};

// Workers never draw, but the library and its caches are shared, so one cheap lock guards them.
std::mutex gMutex;
FT_Library gLibrary = nullptr;
std::map<std::string, FT_Face> gFaces;
std::unordered_map<Key, Glyph, KeyHash> gGlyphs;

FT_Face LoadFace(const std::string& path) {
    if (!gLibrary && FT_Init_FreeType(&gLibrary) != 0)
        return nullptr;
    auto it = gFaces.find(path);
    if (it != gFaces.end())
        return it->second;
    FT_Face face = nullptr;
    if (FT_New_Face(gLibrary, path.c_str(), 0, &face) != 0)
        face = nullptr;
    gFaces[path] = face;
    return face;
}

// The cell (ascent + descent) in font units as the original platform measures it: the OS/2
// Windows metrics when present, else the horizontal header.
void CellUnits(FT_Face face, double& ascent, double& descent) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->usWinAscent + os2->usWinDescent > 0) {
        ascent = os2->usWinAscent;
        descent = os2->usWinDescent;
    } else {
        ascent = face->ascender;
        descent = -face->descender;
    }
}

struct Sized {
    FT_Face face = nullptr;
    long em26 = 0;
    double em = 0, ascent = 0, descent = 0;
};

// Face and em size for the font at `scale` device pixels per logical unit.
Sized Prepare(const TFont& font, double scale) {
    Sized s;
    s.face = LoadFace(FontFile(font));
    s.em = 0;
    if (!s.face)
        return s;
    double asc = 0, desc = 0;
    CellUnits(s.face, asc, desc);
    const double upem = s.face->units_per_EM;
    const int h = font.height == 0 ? 16 : font.height;
    const double px = std::abs(h) * scale;
    const double em = h > 0 ? px * upem / (asc + desc) : px;
    s.em26 = std::lround(em * 64);
    if (s.em26 < 16) { // below a quarter pixel nothing can be seen
        s.face = nullptr;
        return s;
    }
    s.em = em;
    s.ascent = em * asc / upem;
    s.descent = em * desc / upem;
    return s;
}

const Glyph* GlyphOf(const Sized& s, int angleTenths, char32_t code) {
    const Key key{s.face, s.em26, angleTenths, code};
    auto it = gGlyphs.find(key);
    if (it != gGlyphs.end())
        return &it->second;
    if (gGlyphs.size() > 8192)
        gGlyphs.clear();
    Glyph g;
    if (FT_Set_Char_Size(s.face, 0, s.em26, 72, 72) == 0) {
        const double a = angleTenths * M_PI / 1800.0;
        FT_Matrix m;
        m.xx = FT_Fixed(std::lround(std::cos(a) * 65536.0));
        m.xy = FT_Fixed(std::lround(-std::sin(a) * 65536.0));
        m.yx = FT_Fixed(std::lround(std::sin(a) * 65536.0));
        m.yy = FT_Fixed(std::lround(std::cos(a) * 65536.0));
        FT_Set_Transform(s.face, angleTenths ? &m : nullptr, nullptr);
        const FT_UInt index = FT_Get_Char_Index(s.face, FT_ULong(code));
        if (FT_Load_Glyph(s.face, index, FT_LOAD_DEFAULT) == 0) {
            FT_GlyphSlot slot = s.face->glyph;
            // The advance along the text direction, before the rotation.
            g.advance =
                angleTenths
                    ? std::lround(std::hypot(double(slot->advance.x), double(slot->advance.y)))
                    : slot->advance.x;
            if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
                const FT_Bitmap& bm = slot->bitmap;
                g.left = slot->bitmap_left;
                g.top = slot->bitmap_top;
                g.width = int(bm.width);
                g.rows = int(bm.rows);
                g.coverage.resize(size_t(g.width) * size_t(g.rows));
                for (int y = 0; y < g.rows; ++y)
                    for (int x = 0; x < g.width; ++x)
                        g.coverage[size_t(y) * size_t(g.width) + size_t(x)] =
                            bm.buffer[y * bm.pitch + x];
            }
        }
        FT_Set_Transform(s.face, nullptr, nullptr);
    }
    return &gGlyphs.emplace(key, std::move(g)).first->second;
}

int AngleOf(const TFont& font) {
    int a = font.escapement % 3600;
    return a < 0 ? a + 3600 : a;
}

} // namespace

std::u32string Decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    size_t i = 0;
    bool utf8 = true;
    while (i < text.size()) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + size_t(extra) >= text.size() + (extra == 0 ? 1 : 0)) {
            utf8 = false;
            break;
        }
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(text[i + size_t(k)]);
            if ((d >> 6) != 2) {
                utf8 = false;
                break;
            }
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!utf8)
            break;
        out.push_back(cp);
        i += size_t(extra) + 1;
    }
    if (utf8)
        return out;
    out.clear();
    for (char c : text)
        out.push_back(char32_t(static_cast<unsigned char>(c)));
    return out;
}

std::string FontFile(const TFont& font) {
    std::string face = font.faceName;
    std::transform(face.begin(), face.end(), face.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    enum { Serif, Sans, Mono } kind = Sans;
    const unsigned family = font.pitchAndFamily & 0xF0u;
    if (family == FF_ROMAN)
        kind = Serif;
    else if (family == FF_MODERN || (font.pitchAndFamily & 3u) == FIXED_PITCH)
        kind = Mono;
    auto has = [&](const char* w) { return face.find(w) != std::string::npos; };
    if (has("mono") || has("courier") || has("fixed"))
        kind = Mono;
    else if (has("sans") || has("arial") || has("helvetica") || has("tahoma") || has("verdana"))
        kind = Sans;
    else if (has("serif") || has("times") || has("roman"))
        kind = Serif;
    const bool bold = font.weight >= FW_SEMIBOLD;
    const bool italic = font.italic;
    std::string name = kind == Serif  ? "DejaVuSerif"
                       : kind == Mono ? "DejaVuSansMono"
                                      : "DejaVuSans";
    if (bold || italic) {
        name += '-';
        if (bold)
            name += "Bold";
        if (italic)
            name += kind == Serif ? "Italic" : "Oblique";
    }
    return std::string(TARNIX_FONT_DIR) + "/" + name + ".ttf";
}

bool Measure(const TFont& font, double scale, std::string_view text, Metrics& m) {
    std::lock_guard<std::mutex> lock(gMutex);
    m = Metrics{};
    const Sized s = Prepare(font, scale);
    if (!s.face)
        return false;
    m.em = s.em;
    m.ascent = s.ascent;
    m.descent = s.descent;
    long advance = 0;
    for (char32_t c : Decode(text))
        advance += GlyphOf(s, 0, c)->advance;
    m.width = advance / 64.0;
    return true;
}

bool Draw(raster::Target& t, const TFont& font, double scale, double x, double y,
          std::string_view text, std::uint32_t color) {
    std::lock_guard<std::mutex> lock(gMutex);
    const Sized s = Prepare(font, scale);
    if (!s.face)
        return false;
    const int angle = AngleOf(font);
    const double a = angle * M_PI / 1800.0;
    const double ux = std::cos(a), uy = -std::sin(a); // device direction of the advance
    const double ox = std::round(x), oy = std::round(y);
    long advance = 0;
    for (char32_t c : Decode(text)) {
        const Glyph* g = GlyphOf(s, angle, c);
        const double along = advance / 64.0;
        const int px = int(std::lround(ox + along * ux));
        const int py = int(std::lround(oy + along * uy));
        for (int r = 0; r < g->rows; ++r) {
            const int yy = py - g->top + r;
            if (yy < t.clip.top || yy >= t.clip.bottom)
                continue;
            for (int col = 0; col < g->width; ++col)
                raster::Blend(t, px + g->left + col, yy,
                              g->coverage[size_t(r) * size_t(g->width) + size_t(col)], color);
        }
        advance += GlyphOf(s, 0, c)->advance;
    }
    return true;
}

} // namespace plat::text
