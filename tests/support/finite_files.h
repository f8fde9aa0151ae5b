// Reads back what a command wrote: the numbers of every file under a folder that are not finite.
#pragma once

#include <string>
#include <vector>

// Each word of the files under folder (recursively) that reads as a number beyond the float
// range or not a number ("inf", "-nan", "1e39", ...), as "<file>: <word>".
std::vector<std::string> NonFiniteNumbersIn(const std::string& folder);
