// "Serialize Fit by list.* File": the c(s) analysis of the loaded data repeated for every scan
// list file in the data folder, each set reported in its own folder and in the two summaries
// "summary.txt" and "idswsig.txt", which are rewritten after every set.
#include "app/batch_fit_common.h"
#include "app/txla_window.h"
#include "fitting/restore_analysis.h"
#include "foundations/hydrodynamics.h"
#include "foundations/input_boxes.h"
#include "foundations/text_lines.h"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/process.hpp"
#include "plat/window_dc.hpp"
#include "scandata/fit_limits.h"
#include "scandata/reload_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file_list.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr const char* kSummaryHeader = "smin, smax, c(in range), c(tot), sw(in range), "
                                       "Mwavg(in range), rmsd, rmsd/ctot(%)\n";

// The line drawn into the window while the batch runs; nothing is repainted meanwhile.
void DrawProgressText(TXLAWindow* window, int x, int y, const std::string& text) {
    TClientDC dc(window);
    dc.TextOut(x, y, text.c_str());
}

// The percentage of the rmsd in the total loading; 0 for a distribution without loading.
double RelativeRmsd(float rmsd, float ctot) {
    return ctot > 0.0f ? 100.0 * rmsd / ctot : 0.0;
}

// The settings a set may take over from the analysis loaded when the command started.
struct ListBatchAnswers {
    bool fitEach = false, overwriteCorrections = false, overwriteRightLimit = false;
    bool floatBottom = false, vizra = false;
    float rightLimit = 0;
    std::vector<IntegrationRange> ranges;
    int mcIterations = 0;
};

void AskListBatch(TXLAWindow* window, const CorrectionSnapshot& corrections, ListBatchAnswers& a) {
    a.fitEach =
        AskBatch(window, "fit each set? \n(otherwise only run will be executed in each set)");
    const bool bottomFloating = ModelParameters::bottomFloat != 0;
    SerialFitState::restorePrevious = AskBatch(window, "restore previous params if available?");
    if (SerialFitState::restorePrevious)
        a.overwriteCorrections = AskBatch(window, "overwrite FDS-related parameters?");
    a.rightLimit = ScanStore::rightFitLimit;
    a.overwriteRightLimit = AskBatch(window, "overwrite FitRightLim?");
    if (a.overwriteRightLimit) {
        // The answer is taken whether or not the box was confirmed.
        InputFloatForWindow(window, &a.rightLimit, a.rightLimit, true, "right lim position ",
                            kSerializeCaption);
    }
    a.floatBottom = AskFloatBottom(window, a.overwriteCorrections, corrections, bottomFloating);
    a.vizra = AskBatch(window, "VIZRA dfr and c(s)?");
    if (AskBatch(window, "with automatic integration?")) {
        a.ranges = AskIntegrationRanges(window);
        a.mcIterations = AskMonteCarloIterations(window, 500);
    }
    SerialFitState::monteCarlo = a.mcIterations > 0;
}

// The two summaries of one command run, each rewritten whole after every set.
struct ListBatchSummaries {
    std::string summaryPath, idswsigPath;
    std::string summary, idswsig;

