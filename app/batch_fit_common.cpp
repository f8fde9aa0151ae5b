// The questions, stop check, per-set report files and closing boxes of the batch-fit commands.
#include "app/batch_fit_common.h"

#include "app/busy_as_a_fit.h"
#include "app/command_ended_by_exception.h"
#include "app/experiment_file.h"
#include "app/mirovan_export.h"
#include "app/txla_window.h"
#include "distributions/integrate_distribution.h"
#include "distributions/monte_carlo.h"
#include "foundations/analysis_failure.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/files.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "plotting/win_plot.h"
#include "scandata/raw_data_set.h"
#include "scandata/scan_file_list.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "state/size_shape_state.h"
#include "state/window_services.h"

#include <cmath>
#include <cstdio>

namespace {

using M = ModelChoice;

} // namespace

BatchSetPaths CurrentSetPaths() {
    BatchSetPaths set;
    if (ScanStore::fileNames.empty())
        return set;
    std::string drive, dir;
    plat::SplitPath(ScanStore::fileNames[0], &drive, &dir, nullptr, &set.ext);
    set.folder = drive + dir;
    set.underscored = set.ext;
    if (!set.underscored.empty())
        set.underscored[0] = '_';
    return set;
}

void PointSavedAnalysisAtSet() {
    if (!ScanStore::fileNames.empty())
        SetParameterPathInFolder(ScanStore::fileNames[0]);
}

bool AskFloatBottom(TXLAWindow* window, bool correctionsPutBack,
                    const CorrectionSnapshot& corrections, bool bottomFloating) {
    if (correctionsPutBack && corrections.values.coneOn)
        return AskBatch(window, "always float bottom?");
    return bottomFloating;
}

void FloatBottom() {
    ModelParameters::bottomFloat = 1;
    ModelParameters::fitFloat[kSlotBottom] = 1;
}

bool AskBatch(TXLAWindow* window, const char* question) {
    return window->MessageBox(question, kSerializeCaption, MB_YESNO) == IDYES;
}

bool AskBatchInteger(TXLAWindow* window, int* value, int defaultValue, const char* prompt) {
    float answer = static_cast<float>(defaultValue);
    const bool confirmed =
        InputFloatForWindow(window, &answer, answer, true, prompt, kSerializeCaption);
    // Far outside any count or number a batch can use; keeps the conversion defined.
    const double bounded = std::fmax(-1e9, std::fmin(1e9, std::floor(answer)));
    *value = std::isfinite(answer) ? static_cast<int>(bounded) : defaultValue;
    return confirmed;
}

bool BatchDistributionModel() {
    return M::contiMode && !M::gStarFamily;
}

bool BatchContinuousCsModel() {
    const ModelKind kind = CurrentModelKind();
    return TraitsOf(kind).plainCsSwitch || kind == ModelKind::CsDiscrete;
}

bool DataFitDistributionPlotModel() {
    const ModelTraits traits = CurrentModelTraits();
    return traits.plainCsSwitch || traits.bimodal;
}

bool BatchSizeShapeModel() {
    return CurrentModelTraits().sizeShape;
}

bool DistributionAvailable() {
    return ContiState::distribution != nullptr && ContiState::sValues != nullptr &&
           ContiState::gridPoints > 0;
}

std::vector<IntegrationRange> AskIntegrationRanges(TXLAWindow* window, bool withFf0Limits) {
    std::vector<IntegrationRange> ranges;
    const bool grid = DistributionAvailable();
    const float first = grid ? ContiState::sValues[1] : 1.0f;
    const float last = grid ? ContiState::sValues[ContiState::gridPoints] : 10.0f;
    for (;;) {
        IntegrationRange range{first, last};
        const bool lo = InputFloatForWindow(window, &range.sMin, first, true,
                                            "s min for integration", kSerializeCaption);
        const bool hi = lo && InputFloatForWindow(window, &range.sMax, last, true,
                                                  "s max for integration", kSerializeCaption);
        if (lo && hi) {
            // An unconfirmed f/f0 box keeps its default.
            range.fMin = SizeShapeState::ff0Min;
            range.fMax = SizeShapeState::ff0Max;
            if (withFf0Limits) {
                InputFloatForWindow(window, &range.fMin, SizeShapeState::ff0Min, true,
                                    "ff0 min for integration", kSerializeCaption);
                InputFloatForWindow(window, &range.fMax, SizeShapeState::ff0Max, true,
                                    "ff0 max for integration", kSerializeCaption);
            }
            ranges.push_back(range);
        }
        if (static_cast<int>(ranges.size()) >= kMaxIntegrationRanges ||
            !AskBatch(window, "another integration range?"))
            break;
    }
    return ranges;
}

