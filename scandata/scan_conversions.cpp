// Conversions of the loaded scans into new scan files.
#include "scandata/scan_conversions.h"

#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/paths.hpp"
#include "scandata/common_grid.h"
#include "scandata/raw_data_set.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <set>
#include <vector>

namespace {

using S = ScanStore;
using P = ScanPaths;

std::string DataFolder() {
    return P::gDataDrive + P::gDataDir;
}

void SplitName(const std::string& fileName, std::string* name, std::string* ext) {
    plat::SplitPath(fileName, nullptr, nullptr, name, ext);
}

// The absorbance extension of an intensity scan's extension (".RI1" -> ".Ra1"): its third
// character, counting the dot, must be the intensity letter. Empty for any other extension.
std::string AbsorbanceExtension(std::string ext) {
    if (ext.size() < 3 || (ext[2] != 'i' && ext[2] != 'I'))
        return {};
    ext[2] = 'a';
    return ext;
}

// The absorbance letter of an intensity header: 'V' keeps its fractional wavelength as 'W'.
char AbsorbanceType(char type) {
    return type == 'V' ? 'W' : 'R';
}

// log10(numerator / value) for positive operands, else 10.0, the value the program writes for
// an opaque point.
float LogRatio(float numerator, float value) {
    return (numerator > 0.0f && value > 0.0f) ? static_cast<float>(std::log10(numerator / value))
                                              : 10.0f;
}

bool Write(const std::string& path, int n, const float* radius, const float* value,
           const float* third, const char* description, const ScanHeader& header) {
    if (ScanTimeStampTag(path.c_str(), n, radius, value, third, description,
                         header.timeStampChecked, header))
        return true;
    ReportUnwritable(path);
    return false;
}

// One pass of the pseudo-absorbance pair: log10(1000 / x) of the signal or of the reference,
// written under the scan's name with its first character replaced by letter.
bool PseudoAbsorbancePass(char letter, bool reference) {
    std::vector<float> values;
    for (int i = 1; i <= S::scanCount; ++i) {
        std::string name, ext;
        SplitName(S::scanFileName[i], &name, &ext);
        std::string absorbanceExt = AbsorbanceExtension(ext);
        if (absorbanceExt.empty())
            return true;
        if (!name.empty())
            name[0] = letter;
        const float* source = reference ? S::thirdColumn[i] : S::signal[i];
        int n = S::pointCount[i];
        values.assign(static_cast<std::size_t>(n) + 1, 10.0f);
        for (int k = 1; k <= n && source; ++k)
            values[k] = LogRatio(1000.0f, source[k]);
        ScanHeader h = S::header[i];
        h.dataType = AbsorbanceType(h.dataType);
        if (!Write(plat::MakePath("", DataFolder(), name, absorbanceExt), n, S::radius[i],
                   values.data(), nullptr, "", h))
            return false;
    }
    return true;
}

// Writes points [from, to] of scan i under prefix + its name in the data folder.
bool WriteChannel(int i, int from, int to, const char* prefix, const char* description) {
    std::string name, ext;
    SplitName(S::scanFileName[i], &name, &ext);
    const float* third =
        ScanDataKind::intensity && S::thirdColumn[i] ? S::thirdColumn[i] + from - 1 : nullptr;
    std::string path = plat::MakePath("", DataFolder(), prefix + name, ext);
    if (WriteScanPoints(path.c_str(), to - from + 1, S::radius[i] + from - 1,
                        S::signal[i] + from - 1, third, description, S::header[i]))
        return true;
    ReportUnwritable(path);
    return false;
}

// The first index of scan i from start on whose radius exceeds r; pointCount + 1 when none does.
int FirstBeyond(int i, int start, float r) {
    for (int k = start; k <= S::pointCount[i]; ++k)
        if (S::radius[i][k] > r)
            return k;
    return S::pointCount[i] + 1;
}

} // namespace

bool WriteAverageScan(const std::string& path) {
    if (S::scanCount < 1 || !S::gridRadius || !S::gridMeanSignal)
        return false;
    return Write(path, S::gridCount, S::gridRadius, S::gridMeanSignal, nullptr, "averaged",
                 S::header[1]);
}

bool SaveIntensityAsAbsorbance() {
    if (!ScanDataKind::intensity)
        return false;
    std::vector<float> absorbance;
    for (int i = 1; i <= S::scanCount; ++i) {
        std::string name, ext;
        SplitName(S::scanFileName[i], &name, &ext);
        std::string absorbanceExt = AbsorbanceExtension(ext);
        if (absorbanceExt.empty())
            break;
        int n = S::pointCount[i];
        // Beer-Lambert: I is the sample's intensity, I0 the reference's.
        absorbance.assign(static_cast<std::size_t>(n) + 1, 10.0f);
        for (int k = 1; k <= n && S::thirdColumn[i]; ++k)
            absorbance[k] = LogRatio(S::thirdColumn[i][k], S::signal[i][k]);
        ScanHeader h = S::header[i];
        h.dataType = AbsorbanceType(h.dataType);
        if (!Write(plat::MakePath("", DataFolder(), name, absorbanceExt), n, S::radius[i],
                   absorbance.data(), S::thirdColumn[i], "", h))
            return false;
    }
    PlayOkSound();
    return true;
}

