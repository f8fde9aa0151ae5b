// The menu items that depend on the kind of the loaded scans.
#include "app/txla_window.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"

void UpdateFloToolsMenu(TXLAWindow* window) {
    HMENU menu = window ? window->GetMenu() : nullptr;
    if (!menu || ScanStore::scanCount < 1)
        return;
    constexpr int kFloTools = 915;
    if (ScanDataKind::fluorescence) {
        if (!menu->Contains(kFloTools))
            menu->InsertMenu(552, MF_BYCOMMAND | MF_STRING, kFloTools, "FloTools");
    } else if (menu->Contains(kFloTools)) {
        menu->DeleteMenu(kFloTools);
    }
    menu->EnableMenuItem(231, ScanDataKind::intensity ? MF_ENABLED : MF_GRAYED);
    menu->EnableMenuItem(226, MF_ENABLED);
}
