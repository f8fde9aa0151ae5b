// The tabulated relation between total concentration and the weight-average s and D of a rapidly
// associating 1-2-4 or 1-4-8 oligomer system.
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

// Rows on a geometric ladder of monomer concentrations x from x_min to x_max; c_total(x) rises
// monotonically, so a concentration is found by search and linear interpolation in c_total.
// Non-ideality scales every row but the first.
void CLammIdeal::BuildAssociationTable() {
    CPropagationArrays& P = propagation;
    const int rows = std::max(P.tableRows, 2);
    P.tableRatio = std::pow(P.xMax / P.xMin, 1.0 / (rows - 1));
    P.table.assign(4 * (static_cast<size_t>(rows) + 1), 0.0);
    const bool octamer = assocC; // 1-4-8; otherwise 1-2-4
    double x = P.xMin;
    for (int i = 1; i <= rows; ++i) {
        if (i > 1)
            x *= P.tableRatio;
        double total, sv, dv;
        if (octamer) {
            const double x3 = x * x * x, x7 = x3 * x3 * x;
            total = x + P.Ka * x3 * x + P.Kb * x7 * x;
            sv = (P.s1 + P.Ka * x3 * P.s2 + P.Kb * x7 * P.s4) / (1.0 + P.Ka * x3 + P.Kb * x7);
            dv = (P.D1 + 4.0 * P.Ka * x3 * P.D2 + 8.0 * P.Kb * x7 * P.D4) /
                 (1.0 + 4.0 * P.Ka * x3 + 8.0 * P.Kb * x7);
        } else {
            const double x3 = x * x * x;
            total = x + P.Ka * x * x + P.Kb * x3 * x;
            sv = (P.s1 + P.Ka * x * P.s2 + P.Kb * x3 * P.s4) / (1.0 + P.Ka * x + P.Kb * x3);
            dv = (P.D1 + 2.0 * P.Ka * x * P.D2 + 4.0 * P.Kb * x3 * P.D4) /
                 (1.0 + 2.0 * P.Ka * x + 4.0 * P.Kb * x3);
        }
        if (concDependentNI && i > 1) {
            sv *= 1.0 - ks * total;
            dv *= 1.0 + kd * total;
        }
        double* row = &P.table[4 * static_cast<size_t>(i)];
        row[0] = x, row[1] = total, row[2] = sv, row[3] = dv;
    }
    P.tableRows = rows;
    P.lastRow = 1;
}

// Concentrations below the first row take its values, above the last row the last row's; the
// search restarts from the row found last when the concentration lies beyond the row ten
// places before it, which is the common case of neighbouring nodes.
void CLammIdeal::LookupAssociationTable(double conc, double& sOut, double& dOut) {
    CPropagationArrays& P = propagation;
    const int rows = P.tableRows;
    auto at = [&P](int i, int col) { return P.table[4 * static_cast<size_t>(i) + col]; };
    if (P.table.empty()) {
        sOut = P.s1, dOut = P.D1;
        return;
    }
    if (conc <= at(1, 1)) {
        sOut = at(1, 2), dOut = at(1, 3);
        return;
    }
    if (conc > at(rows, 1)) {
        sOut = at(rows, 2), dOut = at(rows, 3);
        return;
    }
    int i = 1;
    if (P.lastRow > 10 && at(P.lastRow - 10, 1) < conc)
        i = P.lastRow - 10;
    while (i < rows && conc > at(i, 1))
        ++i;
    P.lastRow = i;
    if (conc == at(i, 1)) {
        sOut = at(i, 2), dOut = at(i, 3);
        return;
    }
    const double w = (conc - at(i - 1, 1)) / (at(i, 1) - at(i - 1, 1));
    sOut = at(i - 1, 2) + w * (at(i, 2) - at(i - 1, 2));
    dOut = at(i - 1, 3) + w * (at(i, 3) - at(i - 1, 3));
}

void CLammIdeal::FreeAssociationTable() {
    CPropagationArrays& P = propagation;
    P.table.clear();
    P.table.shrink_to_fit();
    P.tableOn = false;
}
