// Sorting equilibrium scans to disk, with the questions on attained equilibrium.
#include "equilibrium/eq_data_sorting.h"

#include "foundations/notice_boxes.h"
#include "foundations/nr_arrays.h"
#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/atomic_file.hpp"
#include "plat/paths.hpp"
#include "scandata/equilibrium_scans.h"
#include "scandata/raw_data_set.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

constexpr int kMaxGroups = 200;
constexpr int kMaxSpeeds = 10;

int PrefixOffset(char c) {
    return c == 'i' ? 10000 : c == 'm' ? 20000 : c == 'o' ? 30000 : -1;
}

char FirstLetter(int i) {
    return S::scanFileName[i] ? S::scanFileName[i][0] : '\0';
}

bool IsIntensityType(char type) {
    return type == 'I' || type == 'V';
}

// The values of scan i as absorbance: intensity scans as log10(reference / sample), 10.0 where
// either is not positive; other scans as they are.
std::vector<float> AbsorbanceValues(int i) {
    int n = S::pointCount[i];
    std::vector<float> v(static_cast<std::size_t>(n) + 1, 0.0f);
    bool intensity = IsIntensityType(S::header[i].dataType) && S::thirdColumn[i];
    for (int k = 1; k <= n; ++k) {
        float signal = S::signal[i][k];
        if (!intensity)
            v[k] = signal;
        else
            v[k] = (signal > 0.0f && S::thirdColumn[i][k] > 0.0f)
                       ? static_cast<float>(std::log10(S::thirdColumn[i][k] / signal))
                       : 10.0f;
    }
    return v;
}

// The fit range of scan i, the whole scan where it is unset.
void FitRangeOf(int i, int& first, int& last) {
    first = S::firstFitIndex && S::firstFitIndex[i] > 0 ? S::firstFitIndex[i] : 1;
    last = S::lastFitIndex && S::lastFitIndex[i] > 0 ? S::lastFitIndex[i] : S::pointCount[i];
}

// One curve in the window's auxiliary plot, shown at the next paint.
void ShowAuxCurve(TXLAWindow* window, const std::vector<float>& x, const std::vector<float>& y,
                  const char* xTitle, const char* yTitle, int style, bool timeCourse) {
    WindowServices::ShowAuxCurve(x, y, xTitle, yTitle, style, timeCourse);
    if (window)
        WindowServices::RequestRepaint(window);
}

void ShowScan(TXLAWindow* window, int latest) {
    int first = 1, last = 1;
    FitRangeOf(latest, first, last);
    std::vector<float> values = AbsorbanceValues(latest), x, y;
    for (int k = first; k <= last; ++k) {
        x.push_back(S::radius[latest][k]);
        y.push_back(values[static_cast<std::size_t>(k)]);
    }
    ShowAuxCurve(window, x, y, "radius", "signal", -1, false);
}

bool Ask(TXLAWindow* window, const std::string& text) {
    PlayInfoSound();
    return AskYesOrNo(window, text.c_str(), "EQ Test");
}

