// The time-dependent s and M analysis: for each pair of consecutive scans, the earlier one is the
// initial distribution and one species' s and M are fitted to the later one, so changes of the
// sedimenting material with time (as in an Archibald analysis) show as a table over time.
#pragma once

#include <string>
#include <vector>

class TXLAWindow;

struct TimeDependentRow {
    double timeS = 0.0; // midway between the two scans
    double s = 0.0;     // S
    double M = 0.0;     // Da
    double rmsd = 0.0;  // of the later scan inside the fit limits
};

struct TimeDependentOutcome {
    std::vector<TimeDependentRow> rows;
    bool stopped = false; // a key press ended the analysis; the rows done are kept
    std::string problem;  // why nothing could be fitted; empty otherwise
};

// The scan store restricted to two of its scans (header indices a and b), which become scans 1
// and 2 in that order; the rows are the store's own, so fits land in the scans themselves. The
// store is whole again when the view ends.
class ScanPairView {
  public:
    ScanPairView(int a, int b);
    ~ScanPairView();
    ScanPairView(const ScanPairView&) = delete;
    ScanPairView& operator=(const ScanPairView&) = delete;

  private:
    struct Saved;
    Saved* saved_;
};

// Fits every consecutive pair of scans in time order with one ideal species started from the
// earlier scan (meniscus and bottom fixed), s and M starting at sStart and mStart and then at the
// previous pair's result. The model records (species, initial data, switches) are as they were
// afterwards; the fit of each later scan is its pair's model.
TimeDependentOutcome FitTimeDependentSAndM(TXLAWindow* window, double sStart, double mStart);

// The rows as a table: a header line, then "t (s)", "s (S)", "M (Da)", "rmsd" per row.
std::string TimeDependentTable(const std::vector<TimeDependentRow>& rows);
