// Time course of I(Rh): one slice per curve. The kernel rows of a slice are its curve's decays,
// so each slice is an ordinary distribution problem on one curve; slices are solved one after
// the other on the shared kernel and stored together, so a stop or a failure loses nothing.
// Checked in the distribution tests on curves whose single decay changes with time.
#include "distributions/dls_time_course.h"

#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "foundations/show_error.h"
#include "simulation/conti_kernel.h"
#include "simulation/dls_kernels.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/run_switches.h"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <cstdio>
#include <new>
#include <string>

namespace {

using S = ScanStore;

DlsTimeCourse gTimeCourse;

// The checks of the Run, and one curve's set holding more values than unknowns.
std::string CheckTimeCourse(const ContiDataSet& all) {
    std::string problem = CheckContiRun(ContiVariant::DlsRh);
    if (!problem.empty())
        return problem;
    ContiDataSet slice = all;
    slice.scans.resize(1);
    const int n = static_cast<int>(ContiState::resolution);
    if (double(n) + slice.NoiseParameters() > slice.Values()) {
        char text[300];
        std::snprintf(text, sizeof text,
                      "%d grid points and %d noise parameters are more unknowns than the %.0f "
                      "values of one curve: reduce the resolution.",
                      n, slice.NoiseParameters(), slice.Values());
        return text;
    }
    return {};
}

// The kernel rows of curve k at every grid point; false after the box of a g(2)-1 curve.
bool SliceKernel(const ContiGrid& g, int k) {
    for (int p = 1; p <= g.n; ++p)
        if (!BuildDlsDistributionKernelA(gContiKernel, p, g.D[p], k, k))
            return false;
    return true;
}

// Every slice solved into slices; false with the reason said (or a stop) and nothing kept.
bool SolveSlices(CComputeObserver& observer, const ContiGrid& g, const ContiDataSet& all,
                 std::vector<ContiSolution>& slices) {
    gContiKernel.Allocate(g.n, S::scanCount, S::gridRadius, S::gridCount);
    for (int k : all.scans) {
        if (!SliceKernel(g, k))
            return false;
        ContiSolution sol;
        sol.grid = g;
        sol.set = all;
        sol.set.scans = {k};
        const ContiStatus status = SolveContiSet(observer, sol);
        if (status != ContiStatus::Done || gUserInterrupt.load())
            return false;
        if (!SolutionStorable(sol))
            return false;
        slices.push_back(std::move(sol));
    }
    for (int p = 1; p <= g.n; ++p)
        gContiKernel.SetSolved(p, true);
    return true;
}

} // namespace

const DlsTimeCourse& LastDlsTimeCourse() {
    return gTimeCourse;
}

void ClearDlsTimeCourse() {
    gTimeCourse = DlsTimeCourse{};
}

bool RunContinuousModel(TXLAWindow* window, CComputeObserver& observer) {
    ContiDataSet all;
    std::string why;
    std::string problem = CheckContiRun(ContiVariant::DlsRh);
    if (problem.empty() && !GetContiDataSet(all, &why))
        problem = why;
    if (problem.empty())
        problem = CheckTimeCourse(all);
    if (!problem.empty()) {
        ShowError(problem.c_str(), 0);
        return false;
    }
    OfferFieldAcfConversion(window);
    ContiState::fMvsMOneShot = false;
    gUserInterrupt.store(false);
    const ContiGrid g = CurrentContiGrid(ContiVariant::DlsRh);
    std::vector<ContiSolution> slices;
    bool solved = false;
    try {
        solved = SolveSlices(observer, g, all, slices);
    } catch (const std::bad_alloc&) {
        ShowError(NotEnoughMemoryText().c_str(), 0);
    }
    if (!solved) {
        // The kernel holds this time course's rows only partly.
        gContiKernel.Free();
        return false;
    }
    ClearDlsTimeCourse();
    gTimeCourse.radiusNm = g.x;
    for (const ContiSolution& sol : slices) {
        StoreContiSolution(sol);
        gTimeCourse.timesS.push_back(S::dlsRecords[sol.set.scans.front()].time);
        std::vector<double> values(sol.c.size(), 0.0);
        for (int p = 1; p <= g.n; ++p)
            values[p] = sol.c[p] / g.weight[p];
        gTimeCourse.values.push_back(std::move(values));
    }
    WindowServices::ShowDistribution(window);
    MoveNoiseIntoData();
    observer.RequestRepaint();
    return true;
}
