// Line helpers shared by the text file readers and writers.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Discards the rest of the current line, whatever its length.
void SkipLine(std::FILE* f);

// Reads the next line without its line end into line; false at the end of the file.
bool ReadLine(std::FILE* f, std::string& line);

// True when the text holds something other than white space.
bool HasContent(const std::string& line);

// The text without the white space at its two ends.
std::string_view WithoutBlanks(std::string_view text);

// Lines holding something other than white space, from the current position to the end.
int CountContentLines(std::FILE* f);

// Appends printf-formatted text (at most 511 characters) to out.
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// The lines of a text without their line ends, CR LF and LF alike; a final line without a line
// feed counts too.
std::vector<std::string> TextLines(std::string_view text);

// The text without the UTF-8 byte-order mark some editors put before its first line.
std::string_view WithoutByteOrderMark(std::string_view text);

// Why TextLines does not give the lines of the text as they were written (UTF-16 or binary
// data, lines that end in a carriage return alone); empty when it does.
std::string_view NotPlainText(std::string_view text);
