// The controls that carry a dialog's transfer record.
#pragma once

#include <span>

class TDialog;

// Creates them in the order of ids, the order of the record's fields: each id gets the control
// its template names (an edit of the template's text limit, a radio button or a check box).
void AddTransferControls(TDialog* dialog, std::span<const int> ids);