std::string Format(const char* format, double a, double b) {
    char text[300];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

// A blank scan for subtraction: its points and wavelength.
struct Blank {
    bool loaded = false;
    std::int32_t n = 0;
    std::vector<float> radius, value;
    float wavelength = 0.0f;
};

Blank ReadBlank(const std::string& path) {
    Blank blank;
    if (path.empty())
        return blank;
    bool kinds[4] = {ScanDataKind::intensity, ScanDataKind::absorbance, ScanDataKind::interference,
                     ScanDataKind::fluorescence};
    ScanHeader h;
    float *r = nullptr, *v = nullptr, *t = nullptr;
    int read = ReadScanFile(path.c_str(), &h, &blank.n, &r, &v, &t, nullptr, 0.0f);
    // Reading sets the data-kind switches; they describe the loaded scans, not the blank.
    ScanDataKind::intensity = kinds[0];
    ScanDataKind::absorbance = kinds[1];
    ScanDataKind::interference = kinds[2];
    ScanDataKind::fluorescence = kinds[3];
    if (!read) {
        ShowError("LOAD ERROR in blank", 0);
        return blank;
    }
    std::string ext;
    plat::SplitPath(path, nullptr, nullptr, nullptr, &ext);
    bool intensity = ext.size() > 2 && (ext[2] == 'i' || ext[2] == 'I');
    blank.radius.assign(r, r + blank.n + 1);
    blank.value.assign(v, v + blank.n + 1);
    for (int k = 1; k <= blank.n && intensity && t; ++k)
        if (v[k] > 0.0f && t[k] > 0.0f)
            blank.value[static_cast<std::size_t>(k)] = static_cast<float>(std::log10(t[k] / v[k]));
    blank.wavelength = h.wavelength;
    blank.loaded = true;
    free_vector(r, 1, blank.n);
    free_vector(v, 1, blank.n);
    if (t)
        free_vector(t, 1, blank.n);
    return blank;
}

// The experiment file of one group, listing the files written for it.
bool WriteXpFile(const std::string& path, const std::string& nameList, int fileCount,
                 bool noiseFits, float density, float vbar, float extinctionA, float extinctionB,
                 float extinctionC) {
    plat::AtomicFile out(path);
    std::FILE* f = out.file();
    if (!f)
        return false;
    auto line = [f](const char* format, double v) { std::fprintf(f, format, v); };
    auto integer = [f](const char* format, int v) { std::fprintf(f, format, v); };
    std::fputs(fileCount > 1 ? "4 (ExperimentType: MULTISEDEQ)\n"
                             : "3 (ExperimentType: SEDEQUILIBRIUM)\n",
               f);
    std::fputs("(exported xp file from TARNIX)\n", f);
    std::fputs(nameList.c_str(), f);
    line("%f (fBufferDensity)\n", density);
    line("%f (fBufferViscosity)\n", 0.001002);
    line("%f (VBAR)\n", vbar);
    line("%f (Meniscus)\n", ModelParameters::meniscus);
    line("%f (Bottom)\n", ModelParameters::bottom);
    for (const char* key : {"MAXMENISCUS", "MINMENISCUS", "MAXBOTTOM", "MINBOTTOM"})
        std::fprintf(f, "%f (%s)\n", 0.0, key);
    line("%f (FitLeftLim)\n", S::leftFitLimit);
    line("%f (FitRightLim)\n", S::rightFitLimit);
    line("%f (WeightExperiment)\n", 1.0);
    line("%f (ExperimentalNoise)\n", 0.005);
    integer("%d (blocalFitTimeIndepNoise)\n", noiseFits);
    integer("%d (blocalFitRINoise)\n", noiseFits);
    integer("%d (blocalAutoVaryBaseline)\n", 1);
    for (const char* key : {"blocalVaryBottom", "blocalVaryMeniscus", "blocalVaryMeniscusWarned"})
        std::fprintf(f, "%d (%s)\n", 0, key);
    line("%f (xBaseline)\n", 0.0);
    std::fputs("1.00000 (xConcentrationFactor)\n", f);
    line("%f (xExtinctionCoeffA)\n", extinctionA);
    integer("%d (bVaryExtinctionCoeffA)\n", 0);
    line("%f (xExtinctionCoeffB)\n", extinctionB);
    integer("%d (bVaryExtinctionCoeffB)\n", 0);
    integer("%d (Centerpiece)\n", 2);
    for (int k = 1; k <= 4; ++k)
        integer("1.000000e-6 (pLocalConcentrations[%d])\n", k);
    integer("%d (NFILES)\n", fileCount);
    std::fputs("0 (ppMultiLocalConcentrations)\n", f);
    line("%f (global VBAR20)\n", vbar);
    line("%f (global HYDRATION)\n", 0.3);
    line("%f (pathlength)\n", 1.2);
    integer("%d (rotor type: ", 8);
    std::fputs(" EIGHTHOLE)\n", f);
    integer("%d (correct for rotor stretch in TI noise)\n", 0);
    integer("%d (correct for rotor stretch in mass balance)\n", 0);
    integer("%d (sets of extra parameters follow)\n", 3);
    for (int k = 1; k <= 3; ++k)
        integer("0.000000e+00 (pLocalExtraConcs[%d])\n", k);
    for (int k = 1; k <= fileCount; ++k)
        for (int c = 1; c <= 3; ++c)
            std::fprintf(f, "0.000000e+00 (ppMultiLocalExtraConcs[%d][%d])\n", k, c);
    integer("%d (bContainsNoBackdiffusion)\n", 0);
    integer("%d (bSwIsothermAInvisible)\n", 0);
    line("%f (xExtinctionCoeffC)\n", extinctionC);
    integer("%d (bVaryExtinctionCoeffC)\n", 0);
    for (const char* key :
         {"bPartialBoundaryFit", "PBFsmin", "PBFsmax", "bITCLocalIncompA", "bITCLocalIncompB",
          "bITCLocalIncompC", "FitITCLocalIncompA", "FitITCLocalIncompB", "FitITCLocalIncompC",
          "ITCLocalIncompA", "ITCLocalIncompB", "ITCLocalIncompC", "FitITCBaselineSlope",
          "ITCBaselineSlope", "ITCLocalMaxIncomp"})
        std::fprintf(f, "%d (%s)\n", 0, key);
    std::fputs("-1 (Temperature)\n", f);
    return out.Commit();
}

} // namespace