int AskMonteCarloIterations(TXLAWindow* window, int defaultCount) {
    if (!AskBatch(window, "with Monte-Carlo error analysis?"))
        return 0;
    int count = defaultCount;
    // The count is taken whether or not the box was confirmed.
    AskBatchInteger(window, &count, defaultCount, "# of MC iterations");
    return count < 2 ? 0 : count;
}

bool BatchStopAsked(TXLAWindow* window) {
    // A key that stopped a Run counts as a stop request, and so does one still waiting in the
    // queue after an engine that does not poll the keyboard.
    if (gUserInterrupt.load() || (!SerialFitState::stopRequested && KeyPressed(window)))
        SerialFitState::stopRequested = true;
    gUserInterrupt.store(false);
    if (!SerialFitState::stopRequested)
        return false;
    if (AskBatch(window, "stop series?"))
        return true;
    SerialFitState::stopRequested = false;
    return false;
}

bool RunBatchSetAndAskStop(TXLAWindow* window, bool fitEach) {
    window->CmShowLastFitInfo();
    window->CmRun();
    // A Run the user stopped is still followed by the set's Fit: its parameters are saved with
    // the set and are where the next set starts. The question comes after both.
    if (fitEach)
        window->CmFit();
    ShowBatchSetPlots();
    return BatchStopAsked(window);
}

void WriteBatchFile(const std::string& path, const std::string& text, BatchWrite& out) {
    if (!plat::WriteFileAtomically(path, text))
        out.Fail(path);
}

void WriteDistributionReport(const BatchSetPaths& set, bool withFf0, BatchWrite& out) {
    std::string text;
    for (int p = 1; p <= ContiState::gridPoints; ++p)
        AppendFormat(text, "%e %e\n", static_cast<double>(ContiState::sValues[p]),
                     static_cast<double>(ContiState::distribution[p]));
    WriteBatchFile(set.File("distribution"), text, out);
    if (!withFf0 || !out.ok)
        return;
    std::string ff0;
    AppendFormat(ff0, "%e \n", static_cast<double>(ContiState::ff0));
    WriteBatchFile(set.File("ff0"), ff0, out);
}

void IntegrateRanges(std::vector<IntegrationRange>& ranges) {
    using SS = SizeShapeState;
    for (IntegrationRange& r : ranges) {
        IntegrateDistribution(r.sMin, r.sMax, &r.c, &r.sw, &r.ctot, nullptr);
        // The same call leaves the size-and-shape averages of its range.
        r.Mw = SS::Mw, r.Mz = SS::Mz, r.mzMoment = SS::mzMoment;
        r.fw = SS::fw, r.R = SS::R, r.rMoment = SS::rMoment;
    }
}

void WriteCellBatchIntegrals(const BatchSetPaths& set, std::vector<IntegrationRange>& ranges,
                             BatchWrite& out) {
    IntegrateRanges(ranges);
    if (BatchSizeShapeModel()) {
        std::string text = "smin, smax, fmin, fmax, c, sw, fw, ctot, Mw, Mz, second central "
                           "moment of Mz, R, second central moment R\n";
        for (const IntegrationRange& r : ranges) {
            const float v[13] = {r.sMin, r.sMax, r.fMin, r.fMax,     r.c, r.sw,     r.fw,
                                 r.ctot, r.Mw,   r.Mz,   r.mzMoment, r.R, r.rMoment};
            for (int k = 0; k < 13; ++k)
                AppendFormat(text, k < 12 ? "%e " : "%e\n", static_cast<double>(v[k]));
        }
        WriteBatchFile(set.File("integrals"), text, out);
        return;
    }
    std::string text = "smin, smax, c, sw, ctot\n";
    for (const IntegrationRange& r : ranges)
        AppendFormat(text, "%e %e %e %e %e\n", static_cast<double>(r.sMin),
                     static_cast<double>(r.sMax), static_cast<double>(r.c),
                     static_cast<double>(r.sw), static_cast<double>(r.ctot));
    WriteBatchFile(set.File("integrals"), text, out);
}

