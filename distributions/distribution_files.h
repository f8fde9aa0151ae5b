// The distribution files: the held distribution as text, one line per grid point.
#pragma once

#include <string>

// The distribution as text: one line "%.8e %.8e" per grid point (abscissa, value; nine digits,
// so a float reads back exactly), with the second
// result as a third column when it is held. Empty without a distribution.
std::string DistributionText();
// Writes DistributionText to path; false (nothing written) without a distribution or when the
// file cannot be written.
bool SaveDistributionFile(const std::string& path);
// Reads a file of at least two numbers per line (abscissa, value) into the distribution arrays
// and has the window plot it; false, with the arrays unchanged, when the file holds fewer than 2
// such lines or a line that is not numbers.
bool LoadDistributionFromFile(const char* path);
