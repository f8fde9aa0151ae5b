// Edit, check and radio controls and their fields in a packed transfer record.
#include "plat/dialog.hpp"

#include <cstring>

TControl::TControl(TDialog* parent, int id) : parent_(parent), id_(id) {
    if (parent_)
        parent_->AddControl(this);
}

TEdit::TEdit(TDialog* parent, int id, unsigned textLimit)
    : TControl(parent, id), limit_(textLimit ? textLimit : 1) {}

void TEdit::SetText(const std::string& text) {
    text_ = text.substr(0, limit_ - 1);
    if (auto nul = text_.find('\0'); nul != std::string::npos)
        text_.resize(nul);
}

void TEdit::TransferIn(const std::uint8_t* record) {
    // The field need not be terminated: never read past it.
    const char* p = reinterpret_cast<const char*>(record);
    text_.assign(p, strnlen(p, limit_));
    if (text_.size() > limit_ - 1)
        text_.resize(limit_ - 1);
}

void TEdit::TransferOut(std::uint8_t* record) const {
    std::memset(record, 0, limit_);
    std::memcpy(record, text_.data(), std::min<std::size_t>(text_.size(), limit_ - 1));
}

TCheckBox::TCheckBox(TDialog* parent, int id) : TControl(parent, id) {}

void TCheckBox::TransferIn(const std::uint8_t* record) {
    std::uint32_t v;
    std::memcpy(&v, record, sizeof v);
    state_ = v;
}

void TCheckBox::TransferOut(std::uint8_t* record) const {
    std::uint32_t v = state_;
    std::memcpy(record, &v, sizeof v);
}
