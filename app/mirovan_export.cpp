// The export to the sibling analysis program: experiment file, hybrid model parameter file,
// configuration file and the program's start.
#include "app/mirovan_export.h"

#include "app/experiment_file.h"
#include "app/model_families.h"
#include "app/molar_mass_readout.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "distributions/distribution_peaks.h"
#include "foundations/c_locale.h"
#include "foundations/hydrodynamics.h"
#include "foundations/sounds.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using C = ContiState;
using M = ModelChoice;
using P = ExportPeaks;

constexpr int kMaxSpecies = 10;

bool IsProgram(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool SayCannotWrite(const std::string& path) {
    PlayInfoSound();
    const std::string text = "could not open file " + path + " for writing";
    MessageBox(nullptr, text.c_str(), "ERROR", MB_OK | MB_ICONSTOP);
    return false;
}

// drive + folder + name of path with the extension ext (a dot put before it).
std::string WithExtension(const std::string& path, const char* ext, const char* nameSuffix = "") {
    std::string drive, dir, name;
    plat::SplitPath(path, &drive, &dir, &name, nullptr);
    return drive + dir + name + nameSuffix + "." + ext;
}

} // namespace

bool CsFamilyExported() {
    return CurrentModelTraits().exported || BufferSedimentation::on;
}

namespace {

// Up to ten maxima of the distribution, each with the weight-average s of its range; nine when
// the discrete component of the model takes the last of the ten species.
void FindExportPeaks() {
    P::peakCount = 0;
    const auto peaks = FindCurrentDistributionPeaks(kMaxSpecies - (M::csDiscreteMs ? 1 : 0), 0.9);
    for (const DistributionPeak& peak : peaks) {
        const int k = ++P::peakCount;
        P::peakS[k] = static_cast<float>(peak.weightAverage);
        P::peakM[k] = static_cast<float>(MolarMassOfS(P::peakS[k]));
    }
    if (P::peakCount == 0)
        P::convertPeaks = false;
}

// One species of the hybrid model; absent ones are all zero.
struct Species {
    bool present = false;
    double m = 0.0, s = 0.0;
    bool fitM = false, fitS = false;
};

// Converted peaks first, then the discrete component of the c(s) model with one discrete species
// (species 1 of the model parameters, given by M and s); without conversion that component alone.
std::vector<Species> HybridSpecies() {
    std::vector<Species> out(kMaxSpecies + 1);
    int k = 0;
    if (P::convertPeaks)
        for (; k < P::peakCount && k < kMaxSpecies; ++k)
            out[k + 1] = {true, P::peakM[k + 1], S20wToSInBuffer(P::peakS[k + 1]), true, true};
    if (M::csDiscreteMs && k < kMaxSpecies) {
        using MP = ModelParameters;
        out[k + 1] = {true, MP::speciesDOrM[1], MP::speciesS[1],
                      P::convertPeaks || MP::speciesDOrMFloat[1] != 0,
                      P::convertPeaks || MP::speciesSFloat[1] != 0};
    }
    return out;
}

std::string ParameterText() {
    const bool convert = P::convertPeaks;
    const std::vector<Species> species = HybridSpecies();
    std::string out = "1000 (hybrid discrete - c(s) model) \n";
    AppendFormat(out, "%d (# of parameter follow)\n", 80);
    AppendFormat(out, "%d (resolution c(s) #1)\n", convert ? 0 : static_cast<int>(C::resolution));
    AppendFormat(out, "%f (MCDsmin1)\n", static_cast<double>(C::rangeMin));
    AppendFormat(out, "%f (MCDsmax1)\n", static_cast<double>(C::rangeMax));
    out += C::logGrid ? "0 (MCDlinlog1)\n" : "1 (MCDlinlog1)\n";
    AppendFormat(out, "%f (ff0 c(s) #1)\n", static_cast<double>(C::ff0));
    out += !convert && C::ff0Float ? "1 (MCDfitff01)\n" : "0 (MCDfitff01)\n";
    AppendFormat(out, "%d (resolution c(s) #2)\n", 0);
    AppendFormat(out, "%f (MCDsmin2)\n", static_cast<double>(C::rangeMin));
    AppendFormat(out, "%f (MCDsmax2)\n", static_cast<double>(C::rangeMax));
    out += "1 (MCDlinlog2)\n";
    AppendFormat(out, "%f (ff0 c(s) #2)\n", 1.3);
    out += "0 (MCDfitff02)\n1 (MCDWithTikhReg)\n";
    AppendFormat(out, "%f (MCDWPval)\n", static_cast<double>(C::confidenceLevel));
    out += "1 (MCDbNormalize)\n";
    for (int k = 1; k <= kMaxSpecies; ++k)
        AppendFormat(out, "%f (MCDglobM #%d)\n", species[k].m, k);
    // A switch that is off: 0.0 with converted peaks, a plain 0 otherwise.
    auto flag = [&](const char* key, int k, bool on) {
        if (on)
            AppendFormat(out, "1 (%s #%d)\n", key, k);
        else if (convert)
            AppendFormat(out, "%f (%s #%d)\n", 0.0, key, k);
        else
            AppendFormat(out, "0 (%s #%d)\n", key, k);
    };
    for (int k = 1; k <= kMaxSpecies; ++k)
        flag("exist", k, species[k].present);
    for (int k = 1; k <= kMaxSpecies; ++k)
        AppendFormat(out, "%f (MCDglobS #%d)\n", species[k].s, k);
    for (int k = 1; k <= kMaxSpecies; ++k)
        flag("MCDfitM", k, species[k].fitM);
    for (int k = 1; k <= kMaxSpecies; ++k)
        flag("MCDfitS", k, species[k].fitS);
    out += "0 (bMCDlinkM)\n";
    AppendFormat(out, "%d (nMCDlinkMBase)\n%d (nMCDlinkMfrom)\n%d (nMCDlinkMto)\n", 1, 2, 4);
    out += "0 (bMCDlinkS)\n";
    AppendFormat(out, "%d (nMCDlinkSBase)\n%d (nMCDlinkSfrom)\n%d (nMCDlinkSto)\n", 1, 2, 4);
    AppendFormat(out, "%d (resolution c(s) #3)\n", 0);
    AppendFormat(out, "%f (MCDsmin3)\n%f (MCDsmax3)\n", 10.0, 100.0);
    out += "1 (MCDlinlog3)\n";
    AppendFormat(out, "%f (ff0 c(s) #3)\n", 1.3);
    out += "0 (MCDfitff03)\n1 (bMarquardLevenbergMin)\n";
    return out;
}

std::string ConfigurationText(const std::string& xpPath, const std::string& parPath) {
    std::string out = "experiments:\n";
    AppendFormat(out, "1 1 %s\n", xpPath.c_str());
    out += "-1 0 end\n";
    AppendFormat(out, "%f %f (vbar20, hydration)\n", static_cast<double>(ScanStore::vbar), 0.3);
    AppendFormat(out, "g %d (#global parameters)\n", 18);
    AppendFormat(out, "%d %f\n", 1, 0.000459);
    AppendFormat(out, "%f (CompressLimit)\n", 40000.0);
    AppendFormat(out, "%f (threshold s for switching algorithms)\n", 5.0);
    AppendFormat(out, "%f (nGridSize)\n", static_cast<double>(LammGrid::gridSizeSetting));
    AppendFormat(out, "%f (adjust dt with max relative increase)\n", 1.0);
    AppendFormat(out, "%f (SRMAXSED)\n%f (SRMAXREACT)\n", 0.1, 0.1);
    out += "1 (SRLIMITRANGE)\n0 (SRTESTING)\n";
    AppendFormat(out, "%d (SRCORRLEVEL)\n", 2);
    out += "0 (SRTESTING)\n0 (bSRFixedDt)\n0 (bShutOffBackDiffusion)\n1 (bRampOmega)\n"
           "500 (nSAItMax)\n2 (SAmaxTemp)\n10 (nSANumberOfTemps)\n1 (bSAFinalML)\n";
    out += "model:\n1000 (hybrid discrete - c(s) model) \nparameter file:\n" + parPath + "\n";
    out += "links:\n";
    AppendFormat(out, "%d (iMaxExp)\n%d (#links)\n", 20, 7);
    for (int i = 1; i <= 20; ++i)
        AppendFormat(out, "%d %d %d %d %d %d %d\n", i, i, i, i, i, 0, 0);
    return out;
}

} // namespace