std::vector<EqGroup> GroupEquilibriumScans(float tolerance, int* leftOut) {
    std::vector<EqGroup> groups;
    int outside = 0;
    // A scan belongs to the first group whose window holds it; any other scan opens a group.
    // Deciding by the group key alone (floor of the wavelength, within the tolerance) would skip
    // scans that lie in no group's strict wavelength window, such as 279.5 nm beside 284.6 nm.
    std::vector<bool> grouped(static_cast<std::size_t>(S::scanCount) + 1, false);
    bool prefixMode = false;
    for (int i = 1; i <= S::scanCount; ++i) {
        if (PrefixOffset(FirstLetter(i)) >= 0)
            prefixMode = true;
        if (grouped[static_cast<std::size_t>(i)] || static_cast<int>(groups.size()) >= kMaxGroups)
            continue;
        const ScanHeader& hi = S::header[i];
        float wl = hi.wavelength;
        EqGroup group;
        group.first = i;
        group.wavelength = wl;
        group.prefix = prefixMode ? FirstLetter(i) : 0;
        std::vector<int> members;
        for (int j = i; j <= S::scanCount; ++j)
            if (!grouped[static_cast<std::size_t>(j)] && S::header[j].cell == hi.cell &&
                (!prefixMode || FirstLetter(j) == FirstLetter(i)) &&
                S::header[j].wavelength > wl - tolerance &&
                S::header[j].wavelength < wl + tolerance) {
                members.push_back(j);
                grouped[static_cast<std::size_t>(j)] = true;
            }
        // Speeds are compared exactly as stored: a truncated table would open a new, overlapping
        // series for every scan of a speed that is not a whole number of rpm.
        std::vector<float> speeds;
        for (std::size_t a = 0; a < members.size(); ++a) {
            int j = members[a];
            float rpm = S::header[j].rotorSpeed;
            if (std::find(speeds.begin(), speeds.end(), rpm) != speeds.end())
                continue;
            if (static_cast<int>(speeds.size()) >= kMaxSpeeds) {
                ++outside;
                continue;
            }
            speeds.push_back(rpm);
            EqSeries series;
            series.latest = j;
            for (std::size_t b = a; b < members.size(); ++b) {
                int k = members[b];
                if (S::header[k].rotorSpeed != rpm)
                    continue;
                series.members.push_back(k);
                if (S::header[k].time > std::trunc(S::header[series.latest].time))
                    series.latest = k;
            }
            group.series.push_back(series);
        }
        groups.push_back(group);
    }
    for (int i = 1; i <= S::scanCount; ++i)
        outside += grouped[static_cast<std::size_t>(i)] ? 0 : 1;
    if (leftOut)
        *leftOut = outside;
    return groups;
}

bool AskEquilibriumAttained(TXLAWindow* window, const EqSeries& series) {
    int latest = series.latest;
    const ScanHeader& h = S::header[latest];
    double wl = h.wavelength, rpm = h.rotorSpeed;
    std::vector<int> earlier;
    for (int m : series.members)
        if (m != latest)
            earlier.push_back(m);
    if (earlier.empty()) {
        ShowScan(window, latest);
        return Ask(window, Format("accept EQ scan at %.0f nm and %.0f rpm to be included? (no "
                                  "time-course available)",
                                  wl, rpm));
    }
    std::stable_sort(earlier.begin(), earlier.end(),
                     [](int a, int b) { return S::header[a].time < S::header[b].time; });
    std::vector<float> time, rmsd;
    for (int m : earlier) {
        time.push_back(static_cast<float>(S::header[m].time));
        rmsd.push_back(ScanRmsdDifference(m, latest));
    }
    ShowAuxCurve(window, time, rmsd, "elapsed time (sec)", "rmsd difference", 6, true);
    if (!Ask(window, Format("was equilibrium attained at %.0f nm and %.0f rpm?", wl, rpm)))
        return false;
    ShowScan(window, latest);
    return Ask(window, Format("accept EQ scan at %.0f nm and %.0f rpm to be included? ", wl, rpm));
}

