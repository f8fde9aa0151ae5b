// Time-stamp analysis: recorded elapsed times against file modification times, and the corrected
// "tcorr_" copies of the scans with their "list_corr".
#include "scandata/time_stamps.h"

#include "foundations/input_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/show_error.h"
#include "plat/atomic_file.hpp"
#include "plat/files.hpp"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_user_messages.h"
#include "state/preference_switches.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

namespace {

using S = ScanStore;
using P = ScanPaths;

constexpr double kSecondsFrom1601To1970 = 11644473600.0;

// The modification time of path in seconds since 1970; false when the file cannot be opened.
bool ModificationSeconds(const std::string& path, double* seconds) {
    plat::FileTimes times;
    if (!plat::FileReadable(path) || !plat::GetFileTimes(path, times))
        return false;
    *seconds = static_cast<double>(times.write) / 1e7 - kSecondsFrom1601To1970;
    return true;
}

// The C library's calendar text of a time, without its line end.
std::string CalendarText(double seconds) {
    std::time_t t = static_cast<std::time_t>(seconds);
    char text[64] = "";
    if (const char* c = std::ctime(&t))
        std::snprintf(text, sizeof text, "%s", c);
    std::size_t n = std::strlen(text);
    if (n > 0 && text[n - 1] == '\n')
        text[n - 1] = '\0';
    return text;
}

void CouldNotOpen(const std::string& path) {
    std::string text = "\n\aAttention: could not open " + path;
    ShowError(text.c_str(), 0);
}

std::string Format(const char* format, auto... values) {
    char buffer[1200];
    std::snprintf(buffer, sizeof buffer, format, values...);
    return buffer;
}

std::string ScanLine(int i, const std::string& time, double fileDelta, double recordedDelta,
                     double projection) {
    return Format("t%d = %s, \tdelta-t(%d-1) = %.1f sec, \t%.1f elapsed time difference recorded "
                  "in file; discrepancy = %.1f; [residual from OS projection = %f]\n",
                  i, time.c_str(), i, fileDelta, recordedDelta, fileDelta - recordedDelta,
                  projection - fileDelta);
}

// Writes the corrected copies "tcorr_<name>" of every scan in time order. The store itself is not
// changed: on success the caller reloads from the copies; on failure the copies written so far
// are removed again and false is returned.
bool WriteCorrectedCopies(double factor, bool manual, std::vector<std::string>& copies) {
    for (int j = 1; j <= S::scanCount; ++j) {
        int k = S::scanOrder[j];
        const std::string& entry = S::fileNames[static_cast<std::size_t>(j - 1)];
        std::string dir, name, ext;
        plat::SplitPath(entry, nullptr, &dir, &name, &ext);
        std::string copy = dir + "tcorr_" + name + ext;
        ScanHeader h = S::header[k];
        std::string description =
            Format(manual ? "[TIMESTAMP CORRECTED %f (manual)]" : "[TIMESTAMP CORRECTED %f]",
                   factor) +
            h.description;
        h.time *= factor;
        h.originalTime *= factor;
        h.readTime *= factor;
        h.omega2t *= factor;
        h.timeStampChecked = true;
        // Intensity scans go back in the file's column order.
        bool intensity = ScanDataKind::intensity && S::thirdColumn[k];
        const float* values = intensity ? S::thirdColumn[k] : S::signal[k];
        const float* third = intensity ? S::signal[k] : S::thirdColumn[k];
        // The header's own layout keeps a fractional wavelength of 'W' and 'V' scans.
        if (!ScanTimeStampTag(copy.c_str(), S::pointCount[k], S::radius[k], values, third,
                              description.c_str(), true, h)) {
            CouldNotOpen(copy);
            for (const std::string& written : copies)
                std::remove(written.c_str());
            copies.clear();
            return false;
        }
        copies.push_back(copy);
    }
    return true;
}

} // namespace

bool ReadTimeStampTag(bool* mixed) {
    if (mixed)
        *mixed = false;
    if (S::scanCount < 1)
        return true;
    if (ScanDataKind::fluorescence && gTimeStampThreshold > 1.001)
        return true;
    const ScanHeader& first = S::header[S::scanOrder[1]];
    const ScanHeader& last = S::header[S::scanOrder[S::scanCount]];
    if (mixed && first.timeStampChecked)
        for (int j = 2; j < S::scanCount; ++j)
            if (!S::header[S::scanOrder[j]].timeStampChecked)
                *mixed = true;
    return first.timeStampChecked && last.timeStampChecked;
}