    void Saturated(const std::string& listPath, std::size_t ranges) {
        summary += listPath + "\n" + "signal maxed out\n";
        idswsig += listPath;
        for (std::size_t r = 0; r < ranges; ++r)
            idswsig += " 0 0 0";
        idswsig += "\n";
    }
    void Missing(const std::string& listPath) {
        summary += listPath + "\n" + "scan files not found - set skipped\n";
    }
    void Result(int counter, const std::string& listPath,
                const std::vector<IntegrationRange>& ranges) {
        AppendFormat(summary, "#%d - %s: ", counter, listPath.c_str());
        AppendFormat(idswsig, "%s ", listPath.c_str());
        if (ranges.empty()) {
            summary += "no integrations\n";
            return;
        }
        for (const IntegrationRange& r : ranges) {
            AppendFormat(summary,
                         "          %.3f - %.3f: c=%f (ctot = %f) sw=%.3f , Mapp=%.0f , rmsd = %f "
                         "(rmsd/ctot = %.2f%%)                 \n",
                         double(r.sMin), double(r.sMax), double(r.c), double(r.ctot), double(r.sw),
                         CalculateM(r.sw), double(FitControl::bestRmsd),
                         RelativeRmsd(FitControl::bestRmsd, r.ctot));
            AppendFormat(idswsig, " %f  %f %f", double(r.c), double(r.sw), CalculateM(r.sw));
        }
        idswsig += "\n";
    }
    // The detection corrections the fit varied, on a line of their own.
    void Corrections() {
        using D = DetectionCorrections;
        const bool bleaching = D::driftOn && D::exponentialOn;
        if (!((D::convolutionOn && D::convolutionFit) || (D::shadowOn && D::shadowFit) ||
              (bleaching && D::limitingLevelFit) || (D::driftOn && D::exponentialRateFit) ||
              (D::gradientOn && D::gradientFit)))
            return;
        summary += "\t\t\t";
        if (D::convolutionOn && D::convolutionFit)
            AppendFormat(summary, "convol = %.3f |", double(D::convolutionWidth));
        if (D::shadowOn && D::shadowFit)
            AppendFormat(summary, "shadow = %.3f |", double(D::coneRadius));
        if (bleaching && D::exponentialRateFit)
            AppendFormat(summary, " - kbleach = %.4f 1/h (floating)", double(D::exponentialRate));
        if (bleaching && D::limitingLevelFit)
            AppendFormat(summary, " - Alim = %.4f %% (floating)", 100.0 * D::limitingLevel);
        if (D::driftOn && D::linearDriftOn && D::linearDriftFit)
            AppendFormat(summary, " - drift = %.3f %%/h (floating)", 100.0 * D::linearDrift);
        if (D::gradientOn && D::gradientFit)
            AppendFormat(summary, "gradient = %.3f", double(D::gradientFactor));
        summary += "\t\t\t\n";
    }
    void Write(BatchWrite& out) const {
        WriteBatchFile(summaryPath, summary, out);
        WriteBatchFile(idswsigPath, idswsig, out);
    }
};

// "integrals" + EXT of the list batch: the summary's header and one line per range.
void WriteListBatchIntegrals(const BatchSetPaths& set, std::vector<IntegrationRange>& ranges,
                             BatchWrite& out) {
    IntegrateRanges(ranges);
    std::string text = kSummaryHeader;
    for (const IntegrationRange& r : ranges)
        AppendFormat(text, "%.3f %.3f  %f %f %.3f %.0f %f %.2f\n", double(r.sMin), double(r.sMax),
                     double(r.c), double(r.ctot), double(r.sw), CalculateM(r.sw),
                     double(FitControl::bestRmsd), RelativeRmsd(FitControl::bestRmsd, r.ctot));
    WriteBatchFile(set.File("integrals"), text, out);
}

} // namespace

bool SignalMaxedOut() {
    if (ScanStore::scanCount <= 0 || ScanDataKind::interference)
        return false;
    const float limit = ScanDataKind::absorbance ? 1.8f : 3900.0f;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        for (int i = 1; i <= ScanStore::pointCount[k]; ++i) {
            const float r = ScanStore::radius[k][i];
            if (r > 6.9f && r < 7.0f) {
                if (ScanStore::signal[k][i] > limit)
                    return true;
                break;
            }
        }
    }
    return false;
}

