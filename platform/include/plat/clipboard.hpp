// The clipboard: text, pictures (recorded drawings with their extent) and bitmaps.
#pragma once

#include "plat/messages.hpp"
#include "plat/surface.hpp"

#include <memory>
#include <optional>
#include <string>

class MetaFile;

namespace plat {

// One clipboard content; the fields not set are absent.
struct ClipData {
    std::optional<std::string> text;
    std::shared_ptr<const MetaFile> picture;
    TSize pictureExtent{13000, 9000}; // HIMETRIC (0.01 mm)
    std::optional<Surface> bitmap;

    bool Empty() const { return !text && !picture && !bitmap; }
};
} // namespace plat

// Open, empty, set, close: what is set between open and close becomes the clipboard's content
// when the clipboard is closed (or the object goes away while open).
class TClipboard {
  public:
    explicit TClipboard(HWND owner = nullptr, bool open = true);
    ~TClipboard();
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    bool OpenClipboard();
    bool IsOpen() const { return open_; }
    bool EmptyClipboard();
    bool SetText(const std::string& text);
    bool SetPicture(std::shared_ptr<const MetaFile> picture, TSize extent = {13000, 9000});
    bool SetBitmap(const plat::Surface& bitmap);
    void CloseClipboard();

  private:
    bool open_ = false;
    bool changed_ = false;
    plat::ClipData data_;
};
