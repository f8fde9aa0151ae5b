// The transfer controls of the option dialogs, made from their templates.
#include "app/transfer_controls.h"

#include "plat/dialog.hpp"

void AddTransferControls(TDialog* dialog, std::span<const int> ids) {
    const plat::DialogTemplate* t = dialog->GetTemplate();
    if (t == nullptr)
        return;
    for (int id : ids) {
        const plat::ControlSpec* c = t->Find(id);
        if (c != nullptr && c->kind == plat::ControlKind::Edit)
            new TEdit(dialog, id, static_cast<unsigned>(c->limit));
        else if (c != nullptr && c->kind == plat::ControlKind::Radio)
            new TRadioButton(dialog, id);
        else
            new TCheckBox(dialog, id);
    }
}
