// PNG encoding and decoding of surfaces (libpng), and rendering of recorded pictures to PNG.
#include "plat/atomic_file.hpp"
#include "plat/metafile.hpp"
#include "plat/png.hpp"

#include <cstdio>
#include <cstring>
#include <png.h>

namespace plat {
namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void NoFlush(png_structp) {}

// Errors jump back to the setjmp of the caller without printing; warnings are dropped.
void Fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void Warn(png_structp, png_const_charp) {}

struct Reader {
    const std::vector<std::uint8_t>* bytes;
    size_t at;
};

void ReadBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->at + length > r->bytes->size())
        png_error(png, "truncated PNG");
    std::memcpy(data, r->bytes->data() + r->at, length);
    r->at += length;
}

} // namespace

std::vector<std::uint8_t> EncodePng(const Surface& surface) {
    std::vector<std::uint8_t> out;
    if (surface.Empty())
        return out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return out;
    }
    std::vector<png_byte> row(size_t(surface.Width()) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, NoFlush);
    png_set_IHDR(png, info, png_uint_32(surface.Width()), png_uint_32(surface.Height()), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < surface.Height(); ++y) {
        const std::uint32_t* src = surface.Row(y);
        for (int x = 0; x < surface.Width(); ++x) {
            row[size_t(x) * 3 + 0] = png_byte((src[x] >> 16) & 0xFF);
            row[size_t(x) * 3 + 1] = png_byte((src[x] >> 8) & 0xFF);
            row[size_t(x) * 3 + 2] = png_byte(src[x] & 0xFF);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool WritePng(const Surface& surface, const std::string& path) {
    const std::vector<std::uint8_t> bytes = EncodePng(surface);
    if (bytes.empty())
        return false;
    return WriteFileAtomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

bool DecodePng(const std::vector<std::uint8_t>& bytes, Surface& out) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0)
        return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, Warn);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    // Every object with a destructor exists before setjmp: a longjmp must not skip one.
    Reader reader{&bytes, 0};
    std::vector<png_byte> row;
    Surface result;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadBytes);
    png_read_info(png, info);
    // Everything becomes 8-bit RGB.
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_read_update_info(png, info);
    const int w = int(png_get_image_width(png, info)), h = int(png_get_image_height(png, info));
    if (png_get_rowbytes(png, info) != size_t(w) * 3 || w <= 0 || h <= 0 ||
        size_t(w) * size_t(h) > (size_t(1) << 28))
        png_error(png, "unsupported PNG layout");
    row.resize(size_t(w) * 3);
    result.Resize(w, h);
    const int passes = png_set_interlace_handling(png);
    for (int pass = 0; pass < passes; ++pass)
        for (int y = 0; y < h; ++y) {
            std::uint32_t* dst = result.Row(y);
            for (int x = 0; x < w && pass > 0; ++x) {
                row[size_t(x) * 3 + 0] = png_byte((dst[x] >> 16) & 0xFF);
                row[size_t(x) * 3 + 1] = png_byte((dst[x] >> 8) & 0xFF);
                row[size_t(x) * 3 + 2] = png_byte(dst[x] & 0xFF);
            }
            png_read_row(png, row.data(), nullptr);
            for (int x = 0; x < w; ++x)
                dst[x] = (std::uint32_t(row[size_t(x) * 3]) << 16) |
                         (std::uint32_t(row[size_t(x) * 3 + 1]) << 8) | row[size_t(x) * 3 + 2];
        }
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    out = std::move(result);
    return true;
}

bool ReadPng(const std::string& path, Surface& out) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    std::vector<std::uint8_t> bytes;
    std::uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    std::fclose(f);
    return DecodePng(bytes, out);
}

Surface RenderMetaFile(const MetaFile& mf, int width, int height) {
    Surface s(width, height);
    if (s.Empty())
        return s;
    TSurfaceDC dc(s);
    dc.SetMapMode(MM_ANISOTROPIC);
    dc.SetWindowExt({1400, 1000});
    dc.SetViewportExt({width, height});
    PlayMetaFile(dc, mf);
    return s;
}

bool RenderPng(const MetaFile& mf, int width, int height, const std::string& path) {
    return WritePng(RenderMetaFile(mf, width, height), path);
}

} // namespace plat
