// The list file ("list" or "list_corr" with the scans' extension): a stride line, the data folder
// and one scan file name per line. One reader and one writer for every command that uses it.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct ListFileText {
    int stride = 1;                   // take every n-th name; at least 1
    bool strideValid = true;          // the stride line holds a whole number from 1 to 9999
    std::vector<std::string> strings; // the folder, then the names, as a selection holds them
};

enum class ListReadResult {
    Ok,
    Unopenable, // missing, a folder or unreadable
    TooLong,    // more than the reader's limit of characters
};

// Turns the text of a list file into its stride and strings. "newformat n=" (any case) gives the
// stride; without it every '_' stands for '.'. A '%' starts a comment that runs to its line end;
// a comment that fills a whole line removes the line, one after a name leaves the name on its
// own line. Blank lines and trailing blanks are skipped; CR LF and LF read alike. A stride line
// that holds anything but a whole number from 1 to 9999 leaves strideValid false (the stride
// then counts as at least 1).
ListFileText ParseListText(std::string text);
// Reads and parses the file; a file of more than limit characters is refused, not cut.
ListReadResult ReadListFileText(const std::string& path, std::size_t limit, ListFileText& out);

// "newformat n=<stride>" and each string on a line of its own.
std::string ListText(int stride, const std::vector<std::string>& strings);
// Writes the list file of list.stride and list.strings as ListText lays them out, only when its
// reader gives every string back as written; otherwise nothing is written and *why (may be null)
// names the string and what stops it: a line break or a carriage return in it, a '%' (which starts
// a comment), blanks at its end, or nothing at all. False also when the file cannot be written.
bool WriteListFile(const std::string& path, const ListFileText& list, std::string* why = nullptr);
