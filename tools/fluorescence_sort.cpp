// Copies of fluorescence scan files under names that carry their settings, and their list files.
#include "tools/fluorescence_sort.h"

#include "foundations/nr_arrays.h"
#include "plat/atomic_file.hpp"
#include "plat/files.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>

namespace {

constexpr int kLongestKey = 255;

std::string FileName(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

std::string Folder(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

// The extension with its point, and the name before it.
void SplitName(const std::string& name, std::string& stem, std::string& extension) {
    const std::size_t dot = name.rfind('.');
    stem = dot == std::string::npos ? name : name.substr(0, dot);
    extension = dot == std::string::npos ? "" : name.substr(dot);
}

// The reader sets the data kind from each file; the sort leaves the loaded data's kind as it was.
class KindGuard {
  public:
    ~KindGuard() {
        ScanDataKind::intensity = intensity_, ScanDataKind::absorbance = absorbance_;
        ScanDataKind::interference = interference_, ScanDataKind::fluorescence = fluorescence_;
    }

  private:
    bool intensity_ = ScanDataKind::intensity, absorbance_ = ScanDataKind::absorbance;
    bool interference_ = ScanDataKind::interference, fluorescence_ = ScanDataKind::fluorescence;
};

// One scan file read whole; the arrays are freed with it.
struct ReadScan {
    ScanHeader header;
    std::int32_t n = 0;
    float* radius = nullptr;
    float* value = nullptr;
    float* third = nullptr;
    bool ok = false;

    explicit ReadScan(const std::string& path) {
        ok = ReadScanFile(path.c_str(), &header, &n, &radius, &value, &third, nullptr, 0.0f) == 1;
    }
    ~ReadScan() {
        if (radius)
            free_vector(radius, 1, n);
        if (value)
            free_vector(value, 1, n);
        if (third)
            free_vector(third, 1, n);
    }
    ReadScan(const ReadScan&) = delete;
    ReadScan& operator=(const ReadScan&) = delete;
};

// A signal below the minimum or a deviation above the maximum between r min and r max (the
// scan's last point not looked at).
bool IsWeak(const ReadScan& s, const FluorescenceSortOptions& o) {
    int i = 1;
    while (i <= s.n && s.radius[i] < o.rMin)
        ++i;
    for (; i < s.n && s.radius[i] <= o.rMax; ++i) {
        if (s.value[i] < o.minimalSignal)
            return true;
        if (s.third != nullptr && s.third[i] > o.maximalNoise)
            return true;
    }
    return false;
}

// Copies source to target with the times of the header; false when the copy failed.
bool CopyWithTimes(const std::string& source, const std::string& target, const ScanHeader& h) {
    if (!plat::CopyFile(source, target, false))
        return false;
    plat::SetFileTimes(target, {h.creationTime, h.lastAccessTime, h.lastWriteTime});
    return true;
}

std::uintmax_t FileSize(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : size;
}

// Names of fluorescence scans of cells A and B as the detection system writes them.
bool LooksLikeScanName(const std::string& name) {
    std::string stem, extension;
    SplitName(name, stem, extension);
    return name.size() >= 2 && (name[0] == 'A' || name[0] == 'B') && name[1] == '0' &&
           extension.size() >= 2 && extension[1] == 'F';
}

} // namespace

SortedCopyName MakeSortedCopyName(const std::string& sourceFileName, const ScanHeader& header) {
    std::string stem, extension;
    SplitName(sourceFileName, stem, extension);
    if (stem.size() < 2)
        return {};
    char key[kLongestKey + 1];
    std::snprintf(key, sizeof key, "%s_%c_PMV%d_r%d_g%d", extension.c_str(), stem[0],
                  int(std::floor(header.voltage)), int(header.range), int(header.gain));
    return {stem.substr(1) + key, key};
}

int FluorescenceSortTable::FindOrAddKey(const std::string& key) {
    // Exact keys: gain 1 is not gain 10, nor a voltage of 60 one of 600.
    for (std::size_t k = 0; k < groups_.size(); ++k)
        if (groups_[k].key == key)
            return int(k) + 1;
    if (int(groups_.size()) >= kCapacity)
        return 0;
    groups_.push_back({key.substr(0, kLongestKey), {}, 0.0});
    return int(groups_.size());
}

std::string FluorescenceSortTable::Add(const std::string& path, const std::string& key, double time,
                                       double tMin, double step, double tMax) {
    if (!(time > tMin))
        return "";
    const int k = FindOrAddKey(key);
    if (k == 0)
        return "";
    Group& g = groups_[std::size_t(k) - 1];
    if (!g.paths.empty()) {
        if (g.lastTime + step >= time || time >= tMax)
            return "";
    } else if (++groupsHoldingFiles_ >= kCapacity) {
        return "\n\aAttention: too many iFileNameTalbes";
    }
    if (int(g.paths.size()) >= kCapacity)
        return "\n\aAttention: too many in iMaxFileNameTableSize";
    g.paths.push_back(path);
    g.lastTime = time;
    return "";
}

std::vector<std::string>
FluorescenceSortTable::WriteListFiles(std::vector<std::string>& errors) const {
    std::vector<std::string> written;
    for (const Group& g : groups_) {
        if (g.paths.empty())
            continue;
        std::string stem, extension;
        SplitName(FileName(g.paths.front()), stem, extension);
        const std::string folder = Folder(g.paths.front());
        const std::string list = (std::filesystem::path(folder) / ("list" + extension)).string();
        std::string text = "newformat n=1\n" + folder + "\n";
        for (const std::string& path : g.paths)
            text += FileName(path) + "\n";
        if (!plat::WriteFileAtomically(list, text)) {
            errors.push_back("\n\aAttention: could not open " + list);
            break;
        }
        written.push_back(list);
    }
    return written;
}

FluorescenceSortOutcome SortFluorescenceFolder(const std::string& folder,
                                               const FluorescenceSortOptions& o,
                                               const SortProgress& progress) {
    KindGuard kinds;
    FluorescenceSortOutcome out;
    const bool lists = o.makeLists && o.target > 0;
    const double step = lists ? (double(o.tMax) - double(o.tMin)) / o.target : 0.0;
    FluorescenceSortTable table;
    const std::string sorted = (std::filesystem::path(folder) / "sorted").string();
    plat::MakeDir(sorted);
    const std::vector<std::string> names = plat::FindFiles(folder, "*.*");
    const std::uintmax_t firstSize =
        names.empty() ? 0 : FileSize((std::filesystem::path(folder) / names.front()).string());
    for (const std::string& name : names) {
        const std::string source = (std::filesystem::path(folder) / name).string();
        if (2 * FileSize(source) <= firstSize || !LooksLikeScanName(name))
            continue;
        ReadScan scan(source);
        if (!scan.ok) {
            out.unreadable = source;
            return out;
        }
        if (scan.header.cell == o.excludedCell || (o.excludeWeak && IsWeak(scan, o)))
            continue;
        const SortedCopyName copy = MakeSortedCopyName(name, scan.header);
        const std::string target = (std::filesystem::path(sorted) / copy.name).string();
        if (progress)
            progress(target, scan.header.cell);
        if (!CopyWithTimes(source, target, scan.header)) {
            out.failedCopy = target;
            break;
        }
        ++out.copied;
        if (lists) {
            const std::string report =
                table.Add(target, copy.key, scan.header.time, o.tMin, step, o.tMax);
            if (!report.empty())
                out.reports.push_back(report);
        }
    }
    if (lists)
        out.lists = table.WriteListFiles(out.reports);
    return out;
}

FluorescenceSortOutcome SortScanFiles(const std::vector<std::string>& paths,
                                      const std::vector<ScanHeader>& headers) {
    FluorescenceSortOutcome out;
    for (std::size_t i = 0; i < paths.size() && i < headers.size(); ++i) {
        const std::filesystem::path source(paths[i]);
        const std::filesystem::path sorted = source.parent_path() / "sorted";
        plat::MakeDir(sorted.string());
        const SortedCopyName copy = MakeSortedCopyName(source.filename().string(), headers[i]);
        const std::string target = (sorted / copy.name).string();
        if (!CopyWithTimes(paths[i], target, headers[i])) {
            out.failedCopy = target;
            break;
        }
        ++out.copied;
    }
    return out;
}
