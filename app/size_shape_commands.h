// The exchange file of the size-and-shape distribution.
#pragma once

#include <string>

// The held size-and-shape distribution in six columns at path; false when none is held, or after
// "Attention: could not open <path>" when the file cannot be written.
bool WriteSasDistFile(const std::string& path);
