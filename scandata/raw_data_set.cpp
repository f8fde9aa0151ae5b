// Saving and copying the loaded scans as a new data set, and writing one edited scan.
#include "scandata/raw_data_set.h"

#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace {

using S = ScanStore;

std::string FolderOf(const std::string& path) {
    std::string drive, dir;
    plat::SplitPath(path, &drive, &dir, nullptr, nullptr);
    return drive + dir;
}

void SplitName(const std::string& fileName, std::string& name, std::string& ext) {
    plat::SplitPath(fileName, nullptr, nullptr, &name, &ext);
}

// A whole number from a float, the fraction dropped; 0 for values no int holds.
int WholeInt(double v) {
    double t = std::floor(v);
    return (t >= -2147483648.0 && t <= 2147483647.0) ? static_cast<int>(t) : 0;
}

// Characters [from, from + count) of text, fewer when it is shorter.
std::string Characters(const std::string& text, std::size_t from, std::size_t count) {
    return from < text.size() ? text.substr(from, count) : std::string();
}

} // namespace

bool RefuseDlsData() {
    if (!gDlsData)
        return false;
    PlayInfoSound();
    MessageBox(nullptr, "not implemented for DLS data", "ERROR", MB_OK);
    return true;
}

void SetParameterPathInFolder(const std::string& path) {
    if (S::scanCount < 1)
        return;
    std::string name, ext;
    SplitName(S::scanFileName[S::scanOrder[1]], name, ext);
    std::string folder = FolderOf(path);
    ScanPaths::gDataPath = gOldFilenameConvention ? plat::MakePath("", folder, name, ".~p")
                                                  : plat::MakePath("", folder, "~tmppars", ext);
}

int WriteScanPoints(const char* path, std::int32_t n, const float* radius, const float* signal,
                    const float* third, const char* description, const ScanHeader& header) {
    if (third && ScanDataKind::intensity)
        return ScanTimeStampTag(path, n, radius, third, signal, description,
                                header.timeStampChecked, header);
    return ScanTimeStampTag(path, n, radius, signal, third, description, header.timeStampChecked,
                            header);
}

int WriteLoadedScan(const char* path, int i, const char* description) {
    // A standard-deviation column of absorbance scans is kept too: a copy drops nothing.
    return WriteScanPoints(path, S::pointCount[i], S::radius[i], S::signal[i], S::thirdColumn[i],
                           description, S::header[i]);
}

void ReportUnwritable(const std::string& path, const char* consequence) {
    std::string text = "\n\aAttention: could not open " + path;
    if (consequence)
        text += std::string("\n") + consequence;
    ShowError(text.c_str(), 0);
}

bool CopyRawDataSet(const std::string& path) {
    if (RefuseDlsData() || S::scanCount < 1)
        return false;
    SetParameterPathInFolder(path);
    std::string folder = FolderOf(path), prefix;
    plat::SplitPath(path, nullptr, nullptr, &prefix, nullptr);
    for (int i = 1; i <= S::scanCount; ++i) {
        std::string name, ext;
        SplitName(S::scanFileName[i], name, ext);
        std::string target = plat::MakePath("", folder, prefix + name, ext);
        // A copy keeps each scan's own line 1: it holds the meniscus mark and, for fluorescence
        // scans, voltage, gain and range, which an empty line would lose.
        if (!WriteLoadedScan(target.c_str(), i, nullptr)) {
            ReportUnwritable(target);
            return false;
        }
    }
    return true;
}

std::string SpeedWavelengthName(const std::string& fileName, const ScanHeader& h) {
    int k = WholeInt(static_cast<double>(h.rotorSpeed) * 0.001);
    bool corrected = Characters(fileName, 1, 3) == "cor";
    std::string number = Characters(fileName, corrected ? 8 : 2, 3);
    char c = fileName.empty() ? ' ' : fileName[0];
    bool fractional = h.dataType == 'W';
    int w = fractional ? WholeInt(static_cast<double>(h.wavelength) * 1000.0)
                       : WholeInt(static_cast<double>(h.wavelength));
    char text[300];
    if (corrected)
        std::snprintf(text, sizeof text, fractional ? "%ccorr_%dk%04d_%s" : "%ccorr_%dk%03d_%s", c,
                      k, w, number.c_str());
    else
        std::snprintf(text, sizeof text, fractional ? "%dk%04d_%c%s" : "%dk%03d_%c%s", k, w, c,
                      number.c_str());
    return text;
}

bool SaveRawDataSet(const std::string& path) {
    if (RefuseDlsData() || S::scanCount < 1)
        return false;
    SetParameterPathInFolder(path);
    std::string folder = FolderOf(path);
    std::vector<std::string> targets;
    std::set<std::string> seen;
    for (int i = 1; i <= S::scanCount; ++i) {
        std::string name, ext;
        SplitName(S::scanFileName[i], name, ext);
        targets.push_back(
            plat::MakePath("", folder, SpeedWavelengthName(S::scanFileName[i], S::header[i]), ext));
        // Two scans of one speed, wavelength and number would overwrite each other.
        if (!seen.insert(targets.back()).second) {
            std::string text =
                "file " + targets.back() + " would be written twice\nraw data set not saved";
            ShowError(text.c_str(), 0);
            return false;
        }
    }
    for (int i = 1; i <= S::scanCount; ++i) {
        const std::string& target = targets[static_cast<std::size_t>(i) - 1];
        if (!WriteLoadedScan(target.c_str(), i, nullptr)) {
            ReportUnwritable(target);
            return false;
        }
    }
    return true;
}

void SaveModifiedScans(int s, int p, bool keepName) {
    if (s < 1 || s > S::scanCount || p < 1 || p > S::pointCount[s])
        return;
    int position = 0;
    for (int k = 1; k <= S::scanCount; ++k)
        if (S::scanOrder[k] == s)
            position = k;
    // Without a list entry there is no file to write to.
    if (position < 1 || position > static_cast<int>(S::fileNames.size()))
        return;
    const ScanHeader& h = S::header[s];
    char description[400];
    if (std::strlen(h.description) < 50)
        std::snprintf(description, sizeof description, "%s_modified from %s", h.description,
                      S::scanFileName[s]);
    else
        std::snprintf(description, sizeof description, "_modified from %s", S::scanFileName[s]);
    std::string& entry = S::fileNames[static_cast<std::size_t>(position) - 1];
    if (!keepName) {
        std::string name, ext;
        SplitName(S::scanFileName[s], name, ext);
        std::string renamed = name + "_mod" + ext;
        std::snprintf(S::scanFileName[s], 260, "%s", renamed.c_str());
        entry = FolderOf(entry) + renamed;
    }
    int n = S::pointCount[s];
    const float* third = S::thirdColumn[s];
    std::vector<float> r(1), v(1), t(1);
    for (int k = 1; k <= n; ++k) {
        if (k == p)
            continue;
        r.push_back(S::radius[s][k]);
        v.push_back(S::signal[s][k]);
        t.push_back(third ? third[k] : 0.0f);
    }
    if (!WriteScanPoints(entry.c_str(), n - 1, r.data(), v.data(), third ? t.data() : nullptr,
                         description, h))
        ReportUnwritable(entry);
}
