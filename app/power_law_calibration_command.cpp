// The power-law calibration dialogue: file, exponent of a single pair, plot, acceptance, store.
#include "app/power_law_calibration_command.h"

#include "app/busy_as_a_fit.h"
#include "app/last_data_folder.h"
#include "app/txla_window.h"
#include "display/plot_replays.h"
#include "foundations/input_boxes.h"
#include "foundations/key_polling.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "foundations/shape_models.h"
#include "plat/filedlg.hpp"
#include "plat/window_dc.hpp"
#include "plotting/aux_plots.h"
#include "plotting/plot_globals.h"
#include "plotting/win_plot.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_parameters.h"
#include "tools/power_law_calibration.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr const char* kCaption = "CALIBRATE C(M) POWER LAW";

bool ChooseCalibrationFile(TXLAWindow* window, std::string& path) {
    std::vector<char> name(kLastDataFolderSize + 32, '\0');
    std::snprintf(name.data(), name.size(), "%scalibration.dat", gLastDataFolder);
    OpenFileRecord record;
    record.hwndOwner = window->GetHandle();
    record.SetFilter("calibration text files (*.dat)|*.dat|");
    record.lpstrFile = name.data();
    record.nMaxFile = DWORD(name.size());
    record.lpstrInitialDir = gLastDataFolder;
    record.lpstrTitle = "please locate the calibration file";
    record.lpstrDefExt = "dat";
    record.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileName(&record))
        return false;
    path = name.data();
    return true;
}

std::vector<PowerLawPair> ReadPairs(const std::string& path) {
    int rows = 0;
    float** table = ReadMatrixTable(path.c_str(), 2, &rows);
    std::vector<PowerLawPair> pairs;
    if (!table)
        return pairs;
    for (int i = 1; i <= rows; ++i)
        pairs.push_back({double(table[1][i]), double(table[2][i])});
    free_matrix(table, 1, 2, 1, rows);
    return pairs;
}

// The pairs as symbols and the line, in the distribution area, held by the auxiliary slot and
// drawn straight into the window: the wait for a key that follows dispatches no paint, so the
// recorded picture alone would show only after the key.
void ShowCalibrationPlot(TXLAWindow* window, const PowerLawCalibration& fit) {
    SetAuxPointsAndLine(fit.dataX, fit.dataY, fit.lineX, fit.lineY);

    CWINPlot* plot = new CWINPlot();
    AuxPlots::auxPlot = plot;
    const std::int32_t* r = ScanStore::distPlotRect;
    plot->SetPlotRect(r[0], r[1], r[2], r[3]);
    plot->SetXLabel("log10(M)");
    plot->SetYLabel("log10(s)");
    plot->AddCurve(AuxPlots::temperatureCurve);
    plot->AddCurve(AuxPlots::lineCurve);
    plot->SetCurveStyle(0, 6);
    plot->SetCurveStyle(1, -1);
    plot->SetRanges(float(fit.xMin), float(fit.xMax), float(fit.yMin), float(fit.yMax));
    plot->markSize = 15;
    char text[200];
    std::snprintf(text, sizeof text, "ks = %.3e, kb = %.3e  (press a key to continue...)", fit.ks,
                  fit.kb);
    plot->SetTitle(text);
    plot->Draw();
    AuxPlots::noRescale = true;
    TClientDC dc(window);
    SetReplayMapping(dc, window);
    PlayPicture(dc, plot->Picture());
}

void StoreCalibration(const PowerLawCalibration& fit) {
    using P = ModelParameters;
    ShapeModels::scalingKs = float(fit.ks);
    ShapeModels::scalingExponent = float(fit.kb);
    P::concentration[3] = float(fit.ks);
    P::speciesExponent[3] = float(fit.kb);
    P::fitValues[11] = float(fit.ks);
    P::fitValues[18] = float(fit.kb);
}

} // namespace

bool CalibrateCMPowerLaw(TXLAWindow* window) {
    if (window->MessageBox("select enter ASCII file with calibration data\nformat: each row with "
                           "two columns containing (s M) pairs, tab or space-delimited\n(if "
                           "there's only one calibration point, scaling exponent will be "
                           "requested as user input)",
                           kCaption, MB_YESNO) != IDYES)
        return false;
    std::string path;
    if (!ChooseCalibrationFile(window, path))
        return false;
    const std::vector<PowerLawPair> pairs = ReadPairs(path);
    if (pairs.empty())
        return false;
    float exponent = 0.0f;
    if (pairs.size() == 1) {
        float entered = 0.66f;
        if (InputFloatForWindow(window, &entered, 0.66f, true,
                                "scaling exponent:", "c(M) with scaling law"))
            exponent = entered;
    }
    const PowerLawCalibration fit = CalibratePowerLaw(pairs, exponent);
    if (!fit.ok) {
        window->MessageBox(fit.refusal.c_str(), kCaption, MB_OK | MB_ICONSTOP);
        return false;
    }
    ShowCalibrationPlot(window, fit);
    {
        // The key that ends the wait stops no series and no realtime mode.
        const BusyAsAFit busy(*window);
        while (!KeyPressedForWait())
            WaitSeconds(0.2f);
    }
    char question[200];
    std::snprintf(question, sizeof question, "ks = %.3e, kb = %.3e\naccept?", fit.ks, fit.kb);
    if (window->MessageBox(question, kCaption, MB_YESNO) != IDYES)
        return false;
    StoreCalibration(fit);
    FreeAuxPlotCurves();
    window->RequestRepaint();
    return true;
}
