// The experiment file writer: one value per line with its key in parentheses, as the sibling
// analysis program and ReadXpExperiment read it.
#include "app/experiment_file.h"
#include "app/txla_window.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "foundations/sounds.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file_list.h"
#include "scandata/scan_store_alloc.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/serial_fit_state.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using M = ModelParameters;

constexpr float kWaterViscosityCp = 1.002f;
constexpr const char* kTitle = "make MIROVAN xp file";

// The description's leading run of letters, digits and " \\#_/:,."; empty below 2 characters.
std::string CleanDescription(const char* text) {
    std::string out;
    for (const char* p = text; *p && out.size() < 100; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (!std::isalnum(c) && !std::strchr(" \\#_/:,.", c))
            break;
        out += static_cast<char>(c);
    }
    return out.size() < 2 ? std::string() : out;
}

struct ScanList {
    std::string folder;
    std::vector<std::string> names;
    std::string elsewhere; // the first scan, folder and name, that is not in the folder
};

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code unknown;
    return WithoutTrailingSeparator(a) == WithoutTrailingSeparator(b) ||
           std::filesystem::equivalent(a, b, unknown);
}

// One scan: the folder and name of the selection path (a single file's full path); several:
// the selection path, or once scans were added the first scan's folder, and every scan's name in
// load order.
ScanList LoadedScanList() {
    if (S::scanCount < 2) {
        std::string drive, dir, name, ext;
        plat::SplitPath(ScanPaths::gLoadSelection, &drive, &dir, &name, &ext);
        return {drive + dir, {name + ext}, {}};
    }
    const std::vector<std::string>& folders = ScanPaths::gScanFolders;
    const bool added = folders.size() > static_cast<std::size_t>(S::scanCount);
    ScanList list{added ? WithoutTrailingSeparator(folders[1]) : ScanPaths::gLoadSelection, {}, {}};
    for (int i = 1; i <= S::scanCount; ++i) {
        list.names.emplace_back(S::scanFileName[i]);
        if (added && list.elsewhere.empty() && !SameFolder(folders[i], folders[1]))
            list.elsewhere = folders[i] + S::scanFileName[i];
    }
    return list;
}

// What keeps the folder or a name from standing in the scan line and reading back as written;
// null when nothing does.
const char* ScanListProblem(const std::string& s, bool name) {
    if (s.find('\n') != std::string::npos)
        return "where a line break ends the scan list";
    if (s.find('"') != std::string::npos)
        return name ? "where a quote ends the names" : "where a quote ends the folder";
    if (name && s.find(' ') != std::string::npos)
        return "where a blank separates names";
    return nullptr;
}

// Why the list would not read back: the first folder or name that would not, and what stops it;
// empty when every one reads back.
std::string ScanListFault(const ScanList& list) {
    auto fault = [](const std::string& s, const char* problem) {
        return "\"" + s + "\" would not read back from an experiment file, " + problem;
    };
    if (const char* problem = ScanListProblem(list.folder, false))
        return fault(list.folder, problem);
    for (const std::string& name : list.names)
        if (const char* problem = ScanListProblem(name, true))
            return fault(name, problem);
    if (!list.elsewhere.empty())
        return fault(list.elsewhere, ("where all scans share the folder " + list.folder).c_str());
    return {};
}

// The quoted folder, then the quoted group of blank-led names.
std::string ScanListLine(const ScanList& list) {
    std::string out = "\"" + list.folder + "\" \"";
    for (const std::string& name : list.names)
        out += ' ' + name;
    return out + "\"\n";
}

// The self-association models whose signal the sibling program scales by an extinction
// coefficient of its own.
bool NonlinearSpeciesModel() {
    return ModelChoice::SelfAssociation();
}

} // namespace