bool WriteMirovanParFile(TXLAWindow* /*window*/, const char* configPath, const char* xpPath) {
    CLocaleScope cLocale;
    const std::string parPath = WithExtension(configPath, "mirovan_PAR");
    if (!plat::WriteFileAtomically(plat::NativePath(parPath), ParameterText()))
        return SayCannotWrite(parPath);
    if (!plat::WriteFileAtomically(plat::NativePath(configPath),
                                   ConfigurationText(xpPath, parPath)))
        return SayCannotWrite(configPath);
    return true;
}

std::string FindMirovanProgram() {
    for (const std::string& candidate :
         {std::string(gMirovanProgramPath), std::string(gProgramFolder) + "mirovan"})
        if (!candidate.empty() && IsProgram(candidate))
            return candidate;
    if (const char* path = std::getenv("PATH")) {
        std::istringstream dirs(path);
        for (std::string dir; std::getline(dirs, dir, ':');)
            if (!dir.empty() && IsProgram(fs::path(dir) / "mirovan"))
                return (fs::path(dir) / "mirovan").string();
    }
    return {};
}

void TXLAWindow::CmExportToMirovan() {
    if (M::fMvsM)
        return;
    paintSuspended = true;
    P::convertPeaks = false;
    std::string xpPath;
    // The load commands keep their own filters on the shared record.
    const auto loadFilters = openFilesDialog.filters;
    const DWORD loadFilterIndex = openFilesDialog.nFilterIndex;
    openFilesDialog.filters = {{"MIROVAN xp Files (*.xp)", "*.xp"}, {"All Files (*.*)", "*.*"}};
    openFilesDialog.nFilterIndex = 1;
    const bool chosen =
        AskSavePath(this, "export data as MIROVAN xp file", "data.xp", true, &xpPath, "xp");
    openFilesDialog.filters = loadFilters;
    openFilesDialog.nFilterIndex = loadFilterIndex;
    if (chosen && WriteMirovanXpFile(this, xpPath.c_str()) &&
        MessageBox("launch MIROVAN with data?", "", MB_YESNO) == IDYES) {
        if (!M::lammModel && C::distributionPlot && CsFamilyExported() &&
            MessageBox("convert all c(s) peaks to discrete species?", "", MB_YESNO) == IDYES) {
            P::convertPeaks = true;
            FindExportPeaks();
        }
        const std::string configPath = WithExtension(xpPath, "mirovan", "_from_tarnix_c(s)");
        std::string target = xpPath;
        if (M::contiMode && WriteMirovanParFile(this, configPath.c_str(), xpPath.c_str()))
            target = configPath;
        const std::string program = FindMirovanProgram();
        if (program.empty()) {
            const std::string where = std::string(gProgramFolder) + "mirovan";
            MessageBox(("could not find " + where).c_str(), "ERROR", MB_OK);
        } else {
            plat::StartProgram(program, {target});
        }
        P::peakCount = 0;
    }
    paintSuspended = false;
    RestoreLoadDialog(this);
}
