// Fit and residual files of all scans, one scan file (or light-scattering curve) per scan, named
// after the scan or after the name the user chose.
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/random_numbers.h"
#include "foundations/show_error.h"
#include "foundations/sounds.h"
#include "plat/msgbox.hpp"
#include "plat/paths.hpp"
#include "scandata/dls_acf_conversion.h"
#include "scandata/dls_file.h"
#include "scandata/fit_limits.h"
#include "scandata/result_files.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"

#include <cmath>
#include <string>
#include <vector>

namespace {

using S = ScanStore;

struct SeriesKind {
    char letter;
    float** values;
    const char* descriptionPrefix;
    const char* declinedText;
    bool convertToAbsorbance;
};

// The overwrite question of a run: asked at the first existing file, Yes covers the rest.
bool MayOverwrite(const std::string& file, bool& overwriteAll) {
    if (overwriteAll || !FileExists(file.c_str()))
        return true;
    PlayInfoSound();
    std::string text = "file " + file + " already exists!\nOverwrite all?";
    if (MessageBox(nullptr, text.c_str(), "ERROR", MB_YESNO) != IDYES)
        return false;
    overwriteAll = true;
    return true;
}

void CouldNotWrite(const std::string& file) {
    std::string text = "\n\aAttention: could not open " + file;
    ShowError(text.c_str(), 0);
}

// The noise a light-scattering fit file gets, asked for each file.
struct DlsNoise {
    bool field = false; // added to g(1) before squaring, else to g(2)-1 after
    float level = 0.0f;
};

DlsNoise AskDlsNoise() {
    DlsNoise noise;
    if (MessageBox(nullptr, "add noise?", "SAVE DLS DATA", MB_YESNO) != IDYES)
        return noise;
    noise.field = MessageBox(nullptr, "add noise to field autocorrelation?", "SAVE DLS DATA",
                             MB_YESNO) == IDYES;
    float level = 0.0f;
    if (InputFloat(&level, 0.0f, true,
                   noise.field ? "level of noise in field autocorrelation:"
                               : "level of noise in intensity autocorrelation:",
                   "SAVE DLS DATA"))
        noise.level = level;
    return noise;
}

// Light-scattering fits in memory are g(1) when the record says so and are squared back (sign
// kept) to the g(2)-1 the file holds; curves kept as g(2)-1 are written as they are.
bool WriteDlsFit(const std::string& file, int k, int n, float* lags, float* values,
                 const std::string& description) {
    const DlsRecord& record = S::dlsRecords[k];
    DlsNoise noise = AskDlsNoise();
    for (int i = 1; i <= n; ++i) {
        double y = values[i];
        if (noise.field && noise.level != 0.0f)
            y += GaussRandom(noise.level);
        if (record.isFieldAcf)
            y = SignedSquare(static_cast<float>(y));
        if (!noise.field && noise.level != 0.0f)
            y += GaussRandom(noise.level);
        values[i] = static_cast<float>(y);
    }
    gDlsSquareBack = false;
    return WriteDlsData(file.c_str(), n, lags, values, description.c_str(), record);
}

// One file per scan over its fit range, as SaveFitData and SaveResiduals write them.
bool SaveScanSeries(const char* path, const SeriesKind& kind) {
    if (!path || S::scanCount < 1 || !kind.values || (gDlsData && !S::dlsRecords))
        return false;
    const bool intensity = ScanDataKind::intensity && !gDlsData;
    bool overwriteAll = false;
    for (int k = ModelChoice::differenceData ? 2 : 1; k <= S::scanCount; ++k) {
        if (!kind.values[k])
            continue;
        const std::string file = ResultFileName(path, S::scanFileName[k], kind.letter);
        int first = 1, last = 0;
        FitRange(k, first, last);
        first = std::max(first, 1);
        last = std::min(last, S::pointCount[k]);
        const int n = last - first + 1;
        if (n < 1)
            continue;
        std::vector<float> radius(static_cast<std::size_t>(n) + 1);
        std::vector<float> values(static_cast<std::size_t>(n) + 1);
        std::vector<float> third;
        const bool withThird = intensity && S::thirdColumn && S::thirdColumn[k];
        if (withThird)
            third.assign(static_cast<std::size_t>(n) + 1, 0.0f);
        for (int i = 1; i <= n; ++i) {
            const int j = first + i - 1;
            radius[i] = S::radius[k][j];
            values[i] = kind.values[k][j];
            if (withThird) {
                third[i] = S::thirdColumn[k][j];
                // Points without a positive pair have no absorbance; they are written as 0.
                if (kind.convertToAbsorbance)
                    values[i] = third[i] > 0.0f && values[i] > 0.0f
                                    ? std::log10(third[i] / values[i])
                                    : 0.0f;
            }
        }
        const std::string description = std::string(kind.descriptionPrefix) + S::scanFileName[k];
        if (!MayOverwrite(file, overwriteAll)) {
            MessageBox(nullptr, kind.declinedText, "ERROR", MB_OK);
            return false;
        }
        bool written =
            gDlsData ? WriteDlsFit(file, k, n, radius.data(), values.data(), description)
                     : ScanTimeStampTag(file.c_str(), n, radius.data(), values.data(),
                                        withThird ? third.data() : nullptr, description.c_str(),
                                        S::header[k].timeStampChecked, S::header[k]) != 0;
        if (!written) {
            CouldNotWrite(file);
            return false;
        }
    }
    return true;
}

} // namespace

std::string ResultFileName(const std::string& chosenPath, const char* scanName, char letter) {
    std::string drive, dir, name, ext;
    plat::SplitPath(chosenPath, &drive, &dir, &name, &ext);
    std::string scanExt;
    plat::SplitPath(scanName ? scanName : "", nullptr, nullptr, nullptr, &scanExt);
    if (gOldFilenameConvention)
        return plat::MakePath(drive, dir, name, scanExt);
    std::string own = scanName ? scanName : "";
    if (!own.empty())
        own[0] = letter;
    return plat::MakePath(drive, dir, "", "") + own;
}

bool SaveFitData(const char* path, bool convertToAbsorbance) {
    return SaveScanSeries(path, {'f', S::fit, "fitted to ", "fit not saved", convertToAbsorbance});
}

bool SaveResiduals(const char* path) {
    if (gDlsData) {
        PlayInfoSound();
        MessageBox(nullptr, "not implemented for DLS data", "ERROR", MB_OK);
        return false;
    }
    return SaveScanSeries(path, {'r', S::residuals, "residuals to ", "residuals not saved", false});
}
