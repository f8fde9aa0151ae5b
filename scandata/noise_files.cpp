// The fitted systematic noise as files: time-invariant noise as a scan file on the grid,
// radially invariant noise against time, and an equilibrium scan corrected by the former.
#include "foundations/ccurve.h"
#include "foundations/key_polling.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/result_files.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

// Light-scattering data have no grid noise; said with the info sound.
bool RefuseDls() {
    if (!gDlsData)
        return false;
    PlayInfoSound();
    MessageBox(nullptr, "not implemented for DLS data", "ERROR", MB_OK);
    return true;
}

bool GridNoiseAvailable() {
    return S::scanCount >= 1 && S::gridRadius && S::tiNoise && S::tiNoiseRemoved &&
           S::gridFirstFit >= 1 && S::gridLastFit >= S::gridFirstFit &&
           S::gridLastFit <= S::gridCount;
}

// The single-file overwrite question; No says "file not saved".
bool MayOverwriteOne(const std::string& file) {
    if (!FileExists(file.c_str()))
        return true;
    PlayInfoSound();
    std::string text = "file " + file + " already exists!\nOverwrite?";
    if (MessageBox(nullptr, text.c_str(), "ERROR", MB_YESNO) == IDYES)
        return true;
    MessageBox(nullptr, "file not saved", "ERROR", MB_OK);
    return false;
}

void CouldNotWrite(const std::string& file) {
    std::string text = "\n\aAttention: could not open " + file;
    ShowError(text.c_str(), 0);
}

std::string ExtensionOf(const std::string& path) {
    std::string ext;
    plat::SplitPath(path, nullptr, nullptr, nullptr, &ext);
    return ext;
}

// The chosen folder and name with scan 1's extension.
std::string NoiseFileName(const std::string& chosenPath) {
    std::string drive, dir, name;
    plat::SplitPath(chosenPath, &drive, &dir, &name, nullptr);
    return plat::MakePath(drive, dir, name, ExtensionOf(S::scanFileName[1]));
}

// Total time-invariant noise at every grid point: what is still fitted plus what was moved
// into the data.
std::vector<float> TotalTiNoise() {
    std::vector<float> total(static_cast<std::size_t>(S::gridCount) + 1, 0.0f);
    for (int g = 1; g <= S::gridCount; ++g)
        total[g] = S::tiNoise[g] + S::tiNoiseRemoved[g];
    return total;
}

// Keeps the data-kind switches of the loaded scans while another scan file is read.
class DataKindGuard {
  public:
    DataKindGuard()
        : intensity_(ScanDataKind::intensity), absorbance_(ScanDataKind::absorbance),
          interference_(ScanDataKind::interference), fluorescence_(ScanDataKind::fluorescence),
          electrophoresis_(ScanDataKind::electrophoresis) {}
    ~DataKindGuard() {
        ScanDataKind::intensity = intensity_;
        ScanDataKind::absorbance = absorbance_;
        ScanDataKind::interference = interference_;
        ScanDataKind::fluorescence = fluorescence_;
        ScanDataKind::electrophoresis = electrophoresis_;
    }
    DataKindGuard(const DataKindGuard&) = delete;
    DataKindGuard& operator=(const DataKindGuard&) = delete;

  private:
    bool intensity_, absorbance_, interference_, fluorescence_, electrophoresis_;
};

// One scan file read into arrays the object owns.
struct ReadScan {
    ScanHeader header;
    std::int32_t count = 0;
    float* radius = nullptr;
    float* value = nullptr;
    float* third = nullptr;
    bool intensity = false; // the file held intensity data

    ReadScan() = default;
    ReadScan(const ReadScan&) = delete;
    ReadScan& operator=(const ReadScan&) = delete;
    ~ReadScan() {
        if (radius)
            free_vector(radius, 1, count);
        if (value)
            free_vector(value, 1, count);
        if (third)
            free_vector(third, 1, count);
    }
    bool Read(const char* path) {
        DataKindGuard keep;
        if (!ReadScanFile(path, &header, &count, &radius, &value, &third, nullptr, 0.0f))
            return false;
        intensity = ScanDataKind::intensity;
        return true;
    }
};

} // namespace