void SortEqDataToDisk(TXLAWindow* window, const std::string& targetPath,
                      const std::string& blankPath, float tolerance, bool makeXp, float density,
                      float vbar, float extinctionA, float extinctionB, float extinctionC) {
    if (S::scanCount < 1)
        return;
    Blank blank = ReadBlank(blankPath);
    std::string drive, dir;
    plat::SplitPath(targetPath, &drive, &dir, nullptr, nullptr);
    std::string folder = drive + dir;
    char text[400];
    std::vector<std::string> written; // names of the files this sort wrote
    int leftOut = 0;
    const std::vector<EqGroup> groups = GroupEquilibriumScans(tolerance, &leftOut);
    if (leftOut > 0) {
        std::snprintf(text, sizeof text,
                      "%d scans are not sorted: at most %d groups of cell and wavelength with %d "
                      "speeds each are written",
                      leftOut, kMaxGroups, kMaxSpeeds);
        ShowNotice(window, text, "ATTENTION");
    }
    for (const EqGroup& group : groups) {
        double wl = group.wavelength;
        int cell = S::header[group.first].cell;
        int fileCount = 0;
        bool lastInterference = false;
        std::string nameList = "\"" + folder + "\" \"";
        for (const EqSeries& series : group.series) {
            if (!AskEquilibriumAttained(window, series))
                continue;
            int L = series.latest;
            ScanHeader h = S::header[L];
            // "%.0f" of the whole thousands: the same text as an integer, for any speed.
            double krpm = std::floor(h.rotorSpeed * 0.001) + 0.0; // + 0.0: no "-0"
            if (group.prefix)
                std::snprintf(text, sizeof text, "%c_eq%.0fk_%.0f", group.prefix, krpm, wl);
            else
                std::snprintf(text, sizeof text, "eq%.0fk_%.0f", krpm, wl);
            std::string base = text, ext;
            plat::SplitPath(S::scanFileName[L], nullptr, nullptr, nullptr, &ext);
            bool intensity = IsIntensityType(h.dataType);
            if (intensity && ext.size() > 2)
                ext[2] = 'a';
            // Two speeds of one thousand (12000 and 12001 rpm, 10000 and 10500 rpm) would share
            // the name: the later one would replace the earlier file and be listed twice. It
            // takes its full speed instead.
            if (std::find(written.begin(), written.end(), base + ext) != written.end()) {
                const double rpm = std::floor(h.rotorSpeed) + 0.0;
                if (group.prefix)
                    std::snprintf(text, sizeof text, "%c_eq%.0frpm_%.0f", group.prefix, rpm, wl);
                else
                    std::snprintf(text, sizeof text, "eq%.0frpm_%.0f", rpm, wl);
                base = text;
            }
            written.push_back(base + ext);
            std::vector<float> values = AbsorbanceValues(L);
            int n = S::pointCount[L];
            if (blank.loaded && std::fabs(blank.wavelength - wl) < tolerance) {
                std::vector<float> resampled(static_cast<std::size_t>(n) + 1, 0.0f);
                ResampleCurve(n, S::radius[L], resampled.data(), blank.n, blank.radius.data(),
                              blank.value.data());
                for (int k = 1; k <= n; ++k)
                    values[static_cast<std::size_t>(k)] -= resampled[static_cast<std::size_t>(k)];
            }
            if (intensity)
                h.dataType = h.dataType == 'V' ? 'W' : 'R';
            std::string path = plat::MakePath("", folder, base, ext);
            if (!ScanTimeStampTag(path.c_str(), n, S::radius[L], values.data(),
                                  intensity ? S::thirdColumn[L] : nullptr, S::scanFileName[L], true,
                                  h)) {
                ReportUnwritable(path);
                continue;
            }
            lastInterference = h.dataType == 'P';
            ++fileCount;
            nameList += " " + base + ext;
        }
        if (!makeXp || fileCount == 0)
            continue;
        nameList += "\"\n";
        bool interferenceName = wl == 675.0 || wl == 660.0;
        double whole = std::floor(wl) + 0.0;
        std::string prefix = group.prefix ? std::string(1, group.prefix) + "_" : std::string();
        if (interferenceName)
            std::snprintf(text, sizeof text, "%scell%d_IF", prefix.c_str(), cell);
        else
            std::snprintf(text, sizeof text, "%scell%d_%.0f", prefix.c_str(), cell, whole);
        std::string xpPath = plat::MakePath("", folder, text, ".xp");
        if (!WriteXpFile(xpPath, nameList, fileCount, fileCount >= 2 && lastInterference, density,
                         vbar, extinctionA, extinctionB, extinctionC)) {
            PlayErrorSound();
            std::string message = "could not open " + xpPath;
            ShowNotice(window, message.c_str(), "ERROR");
        }
    }
    if (window)
        WindowServices::RequestRepaint(window);
}
