// TDialog: checked against its template, transfer in, run modally, transfer out on OK.
#include "plat/dialog.hpp"

#include "plat/backend.hpp"
#include "plat/fault.hpp"

#include <cstring>
#include <string>

namespace {

const char* KindName(plat::ControlKind k) {
    switch (k) {
    case plat::ControlKind::Edit:
        return "edit";
    case plat::ControlKind::Check:
        return "check box";
    case plat::ControlKind::Radio:
        return "radio button";
    default:
        return "control";
    }
}

} // namespace

TDialog::TDialog(TWindow* parent, int resourceId, void* transfer, std::size_t transferSize)
    : TWindow(parent), resourceId_(resourceId), transfer_(transfer), transferSize_(transferSize) {
    if (const plat::DialogTemplate* t = plat::FindDialogTemplate(resourceId))
        SetCaption(t->caption.c_str());
}

TDialog::~TDialog() {
    for (TControl* c : controls_)
        delete c;
}

const plat::DialogTemplate* TDialog::GetTemplate() const {
    return plat::FindDialogTemplate(resourceId_);
}

TControl* TDialog::FindControl(int id) const {
    for (TControl* c : controls_)
        if (c->GetId() == id)
            return c;
    return nullptr;
}

void TDialog::SetTransferBuffer(void* transfer, std::size_t size) {
    transfer_ = transfer;
    transferSize_ = size;
}

std::size_t TDialog::TransferRecordSize() const {
    std::size_t n = 0;
    for (const TControl* c : controls_)
        n += c->TransferSize();
    return n;
}

void TDialog::TransferData(bool intoControls) {
    if (!transfer_)
        return;
    auto* p = static_cast<std::uint8_t*>(transfer_);
    for (TControl* c : controls_) {
        if (intoControls)
            c->TransferIn(p);
        else
            c->TransferOut(p);
        p += c->TransferSize();
    }
}

int TDialog::Execute() {
    const plat::DialogTemplate* t = GetTemplate();
    if (!t) {
        plat::ReportFault("dialog resource " + std::to_string(resourceId_) + " does not exist");
        return -1;
    }
    // A control the template lacks would silently shift every later field of the record.
    for (const TControl* c : controls_) {
        const plat::ControlSpec* item = t->Find(c->GetId());
        if (!item || item->kind != c->Kind()) {
            plat::ReportFault("dialog " + std::to_string(resourceId_) + " has no " +
                              KindName(c->Kind()) + " " + std::to_string(c->GetId()));
            return -1;
        }
    }
    if (transfer_ && transferSize_ && transferSize_ != TransferRecordSize()) {
        plat::ReportFault("dialog " + std::to_string(resourceId_) + ": transfer record of " +
                          std::to_string(transferSize_) + " bytes, controls take " +
                          std::to_string(TransferRecordSize()));
        return -1;
    }
    // Cancel leaves the record as it was, even after a refused OK wrote the typed text into it.
    std::string saved;
    if (transfer_)
        saved.assign(static_cast<const char*>(transfer_), TransferRecordSize());
    TransferData(true);
    ended_ = false;
    result_ = IDCANCEL;
    plat::DispatchPendingPaints();
    int result = plat::GetBackend().runDialog(*this);
    if (!ended_)
        EndDialog(result);
    if (result_ != IDOK && transfer_)
        std::memcpy(transfer_, saved.data(), saved.size());
    return result_;
}

void TDialog::CloseWindow(int result) {
    if (result != IDOK) {
        EndDialog(result);
        return;
    }
    TransferData(false);
    if (!CanClose())
        return;
    EndDialog(IDOK);
}

void TDialog::EndDialog(int result) {
    ended_ = true;
    result_ = result;
}
