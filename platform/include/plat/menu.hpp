// Menus as a model the program edits and the desktop mirrors, and accelerator tables.
#pragma once

#include "plat/messages.hpp"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

constexpr UINT MF_BYCOMMAND = 0x0000;
constexpr UINT MF_BYPOSITION = 0x0400;
constexpr UINT MF_STRING = 0x0000;
constexpr UINT MF_ENABLED = 0x0000;
constexpr UINT MF_GRAYED = 0x0001;
constexpr UINT MF_DISABLED = 0x0002;
constexpr UINT MF_UNCHECKED = 0x0000;
constexpr UINT MF_CHECKED = 0x0008;
constexpr UINT MF_POPUP = 0x0010;
constexpr UINT MF_SEPARATOR = 0x0800;

// Accelerator flags.
constexpr BYTE FVIRTKEY = 0x01;
constexpr BYTE FNOINVERT = 0x02;
constexpr BYTE FSHIFT = 0x04;
constexpr BYTE FCONTROL = 0x08;
constexpr BYTE FALT = 0x10;

namespace plat {

// One item: a command (id > 0), a separator, or a popup with children. The text keeps '&' before
// the mnemonic and "\t" before the shortcut text, as the menu resource writes it.
struct MenuItem {
    int id = 0;
    std::string text;
    bool checked = false;
    bool grayed = false;
    bool separator = false;
    bool popup = false;
    std::vector<MenuItem> children;

    static MenuItem Command(int id, std::string text, bool checked = false, bool grayed = false);
    static MenuItem Popup(std::string text, std::vector<MenuItem> children);
    static MenuItem Separator();
};

class MenuModel {
  public:
    MenuModel() = default;
    explicit MenuModel(std::vector<MenuItem> topLevel) : items_(std::move(topLevel)) {}

    const std::vector<MenuItem>& Items() const { return items_; }

    // Lookups by command id anywhere in the tree.
    const MenuItem* Find(int id) const;
    bool Contains(int id) const { return Find(id) != nullptr; }
    bool IsChecked(int id) const;
    bool IsGrayed(int id) const;

    // Edits by command (MF_BYCOMMAND). Check and enable return the previous state (MF_CHECKED or
    // MF_UNCHECKED; MF_GRAYED or MF_ENABLED), or -1 when the id is not in the menu.
    int CheckMenuItem(int id, UINT flags);
    int EnableMenuItem(int id, UINT flags);
    // Inserts a command item before the item `beforeId`, in the same popup.
    bool InsertMenu(int beforeId, UINT flags, int newId, const std::string& text);
    bool DeleteMenu(int id, UINT flags = MF_BYCOMMAND);

    // Every command id of the tree, in menu order.
    std::vector<int> CommandIds() const;
    // The command ids for which `known` is false: a menu naming a command nobody handles.
    std::vector<int> UnknownCommands(const std::function<bool(int)>& known) const;

    // Counts edits, so a desktop mirror can tell that it is stale.
    std::uint64_t Revision() const { return revision_; }
    // Called after every edit (the window uses it to let the desktop mirror the change).
    void SetChangeHook(std::function<void()> hook) { changed_ = std::move(hook); }

  private:
    MenuItem* FindMutable(int id);
    void Changed();

    std::vector<MenuItem> items_;
    std::uint64_t revision_ = 0;
    std::function<void()> changed_;
};

struct Accelerator {
    BYTE flags = FVIRTKEY; // FVIRTKEY with FCONTROL, FALT, FSHIFT
    WORD key = 0;          // virtual key; letters upper case
    WORD command = 0;
};

class AcceleratorTable {
  public:
    AcceleratorTable() = default;
    explicit AcceleratorTable(std::vector<Accelerator> entries) : entries_(std::move(entries)) {}
    const std::vector<Accelerator>& Entries() const { return entries_; }
    // The command of a key-down with the given modifier state (MK_CONTROL, MK_SHIFT, KS_ALT).
    std::optional<int> Match(UINT virtualKey, UINT keyState) const;
    std::vector<int> CommandIds() const;

  private:
    std::vector<Accelerator> entries_;
};

} // namespace plat

using HMENU = plat::MenuModel*;

// Windows-style menu calls on a window's menu (GetMenu()).
int CheckMenuItem(HMENU menu, UINT id, UINT flags);
int EnableMenuItem(HMENU menu, UINT id, UINT flags);
BOOL InsertMenu(HMENU menu, UINT beforeId, UINT flags, std::uintptr_t newId, const char* text);
BOOL DeleteMenu(HMENU menu, UINT id, UINT flags);

// A handle on a window's menu, as the window framework offers it.
class TMenu {
  public:
    explicit TMenu(HMENU menu) : menu_(menu) {}
    int CheckMenuItem(UINT id, UINT flags) { return ::CheckMenuItem(menu_, id, flags); }
    int EnableMenuItem(UINT id, UINT flags) { return ::EnableMenuItem(menu_, id, flags); }
    BOOL InsertMenu(UINT beforeId, UINT flags, std::uintptr_t newId, const char* text) {
        return ::InsertMenu(menu_, beforeId, flags, newId, text);
    }
    BOOL DeleteMenu(UINT id, UINT flags) { return ::DeleteMenu(menu_, id, flags); }
    HMENU GetHandle() const { return menu_; }

  private:
    HMENU menu_;
};
