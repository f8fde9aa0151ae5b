// The results summary (199): "results.txt" in the data folder, opened in the text editor, and its
// row on the clipboard for a spreadsheet; and the matrix export switch (877).
#include "app/txla_window.h"
#include "distributions/results_summary.h"
#include "foundations/show_error.h"
#include "plat/atomic_file.hpp"
#include "plat/clipboard.hpp"
#include "plat/process.hpp"
#include "state/conti_state.h"
#include "state/scan_store.h"
#include "state/startup_paths.h"

#include <string>

namespace {

constexpr const char* kFileName = "results.txt";

// The folder of the loaded scans (where the file dialogs left the working folder), else the
// folder the program writes its settings to.
std::string SummaryFolder() {
    const std::string data = ScanPaths::gDataDrive + ScanPaths::gDataDir;
    if (ScanStore::scanCount > 0 && !data.empty())
        return data.back() == '/' ? data : data + "/";
    return gSettingsFolder;
}

} // namespace

void TXLAWindow::CmResultsSummary() {
    const ResultsSummaryValues values = ComputeResultsSummary();
    const std::string path = SummaryFolder() + kFileName;
    if (!plat::WriteFileAtomically(path, ResultsSummaryFileText(values))) {
        ShowError((path + " cannot be written").c_str(), 0);
        return;
    }
    if (plat::OpenInTextEditor(path) <= 31) {
        const std::string text = "no text editor could be started; the summary is in " + path;
        MessageBox(text.c_str(), "RESULTS SUMMARY", MB_OK | MB_ICONINFORMATION);
    }
    TClipboard clipboard(this);
    if (!clipboard.IsOpen())
        return;
    clipboard.EmptyClipboard();
    clipboard.SetText(ResultsSummaryClipboardText(values));
    clipboard.CloseClipboard();
}

void TXLAWindow::CmExportMatrices() {
    gExportMatrices = !gExportMatrices;
    MessageBox(gExportMatrices ? "Export Matrices is ON" : "Export Matrices is OFF", "ERROR",
               MB_OK);
}