bool WriteMirovanXpFile(TXLAWindow* window, const char* path) {
    if (S::scanCount < 1)
        return false;
    auto errorBox = [](const std::string& text) {
        PlayInfoSound();
        MessageBox(nullptr, text.c_str(), "ERROR", MB_OK);
        return false;
    };
    auto cannotOpen = [&] { return errorBox(std::string("could not open ") + path); };
    // Names the reader would split are refused before anything is asked or written.
    const ScanList scans = LoadedScanList();
    if (const std::string why = ScanListFault(scans); !why.empty())
        return errorBox(std::string(path) + " is not written: " + why);
    plat::AtomicFile file(plat::NativePath(path));
    std::FILE* f = file.file();
    if (!f)
        return cannotOpen();
    CLocaleScope cLocale;
    int type = 0, centerpiece = 2, rotor = 4;
    float noise = 0.01f, pathLength = 1.2f;
    if (gDlsData) {
        type = 1, noise = 0.0001f, pathLength = 1.0f, rotor = 0, centerpiece = 0;
    } else if (ScanDataKind::electrophoresis) {
        type = 2, noise = 0.01f, pathLength = 1.0f, rotor = 0, centerpiece = 0;
    } else if (S::equilibriumData) {
        type = S::scanCount == 1 ? 3 : 4;
        noise = 0.005f;
    }
    const char* description =
        gDlsData && S::dlsRecords ? S::dlsRecords[1].title : S::header[1].description;

    // The viscosity in centipoise as the question says: water is 1.002 cP, and the file holds
    // Pa s (relative viscosity x 0.001002).
    float viscosityCp = S::viscosity * kWaterViscosityCp;
    float extinction = 1.0f;
    if (!SerialFitState::serializing && !ModelChoice::generatingSeries) {
        float density = S::density, vbar = S::vbar;
        InputFloatForWindow(window, &density, density, true, "buffer density (g/ml)", kTitle);
        S::density = density;
        InputFloatForWindow(window, &viscosityCp, viscosityCp, true, "buffer viscosity (cPoise)",
                            kTitle);
        S::viscosity = viscosityCp / kWaterViscosityCp;
        InputFloatForWindow(window, &vbar, vbar, true, "partial-specific volume (ml/g)", kTitle);
        S::vbar = vbar;
        if (NonlinearSpeciesModel())
            InputFloatForWindow(window, &extinction, extinction, true,
                                "molar extinction coefficient", kTitle);
        if (S::equilibriumData) {
            float answer = 2.0f;
            InputFloatForWindow(window, &answer, answer, true, "centerpiece (2 or 6)", kTitle);
            centerpiece = answer == 6.0f ? 6 : 2;
        }
        if (!gDlsData && !ScanDataKind::electrophoresis) {
            InputFloatForWindow(window, &pathLength, pathLength, true, "optical pathlength (cm)",
                                kTitle);
            float answer = 4.0f;
            InputFloatForWindow(window, &answer, answer, true, "rotor type (4 or 8)", kTitle);
            rotor = answer == 8.0f ? 8 : 4;
        }
    }
    S::vbarRho = S::vbar * S::density;

    static const char* const kTypes[] = {
        "0 (ExperimentType: SEDVELOCITY)", "1 (ExperimentType: DLS)",
        "2 (ExperimentType: ELECTROPHORESIS)", "3 (ExperimentType: SEDEQUILIBRIUM)",
        "4 (ExperimentType: MULTISEDEQ)"};
    std::string out;
    AppendFormat(out, "%s\n", kTypes[type]);
    AppendFormat(out, "%s (exported xp file from TARNIX)\n", CleanDescription(description).c_str());
    out += ScanListLine(scans);
    AppendFormat(out, "%f (fBufferDensity)\n", static_cast<double>(S::density));
    AppendFormat(out, "%f (fBufferViscosity)\n", 0.001 * static_cast<double>(viscosityCp));
    AppendFormat(out, "%f (VBAR)\n", static_cast<double>(S::vbar));
    AppendFormat(out, "%f (Meniscus)\n", static_cast<double>(M::meniscus));
    AppendFormat(out, "%f (Bottom)\n", static_cast<double>(M::bottom));
    AppendFormat(out, "%f (MAXMENISCUS)\n", static_cast<double>(FitControl::meniscusMax));
    AppendFormat(out, "%f (MINMENISCUS)\n", static_cast<double>(FitControl::meniscusMin));
    AppendFormat(out, "%f (MAXBOTTOM)\n", static_cast<double>(FitControl::bottomMax));
    AppendFormat(out, "%f (MINBOTTOM)\n", static_cast<double>(FitControl::bottomMin));
    AppendFormat(out, "%f (FitLeftLim)\n", static_cast<double>(S::leftFitLimit));
    AppendFormat(out, "%f (FitRightLim)\n", static_cast<double>(S::rightFitLimit));
    AppendFormat(out, "%f (WeightExperiment)\n", 1.0);
    AppendFormat(out, "%f (ExperimentalNoise)\n", static_cast<double>(noise));
    AppendFormat(out, "%d (blocalFitTimeIndepNoise)\n", ModelChoice::fitTINoise ? 1 : 0);
    AppendFormat(out, "%d (blocalFitRINoise)\n", ModelChoice::fitRINoise ? 1 : 0);
    AppendFormat(out, "%d (blocalAutoVaryBaseline)\n", M::baselineFloat);
    AppendFormat(out, "%d (blocalVaryBottom)\n", M::bottomFloat);
    AppendFormat(out, "%d (blocalVaryMeniscus)\n", M::meniscusFloat);
    AppendFormat(out, "%d (blocalVaryMeniscusWarned)\n", M::meniscusWarned ? 1 : 0);
    AppendFormat(out, "%f (xBaseline)\n", static_cast<double>(M::baseline));
    out += "1.00000 (xConcentrationFactor)\n";
    AppendFormat(out, "%f (xExtinctionCoeffA)\n", static_cast<double>(extinction));
    AppendFormat(out, "%d (bVaryExtinctionCoeffA)\n", 0);
    AppendFormat(out, "%f (xExtinctionCoeffB)\n", 1.0);
    AppendFormat(out, "%d (bVaryExtinctionCoeffB)\n", 0);
    AppendFormat(out, "%d (Centerpiece)\n", centerpiece);
    for (int k = 1; k <= 4; ++k)
        AppendFormat(out, "1.000000e-6 (pLocalConcentrations[%d])\n", k);
    AppendFormat(out, "%d (NFILES)\n", S::scanCount);
    out += "0 (no ppMultiLocalConcentrations)\n";
    AppendFormat(out, "%f (global VBAR20)\n", static_cast<double>(S::vbar20));
    AppendFormat(out, "%f (global HYDRATION)\n", 0.3);
    AppendFormat(out, "%f (pathlength)\n", static_cast<double>(pathLength));
    AppendFormat(out, "%d (rotor type: %s)\n", rotor,
                 rotor == 8   ? " EIGHTHOLE"
                 : rotor == 4 ? " FOURHOLE"
                              : " NOROTOR");
    AppendFormat(out, "%d (correct for rotor stretch in TI noise)\n", 0);
    AppendFormat(out, "%d (correct for rotor stretch in mass balance)\n", 0);
    AppendFormat(out, "%d (sets of extra parameters follow)\n", 3);
    for (int j = 1; j <= 3; ++j)
        AppendFormat(out, "0.000000e+00 (pLocalExtraConcs[%d])\n", j);
    const int extraSets = S::equilibriumData ? S::scanCount : 1;
    for (int i = 1; i <= extraSets; ++i)
        for (int j = 1; j <= 3; ++j)
            AppendFormat(out, "0.000000e+00 (ppMultiLocalExtraConcs[%d][%d])\n", i, j);
    static const char* const kTail[] = {"0 (bContainsNoBackdiffusion)",
                                        "0 (bSwIsothermAInvisible)",
                                        "1.000000 (xExtinctionCoeffC)",
                                        "0 (bVaryExtinctionCoeffC)",
                                        "0 (bPartialBoundaryFit)",
                                        "0 (PBFsmin)",
                                        "0 (PBFsmax)",
                                        "0 (bITCLocalIncompA)",
                                        "0 (bITCLocalIncompB)",
                                        "0 (bITCLocalIncompC)",
                                        "0 (FitITCLocalIncompA)",
                                        "0 (FitITCLocalIncompB)",
                                        "0 (FitITCLocalIncompC)",
                                        "0 (ITCLocalIncompA)",
                                        "0 (ITCLocalIncompB)",
                                        "0 (ITCLocalIncompC)",
                                        "0 (FitITCBaselineSlope)",
                                        "0 (ITCBaselineSlope)",
                                        "0 (ITCLocalMaxIncomp)",
                                        "-1 (Temperature C)",
                                        "0.000000 (ITCcellvolume)",
                                        "0 (# spectral changes)",
                                        "1 (bDataIsOriginal)",
                                        "0 (SpecDataModel)",
                                        "0 (bNormalizeSpectroscopyData)",
                                        "0 (bUseMonteCarloNoise)",
                                        "1 (bUseMonteCarloResiduals)",
                                        "0.000000 (MonteCarloNoise)",
                                        "0 (bMultiplyWeightSqrtNxN1)",
                                        "0 (normal conditions warned)",
                                        "0 (bWithHDExchange)",
                                        "0.000000 (HDExchangeDmolfract)",
                                        "0 (bConcCorrectionLocalAllowed)",
                                        "0 (nNumberExcludedIsothermDataPoints)",
                                        "1.200000 (fBufferIonizationEnthalpy)",
                                        "0.000000 (fBufferIonizationHeatCapacity)",
                                        "7.500000 (fpH)",
                                        "0.000000 (fCosolventConc)",
                                        "0.000000 (deltaHapplocal)",
                                        "0 (VarydeltaHapplocal)",
                                        "1 (bITCUnmixedNeck)"};
    for (const char* line : kTail) {
        out += line;
        out += '\n';
    }
    if (std::fwrite(out.data(), 1, out.size(), f) != out.size() || !file.Commit())
        return cannotOpen();
    return true;
}
