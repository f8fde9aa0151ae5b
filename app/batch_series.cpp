// The batch over series chosen in the plotting program and the files exchanged with it.
#include "app/batch_series.h"

#include "app/batch_fit_common.h"
#include "app/txla_window.h"
#include "app/vizra_exchange_files.h"
#include "fitting/restore_analysis.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "plat/process.hpp"
#include "scandata/fit_limits.h"
#include "scandata/list_file.h"
#include "scandata/reload_data.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file_list.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/scan_store.h"
#include "state/serial_fit_state.h"
#include "state/startup_paths.h"
#include "state/window_services.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <system_error>
#include <vector>

std::string gSeriesFolder;
std::string gVizraExePath;

namespace {

namespace fs = std::filesystem;
using SF = SerialFitState;

// The longest field a series line may hold, in characters.
constexpr std::size_t kFieldLimit = 259;
// The most scan files one series collects.
constexpr int kSeriesFileLimit = 1000;
// The most scan numbers a series may span: each missing number is looked for on its own, so a
// mistyped last number must not mean a billion looks.
constexpr int kSeriesNumberSpan = 99999;
// Seconds to wait for the series file: ten waits that a key ends, and one more.
constexpr int kSeriesFileWaits = 11;

bool IsProgram(const fs::path& path) {
    std::error_code error;
    if (!fs::is_regular_file(path, error))
        return false;
    const fs::perms p = fs::status(path, error).permissions();
    return (p & (fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec)) !=
           fs::perms::none;
}

std::string SeriesFileName() {
    return SF::listOfListsMode ? "listOfLists.txt" : "toBeProcessed.txt";
}

std::string ShowText(const char* format, const std::string& a) {
    char text[1200];
    std::snprintf(text, sizeof text, format, a.c_str());
    return text;
}

// Moves name.ext of the series folder to the first free "name(n).ext" from n on; n is left at
// the number used. False when the user does not go on after a failed move.
bool MoveAside(TXLAWindow* window, const std::string& fileName, int& n) {
    const std::string from = gSeriesFolder + fileName;
    std::error_code error;
    if (!fs::exists(from, error))
        return true;
    const std::string stem = fs::path(fileName).stem().string();
    const std::string ext = fs::path(fileName).extension().string();
    std::string to;
    do {
        char name[600];
        std::snprintf(name, sizeof name, "%s(%d)", stem.c_str(), n);
        to = gSeriesFolder + name + ext;
        ++n;
    } while (fs::exists(to, error));
    --n;
    // A hard link never replaces a file that appeared meanwhile; the old name then goes.
    fs::create_hard_link(from, to, error);
    if (!error)
        fs::remove(from, error);
    if (!error)
        return true;
    char text[1400];
    std::snprintf(text, sizeof text, "could not rename existing %s to %s - proceed?", from.c_str(),
                  to.c_str());
    return window->MessageBox(text, "", MB_YESNO) == IDYES;
}

// The fields of one line; false when a field is longer than the limit.
bool SplitFields(const std::string& line, std::vector<std::string>& fields) {
    std::istringstream in(line);
    fields.clear();
    for (std::string f; in >> f;) {
        if (f.size() > kFieldLimit)
            return false;
        fields.push_back(f);
    }
    return true;
}

bool ParseInt(const std::string& text, int& value) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (end == text.c_str() || *end != '\0' || v < -1000000000L || v > 1000000000L)
        return false;
    value = static_cast<int>(v);
    return true;
}

void AddSeries(const std::string& listPath, const std::string& name) {
    ++SF::seriesCount;
    SF::seriesListPaths.push_back(listPath);
    SF::seriesNames.push_back(name);
    SF::seriesRmsd.push_back(0.0f);
    SF::seriesMeniscus.push_back(0.0f);
    SF::seriesFf0.push_back(0.0f);
}

void ClearSeriesTable() {
    SF::seriesCount = 0;
    SF::seriesListPaths = SF::seriesNames = {""};
    SF::seriesRmsd = SF::seriesMeniscus = SF::seriesFf0 = {0.0f};
}