double AnalyzeTimeStamps(bool showReport, bool* failed, double** recorded, double** file) {
    if (failed)
        *failed = false;
    int n = S::scanCount;
    if (n < 2)
        return 0.0;
    S::dataChanged = true;
    MakeTmpScanFileList(0);
    double* fileDelta = dvector(1, n);
    double* recordedDelta = dvector(1, n);
    double factor = 0.0;
    bool ok = true;
    double t1 = 0.0, tn = 0.0;
    if (!ModificationSeconds(S::fileNames[0], &t1)) {
        CouldNotOpen(S::fileNames[0]);
        ok = false;
    } else if (!ModificationSeconds(S::fileNames[static_cast<std::size_t>(n - 1)], &tn)) {
        CouldNotOpen(S::fileNames[static_cast<std::size_t>(n - 1)]);
        ok = false;
    }
    if (ok) {
        double first = S::header[S::scanOrder[1]].originalTime;
        fileDelta[n] = tn - t1;
        recordedDelta[n] = S::header[S::scanOrder[n]].originalTime - first;
        factor = recordedDelta[n] >= 60.0 ? fileDelta[n] / recordedDelta[n] : 0.0;
        std::string report = "t1 = " + CalendarText(t1) + "\n";
        int outliers = 0;
        for (int i = 2; i < n && ok; ++i) {
            const std::string& entry = S::fileNames[static_cast<std::size_t>(i - 1)];
            double ti = 0.0;
            if (!ModificationSeconds(entry, &ti)) {
                CouldNotOpen(entry);
                ok = false;
                break;
            }
            fileDelta[i] = ti - t1;
            recordedDelta[i] = S::header[S::scanOrder[i]].originalTime - first;
            double projection = factor > 0.0 ? factor * recordedDelta[i] : 0.0;
            bool outlier = factor > 0.0 && std::fabs(projection - fileDelta[i]) >= 60.0;
            if (outlier) {
                ++outliers;
                report += "OUTLIER " + entry + ": ";
            }
            report += ScanLine(i, CalendarText(ti), fileDelta[i], recordedDelta[i], projection);
        }
        if (ok && factor > gTimeStampThreshold) {
            report += ScanLine(n, CalendarText(tn), fileDelta[n], recordedDelta[n],
                               factor * recordedDelta[n]);
            if (outliers > 0)
                report += Format(
                    "\n\n--> attention - found %d files with odd time stamp (see above)", outliers);
            report +=
                Format("\n\n--> correction factor (delta-file timestamp/delta-recorded time) = %f",
                       factor);
            std::string path = P::gDataDrive + P::gDataDir + "timestampanalysis" + P::gDataExt;
            if (!plat::WriteFileAtomically(path, report + "\n")) {
                CouldNotOpen(path);
                ok = false;
            } else {
                if (showReport)
                    plat::OpenInTextEditor(path);
            }
        }
    }
    if (!ok) {
        factor = 0.0;
        if (failed)
            *failed = true;
    }
    if (recorded)
        *recorded = recordedDelta;
    else
        free_dvector(recordedDelta, 1, n);
    if (file)
        *file = fileDelta;
    else
        free_dvector(fileDelta, 1, n);
    FreeScanFileList();
    return factor;
}

int CheckTimeStamps(TXLAWindow* window) {
    if (S::equilibriumData) {
        for (int i = 1; i <= S::scanCount; ++i)
            S::header[i].timeStampChecked = true;
        return 0;
    }
    bool mixed = false;
    bool tagged = ReadTimeStampTag(&mixed);
    if (mixed) {
        // Correcting the untagged ones would scale tagged scans a second time.
        ShowError("Attention: some scans time corrected, others not", 0);
        return 0;
    }
    if (tagged || S::scanCount < 2)
        return 0;
    double factor = AnalyzeTimeStamps(true, nullptr, nullptr, nullptr);
    bool manual = false;
    if (factor <= 0.1) {
        if (!ScanQuestion(window,
                          "Attention: no time stamp information available - enter manually "
                          "(version# >= 6)?",
                          "CHECK TIME STAMP"))
            return 0;
        double rpm = S::header[S::scanOrder[S::scanCount]].rotorSpeed;
        float entered = 0.0f;
        float proposed = static_cast<float>(1.0 + 0.0091 * (rpm / 15000.0) * (rpm / 15000.0));
        if (!InputFloat(&entered, proposed, true, "dilation factor", "CHECK TIME STAMP"))
            return 0;
        factor = entered;
        manual = true;
    }
    if (!(factor > gTimeStampThreshold) ||
        !ScanQuestion(window, "save corrected files and reload?", "CHECK TIME STAMP"))
        return 0;
    MakeTmpScanFileList(0);
    std::vector<std::string> copies;
    if (!WriteCorrectedCopies(factor, manual, copies)) {
        FreeScanFileList();
        return 0;
    }
    S::fileNames = copies;
    if (!WriteListCorr()) {
        for (const std::string& written : copies)
            std::remove(written.c_str());
        FreeScanFileList();
        return 0;
    }
    return 1;
}
