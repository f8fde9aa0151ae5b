// The error boxes shown since the last call, one text a line, for tests that check what the user
// was told.
#pragma once

#include <string>

// Takes the boxes shown so far (see TakeErrorBoxes) and returns their texts, each followed by a
// line break; empty when none was shown.
std::string TakeErrorBoxText();
