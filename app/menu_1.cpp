// Builds "MENU_1" and the accelerator table 303 from the rows of the command table.
#include "app/menu_1.h"

#include "app/command_table.h"

#include <string>
#include <string_view>

namespace {

// The popup called `name` among `items`, made at the end when it is not there yet.
plat::MenuItem& PopupNamed(std::vector<plat::MenuItem>& items, std::string_view name) {
    for (plat::MenuItem& item : items) {
        if (item.popup && item.text == name)
            return item;
    }
    items.push_back(plat::MenuItem::Popup(std::string(name), {}));
    return items.back();
}

} // namespace

plat::MenuModel BuildMenu1() {
    std::vector<plat::MenuItem> bar;
    for (const CommandRow& row : CommandTable()) {
        if (!row.menuPath)
            continue;
        std::vector<plat::MenuItem>* items = &bar;
        std::string_view path = row.menuPath;
        while (!path.empty()) {
            std::size_t cut = path.find('>');
            items = &PopupNamed(*items, path.substr(0, cut)).children;
            path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
        }
        items->push_back(plat::MenuItem::Command(row.id, row.text,
                                                 (row.initialState & kChecked) != 0,
                                                 (row.initialState & kGrayed) != 0));
    }
    return plat::MenuModel(std::move(bar));
}

plat::AcceleratorTable BuildAcceleratorTable303() {
    std::vector<plat::Accelerator> entries;
    for (const CommandRow& row : CommandTable()) {
        const CommandAccelerator& a = row.accelerator;
        if (a.key == 0)
            continue;
        BYTE flags =
            FVIRTKEY | ((a.modifiers & kCtrl) ? FCONTROL : 0) | ((a.modifiers & kAlt) ? FALT : 0);
        entries.push_back({flags, WORD(a.key), WORD(row.id)});
    }
    return plat::AcceleratorTable(std::move(entries));
}
