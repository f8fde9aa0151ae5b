// The boundary analyses (van Holde-Weischet, extrapolated ls-g*(s) area fractions): their
// extrapolation table and the view that shows it.
#pragma once

#include <vector>

class CWINPlot;

struct BoundaryAnalysis {
    // The extrapolation view is shown; cleared with the model choice and by Esc.
    static inline bool reportShown = false;
    // The view's plot, or none (deleted by FreeBoundaryReportPlot and the report itself).
    static inline CWINPlot* reportPlot = nullptr;
    // The extrapolation table: abscissa 1/sqrt(t) (1/sqrt(s)) of the m scans used, then 0;
    // per boundary fraction k the apparent s (S) of each of those scans (NaN where the scan gave
    // none) and the fitted line at each of the m + 1 abscissae.
    static inline std::vector<double> abscissa;
    static inline std::vector<double> fractions;
    static inline std::vector<std::vector<double>> apparentS;
    static inline std::vector<std::vector<double>> fittedLines;
    // The ls-g*(s) of each scan on the grid of the area-fraction extrapolation (empty for
    // van Holde-Weischet): values per S, one curve per scan of the table.
    static inline std::vector<double> lsgGrid;
    static inline std::vector<std::vector<double>> lsgCurves;

    static void ResetToDefaults() {
        reportShown = false;
        reportPlot = nullptr;
        abscissa.clear();
        fractions.clear();
        apparentS.clear();
        fittedLines.clear();
        lsgGrid.clear();
        lsgCurves.clear();
    }
};
