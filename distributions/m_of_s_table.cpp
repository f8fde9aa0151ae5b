// The M(s) table: read, checked, and interpolated linearly (extrapolated from the end rows). The
// reader's checks and the interpolation are tested with the distribution files' fuzz test and
// the table's own cases.
#include "distributions/m_of_s_table.h"

#include "foundations/ascending_pairs.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>

namespace {

std::vector<double> gS, gM; // ascending s (S), molar mass (Da)

std::string Refused(int line, const char* what) {
    char text[200];
    std::snprintf(text, sizeof text, "The M(s) table is refused: line %d %s.", line, what);
    return text;
}

} // namespace

std::string ParseMofSTable(const std::string& text) {
    AscendingPairs rows;
    const PairReadOutcome read = ReadAscendingPairs(text, rows);
    switch (read.fault) {
    case PairFault::None:
        break;
    case PairFault::NotTwoNumbers:
        return Refused(read.line, "has not two numbers");
    case PairFault::NotFinite:
        return Refused(read.line, "holds a value that is not a finite number");
    case PairFault::NotAscending:
        return Refused(read.line, "does not continue the ascending s values");
    case PairFault::TooManyRows:
        return "The M(s) table is refused: it holds more than 1000000 rows.";
    }
    for (std::size_t i = 0; i < rows.y.size(); ++i)
        if (!(rows.y[i] > 0.0))
            return Refused(rows.line[i], "holds a molar mass that is not positive");
    std::vector<double>& s = rows.x;
    std::vector<double>& m = rows.y;
    if (s.size() < 2)
        return "The M(s) table is refused: it needs at least 2 rows of s and M.";
    gS = std::move(s);
    gM = std::move(m);
    return {};
}

std::string LoadMofSTable(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "The M(s) table " + path + " cannot be read.";
    std::ostringstream text;
    text << in.rdbuf();
    return ParseMofSTable(text.str());
}

bool MofSTableLoaded() {
    return gS.size() >= 2;
}

void ClearMofSTable() {
    gS.clear();
    gM.clear();
}

double InterpolateMofS(double s, double /*temperatureC*/) {
    const std::size_t n = gS.size();
    if (n < 2 || !std::isfinite(s))
        return 0.0;
    // the row pair around s, or the end pair outside the table
    const std::size_t hi =
        std::clamp<std::size_t>(std::upper_bound(gS.begin(), gS.end(), s) - gS.begin(), 1, n - 1);
    const std::size_t lo = hi - 1;
    // halves, so that rows near the ends of double's range do not overflow
    const double slope = (0.5 * gM[hi] - 0.5 * gM[lo]) / (0.5 * gS[hi] - 0.5 * gS[lo]);
    const double m = gM[lo] + slope * (s - gS[lo]);
    return std::isfinite(m) ? std::max(m, 0.0) : 0.0;
}