void BatchMonteCarlo(TXLAWindow* window, const BatchSetPaths& set,
                     const std::vector<IntegrationRange>& ranges, int iterations, BatchWrite& out) {
    const std::string folder = set.folder + "MCdata";
    if (!plat::IsFolder(folder) && !plat::MakeDir(folder)) {
        SerialFitState::errorCode = static_cast<int>(AnalysisFailure::MonteCarloFolder);
        return;
    }
    {
        // The replicates compute as a Fit does: what the user gives meanwhile stops or is lost.
        const BusyAsAFit busy(*window);
        RunMonteCarloDistributions(window, WindowServices::Observer(window), iterations, 0.68f,
                                   folder + "/", false);
    }
    std::string text = "smin\tsmax\tsavg\tsstd\tslow\tsup\tcavg\tcstd\tclow\tcup (P = 0.68)\n";
    for (const IntegrationRange& r : ranges) {
        ReportMonteCarloStatistics(window, r.sMin, r.sMax);
        const MonteCarloStatistics& m = SerialFitState::mcStatistics;
        AppendFormat(
            text, "%e\t%e\t%e\t%e\t%e\t%e\t%e\t%e\t%e\t%e\n", static_cast<double>(r.sMin),
            static_cast<double>(r.sMax), static_cast<double>(m.savg), static_cast<double>(m.sstd),
            static_cast<double>(m.slow), static_cast<double>(m.sup), static_cast<double>(m.cavg),
            static_cast<double>(m.cstd), static_cast<double>(m.clow), static_cast<double>(m.cup));
    }
    FinishMonteCarlo(window);
    WriteBatchFile(set.File("MCintegrals"), text, out);
}

void WriteBatchErrorFile(const BatchSetPaths& set, BatchWrite& out) {
    if (SerialFitState::errorCode > 0)
        WriteBatchFile(set.folder + "error.txt", BatchErrorText(SerialFitState::errorCode), out);
}

void ExportSetForMirovan(TXLAWindow* window, const BatchSetPaths& set, BatchWrite& out,
                         bool reloadedInPlace) {
    const std::string xpPath = set.folder + "data" + set.underscored + ".xp";
    // A reload in place keeps the selection of the first set: the experiment file names the
    // folder and scans of this set. One scan is named by its full path.
    const std::string selection = ScanPaths::gLoadSelection;
    if (reloadedInPlace && !ScanStore::fileNames.empty())
        ScanPaths::gLoadSelection = ScanStore::scanCount < 2 && ScanStore::scanFileName
                                        ? set.folder + ScanStore::scanFileName[1]
                                        : WithoutTrailingSeparator(set.folder);
    const bool xpWritten = WriteMirovanXpFile(window, xpPath.c_str());
    ScanPaths::gLoadSelection = selection;
    if (!xpWritten) {
        out.Fail(xpPath);
        return;
    }
    const std::string modelPath = set.folder + "from_tarnix_series" + set.underscored + ".mirovan";
    if (!WriteMirovanParFile(window, modelPath.c_str(), xpPath.c_str()))
        out.Fail(modelPath);
}

std::optional<std::string> RunBatchSets(TXLAWindow* window, const std::function<void()>& sets) {
    if (RanOutOfMemory(*window, sets))
        return BatchSetCaption();
    return std::nullopt;
}

void ReportBatchEnd(TXLAWindow* window, const BatchWrite& written, bool stopped, int setsDone,
                    const std::optional<std::string>& outOfMemoryAt) {
    if (outOfMemoryAt) {
        std::string text = kOutOfMemoryText;
        if (!outOfMemoryAt->empty())
            text += "\n" + *outOfMemoryAt;
        text += "\nseries stopped - sets done: " + std::to_string(setsDone);
        ShowError(text.c_str(), 0);
    } else if (!written.ok) {
        const std::string text = "could not write " + written.failedPath +
                                 "\nseries stopped - sets done: " + std::to_string(setsDone);
        window->MessageBox(text.c_str(), kSerializeCaption, MB_OK);
    } else if (stopped) {
        char text[120];
        std::snprintf(text, sizeof text, "series stopped - sets done: %d", setsDone);
        window->MessageBox(text, kSerializeCaption, MB_OK);
    }
}

std::string BatchSetCaption() {
    if (ScanStore::fileNames.empty())
        return {};
    return "SEDIMENTATION ANALYSIS -> " + ScanStore::fileNames[0] + "...";
}

void ShowBatchSetCaption(TXLAWindow* window) {
    const std::string caption = BatchSetCaption();
    if (!caption.empty())
        window->SetCaption(caption.c_str());
}

void EndBatch(BatchPlotRecording& plots) {
    SerialFitState::serializing = false;
    plots.Finish();
    ShowBatchSetPlots();
    SerialFitState::restorePrevious = false;
}

BatchPlotRecording::BatchPlotRecording() {
    CWINPlot::DeferRecording(true);
}

void BatchPlotRecording::Finish() {
    if (on_)
        CWINPlot::DeferRecording(false);
    on_ = false;
}

void ShowBatchSetPlots() {
    if (!ScanStore::dataPlot && ScanStore::scanCount > 0)
        WindowServices::SetPlotAxisTitles();
}
