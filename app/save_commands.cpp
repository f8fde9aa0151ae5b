// The Data menu commands that write fit results and noise beside the scans: they ask for the
// names and hand them to the writers of the scan data.
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "fitting/parameter_report.h"
#include "foundations/show_error.h"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/equilibrium_scans.h"
#include "scandata/result_files.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"

#include <string>

namespace {

// Painting waits while the command's dialogs are up; the record gets its load set-up back.
class SaveCommandScope {
  public:
    explicit SaveCommandScope(TXLAWindow& window, const char* restoredExtension = "*")
        : window_(window), extension_(restoredExtension) {
        window_.paintSuspended = true;
    }
    ~SaveCommandScope() {
        window_.paintSuspended = false;
        RestoreLoadDialog(&window_, extension_);
    }
    SaveCommandScope(const SaveCommandScope&) = delete;
    SaveCommandScope& operator=(const SaveCommandScope&) = delete;

  private:
    TXLAWindow& window_;
    const char* extension_;
};

// Runs a writer under the wait cursor.
template <typename Writer> void Busy(TXLAWindow& window, Writer writer) {
    window.SetCursor(IDC_WAIT);
    writer();
    window.SetCursor(IDC_ARROW);
}

} // namespace

void TXLAWindow::CmSaveFitData() {
    // Without an evaluated model the fit values are zeros, not a fit: nothing is written.
    if (!ScanStore::resultAvailable) {
        MessageBox("no fit to save: no model has been evaluated for the loaded data yet\n"
                   "(use Run or Fit first)",
                   "SAVE FITS", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CmUpdateSavedFitParameters();
    SaveCommandScope scope(*this);
    std::string path;
    // The report's name follows the fit file's, the one proposed when that dialog was cancelled.
    std::string fitPath = gOldFilenameConvention ? "fit.rxx" : "f0000x.rxx";
    if (AskSavePath(this, "save fitted data as", fitPath.c_str(), false, &path)) {
        fitPath = path;
        bool convert = false;
        if (ScanDataKind::intensity && !gDlsData)
            convert = MessageBox("convert intensities to absorbance data?", "SAVE FITS",
                                 MB_YESNO) == IDYES;
        Busy(*this, [&] { SaveFitData(path.c_str(), convert); });
    }
    if (gDlsData)
        return;
    if (AskSavePath(this, "save residuals as", gOldFilenameConvention ? "res.rxx" : "r0000x.rxx",
                    false, &path))
        Busy(*this, [&] { SaveResiduals(path.c_str()); });
    std::string name, extension;
    plat::SplitPath(fitPath, nullptr, nullptr, &name, &extension);
    const std::string report = gOldFilenameConvention ? name + ".par" : "fitparams" + extension;
    if (AskSavePath(this, "save some fit parameters as", report.c_str(), false, &path) &&
        !SaveParameterReport(this, path.c_str()))
        ShowError(("could not write " + path).c_str(), 0);
}

void TXLAWindow::CmSaveNoise() {
    SaveCommandScope scope(*this);
    std::string path;
    if (ModelChoice::fitTINoise &&
        AskSavePath(this, "save time independent noise component as",
                    gOldFilenameConvention ? "xxx.TIN" : "TIN.rxx", true, &path))
        SaveTINoiseFile(path.c_str());
    if (ModelChoice::fitRINoise &&
        AskSavePath(this, "save radial independent noise component as",
                    gOldFilenameConvention ? "xxx.RIN" : "RIN.rxx", false, &path))
        SaveNoiseFile(path.c_str());
}

void TXLAWindow::CmSubtractNoiseFromEqData() {
    if (!ModelChoice::fitTINoise)
        return;
    std::string source;
    {
        SaveCommandScope scope(*this);
        if (!AskOpenPath(this, "select equilbrium scan", "", &source)) {
            MessageBox("GetOpenFileName returned Error", "WARNING", MB_OK | MB_ICONSTOP);
            return;
        }
    }
    SaveCommandScope scope(*this, "IP*");
    std::string drive, dir, name, ext;
    plat::SplitPath(source, &drive, &dir, &name, &ext);
    const std::string preset = gOldFilenameConvention ? plat::MakePath(drive, dir, name, ".RTI")
                                                      : plat::MakePath(drive, dir, "RTI", ext);
    std::string target;
    if (AskSavePath(this, "save corrected data as", preset.c_str(), true, &target))
        Busy(*this, [&] { SubtractNoiseFromEqData(this, source.c_str(), target.c_str()); });
}

void TXLAWindow::CmSaveEquilibriumData() {
    if (!ModelChoice::simulationSwitch223)
        return;
    SaveCommandScope scope(*this);
    std::string path;
    if (AskSavePath(this, "save equilibrium data as", "eq.rxx", true, &path))
        SaveEquilibriumFit(path.c_str());
}
