// The three M* copy items, shown a second time above the M* command while the single-set M*
// screen is up.
#include "app/txla_window.h"

namespace {

constexpr int kMStarCommand = 896;
struct CopyItem {
    int id;
    const char* text;
};
constexpr CopyItem kCopyItems[] = {
    {918, "Copy Ln(c) Data"}, {919, "Copy M* Data"}, {920, "Copy Mavg Data"}};

} // namespace

void InsertMStarMenuItems(TXLAWindow* window) {
    HMENU menu = window ? window->GetMenu() : nullptr;
    if (!menu || gMStarCopyItemsPresent)
        return;
    bool all = true;
    for (const CopyItem& item : kCopyItems)
        all = menu->InsertMenu(kMStarCommand, MF_BYCOMMAND | MF_STRING, item.id, item.text) && all;
    gMStarCopyItemsPresent = all;
    if (all)
        window->Invalidate(true);
}

void RemoveMStarMenuItems(TXLAWindow* window) {
    HMENU menu = window ? window->GetMenu() : nullptr;
    if (!menu || !gMStarCopyItemsPresent)
        return;
    // Deleting by command takes the first match of each id, which is the inserted one: it stands
    // above the M* command, the permanent one below it.
    bool all = true;
    for (const CopyItem& item : kCopyItems)
        all = menu->DeleteMenu(item.id, MF_BYCOMMAND) && all;
    if (all)
        gMStarCopyItemsPresent = false;
    window->Invalidate(true);
}
