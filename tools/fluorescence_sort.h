// Sorting the scan files of a fluorescence run: copies under names that carry the sample letter,
// photomultiplier voltage, range and gain, grouped by those settings, with one list file per
// group thinned to scans spread evenly in time.
#pragma once

#include "scandata/scan_header.h"

#include <functional>
#include <string>
#include <vector>

// The name of a source file's copy and its group key. A source named letter L + rest R with
// extension E becomes R + key, the key being E_L_PMV<voltage>_r<range>_g<gain>.
struct SortedCopyName {
    std::string name; // empty when the source name has no letter and rest
    std::string key;
};
SortedCopyName MakeSortedCopyName(const std::string& sourceFileName, const ScanHeader& header);

// Groups of copies by key, each taking a file only when it is at least a time step after the
// group's last one and before t max.
class FluorescenceSortTable {
  public:
    static constexpr int kCapacity = 1000;

    // The slot (1-based) of the group whose key is exactly key, made when new; 0 when full.
    int FindOrAddKey(const std::string& key);
    // Takes path into key's group; returns the report for a full table, else empty.
    std::string Add(const std::string& path, const std::string& key, double time, double tMin,
                    double step, double tMax);
    int KeyCount() const { return int(groups_.size()); }
    const std::vector<std::string>& Paths(int slot) const { return groups_[slot - 1].paths; }
    // Writes "list" with the extension of each group's first file, in its folder: the scan
    // list format, folder line then file names. Returns the lists written; failures are
    // appended to errors.
    std::vector<std::string> WriteListFiles(std::vector<std::string>& errors) const;

  private:
    struct Group {
        std::string key;
        std::vector<std::string> paths;
        double lastTime = 0.0;
    };
    std::vector<Group> groups_;
    int groupsHoldingFiles_ = 0;
};

struct FluorescenceSortOptions {
    bool makeLists = false;
    float tMin = 0.0f, tMax = 0.0f;
    int target = 100;
    int excludedCell = 4;
    bool excludeWeak = false;
    float rMin = 6.5f, rMax = 7.0f;
    float minimalSignal = 0.0f, maximalNoise = 100.0f;
};

struct FluorescenceSortOutcome {
    int copied = 0;
    std::string unreadable; // a file that could not be read as a scan: nothing more was done
    std::string failedCopy; // the target a copy failed for: the walk ended there
    std::vector<std::string> lists;
    std::vector<std::string> reports; // full tables, list files that would not open
};

// Called with each target path (and its cell) as it is copied.
using SortProgress = std::function<void(const std::string& target, int cell)>;

// Sorts every fluorescence scan file of folder (with its separator) into folder + "sorted".
FluorescenceSortOutcome SortFluorescenceFolder(const std::string& folder,
                                               const FluorescenceSortOptions& options,
                                               const SortProgress& progress);
// Copies the given scan files, each under the name its own header gives; ends at the first
// failed copy.
FluorescenceSortOutcome SortScanFiles(const std::vector<std::string>& paths,
                                      const std::vector<ScanHeader>& headers);
