// Surface: the retained raster behind a window, a bitmap or an off-screen picture.
#pragma once

#include "plat/geometry.hpp"

#include <cstdint>
#include <vector>

namespace plat {

// Pixels are stored 0x00RRGGBB, row-major and top-down, so the desktop backend can present the
// buffer without conversion; the drawing API speaks COLORREF (0x00BBGGRR).
class Surface {
  public:
    Surface() = default;
    Surface(int width, int height, COLORREF fill = RGB(255, 255, 255)) {
        Resize(width, height, fill);
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Empty() const { return width_ <= 0 || height_ <= 0; }

    // Contents are lost: the caller repaints.
    void Resize(int width, int height, COLORREF fill = RGB(255, 255, 255)) {
        width_ = width > 0 ? width : 0;
        height_ = height > 0 ? height : 0;
        pixels_.assign(std::size_t(width_) * std::size_t(height_), ToNative(fill));
    }
    void Fill(COLORREF c) { pixels_.assign(pixels_.size(), ToNative(c)); }

    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    COLORREF GetPixel(int x, int y) const {
        return Inside(x, y) ? FromNative(pixels_[Index(x, y)]) : CLR_INVALID;
    }
    void SetPixel(int x, int y, COLORREF c) {
        if (Inside(x, y))
            pixels_[Index(x, y)] = ToNative(c);
    }

    std::uint32_t* Row(int y) { return pixels_.data() + std::size_t(y) * std::size_t(width_); }
    const std::uint32_t* Row(int y) const {
        return pixels_.data() + std::size_t(y) * std::size_t(width_);
    }
    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }
    std::vector<std::uint32_t>& Pixels() { return pixels_; }

    static constexpr std::uint32_t ToNative(COLORREF c) {
        return ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
    }
    static constexpr COLORREF FromNative(std::uint32_t p) {
        return ((p & 0xFFu) << 16) | (p & 0xFF00u) | ((p >> 16) & 0xFFu);
    }

    friend bool operator==(const Surface&, const Surface&) = default;

  private:
    std::size_t Index(int x, int y) const {
        return std::size_t(y) * std::size_t(width_) + std::size_t(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<std::uint32_t> pixels_;
};

} // namespace plat