bool SaveTINoiseFile(const char* path) {
    if (!ModelChoice::fitTINoise || !path || RefuseDls() || !GridNoiseAvailable())
        return false;
    std::string file = NoiseFileName(path);
    if (gOldFilenameConvention) {
        // Scan 1's name with the chosen extension, in the chosen folder (not the process's
        // current folder, where nobody would look for it).
        std::string drive, dir, scanName;
        plat::SplitPath(path, &drive, &dir, nullptr, nullptr);
        plat::SplitPath(S::scanFileName[1], nullptr, nullptr, &scanName, nullptr);
        file = plat::MakePath(drive, dir, scanName, ExtensionOf(path));
    }
    const std::vector<float> total = TotalTiNoise();
    const int first = S::gridFirstFit;
    const int n = S::gridLastFit - first + 1;
    if (!MayOverwriteOne(file))
        return false;
    if (!ScanTimeStampTag(file.c_str(), n, S::gridRadius + first - 1, total.data() + first - 1,
                          nullptr, "time-independent noise ", S::header[1].timeStampChecked,
                          S::header[1])) {
        CouldNotWrite(file);
        return false;
    }
    return true;
}

bool SaveNoiseFile(const char* path) {
    if (!ModelChoice::fitRINoise || !path || RefuseDls() || S::scanCount < 1 || !S::riNoise)
        return false;
    const std::string file = NoiseFileName(path);
    std::vector<float> time(static_cast<std::size_t>(S::scanCount) + 1, 0.0f);
    std::vector<float> noise(static_cast<std::size_t>(S::scanCount) + 1, 0.0f);
    for (int o = 1; o <= S::scanCount; ++o) {
        const int k = S::scanOrder[o];
        time[o] = static_cast<float>(S::header[k].originalTime);
        noise[o] = S::riNoise[k];
    }
    if (!MayOverwriteOne(file))
        return false;
    WriteXY(file.c_str(), S::scanCount, time.data(), noise.data());
    return FileExists(file.c_str());
}

bool SubtractNoiseFromEqData(TXLAWindow* window, const char* eqScanPath, const char* targetPath) {
    (void)window;
    if (!ModelChoice::fitTINoise || !eqScanPath || !targetPath || RefuseDls() ||
        !GridNoiseAvailable())
        return false;
    ReadScan scan;
    if (!scan.Read(eqScanPath)) {
        PlayInfoSound();
        MessageBox(nullptr, eqScanPath, "LOAD ERROR", MB_OK);
        return false;
    }
    if (scan.intensity && scan.third)
        for (int i = 1; i <= scan.count; ++i)
            if (scan.third[i] > 0.0f && scan.value[i] > 0.0f)
                scan.value[i] = std::log10(scan.third[i] / scan.value[i]);

    const std::vector<float> total = TotalTiNoise();
    std::vector<float> noise(static_cast<std::size_t>(scan.count) + 1, 0.0f);
    ResampleCurve(scan.count, scan.radius, noise.data(), S::gridCount, S::gridRadius, total.data());
    int first = 1;
    while (first <= scan.count && scan.radius[first] < S::gridRadius[S::gridFirstFit])
        ++first;
    int last = scan.count;
    while (last >= 1 && scan.radius[last] > S::gridRadius[S::gridLastFit])
        --last;
    const int n = last - first + 1;
    if (n < 1)
        return false; // the file lies outside the fitted grid range: nothing to correct
    std::vector<float> corrected(static_cast<std::size_t>(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i)
        corrected[i] = scan.value[first + i - 1] - noise[first + i - 1];
    if (!ScanTimeStampTag(targetPath, n, scan.radius + first - 1, corrected.data(), nullptr,
                          "time-independent noise corrected file ", true, scan.header)) {
        CouldNotWrite(targetPath);
        return false;
    }
    return true;
}
