// The one-line input box and the modal text window.
#include "plat/backend.hpp"
#include "plat/dialog.hpp"

#include <cstring>

TInputDialog::TInputDialog(TWindow* owner, const char* title, const char* prompt, char* buffer,
                           int size)
    : owner_(owner), title_(title ? title : ""), prompt_(prompt ? prompt : ""), buffer_(buffer),
      size_(size) {}

int TInputDialog::Execute() {
    if (!buffer_ || size_ <= 0)
        return IDCANCEL;
    std::string text(buffer_, strnlen(buffer_, std::size_t(size_)));
    plat::DispatchPendingPaints();
    if (!plat::GetBackend().inputBox(owner_, title_, prompt_, text, size_))
        return IDCANCEL;
    std::size_t n = std::min<std::size_t>(text.size(), std::size_t(size_ - 1));
    std::memcpy(buffer_, text.data(), n);
    buffer_[n] = '\0';
    return IDOK;
}

namespace plat {

void EditTextModal(std::string& text, std::size_t limit) {
    DispatchPendingPaints();
    GetBackend().editText(text, limit);
    if (limit == 0)
        text.clear();
    else if (text.size() > limit - 1)
        text.resize(limit - 1);
}

} // namespace plat

bool EditTextModal(char* buffer, unsigned size, bool hasInitial, const char* initial) {
    if (!buffer || size == 0)
        return false;
    std::string text = hasInitial && initial ? initial : "";
    plat::EditTextModal(text, size);
    std::memcpy(buffer, text.data(), text.size());
    buffer[text.size()] = '\0';
    return true;
}
