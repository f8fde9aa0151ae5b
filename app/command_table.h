// The main window's command table: one row per command id with its menu item, accelerator,
// help-mode behaviour and handler. The menu "MENU_1" and the accelerator table 303 are built from
// it.
#pragma once

#include <span>

class TXLAWindow;

// What a command does when the help mode (F1 on a highlighted menu item) is set.
enum class HelpTest : unsigned char {
    None,       // runs as usual and leaves the help mode set
    Offer,      // clears the help mode and shows the help offer instead of acting
    Context320, // clears the help mode and asks the help engine for context 320
    Context321, // the same with context 321
};

// Accelerator modifiers.
constexpr unsigned char kCtrl = 1;
constexpr unsigned char kAlt = 2;

struct CommandAccelerator {
    unsigned char modifiers = 0; // kCtrl or kAlt; 0 with key 0 when the command has none
    char key = 0;                // upper-case letter
};

// Initial state of the menu item in the resource.
constexpr unsigned char kChecked = 1;
constexpr unsigned char kGrayed = 2;

using CommandHandler = void (TXLAWindow::*)();

struct CommandRow {
    int id;
    // Popups from the menu bar down to the item, separated by '>'; "" for an item on the bar
    // itself; null for a command without a menu item.
    const char* menuPath;
    const char* text; // menu text: '&' marks the mnemonic, a tab starts the shortcut text
    CommandAccelerator accelerator;
    HelpTest help;
    unsigned char initialState; // kChecked, kGrayed or 0
    CommandHandler handler;
};

// Every command in menu order, then the commands without a menu item.
std::span<const CommandRow> CommandTable();
// The row of a command id; null when the window has no such command.
const CommandRow* FindCommand(int id);
