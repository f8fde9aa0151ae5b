// Splitting a text file's contents into lines, CR LF and LF alike.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The lines of text without their line ends; a final line without a line feed counts too.
std::vector<std::string> TextLines(std::string_view text);
