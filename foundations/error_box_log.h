// The error boxes shown so far, for tests that check what the user was told.
#pragma once

#include <string>
#include <vector>

struct ErrorBoxEntry {
    std::string text;
    bool fatal = false;
};

// Returns the boxes shown since the last call (at most the last 200), oldest first, and forgets
// them.
std::vector<ErrorBoxEntry> TakeErrorBoxes();

// Forgets the boxes shown and those still waiting for the window's thread, unshown.
void ForgetErrorBoxes();
