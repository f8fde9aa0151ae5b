// What the three batch-fit commands share: their questions, the stop check, the per-set report
// files in the folder of a set's first scan, and the boxes that end a batch early.
#pragma once

#include "state/fluorophore.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

class TXLAWindow;

inline constexpr const char* kSerializeCaption = "SERIALIZE FIT";
inline constexpr int kMaxIntegrationRanges = 10;

// One range of the automatic integration.
struct IntegrationRange {
    float sMin = 0, sMax = 0;
    float fMin = 0, fMax = 0;      // f/f0 limits, kept for the size-and-shape report
    float c = 0, sw = 0, ctot = 0; // results of the current set
    // Size-and-shape averages over the range: Mw, Mz and its second central moment, fw, R and
    // its second central moment.
    float Mw = 0, Mz = 0, mzMoment = 0, fw = 0, R = 0, rMoment = 0;
};

// Where a set writes: the folder of its first listed scan (with its separator), that file's
// extension with its dot (".RA1") and the same with an underscore ("_RA1").
struct BatchSetPaths {
    std::string folder;
    std::string ext;
    std::string underscored;
    std::string File(const std::string& name) const { return folder + name + ext; }
};

// The detection-correction settings as they were when a batch started, put back before each
// data set: every switch, value and fit flag of the record.
struct CorrectionSnapshot {
    DetectionCorrectionsSnapshot values = DetectionCorrectionsSnapshot::Take();
    void PutBack() const { values.PutBack(); }
};

// Whether every set's bottom floats: "always float bottom?" when the remembered corrections are
// put back and their shadow correction is on (No leaves each set's own switch); without the
// question, when the bottom floated as the batch started.
bool AskFloatBottom(TXLAWindow* window, bool correctionsPutBack,
                    const CorrectionSnapshot& corrections, bool bottomFloating);
// The bottom of the set floats: its switch and its fit flag.
void FloatBottom();

// The paths of the set now listed in ScanStore::fileNames (empty folder when nothing is listed).
BatchSetPaths CurrentSetPaths();

// A reload in place keeps the data folder of the first set: each set's own saved analysis is
// looked for, and its fits saved, in the folder of its first scan.
void PointSavedAnalysisAtSet();

// A Yes/No question in a "SERIALIZE FIT" box; true on Yes.
bool AskBatch(TXLAWindow* window, const char* question);
// A number box of the batch; the value is rounded down. False when it was not confirmed (value
// is then the default, rounded down).
bool AskBatchInteger(TXLAWindow* window, int* value, int defaultValue, const char* prompt);

// True when a distribution model is chosen (continuous and not a boundary analysis).
bool BatchDistributionModel();
// True for plain c(s) and c(s) with one discrete component (and the kinds on the plain c(s)
// switch: ls-g*(s), zone c(s) and ls-g*(s), ls-g*(v)).
bool BatchContinuousCsModel();
// True for the models whose data, fit, residuals and distribution the external plot draws: the
// kinds on the plain c(s) switch and bimodal f/f0.
bool DataFitDistributionPlotModel();
// True for the size-and-shape models c(s, f/f0), with or without a discrete component.
bool BatchSizeShapeModel();
// True when the current distribution holds a curve.
bool DistributionAvailable();

// The ranges of the automatic integration, asked one after another (up to ten); withFf0Limits
// also asks each range's f/f0 limits (defaults: the f/f0 grid limits).
std::vector<IntegrationRange> AskIntegrationRanges(TXLAWindow* window, bool withFf0Limits = false);
// "with Monte-Carlo error analysis?" and the count; 0 when Monte Carlo is off.
int AskMonteCarloIterations(TXLAWindow* window, int defaultCount);

// A loaded set's analysis: its last fit's info, the Run, the Fit when fitEach (also after a Run
// the user stopped), its plots, then the stop check below; true when the batch is to stop.
bool RunBatchSetAndAskStop(TXLAWindow* window, bool fitEach);
// The stop check after a set's Run and Fit: a key pressed during them (or waiting in the queue)
// asks "stop series?"; true on Yes. No clears the request and the batch goes on.
bool BatchStopAsked(TXLAWindow* window);