// The name the series' own files carry: a name that is a path gives its file name.
std::string SeriesFileStem(const std::string& name) {
    const std::string base = fs::path(name).filename().string();
    return base.empty() ? name : base;
}

} // namespace

std::string FindVizraProgram() {
    const std::string local = std::string(gProgramFolder) + "VIZRA/VIZRA";
    for (const std::string& candidate : {local, local + ".exe"})
        if (IsProgram(candidate))
            return candidate;
    if (const char* path = std::getenv("PATH")) {
        std::istringstream dirs(path);
        for (std::string dir; std::getline(dirs, dir, ':');) {
            if (dir.empty())
                continue;
            for (const char* name : {"VIZRA", "vizra"})
                if (IsProgram(fs::path(dir) / name))
                    return (fs::path(dir) / name).string();
        }
    }
    return {};
}

bool StartVizraWatch(TXLAWindow* window) {
    if (ScanStore::scanCount <= 0)
        return false;
    if (!AskBatch(window,
                  "Are currently loaded data part of the series, and analyzed as the series "
                  "should be?")) {
        window->MessageBox("please load first data set and analyze manually, then invoke "
                           "serialization",
                           kSerializeCaption, MB_OK);
        return false;
    }
    if (!ModelChoice::contiMode || !BatchContinuousCsModel()) {
        window->MessageBox("sorry, currently only envisioned for c(s)", kSerializeCaption, MB_OK);
        return false;
    }
    gVizraExePath = FindVizraProgram();
    if (gVizraExePath.empty()) {
        const std::string where = std::string(gProgramFolder) + "VIZRA/VIZRA";
        window->MessageBox(ShowText("sorry, could not find VIZRA file at %s", where).c_str(),
                           kSerializeCaption, MB_OK);
        return false;
    }
    MakeTmpScanFileList(0);
    gSeriesFolder = CurrentSetPaths().folder;
    if (ScanDataKind::fluorescence)
        SF::listOfListsMode = true;
    else
        SF::listOfListsMode =
            window->MessageBox("look for existing series of lists? (otherwise they will be "
                               "assembled by scan numbers)",
                               kSerializeCaption, MB_YESNO | MB_DEFBUTTON2) == IDYES;
    int n = 1;
    if (!MoveAside(window, SeriesFileName(), n) || !MoveAside(window, "SerialFit.pptx", n))
        return false;

    if (plat::StartProgram(gVizraExePath,
                           {"--cofs", SF::listOfListsMode ? "--watchlist" : "--watch",
                            WithoutTrailingSeparator(gSeriesFolder)}) <= 31) {
        window->MessageBox(
            ShowText("sorry, could not find VIZRA file at %s", gVizraExePath).c_str(),
            kSerializeCaption, MB_OK);
        return false;
    }
    window->MessageBox("now please work with VIZRA to select sets and press 'begin', then press "
                       "OK here",
                       kSerializeCaption, MB_OK);

    const std::string seriesFile = gSeriesFolder + SeriesFileName();
    window->SetCursor(IDC_WAIT);
    bool found = FileExists(seriesFile.c_str());
    for (int wait = 1; !found && wait <= kSeriesFileWaits; ++wait) {
        WaitSeconds(1.0f);
        found = FileExists(seriesFile.c_str());
        if (!found && wait < kSeriesFileWaits && KeyPressed())
            break;
    }
    window->SetCursor(IDC_ARROW);
    if (!found) {
        window->MessageBox(
            ShowText("oops - can't seem to find %s ... sorry, stopping here", seriesFile).c_str(),
            kSerializeCaption, MB_OK);
        return false;
    }
    return true;
}

