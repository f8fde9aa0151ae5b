// "Serialize Fit by Cell or dir#": the analysis set up on the loaded data repeated for the sets
// made by changing the cell digit of the scan files' extensions, the number of their folder, or
// by loading numbered experiment files; each set's results are written into its own folder.
#include "app/batch_fit_common.h"
#include "app/experiment_file.h"
#include "app/txla_window.h"
#include "fitting/restore_analysis.h"
#include "scandata/raw_data_set.h"
#include "scandata/reload_data.h"
#include "scandata/scan_file_list.h"
#include "state/model_choice.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "state/window_services.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

// The extension digits the scan files of a cell can carry.
constexpr int kFirstCell = 0;
constexpr int kLastCell = 8;

struct CellBatchAnswers {
    bool cellMode = false, folderMode = false, xpMode = false, keepNoise = false;
    bool fitEach = false;
    int cellFirst = 1, cellLast = 1, folderFirst = 1, folderLast = 1;
    std::vector<IntegrationRange> ranges;
    int mcIterations = 0;
};

// The opening questions; false when the command ends before any set.
bool AskCellBatch(TXLAWindow* window, CellBatchAnswers& a) {
    a.cellMode = AskBatch(window, "incremental cell number?");
    a.folderMode = AskBatch(window, "incremental highest subdirectory?");
    if (a.folderMode) {
        a.xpMode = AskBatch(window, "load xpfile with incremental name (xp1.xp, xp2.xp...)?");
        if (a.xpMode)
            a.keepNoise = AskBatch(window, "restore TI & RI noise from current model?");
    }
    if (!a.cellMode && !a.folderMode) {
        window->MessageBox("nothing to serialize", kSerializeCaption, MB_OK);
        return false;
    }
    int lo = 1, hi = 7;
    if (a.cellMode) {
        if (!AskBatchInteger(window, &a.cellFirst, 1, "minimum cell number value") ||
            !AskBatchInteger(window, &a.cellLast, 7, "maximum cell number value"))
            return false;
        lo = a.cellFirst;
        hi = a.cellLast;
    }
    if (a.folderMode) {
        if (!AskBatchInteger(window, &a.folderFirst, lo, "minimum subdir value") ||
            !AskBatchInteger(window, &a.folderLast, hi, "maximum subdir value"))
            return false;
    }
    a.fitEach = AskBatch(window, "fit each set?");
    SerialFitState::restorePrevious = AskBatch(window, "restore previous params if available?");
    if (BatchDistributionModel() && AskBatch(window, "with automatic integration?")) {
        a.ranges = AskIntegrationRanges(window, BatchSizeShapeModel());
        a.mcIterations = AskMonteCarloIterations(window, 100);
    }
    SerialFitState::monteCarlo = a.mcIterations > 0;
    return true;
}

// Loads set n of the current cell; false when it is skipped.
bool LoadCellBatchSet(TXLAWindow* window, const CellBatchAnswers& a, int n, bool noiseTI,
                      bool noiseRI) {
    if (a.folderMode)
        SetFolderNumberInFileNames(n);
    if (a.xpMode) {
        const BatchSetPaths set = CurrentSetPaths();
        char name[32];
        std::snprintf(name, sizeof name, "xp%d.xp", n);
        ReadXpExperiment(window, (set.folder + name).c_str());
        if (a.keepNoise) {
            ModelChoice::fitTINoise = noiseTI;
            ModelChoice::fitRINoise = noiseRI;
        }
        return true;
    }
    if (!AllScanFilesExist())
        return false;
    ReloadAllData(window, WindowServices::Observer(window));
    PointSavedAnalysisAtSet();
    return true;
}

} // namespace

void TXLAWindow::CmSerializeFitByCell() {
    if (ScanStore::scanCount <= 0)
        return;
    SerialFitState::stopRequested = false;
    gUserInterrupt.store(false);
    const bool noiseTI = ModelChoice::fitTINoise, noiseRI = ModelChoice::fitRINoise;
    paintSuspended = true;
    bool timestampsOff = false;
    if (gCheckTimestamps) {
        if (!AskBatch(this, "Need to switch off time stamp check - are all files corrected? "
                            "Proceed? (Otherwise exit and do timestamp corrections first)")) {
            paintSuspended = false;
            return;
        }
        gCheckTimestamps = false;
        timestampsOff = true;
    }
    CellBatchAnswers a;
    const bool go = AskCellBatch(this, a);
    paintSuspended = false;
    if (!go) {
        // The check is the user's setting: a command that processed nothing leaves it as it was.
        SerialFitState::restorePrevious = false;
        gCheckTimestamps = gCheckTimestamps || timestampsOff;
        return;
    }

    MakeTmpScanFileList(0);
    SerialFitState::serializing = true;
    int done = 0;
    bool stopped = false;
    BatchWrite written;
    BatchPlotRecording plots;
    // Out of memory in a set ends the series there, as its own end below ends it.
    const std::optional<std::string> outOfMemoryAt = RunBatchSets(this, [&] {
        for (int c = a.cellFirst; c <= a.cellLast && !stopped && written.ok; ++c) {
            if (a.cellMode) {
                // A digit outside 0..8 names no files: the previous cell's are not fitted again.
                if (c < kFirstCell || c > kLastCell)
                    continue;
                SetCellInFileNames(c);
            }
            for (int n = a.folderFirst; n <= a.folderLast; ++n) {
                if (!LoadCellBatchSet(this, a, n, noiseTI, noiseRI))
                    continue;
                SerialFitState::errorCode = 0;
                if (ScanStore::scanCount <= 0)
                    break;
                ShowBatchSetCaption(this);
                if (SerialFitState::restorePrevious)
                    RestorePreviousAnalysis(this, true);
                if (RunBatchSetAndAskStop(this, a.fitEach)) {
                    stopped = true;
                    break;
                }
                const BatchSetPaths set = CurrentSetPaths();
                // A set without a distribution keeps its error note; the batch goes on unattended.
                if (BatchDistributionModel() && DistributionAvailable()) {
                    WriteDistributionReport(set, true, written);
                    if (written.ok && !a.ranges.empty()) {
                        WriteCellBatchIntegrals(set, a.ranges, written);
                        // No Monte Carlo for the size-and-shape models.
                        if (written.ok && a.mcIterations > 0 && !BatchSizeShapeModel())
                            BatchMonteCarlo(this, set, a.ranges, a.mcIterations, written);
                    }
                }
                if (written.ok)
                    WriteBatchErrorFile(set, written);
                if (written.ok)
                    ExportSetForMirovan(this, set, written, !a.xpMode);
                if (!written.ok)
                    break;
                ++done;
            }
        }
    });
    EndBatch(plots);
    if (timestampsOff)
        gCheckTimestamps = true;
    ReportBatchEnd(this, written, stopped, done, outOfMemoryAt);
}
