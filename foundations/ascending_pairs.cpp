#include "foundations/ascending_pairs.h"

#include <cmath>
#include <locale>
#include <sstream>

PairReadOutcome ReadAscendingPairs(const std::string& text, AscendingPairs& rows,
                                   std::size_t maxRows) {
    rows = {};
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        std::string a, b;
        if (!(fields >> a >> b))
            return {PairFault::NotTwoNumbers, number};
        double x = NAN, y = NAN;
        std::size_t usedA = 0, usedB = 0;
        try {
            x = std::stod(a, &usedA);
            y = std::stod(b, &usedB);
        } catch (...) {
            // out of double's range or not a number at all
            usedA = usedB = 0;
        }
        if (usedA != a.size() || usedB != b.size() || !std::isfinite(x) || !std::isfinite(y))
            return {PairFault::NotFinite, number};
        if (!rows.x.empty() && !(x > rows.x.back()))
            return {PairFault::NotAscending, number};
        if (rows.x.size() >= maxRows)
            return {PairFault::TooManyRows, number};
        rows.x.push_back(x);
        rows.y.push_back(y);
        rows.line.push_back(number);
    }
    return {};
}