void TXLAWindow::CmSerializeFitByList() {
    SerialFitState::stopRequested = false;
    gUserInterrupt.store(false);
    if (ScanStore::scanCount <= 0)
        return;
    if (!BatchContinuousCsModel()) {
        MessageBox(
            "currently only implemented for c(s) distribution analysis (please switch first)",
            kSerializeCaption, MB_OK);
        return;
    }
    paintSuspended = true;
    const CorrectionSnapshot corrections;
    ListBatchAnswers a;
    AskListBatch(this, corrections, a);
    paintSuspended = false;

    ListBatchSummaries sums;
    sums.summary = kSummaryHeader;
    const std::string startAnalysis = ScanPaths::gDataPath;
    MakeTmpScanFileList(0);
    const std::string folder = CurrentSetPaths().folder;
    sums.summaryPath = folder + "summary.txt";
    sums.idswsigPath = folder + "idswsig.txt";

    int counter = 0, done = 0;
    bool stopped = false;
    BatchWrite written;
    BatchPlotRecording plots;
    // Out of memory in a set ends the series there, as its own end below ends it.
    const std::optional<std::string> outOfMemoryAt = RunBatchSets(this, [&] {
        for (const std::string& name : plat::FindFiles(folder, "list.*")) {
            const std::string listPath = folder + name;
            ++counter;
            DrawProgressText(this, 300, 240, "#" + std::to_string(counter) + ": next " + name);
            const bool listed = ReadListFile(listPath) > 0 && AllScanFilesExist();
            SerialFitState::serializing = true;
            if (!listed) {
                // A list naming scans that are not there: noted, and the next list is taken.
                sums.Missing(listPath);
                sums.Write(written);
                if (!written.ok)
                    break;
                continue;
            }
            ReloadAllData(this, computeObserver);
            MakeTmpScanFileList(0);
            PointSavedAnalysisAtSet();
            if (SignalMaxedOut()) {
                sums.Saturated(listPath, a.ranges.size());
                sums.Write(written);
                if (!written.ok)
                    break;
                continue;
            }
            SerialFitState::errorCode = 0;
            if (ScanStore::scanCount <= 0)
                break;
            ShowBatchSetCaption(this);
            if (!(SerialFitState::restorePrevious && RestorePreviousAnalysis(this, true)))
                ReloadParameters(this, startAnalysis.c_str());
            if (a.overwriteCorrections)
                corrections.PutBack();
            if (a.overwriteRightLimit) {
                ScanStore::rightFitLimit = a.rightLimit;
                ApplyRightFitLimit();
            }
            if (a.floatBottom)
                FloatBottom();
            if (RunBatchSetAndAskStop(this, a.fitEach)) {
                stopped = true;
                break;
            }
            const BatchSetPaths set = CurrentSetPaths();
            if (!DistributionAvailable()) {
                // Its code is kept in the set's folder; the batch goes on unattended.
                WriteBatchErrorFile(set, written);
                if (!written.ok)
                    break;
                continue;
            }
            WriteDistributionReport(set, true, written);
            if (written.ok && a.vizra) {
                CmVizraCsPlot();
                CmVizraDataFitResPlot();
            }
            if (written.ok && !a.ranges.empty()) {
                WriteListBatchIntegrals(set, a.ranges, written);
                if (written.ok && a.mcIterations > 0)
                    BatchMonteCarlo(this, set, a.ranges, a.mcIterations, written);
            }
            if (written.ok)
                WriteBatchErrorFile(set, written);
            if (written.ok)
                ExportSetForMirovan(this, set, written);
            if (!written.ok)
                break;
            sums.Result(counter, listPath, a.ranges);
            sums.Corrections();
            if (!a.ranges.empty()) {
                DrawProgressText(this, 300, 200,
                                 "#" + std::to_string(counter) + ": result from " + name + ": ");
                // The last range's line without its last blank and line end.
                const std::size_t begin = sums.summary.rfind('\n', sums.summary.size() - 2);
                std::string last = sums.summary.substr(begin + 1);
                last.resize(last.size() - 2);
                DrawProgressText(this, 300, 220, last);
            }
            sums.Write(written);
            if (!written.ok)
                break;
            ++done;
        }
    });
    EndBatch(plots);
    corrections.PutBack();
    ReportBatchEnd(this, written, stopped, done, outOfMemoryAt);
    plat::OpenInTextEditor(sums.summaryPath);
}
