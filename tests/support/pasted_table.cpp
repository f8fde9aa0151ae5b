#include "support/pasted_table.h"

#include "plat/testing.hpp"

#include <sstream>

PastedTable PasteClipboard() {
    PastedTable table;
    std::istringstream lines(plat::test::clipboard().text.value_or(""));
    std::string line;
    while (std::getline(lines, line)) {
        std::vector<std::string> cells(1);
        for (char c : line) {
            if (c == '\t')
                cells.emplace_back();
            else
                cells.back() += c;
        }
        table.push_back(cells);
    }
    return table;
}