bool ReadSeriesListOfLists(TXLAWindow* window) {
    const std::string path = gSeriesFolder + SeriesFileName();
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        ShowError(ShowText("\n\aAttention: could not open %s", path).c_str(), 0);
        return false;
    }
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (text.empty())
        return false;
    // Every line that holds a field, the last one also without a line end.
    std::vector<std::vector<std::string>> lines;
    std::istringstream all(text);
    for (std::string line; std::getline(all, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::vector<std::string> fields;
        bool ok = SplitFields(line, fields);
        if (ok && fields.empty())
            continue;
        int first = 0, last = 0, step = 0;
        if (ok && SF::listOfListsMode)
            ok = fields.size() == 1;
        else if (ok)
            // A step below 1 or a range running backwards would never reach its end.
            ok = fields.size() == 5 && ParseInt(fields[2], first) && ParseInt(fields[3], last) &&
                 ParseInt(fields[4], step) && step >= 1 && first >= 0 && last >= first &&
                 last - first <= kSeriesNumberSpan;
        if (!ok) {
            ShowError(ShowText("\aparsing error of %s", path).c_str(), 0);
            return false;
        }
        if (fields[0].find("None") != std::string::npos)
            fields[0].clear();
        lines.push_back(fields);
    }
    ClearSeriesTable();
    for (std::size_t k = 0; k < lines.size(); ++k) {
        const std::vector<std::string>& f = lines[k];
        if (SF::listOfListsMode) {
            AddSeries(f[0], f[0]);
            continue;
        }
        const int first = std::atoi(f[2].c_str()), last = std::atoi(f[3].c_str());
        const int step = std::atoi(f[4].c_str());
        std::string listPath;
        if (!MakeSeriesListFile(window, listPath, f[0], f[1], first, last, step)) {
            char message[1400];
            std::snprintf(message, sizeof message, "\aproblem creating list #%d: %s %s %d %d %d",
                          static_cast<int>(k + 1), f[0].c_str(), f[1].c_str(), first, last, step);
            ShowError(message, 0);
            break;
        }
        AddSeries(listPath, f[0] + f[1]);
    }
    return true;
}

bool MakeSeriesListFile(TXLAWindow* /*window*/, std::string& listPath, const std::string& prefix,
                        const std::string& extension, int first, int last, int step) {
    std::vector<std::string> names;
    auto fileFor = [&](int n) {
        char number[16];
        std::snprintf(number, sizeof number, "%05d", n);
        return gSeriesFolder + prefix + number + "." + extension;
    };
    auto write = [&] {
        // The list lies beside the collected files, named as the loaders name it.
        std::string folder = gSeriesFolder;
        if (!names.empty())
            folder = fs::path(names.front()).parent_path().string() + "/";
        std::vector<std::string> strings{WithoutTrailingSeparator(folder)};
        for (const std::string& n : names)
            strings.push_back(fs::path(n).filename().string());
        // Two series of one extension in one folder keep lists of their own.
        listPath = folder + "list." + extension;
        for (int n = 2; std::find(SF::seriesListPaths.begin(), SF::seriesListPaths.end(),
                                  listPath) != SF::seriesListPaths.end();
             ++n)
            listPath = folder + "list(" + std::to_string(n) + ")." + extension;
        return WriteListFile(listPath, ListFileText{.stride = 1, .strings = strings});
    };
    if (last < first)
        return write();
    int n = first;
    for (;;) {
        if (FileExists(fileFor(n).c_str())) {
            if (static_cast<int>(names.size()) >= kSeriesFileLimit) {
                char message[120];
                std::snprintf(message, sizeof message, "\n\aAttention: too many files in set %d",
                              kSeriesFileLimit);
                ShowError(message, 0);
                return write();
            }
            names.push_back(fileFor(n));
            if (n >= last)
                return write();
            n = std::min(n + std::max(step, 1), last);
        } else {
            if (n >= last && names.size() < 2) {
                char message[600];
                std::snprintf(message, sizeof message,
                              "\aproblem creating list %s: only %d files found", extension.c_str(),
                              static_cast<int>(names.size()));
                ShowError(message, 0);
                return false;
            }
            ++n;
            if (n > last)
                return write();
        }
    }
}