// The result of writing a set's files: the first file that could not be written, if any.
struct BatchWrite {
    bool ok = true;
    std::string failedPath;
    void Fail(const std::string& path) {
        if (ok)
            failedPath = path;
        ok = false;
    }
};

// The whole text into path through a temporary file; notes a failure in out.
void WriteBatchFile(const std::string& path, const std::string& text, BatchWrite& out);
// "distribution" + EXT (one "%e %e" line per grid point) and, when withFf0, "ff0" + EXT.
void WriteDistributionReport(const BatchSetPaths& set, bool withFf0, BatchWrite& out);
// "integrals" + EXT (ranges' results filled in): c, sw and ctot of the plain distribution models,
// thirteen values per range with the f/f0 limits and averages for the size-and-shape models.
void WriteCellBatchIntegrals(const BatchSetPaths& set, std::vector<IntegrationRange>& ranges,
                             BatchWrite& out);
// Integrates every range of the current distribution.
void IntegrateRanges(std::vector<IntegrationRange>& ranges);
// The Monte-Carlo step: replicates in folder "MCdata" and "MCintegrals" + EXT; code 7 when the
// folder cannot be made.
void BatchMonteCarlo(TXLAWindow* window, const BatchSetPaths& set,
                     const std::vector<IntegrationRange>& ranges, int iterations, BatchWrite& out);
// "error.txt" with the message of SerialFitState::errorCode when it is above 0.
void WriteBatchErrorFile(const BatchSetPaths& set, BatchWrite& out);
// The experiment file "data" + E + ".xp" for the sibling program, then its model files
// "from_tarnix_series" + E + ".mirovan" and ".mirovan_PAR". reloadedInPlace: the set's scans were
// loaded from the listed files (not from an experiment file, which sets its own selection).
void ExportSetForMirovan(TXLAWindow* window, const BatchSetPaths& set, BatchWrite& out,
                         bool reloadedInPlace = true);

// Runs a batch's loop over its sets. Out of memory in a set ends the Run or Fit it was computing
// and the loop, and the batch goes on to its own end; the set it ended at is returned, named as
// the window's caption names it.
std::optional<std::string> RunBatchSets(TXLAWindow* window, const std::function<void()>& sets);

// The box that ends a batch, with the number of sets done: out of memory with the set it ended
// at, else the file that could not be written when the results were not, else the stop when the
// user stopped it; none after a full run.
void ReportBatchEnd(TXLAWindow* window, const BatchWrite& written, bool stopped, int setsDone,
                    const std::optional<std::string>& outOfMemoryAt = std::nullopt);
// True when the loaded signal is saturated: above 1.8 (absorbance) or 3900 (other data but
// interference) at the first point of a scan between 6.9 and 7.0 cm.
bool SignalMaxedOut();

// For the life of a batch: its plots are recorded once, when it ends (or when a picture is asked
// for), since only the last set is ever seen; Finish ends that early.
class BatchPlotRecording {
  public:
    BatchPlotRecording();
    ~BatchPlotRecording() { Finish(); }
    BatchPlotRecording(const BatchPlotRecording&) = delete;
    BatchPlotRecording& operator=(const BatchPlotRecording&) = delete;
    void Finish();

  private:
    bool on_ = true;
};

// What every batch does as it ends: serializing off, its plots recorded and the last set's shown,
// no previous analysis restored from here on.
void EndBatch(BatchPlotRecording& plots);

// Caption of the window while a set is processed: "SEDIMENTATION ANALYSIS -> " and the set's
// first listed file (empty when none is listed).
std::string BatchSetCaption();
void ShowBatchSetCaption(TXLAWindow* window);
// The scan plots of the set loaded last, laid out unless its Run already did (a batch's reload
// leaves that to the Run).
void ShowBatchSetPlots();
