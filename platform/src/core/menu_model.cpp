// The menu model: lookups and the edits the program makes at run time.
#include "plat/menu.hpp"

namespace plat {

namespace {

template <class Item, class F> Item* Walk(std::vector<Item>& items, F&& pred) {
    for (Item& it : items) {
        if (pred(it))
            return &it;
        if (Item* found = Walk(it.children, pred))
            return found;
    }
    return nullptr;
}

template <class F> const MenuItem* WalkConst(const std::vector<MenuItem>& items, F&& pred) {
    for (const MenuItem& it : items) {
        if (pred(it))
            return &it;
        if (const MenuItem* found = WalkConst(it.children, pred))
            return found;
    }
    return nullptr;
}

bool IsCommand(const MenuItem& it, int id) {
    return !it.popup && !it.separator && it.id == id;
}

// The list holding the command, and its position there.
std::vector<MenuItem>* Parent(std::vector<MenuItem>& items, int id, std::size_t& pos) {
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (IsCommand(items[i], id)) {
            pos = i;
            return &items;
        }
        if (auto* p = Parent(items[i].children, id, pos))
            return p;
    }
    return nullptr;
}

void CollectIds(const std::vector<MenuItem>& items, std::vector<int>& out) {
    for (const MenuItem& it : items) {
        if (it.popup)
            CollectIds(it.children, out);
        else if (!it.separator)
            out.push_back(it.id);
    }
}

} // namespace

MenuItem MenuItem::Command(int id, std::string text, bool checked, bool grayed) {
    MenuItem m;
    m.id = id;
    m.text = std::move(text);
    m.checked = checked;
    m.grayed = grayed;
    return m;
}

MenuItem MenuItem::Popup(std::string text, std::vector<MenuItem> children) {
    MenuItem m;
    m.text = std::move(text);
    m.popup = true;
    m.children = std::move(children);
    return m;
}

MenuItem MenuItem::Separator() {
    MenuItem m;
    m.separator = true;
    return m;
}

const MenuItem* MenuModel::Find(int id) const {
    return WalkConst(items_, [id](const MenuItem& it) { return IsCommand(it, id); });
}

MenuItem* MenuModel::FindMutable(int id) {
    return Walk(items_, [id](const MenuItem& it) { return IsCommand(it, id); });
}

bool MenuModel::IsChecked(int id) const {
    const MenuItem* it = Find(id);
    return it && it->checked;
}

bool MenuModel::IsGrayed(int id) const {
    const MenuItem* it = Find(id);
    return it && it->grayed;
}

void MenuModel::Changed() {
    ++revision_;
    if (changed_)
        changed_();
}

int MenuModel::CheckMenuItem(int id, UINT flags) {
    MenuItem* it = FindMutable(id);
    if (!it)
        return -1;
    int previous = it->checked ? int(MF_CHECKED) : int(MF_UNCHECKED);
    bool checked = (flags & MF_CHECKED) != 0;
    if (checked != it->checked) {
        it->checked = checked;
        Changed();
    }
    return previous;
}

int MenuModel::EnableMenuItem(int id, UINT flags) {
    MenuItem* it = FindMutable(id);
    if (!it)
        return -1;
    int previous = it->grayed ? int(MF_GRAYED) : int(MF_ENABLED);
    bool grayed = (flags & (MF_GRAYED | MF_DISABLED)) != 0;
    if (grayed != it->grayed) {
        it->grayed = grayed;
        Changed();
    }
    return previous;
}

bool MenuModel::InsertMenu(int beforeId, UINT flags, int newId, const std::string& text) {
    std::size_t pos = 0;
    std::vector<MenuItem>* list = Parent(items_, beforeId, pos);
    if (!list)
        return false;
    MenuItem item =
        (flags & MF_SEPARATOR)
            ? MenuItem::Separator()
            : MenuItem::Command(newId, text, (flags & MF_CHECKED) != 0, (flags & MF_GRAYED) != 0);
    list->insert(list->begin() + std::ptrdiff_t(pos), std::move(item));
    Changed();
    return true;
}

bool MenuModel::DeleteMenu(int id, UINT flags) {
    if (flags & MF_BYPOSITION)
        return false;
    std::size_t pos = 0;
    std::vector<MenuItem>* list = Parent(items_, id, pos);
    if (!list)
        return false;
    list->erase(list->begin() + std::ptrdiff_t(pos));
    Changed();
    return true;
}

std::vector<int> MenuModel::CommandIds() const {
    std::vector<int> ids;
    CollectIds(items_, ids);
    return ids;
}

std::vector<int> MenuModel::UnknownCommands(const std::function<bool(int)>& known) const {
    std::vector<int> bad;
    for (int id : CommandIds())
        if (!known(id))
            bad.push_back(id);
    return bad;
}

std::optional<int> AcceleratorTable::Match(UINT virtualKey, UINT keyState) const {
    bool ctrl = keyState & MK_CONTROL, shift = keyState & MK_SHIFT, alt = keyState & KS_ALT;
    for (const Accelerator& a : entries_) {
        UINT key = a.key;
        if (!(a.flags & FVIRTKEY) && key >= 'a' && key <= 'z')
            key -= 'a' - 'A';
        if (key != virtualKey)
            continue;
        if (bool(a.flags & FCONTROL) != ctrl || bool(a.flags & FALT) != alt ||
            bool(a.flags & FSHIFT) != shift)
            continue;
        return int(a.command);
    }
    return std::nullopt;
}

std::vector<int> AcceleratorTable::CommandIds() const {
    std::vector<int> ids;
    for (const Accelerator& a : entries_)
        ids.push_back(a.command);
    return ids;
}

} // namespace plat

int CheckMenuItem(HMENU menu, UINT id, UINT flags) {
    return menu ? menu->CheckMenuItem(int(id), flags) : -1;
}
int EnableMenuItem(HMENU menu, UINT id, UINT flags) {
    return menu ? menu->EnableMenuItem(int(id), flags) : -1;
}
BOOL InsertMenu(HMENU menu, UINT beforeId, UINT flags, std::uintptr_t newId, const char* text) {
    return menu && menu->InsertMenu(int(beforeId), flags, int(newId), text ? text : "") ? TRUE
                                                                                        : FALSE;
}
BOOL DeleteMenu(HMENU menu, UINT id, UINT flags) {
    return menu && menu->DeleteMenu(int(id), flags) ? TRUE : FALSE;
}
