// The list road of the distribution kernel.
#include "distributions/conti_lamm_list.h"

#include "distributions/conti_normal_equations.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_list_run.h"
#include "scandata/rotor_speed_profile.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/lamm_template.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/startup_paths.h"

#include <algorithm>

void LoadContiLammTemplate(CLammIdeal& o, CComputeObserver& observer, double sS, double dCm2s,
                           float** rows) {
    LammTemplateOutput output;
    output.rows = rows;
    output.radii = ScanStore::gridRadius;
    output.radiusCount = ScanStore::gridCount;
    LoadLammTemplate(o, &observer, sS, dCm2s, 1.0, output);
}

// Columns of equations that were not solved are cleared by the list and marked unsolved here.
// An equation writes each row of its column whole, so the kernel is not cleared before the list;
// any row no equation wrote is cleared after it.
LammResult RunSVContiSedList(TXLAWindow* window, CComputeObserver& observer, int n, const double* s,
                             const double* D, const double* vbar, const ContiDataSet* set,
                             ContiColumnStarts* starts) {
    const int scans = ScanStore::scanCount;
    if (starts != nullptr)
        starts->n = 0;
    if (n <= 0 || scans <= 0 || ScanStore::gridRadius == nullptr || ScanStore::gridCount <= 0)
        return LammResult::Refused;
    // Each column's rows are made ready by the thread that solves it, right before, and a row
    // its equation left unwritten is cleared right after (before its starts are found): the
    // same rows as the clearing after the list leaves.
    gContiKernel.AllocateForWholeRows(n, scans, ScanStore::gridRadius, ScanStore::gridCount, true);
    const bool find = set != nullptr && starts != nullptr && set->Scans() > 0 &&
                      std::all_of(set->scans.begin(), set->scans.end(),
                                  [scans](int k) { return k >= 1 && k <= scans; });
    if (find)
        starts->Reset(n, *set);
    const ContiColumnRow column = [set](int p, int k) {
        return gContiKernel.Row(p, set->scans[std::size_t(k)]);
    };
    std::vector<char> begun(std::size_t(n) + 1, 0);
    LammListCalls calls;
    calls.starting = [&begun](int p) {
        begun[std::size_t(p)] = 1;
        gContiKernel.PrepareWholeRows(p);
    };
    calls.solved = [&](int p) {
        gContiKernel.ClearUnwrittenRows(p);
        if (find)
            FindContiColumnStart(*set, column, p, *starts);
    };
    LammResult result = LammResult::Solved;
    {
        CLammIdeal tmpl;
        LoadContiLammTemplate(tmpl, observer, s[1], D[1], gContiKernel.Targets()[1]);
        result = CLRunMTList(&tmpl, n, s, D, vbar, gContiKernel.Targets(), ScanStore::gridRadius,
                             ScanStore::gridCount, nullptr, nullptr, gContiKernel.SolvedFlags(),
                             nullptr, &calls);
        ReportUnwrittenFiles(tmpl.unwrittenFiles);
    }
    // (the columns solved were cleared as they were solved)
    for (int p = 1; p <= n; ++p) {
        if (!begun[std::size_t(p)])
            gContiKernel.PrepareWholeRows(p);
        if (!gContiKernel.Solved(p))
            gContiKernel.ClearUnwrittenRows(p);
    }
    if (find && result != LammResult::Solved)
        starts->n = 0;
    ReportLammSimError(window, result);
    ContiState::kernelColumn = 1;
    return result;
}

LammResult ResolveContiColumns(TXLAWindow* window, CComputeObserver& observer, int n,
                               const double* s, const double* D, const double* vbar,
                               const std::vector<int>& again) {
    const int scans = ScanStore::scanCount;
    if (n <= 0 || gContiKernel.GridPoints() != n || gContiKernel.Scans() != scans ||
        static_cast<int>(again.size()) != n + 1)
        return LammResult::Refused;
    std::vector<int> kept(std::size_t(n) + 1, 0);
    for (int p = 1; p <= n; ++p)
        kept[std::size_t(p)] = again[std::size_t(p)] != 0 ? 0 : 1;
    LammResult result = LammResult::Solved;
    {
        CLammIdeal tmpl;
        LoadContiLammTemplate(tmpl, observer, s[1], D[1], gContiKernel.Targets()[1]);
        result = CLRunMTList(&tmpl, n, s, D, vbar, gContiKernel.Targets(), ScanStore::gridRadius,
                             ScanStore::gridCount, nullptr, nullptr, gContiKernel.SolvedFlags(),
                             kept.data());
        ReportUnwrittenFiles(tmpl.unwrittenFiles);
    }
    ReportLammSimError(window, result);
    ContiState::kernelColumn = 1;
    return result;
}