bool RunSerialFitSeries(TXLAWindow* window) {
    SF::stopRequested = false;
    gUserInterrupt.store(false);
    window->paintSuspended = true;
    const bool fitEach =
        AskBatch(window, "fit each set? \n(otherwise only run will be executed in each set)");
    const CorrectionSnapshot corrections;
    const bool bottomFloating = ModelParameters::bottomFloat != 0;
    SF::restorePrevious = AskBatch(window, "restore previous params if available?");
    const bool overwriteCorrections = ScanDataKind::fluorescence && SF::restorePrevious &&
                                      AskBatch(window, "overwrite FDS-related parameters?");
    float rightLimit = ScanStore::rightFitLimit;
    const bool overwriteRight = SF::restorePrevious && AskBatch(window, "overwrite FitRightLim?");
    if (overwriteRight)
        InputFloatForWindow(window, &rightLimit, rightLimit, true, "right lim position ",
                            kSerializeCaption);
    const bool floatBottom =
        ScanDataKind::fluorescence &&
        AskFloatBottom(window, overwriteCorrections, corrections, bottomFloating);
    window->paintSuspended = false;
    const std::string startAnalysis = ScanPaths::gDataPath;

    int done = 0;
    bool stopped = false;
    BatchWrite written;
    BatchPlotRecording plots;
    // Out of memory in a set ends the series there, as its own end below ends it.
    const std::optional<std::string> outOfMemoryAt = RunBatchSets(window, [&] {
        for (int k = 1; k <= SF::seriesCount && written.ok; ++k) {
            ReadListFile(SF::seriesListPaths[k]);
            SF::serializing = true;
            ReloadAllData(window, WindowServices::Observer(window));
            MakeTmpScanFileList(0);
            PointSavedAnalysisAtSet();
            SF::errorCode = 0;
            if (ScanStore::scanCount <= 0)
                break;
            ShowBatchSetCaption(window);
            if (!(SF::restorePrevious && RestorePreviousAnalysis(window, true)))
                ReloadParameters(window, startAnalysis.c_str());
            if (overwriteCorrections)
                corrections.PutBack();
            if (overwriteRight) {
                ScanStore::rightFitLimit = rightLimit;
                ApplyRightFitLimit();
            }
            if (floatBottom)
                FloatBottom();
            if (RunBatchSetAndAskStop(window, fitEach)) {
                stopped = true;
                break;
            }
            const BatchSetPaths set = CurrentSetPaths();
            if (DistributionAvailable()) {
                WriteDistributionReport(set, false, written);
                const std::string stem = SeriesFileStem(SF::seriesNames[k]);
                const std::string dfr = set.folder + "dfr" + stem + ".txt";
                const std::string dist = set.folder + "dist" + stem + ".txt";
                if (written.ok && !WriteSvdfrDataFile(dfr))
                    written.Fail(dfr);
                if (written.ok && !WriteDistributionFiles(true, dist))
                    written.Fail(dist);
                SF::seriesRmsd[k] = FitControl::bestRmsd;
                SF::seriesMeniscus[k] = ModelParameters::meniscus;
                SF::seriesFf0[k] = ContiState::ff0;
            }
            if (written.ok)
                WriteBatchErrorFile(set, written);
            if (written.ok)
                ExportSetForMirovan(window, set, written);
            if (written.ok)
                ++done;
        }
    });
    EndBatch(plots);
    corrections.PutBack();
    ReportBatchEnd(window, written, stopped, done, outOfMemoryAt);
    return true;
}

bool WriteDistFinis(TXLAWindow* /*window*/) {
    const std::string path = gSeriesFolder + "distFinis.txt";
    std::string text;
    for (int k = 1; k <= SF::seriesCount; ++k)
        AppendFormat(text, "%s\t%f\t%f\t%f\n", SF::seriesNames[k].c_str(),
                     static_cast<double>(SF::seriesRmsd[k]),
                     static_cast<double>(SF::seriesMeniscus[k]),
                     static_cast<double>(SF::seriesFf0[k]));
    if (!plat::WriteFileAtomically(path, text)) {
        ShowError(ShowText("\n\aAttention: could not open %s - please create manually to stop "
                           "VIZRA's watch",
                           path)
                      .c_str(),
                  0);
        return false;
    }
    ClearSeriesTable();
    return true;
}

void TXLAWindow::CmSerializeFitWithVizra() {
    if (!StartVizraWatch(this) || !ReadSeriesListOfLists(this))
        return;
    RunSerialFitSeries(this);
    WriteDistFinis(this);
}