bool SavePseudoAbsorbancePair() {
    if (!ScanDataKind::intensity)
        return false;
    if (!PseudoAbsorbancePass('S', false) || !PseudoAbsorbancePass('R', true))
        return false;
    PlayOkSound();
    return true;
}

bool CutSixChannelData(float cut1, float cut2) {
    if (S::scanCount < 1 || cut2 < cut1 || cut1 < S::radius[1][1] ||
        cut2 > S::radius[1][S::pointCount[1]])
        return false;
    char description[300];
    for (int i = 1; i <= S::scanCount; ++i) {
        int n = S::pointCount[i];
        if (cut1 < S::radius[i][1] || cut2 > S::radius[i][n])
            break;
        int m1 = FirstBeyond(i, 1, cut1);
        int m2 = FirstBeyond(i, m1, cut2);
        std::snprintf(description, sizeof description, "inner section of %s", S::scanFileName[i]);
        bool interference = ScanDataKind::interference;
        // The channels of interference scans are cut from scans aligned inside each channel.
        if (interference)
            AlignScansAtRadius(0.0f, (cut1 - 5.8f) / 2.0f + 5.8f);
        if (m1 > 1 && m1 <= n && !WriteChannel(i, 1, m1, "i", description))
            return false;
        if (interference)
            AlignScansAtRadius(0.0f, (cut2 - cut1) / 2.0f + cut1);
        if (n > m2 + 1 && !WriteChannel(i, m1, m2, "m", description))
            return false;
        if (interference)
            AlignScansAtRadius(0.0f, (7.2f - cut2) / 2.0f + cut2);
        if (n > m2 && !WriteChannel(i, m2, n, "o", description))
            return false;
    }
    PlayOkSound();
    return true;
}

double RotorStretchShift(double c, double rpm) {
    double k = 0.001 * rpm;
    return -c * k * k;
}

bool UndoRotorStretch(double c, const std::string& path, bool maintainField) {
    if (RefuseDlsData() || S::scanCount < 1)
        return false;
    // The stretch moves the whole cell outwards by c x (rpm/1000)^2; the field is kept at the
    // middle of scan 1's range.
    double rMid = (static_cast<double>(S::radius[1][1]) + S::radius[1][S::pointCount[1]]) / 2.0;
    std::string drive, dir;
    plat::SplitPath(path, &drive, &dir, nullptr, nullptr);
    std::string folder = drive + dir;
    std::vector<std::string> targets;
    std::set<std::string> seen;
    for (int i = 1; i <= S::scanCount; ++i) {
        std::string ext;
        SplitName(S::scanFileName[i], nullptr, &ext);
        char name[64];
        // The whole seconds as digits, also for a time beyond the integer range.
        std::snprintf(name, sizeof name, "%.0f", std::floor(S::header[i].originalTime) + 0.0);
        targets.push_back(plat::MakePath("", folder, name, ext));
        // Scans recorded within one second of each other would overwrite each other.
        if (!seen.insert(targets.back()).second) {
            std::string text =
                "file " + targets.back() + " would be written twice\nscans not saved";
            ShowError(text.c_str(), 0);
            return false;
        }
    }
    SetParameterPathInFolder(path);
    std::vector<float> shifted;
    for (int i = 1; i <= S::scanCount; ++i) {
        ScanHeader h = S::header[i];
        double shift = RotorStretchShift(c, h.rotorSpeed);
        double corrected = std::sqrt(rMid / (rMid + shift)) * h.rotorSpeed;
        char description[200];
        if (std::strlen(h.description) < 80)
            std::snprintf(description, sizeof description, "%s, shift %1.3f", h.description, shift);
        else
            std::snprintf(description, sizeof description, "%s", h.description);
        if (maintainField)
            h.rotorSpeed = static_cast<float>(std::floor(corrected));
        int n = S::pointCount[i];
        shifted.assign(static_cast<std::size_t>(n) + 1, 0.0f);
        for (int k = 1; k <= n; ++k)
            shifted[k] = static_cast<float>(S::radius[i][k] + shift);
        const float* third = ScanDataKind::intensity ? S::thirdColumn[i] : nullptr;
        const std::string& target = targets[static_cast<std::size_t>(i) - 1];
        if (!WriteScanPoints(target.c_str(), n, shifted.data(), S::signal[i], third, description,
                             h)) {
            ReportUnwritable(target);
            return false;
        }
    }
    if (maintainField && S::speedProfile && S::speedProfile->stepCount > 0) {
        // A copy is rescaled, so the profile the solver uses stays the recorded one.
        CRotorSpeedProfile rescaled;
        const CRotorSpeedProfile& p = *S::speedProfile;
        rescaled.SetSteps(p.stepCount, p.stepStart, p.stepSpeed, p.stepAcceleration);
        std::string profile = plat::MakePath("", folder, "speedsteps", ".txt");
        if (!rescaled.RescaleSpeeds(static_cast<float>(rMid), static_cast<float>(c),
                                    profile.c_str())) {
            ReportUnwritable(profile);
            return false;
        }
    }
    return true;
}
