// "Fit Time Dependent s,M": the s and M of each pair of consecutive scans, shown as a table and
// put on the clipboard.
#include "app/busy_as_a_fit.h"
#include "app/txla_window.h"
#include "distributions/time_dependent_s_m.h"
#include "foundations/clipboard_table.h"
#include "foundations/hydrodynamics.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <vector>

void TXLAWindow::CmFitTimeDependentSM() {
    using P = ModelParameters;
    // The species of slot 1 as the start: its M, or the M of its s and D.
    const double s = P::speciesS[1];
    double mass = P::speciesDOrM[1];
    if (!ModelChoice::equilibriumMs)
        mass = MFromSandD(P::speciesS[1], P::speciesDOrM[1] * 1e-7f,
                          static_cast<float>(ScanTemperatureKelvin() - 273.15));
    TimeDependentOutcome out;
    {
        const BusyAsAFit busy(*this);
        SetCursor(IDC_WAIT);
        out = FitTimeDependentSAndM(this, s, mass);
        SetCursor(IDC_ARROW);
    }
    RequestRepaint();
    if (!out.problem.empty()) {
        MessageBox(out.problem.c_str(), "Error", MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (out.rows.empty()) {
        if (!out.stopped)
            MessageBox("No pair of scans could be fitted: the scans need different times.", "Error",
                       MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const int n = static_cast<int>(out.rows.size());
    std::vector<float> t(n + 1), sv(n + 1), mv(n + 1), rmsd(n + 1);
    for (int i = 1; i <= n; ++i) {
        const TimeDependentRow& r = out.rows[std::size_t(i - 1)];
        t[i] = static_cast<float>(r.timeS);
        sv[i] = static_cast<float>(r.s);
        mv[i] = static_cast<float>(r.M);
        rmsd[i] = static_cast<float>(r.rmsd);
    }
    const float* columns[] = {nullptr, sv.data(), mv.data(), rmsd.data()};
    CopyColumnsToClipboard(this, t.data(), columns, 1, n, 3);
    const std::string text = TimeDependentTable(out.rows) + "\n(copied to the clipboard)";
    MessageBox(text.c_str(), "TIME DEPENDENT s,M", MB_OK);
}
