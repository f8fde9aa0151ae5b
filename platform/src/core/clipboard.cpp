// TClipboard: collects what is set while open and hands it to the desktop when closed.
#include "plat/clipboard.hpp"

#include "plat/backend.hpp"

TClipboard::TClipboard(HWND, bool open) {
    if (open)
        OpenClipboard();
}

TClipboard::~TClipboard() {
    if (open_)
        CloseClipboard();
}

bool TClipboard::OpenClipboard() {
    if (open_)
        return false;
    open_ = true;
    changed_ = false;
    data_ = {};
    return true;
}

bool TClipboard::EmptyClipboard() {
    if (!open_)
        return false;
    data_ = {};
    changed_ = true;
    return true;
}

bool TClipboard::SetText(const std::string& text) {
    if (!open_)
        return false;
    data_.text = text;
    changed_ = true;
    return true;
}

bool TClipboard::SetPicture(std::shared_ptr<const MetaFile> picture, TSize extent) {
    if (!open_ || !picture)
        return false;
    data_.picture = std::move(picture);
    data_.pictureExtent = extent;
    changed_ = true;
    return true;
}

bool TClipboard::SetBitmap(const plat::Surface& bitmap) {
    if (!open_)
        return false;
    data_.bitmap = bitmap;
    changed_ = true;
    return true;
}

void TClipboard::CloseClipboard() {
    if (!open_)
        return;
    open_ = false;
    if (changed_)
        plat::GetBackend().clipboardSet(data_);
    changed_ = false;
}
