// Loadings, input checks and the list road of the discrete-species model evaluation.
#include "simulation/discrete_sed.h"

#include "foundations/notice_boxes.h"
#include "foundations/sounds.h"
#include "foundations/vector_unit.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_list_run.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/buffer_sedimentation_model.h"
#include "simulation/fixed_grid_pace.h"
#include "simulation/lamm_sim_error.h"
#include "simulation/lamm_template.h"
#include "simulation/linear_parameter_dispatch.h"
#include "simulation/moving_hat_pace.h"
#include "simulation/run_end_tests.h"
#include "simulation/stored_model.h"
#include "state/buffer_sedimentation.h"
#include "state/component_scans.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/run_switches.h"
#include "state/scan_order.h"
#include "state/window_services.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

// to[1..count] = from[1..count] times f, through double; and the plain copy of a single
// species as a sum (0 + v turns -0 into 0). The AVX2 variants run the same operations four or
// eight values at a time: the same values.
[[gnu::always_inline]] inline void ScaleRowBody(const float* from, float* to, int count, double f) {
    for (int p = 1; p <= count; ++p)
        to[p] = float(f * double(from[p]));
}
[[gnu::always_inline]] inline void CopyRowBody(const float* from, float* to, int count) {
    for (int p = 1; p <= count; ++p)
        to[p] = from[p] + 0.0f;
}
[[gnu::target("avx2")]] void ScaleRowAvx2(const float* from, float* to, int count, double f) {
    ScaleRowBody(from, to, count, f);
}
[[gnu::target("avx2")]] void CopyRowAvx2(const float* from, float* to, int count) {
    CopyRowBody(from, to, count);
}
void ScaleRow(const float* from, float* to, int count, double f) {
    if (UsableVectorUnit() >= VectorUnit::Avx2)
        ScaleRowAvx2(from, to, count, f);
    else
        ScaleRowBody(from, to, count, f);
}
void CopyRow(const float* from, float* to, int count) {
    if (UsableVectorUnit() >= VectorUnit::Avx2)
        CopyRowAvx2(from, to, count);
    else
        CopyRowBody(from, to, count);
}

// One species' signal per scan: rows[scan header index][1..points], on each scan's own radii or
// on the common grid. The rows are held as ComponentScans holds a slot's, so a solved species
// can be handed over whole instead of copied.
enum class RowCheck { NotYet, Passed, Unsound, BeyondFloat };

// A scaled species value beyond single precision: its scan, point and value.
struct FarValue {
    int scan = 0, point = 0;
    double value = 0.0;
};

struct SpeciesRows {
    std::vector<std::vector<float>> perScan;
    std::vector<float*> rows;
    FarValue far;

    void Make(bool ownRadii) {
        perScan.assign(std::size_t(S::scanCount) + 1, {});
        rows.assign(std::size_t(S::scanCount) + 1, nullptr);
        for (int k = 1; k <= S::scanCount; ++k) {
            perScan[std::size_t(k)].assign(
                std::size_t(ownRadii ? S::pointCount[k] : S::gridCount) + 1, 0.0f);
            rows[std::size_t(k)] = perScan[std::size_t(k)].data();
        }
    }
    // Whether every row is finite or, with bounds, sound: finite, nowhere far on the other side
    // of zero than the loading the species was solved with, and nowhere far above what that
    // loading can give (a solution that oscillated or grew without bound is no model); and
    // whether each stays within single precision when scaled by f, which it then is in place
    // while it is at hand. The rows of a failed check are not used; the first value beyond
    // single precision is kept in far.
    RowCheck CheckedAndScaled(const LoadingBounds* bounds, double f) {
        for (std::size_t k = 0; k < perScan.size(); ++k) {
            std::vector<float>& row = perScan[k];
            bool good = true;
            if (bounds != nullptr) {
                good = bounds->HoldAll(row.data(), row.size());
            } else {
                // one pass without an early exit, so it runs several values at a time
                for (const float v : row)
                    good &= std::fabs(v) <= std::numeric_limits<float>::max();
            }
            if (!good)
                return RowCheck::Unsound;
            if (f == 1.0 || row.empty())
                continue;
            // |f v| is largest at the largest |v| (the product's rounding keeps their order): no
            // more than the bounds let through, else found from the bits in one pass that runs
            // several values at a time (a NaN's bits lie above those of any number)
            bool representable =
                bounds != nullptr &&
                std::fabs(f) * double(bounds->LargestHeld()) <= std::numeric_limits<float>::max();
            if (!representable) {
                std::int32_t largest = 0;
                for (const float v : row)
                    largest = std::max(largest, std::bit_cast<std::int32_t>(v) & 0x7fffffff);
                representable = std::fabs(f * double(std::bit_cast<float>(largest))) <=
                                std::numeric_limits<float>::max();
            }
            if (!representable) {
                const auto at = std::find_if(row.begin(), row.end(), [f](float v) {
                    return !(std::fabs(f * double(v)) <= std::numeric_limits<float>::max());
                });
                far = {int(k), int(at - row.begin()), f * double(*at)};
                return RowCheck::BeyondFloat;
            }
            ScaleRow(row.data(), row.data(), int(row.size()) - 1, f);
        }
        return RowCheck::Passed;
    }
    // The rows become slot's component rows, which come back here in their place.
    void HandTo(int slot) {
        ComponentScans::rows[slot].swap(perScan);
        ComponentScans::knownZero[slot] = false;
        rows.clear();
    }
};

// Whether row[1..count] holds +0 only, bit for bit (a -0 is to be written over).
bool AllZeroBits(const float* row, int count) {
    std::uint32_t bits = 0;
    for (int p = 1; p <= count; ++p)
        bits |= std::bit_cast<std::uint32_t>(row[p]);
    return bits == 0;
}

// Whether the slot's rows are known to hold +0 only and have the length of every scan's row.
bool ZeroRowsInPlace(int slot) {
    const auto& rows = ComponentScans::rows[slot];
    if (!ComponentScans::knownZero[slot] || rows.size() < std::size_t(S::scanCount) + 1)
        return false;
    for (int k = 1; k <= S::scanCount; ++k)
        if (rows[std::size_t(k)].size() != std::size_t(ComponentScans::Count(k)) + 1)
            return false;
    return true;
}

// The species are solved with unit loading and scaled, unless the optics' smoothing of optical
// densities makes the signal depend on the loading in other than proportion.
bool SignalProportionalToLoading() {
    return !(ScanDataKind::absorbance && LammGrid::simulateRadialResolution);
}

LammTemplateOutput OutputFor(TXLAWindow* window, bool ownRadii, SpeciesRows& rows, int slot) {
    LammTemplateOutput out;
    out.rows = rows.rows.data();
    if (ownRadii) {
        out.scanRadii = S::radius;
        out.scanCounts = S::pointCount;
    } else {
        out.radii = S::gridRadius;
        out.radiusCount = S::gridCount;
    }
    out.equation = slot;
    out.liveProfiles = window != nullptr && S::dataPlot != nullptr;
    out.simulatingOnly = gSimulateOnly;
    return out;
}

// The buffer's signal of both sectors, each simulated on its own grid, with the amplitude left to
// the linear parameters or given by the buffer signal, which slot 4's loading then holds. False
// when a key press or a singular system left it unsolved.
bool SolveBufferSignal(TXLAWindow* window, BufferSignal& signal) {
    const double amplitude = ModelChoice::linearAmplitudes ? 1.0 : BufferSedimentation::signal;
    M::speciesLoading[M::maxSpecies] = float(amplitude);
    signal = ComputeBufferSignal(amplitude);
    return BufferSignalSolved(window, signal);
}

// The buffer's signal in its own rows. False when it was left unsolved (the model then stays as
// it was).
bool AddBufferRows(TXLAWindow* window, bool ownRadii, SpeciesRows& rows) {
    BufferSignal signal;
    if (!SolveBufferSignal(window, signal))
        return false;
    rows.Make(ownRadii);
    for (int pos = 1; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        const float* radii = ownRadii ? S::radius[scan] : S::gridRadius;
        const int count = ownRadii ? S::pointCount[scan] : S::gridCount;
        AddBufferSignal(signal, pos, radii, count, rows.rows[std::size_t(scan)]);
    }
    return true;
}

// Solves the listed slots into their rows; returns the list's result (LammResult::ListStopped
// when a key press left species unsolved). The files the solutions could not write are added to
// unwritten. calls (optional) go to the one list that solves the species at unit loading. The
// solutions report to the observer the solve was given (LammGrid::progressObserver).
LammResult SolveSpecies(TXLAWindow* window, bool ownRadii, const std::vector<int>& slots,
                        std::vector<SpeciesRows>& rows, const std::vector<double>& scale,
                        std::vector<std::string>& unwritten, const LammListCalls* calls = nullptr) {
    const int n = int(slots.size());
    std::vector<double> s(std::size_t(n) + 1), d(std::size_t(n) + 1);
    std::vector<float**> targets(std::size_t(n) + 1, nullptr);
    for (int j = 1; j <= n; ++j) {
        s[std::size_t(j)] = M::speciesS[slots[std::size_t(j - 1)]];
        d[std::size_t(j)] = SpeciesDiffusion(slots[std::size_t(j - 1)]);
        targets[std::size_t(j)] = rows[std::size_t(j)].rows.data();
    }
    const float* radii = ownRadii ? nullptr : S::gridRadius;
    const int radiusCount = ownRadii ? 0 : S::gridCount;
    float** scanRadii = ownRadii ? S::radius : nullptr;
    const int* scanCounts = ownRadii ? S::pointCount : nullptr;
    if (SignalProportionalToLoading()) {
        CLammIdeal tmpl;
        LoadLammTemplate(tmpl, LammGrid::progressObserver, s[1], d[1], 1.0,
                         OutputFor(window, ownRadii, rows[1], slots[0]));
        const LammResult result =
            CLRunMTList(&tmpl, n, s.data(), d.data(), nullptr, targets.data(), radii, radiusCount,
                        scanRadii, scanCounts, nullptr, nullptr, calls);
        unwritten.insert(unwritten.end(), tmpl.unwrittenFiles.begin(), tmpl.unwrittenFiles.end());
        return result;
    }
    LammResult code = LammResult::Solved;
    for (int j = 1; j <= n && !gUserInterrupt.load(std::memory_order_relaxed); ++j) {
        CLammIdeal tmpl;
        LoadLammTemplate(
            tmpl, LammGrid::progressObserver, s[std::size_t(j)], d[std::size_t(j)],
            scale[std::size_t(j)],
            OutputFor(window, ownRadii, rows[std::size_t(j)], slots[std::size_t(j - 1)]));
        const LammResult result =
            CLRunMTList(&tmpl, 1, s.data() + j - 1, d.data() + j - 1, nullptr,
                        targets.data() + j - 1, radii, radiusCount, scanRadii, scanCounts);
        unwritten.insert(unwritten.end(), tmpl.unwrittenFiles.begin(), tmpl.unwrittenFiles.end());
        if (result != LammResult::Solved)
            code = result;
    }
    return code;
}

// The weight of a species' concentration in the signal of the non-ideal mixture: its fourth
// value, or 1 where none is given (a weight of 0 would hide the species).
double MixtureWeight(int slot) {
    return M::speciesExponent[slot] > 0.0f ? double(M::speciesExponent[slot]) : 1.0;
}

// Slot 1 of the non-ideal multiple-species model on one solver object: with a positive
// concentration of species 2 or 3 the three species sediment on their own but share the total
// concentration in their factors 1 - ks c and 1 + kd c, and the signal is their weighted sum;
// otherwise species 1 alone is the non-ideal single species. ks and kd from their logarithms
// with the sign switch and the concentration scale of the scan store.
LammResult SolveNonidealMixture(TXLAWindow* window, bool ownRadii, SpeciesRows& rows,
                                std::vector<std::string>& unwritten) {
    CLammIdeal o;
    LoadLammTemplate(o, LammGrid::progressObserver, M::speciesS[1], SpeciesDiffusion(1), 1.0,
                     OutputFor(window, ownRadii, rows, 1));
    const bool positive = M::nonidealPositive;
    const double scale = S::concentrationScale;
    if (!(M::concentration[2] > 0.0f) && !(M::concentration[3] > 0.0f)) {
        o.LoadNonIdeality(false, true, true, false, false, 0, nullptr, nullptr, nullptr, nullptr,
                          M::logKs, M::logKd, positive, positive, scale, M::speciesS[1],
                          SpeciesDiffusion(1), M::concentration[1]);
    } else {
        double amount[4] = {}, sS[4] = {}, dCm2s[4] = {}, weight[4] = {};
        for (int k = 1; k <= 3; ++k) {
            amount[k] = std::max(double(M::concentration[k]), 0.0);
            sS[k] = M::speciesS[k];
            dCm2s[k] = SpeciesDiffusion(k);
            weight[k] = MixtureWeight(k);
        }
        o.LoadNonIdeality(false, false, true, false, true, 3, amount, sS, dCm2s, weight, M::logKs,
                          M::logKd, positive, positive, scale, M::speciesS[1], SpeciesDiffusion(1),
                          M::concentration[1]);
    }
    const LammResult result = o.Run();
    unwritten.insert(unwritten.end(), o.unwrittenFiles.begin(), o.unwrittenFiles.end());
    return result;
}

} // namespace

void ApplyDefaultFitLimits() {
    // The limits of light-scattering curves are lags, set by their loader.
    if (gDlsData)
        return;
    if (S::leftFitLimit == 0.0f) {
        S::leftFitLimit = M::meniscus;
        ApplyLeftFitLimit();
    }
    if (S::rightFitLimit == 0.0f) {
        // An unset limit starts where Load starts it, clear of the pile-up at the bottom, and
        // where every scan still has data: the user is not told about moving a limit that was
        // never set.
        float limit = DefaultRightFitLimit();
        for (int k = 1; k <= S::scanCount; ++k)
            if (S::pointCount[k] > 0)
                limit = std::min(limit, S::radius[k][S::pointCount[k]]);
        S::rightFitLimit = limit;
        ApplyRightFitLimit();
    }
}

void ApplyIntensityTransform() {
    if (!ScanDataKind::intensity || S::thirdColumn == nullptr)
        return;
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        if (S::thirdColumn[scan] == nullptr)
            continue;
        for (int p = 1; p <= S::pointCount[scan]; ++p)
            S::fit[scan][p] = float(std::exp(-2.30258509 * double(S::fit[scan][p])) *
                                    double(S::thirdColumn[scan][p]));
    }
}

bool AddBufferSignalToModel(TXLAWindow* window) {
    if (!BufferSignalSlot(M::maxSpecies) || !M::speciesIncluded[M::maxSpecies])
        return true;
    LammGrid::currentSpecies = M::maxSpecies;
    BufferSignal signal;
    if (!SolveBufferSignal(window, signal))
        return false;
    const bool direct = SignalGoesIntoFit();
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        if (direct) {
            AddBufferSignal(signal, pos, S::radius[scan], S::pointCount[scan], S::fit[scan]);
            continue;
        }
        const int count = ComponentScans::Count(scan);
        AddBufferSignal(signal, pos, ComponentScans::Radii(scan), count,
                        ComponentScans::Row(M::maxSpecies, scan, count));
    }
    return true;
}

void ClearModelRows() {
    for (int pos = LammGrid::firstSimulatedScan; pos <= S::scanCount; ++pos) {
        const int scan = ScanAtPosition(pos);
        std::fill(S::fit[scan] + 1, S::fit[scan] + 1 + S::pointCount[scan], 0.0f);
    }
    if (!SignalGoesIntoFit())
        for (int slot = 1; slot <= M::maxSpecies; ++slot)
            for (int scan = 1; scan <= S::scanCount; ++scan) {
                const int count = ComponentScans::Count(scan);
                float* row = ComponentScans::Row(slot, scan, count);
                std::fill(row + 1, row + 1 + count, 0.0f);
            }
}

void FinishModelEvaluation(TXLAWindow* window) {
    CompleteLinearParameters();
    ApplyIntensityTransform();
    S::resultAvailable = true;
    if (gSimulateOnly)
        WindowServices::RequestRepaint(window);
}

namespace {

// The species rows of one list and how they are put at their scale: the slots solved (the
// non-ideal multiple-species model solves species 1 to 3 together in slot 1), their rows and
// loadings (1-based, one per slot), and what the check on the solving thread found of each.
struct SedListRows {
    bool mixture = false;
    bool direct = false;   // the signals go into the fit, not into the component rows
    bool ownRadii = false; // the rows lie on the scans' own radii, not on the common grid
    double scaleBy = 0.0;  // 1 where the signal is in proportion to the loading
    int n = 0;
    std::vector<int> slots;
    std::vector<SpeciesRows> rows;
    std::vector<double> loading;
    std::vector<RowCheck> checked;
    double Factor(int j) const { return scaleBy != 0.0 ? loading[std::size_t(j)] : 1.0; }
};

// The slots the list solves; the mixture's slot 1 carries the whole loading.
std::vector<int> SolvedSlots(bool mixture) {
    std::vector<int> slots;
    for (int i = 1; i <= M::maxSpecies; ++i)
        if ((mixture && i == 1) ||
            (M::speciesIncluded[i] && !BufferSignalSlot(i) && !(mixture && i <= 3)))
            slots.push_back(i);
    if (mixture) {
        M::speciesLoading[1] = 1.0f;
        M::speciesLoading[2] = M::speciesLoading[3] = 0.0f;
    }
    return slots;
}

// The rows made for each slot, with its loading.
void MakeSpeciesRows(SedListRows& list) {
    list.n = int(list.slots.size());
    list.rows.resize(std::size_t(list.n) + 1);
    list.loading.assign(std::size_t(list.n) + 1, 0.0);
    for (int j = 1; j <= list.n; ++j) {
        list.rows[std::size_t(j)].Make(list.ownRadii);
        list.loading[std::size_t(j)] = M::speciesLoading[list.slots[std::size_t(j - 1)]];
    }
    list.scaleBy = SignalProportionalToLoading() ? 1.0 : 0.0;
    list.checked.assign(std::size_t(list.n) + 1, RowCheck::NotYet);
}

// The mixture's slot, then the further ideal species after it.
LammResult SolveMixtureAndRest(TXLAWindow* window, SedListRows& list,
                               std::vector<std::string>& unwritten) {
    LammResult code = SolveNonidealMixture(window, list.ownRadii, list.rows[1], unwritten);
    const int n = list.n;
    if (n > 1 && !LammSolutionMissing(code) && !gUserInterrupt.load(std::memory_order_relaxed)) {
        std::vector<int> rest(list.slots.begin() + 1, list.slots.end());
        std::vector<SpeciesRows> restRows(1);
        std::vector<double> restLoading(1, 0.0);
        for (int j = 2; j <= n; ++j) {
            restRows.push_back(std::move(list.rows[std::size_t(j)]));
            restLoading.push_back(list.loading[std::size_t(j)]);
        }
        const LammResult restCode =
            SolveSpecies(window, list.ownRadii, rest, restRows, restLoading, unwritten);
        for (int j = 2; j <= n; ++j)
            list.rows[std::size_t(j)] = std::move(restRows[std::size_t(j - 1)]);
        if (restCode != LammResult::Solved)
            code = restCode;
    }
    return code;
}

// Solves the list's species into their rows. Species solved at unit loading in one list are
// checked, and put at their scale for the component rows, on the thread that solved each, right
// after it while its rows are in that core's cache: checked[j] is what the check found.
LammResult SolveSpeciesRows(TXLAWindow* window, SedListRows& list,
                            std::vector<std::string>& unwritten) {
    LammListCalls calls;
    if (!list.mixture && list.scaleBy != 0.0)
        calls.solved = [&list](int j) {
            const LoadingBounds bounds(1.0);
            list.checked[std::size_t(j)] = list.rows[std::size_t(j)].CheckedAndScaled(
                &bounds, list.direct ? 1.0 : list.Factor(j));
        };
    if (list.n <= 0)
        return LammResult::Solved;
    const int first = list.slots[0];
    LammGrid::currentSpecies = first;
    LammGrid::s = M::speciesS[first];
    LammGrid::d = SpeciesDiffusion(first);
    LammGrid::progressObserver = WindowServices::ObserverOf(window);
    const LammResult code = list.mixture ? SolveMixtureAndRest(window, list, unwritten)
                                         : SolveSpecies(window, list.ownRadii, list.slots,
                                                        list.rows, list.loading, unwritten, &calls);
    LammGrid::progressObserver = nullptr;
    return code;
}

// The buffer's signal may be negative; the mixture's row is a weighted sum; each species of the
// others was solved at unit loading, or at its loading where the signal is not in proportion.
// Rows bound for the component rows are put at the species' scale in place as they are checked.
// Solved, or the refusal, reported.
LammResult CheckSpeciesRows(TXLAWindow* window, SedListRows& list) {
    RowCheck check = RowCheck::Passed;
    int j = 0;
    while (check == RowCheck::Passed && ++j <= list.n) {
        if (j < int(list.checked.size()) && list.checked[std::size_t(j)] != RowCheck::NotYet) {
            check = list.checked[std::size_t(j)];
            continue;
        }
        const bool species =
            !BufferSignalSlot(list.slots[std::size_t(j - 1)]) && !(list.mixture && j == 1);
        const LoadingBounds bounds(list.scaleBy != 0.0 ? 1.0 : list.loading[std::size_t(j)]);
        check = list.rows[std::size_t(j)].CheckedAndScaled(species ? &bounds : nullptr,
                                                           list.direct ? 1.0 : list.Factor(j));
    }
    if (check == RowCheck::Unsound) {
        ReportLammSimError(window, LammResult::DiscretizationError);
        return LammResult::DiscretizationError;
    }
    // A species put at its scale beyond single precision is refused before anything is stored.
    if (check == RowCheck::BeyondFloat) {
        const FarValue& far = list.rows[std::size_t(j)].far;
        ReportSignalBeyondFloat(
            window, list.ownRadii ? S::radius[far.scan][far.point] : S::gridRadius[far.point],
            far.scan, far.value);
        return LammResult::Refused;
    }
    return LammResult::Solved;
}

// Each point's sum over the species in their order, species by species over the scan, into the
// fit; the sums of every scan are formed once, checked, then stored. False when a sum beyond
// single precision (loadings near the largest float) was refused before anything was stored:
// the previous model stays.
bool StoreSumsInFit(TXLAWindow* window, const SedListRows& list) {
    const int n = list.n;
    std::vector<std::size_t> start(std::size_t(S::scanCount) + 2, 0);
    for (int k = 1; k <= S::scanCount; ++k)
        start[std::size_t(k) + 1] =
            start[std::size_t(k)] + std::size_t(std::max(S::pointCount[k], 0));
    // One species at its own scale: its values, checked above, are the sums (0 + v turns -0
    // into 0 as the sum does).
    const bool single = n == 1 && list.Factor(1) == 1.0;
    std::vector<double> sums(single ? 0 : start[std::size_t(S::scanCount) + 1] + 1);
    for (int k = 1; k <= S::scanCount && !single; ++k) {
        const int count = std::max(S::pointCount[k], 0);
        double* sum = sums.data() + start[std::size_t(k)];
        for (int j = 1; j <= n; ++j) {
            const double f = list.Factor(j);
            const float* row = list.rows[std::size_t(j)].rows[std::size_t(k)];
            if (j == 1)
                for (int p = 1; p <= count; ++p)
                    sum[p] = 0.0 + f * double(row[p]);
            else
                for (int p = 1; p <= count; ++p)
                    sum[p] += f * double(row[p]);
        }
        for (int p = 1; p <= count; ++p)
            if (!(std::fabs(sum[p]) <= std::numeric_limits<float>::max())) {
                ReportSignalBeyondFloat(window, S::radius[k][p], k, sum[p]);
                return false;
            }
    }
    for (int k = 1; k <= S::scanCount; ++k) {
        const int count = S::pointCount[k];
        float* fit = S::fit[k];
        if (single) {
            const float* row = list.rows[1].rows[std::size_t(k)];
            CopyRow(row, fit, count);
        } else {
            const double* sum = sums.data() + start[std::size_t(k)];
            for (int p = 1; p <= count; ++p)
                fit[p] = float(sum[p]);
        }
    }
    return true;
}

// The solved rows handed to their slots of the component rows, at the species' scale; the
// slots without a species zeroed.
void HandRowsToComponents(SedListRows& list) {
    for (int slot = 1; slot <= M::maxSpecies; ++slot) {
        const auto at = std::find(list.slots.begin(), list.slots.end(), slot);
        const int j = at == list.slots.end() ? 0 : int(at - list.slots.begin()) + 1;
        if (j != 0) {
            list.rows[std::size_t(j)].HandTo(slot);
            continue;
        }
        // a slot without a species mostly holds the zeros of the last evaluation: reading them
        // costs less than writing them again, and rows of the right length that nothing was
        // handed since need not be read either
        if (ZeroRowsInPlace(slot))
            continue;
        for (int k = 1; k <= S::scanCount; ++k) {
            const int count = ComponentScans::Count(k);
            float* row = ComponentScans::Row(slot, k, count);
            if (!AllZeroBits(row, count))
                std::fill(row + 1, row + 1 + count, 0.0f);
        }
        ComponentScans::knownZero[slot] = true;
    }
}

// The run's records set for a new evaluation.
void StartDiscreteSedList(TXLAWindow* window) {
    ApplyDefaultFitLimits();
    UnpackFitParameters();
    LammGrid::firstScanIsInitial = false;
    LammGrid::firstSimulatedScan = 1;
    if (gSimulateOnly)
        WindowServices::RequestRepaint(window);
    ComputeSpeciesLoadings();
    LammGrid::loadingFraction = 1.0f;
    gUserInterrupt.store(false, std::memory_order_relaxed);
    LammGrid::discretizationError = LammGrid::singularMatrix = 0;
}

} // namespace

LammResult RunDiscreteSedList(TXLAWindow* window) {
    if (S::scanCount <= 0)
        return LammResult::Solved;
    if (!CheckDiscreteModelInput(window))
        return LammResult::Solved;
    StartDiscreteSedList(window);
    SedListRows list;
    list.mixture = ModelChoice::multipleSpecies;
    list.slots = SolvedSlots(list.mixture);
    const std::vector<int>& slots = list.slots;
    const std::vector<int> solved =
        list.mixture
            ? std::vector<int>(slots.begin() + std::min<std::size_t>(1, slots.size()), slots.end())
            : slots;
    SayWhenTheFixedGridIsSlow(window, solved);
    SayWhenTheMovingHatIsSlow(window, solved);
    list.direct = SignalGoesIntoFit();
    if (!list.direct && (S::gridRadius == nullptr || S::gridCount <= 0))
        return LammResult::Solved;
    // The species rows of the linear parameters lie on the scans' own radii unless they must
    // be on the common grid.
    list.ownRadii = list.direct || ComponentScans::OnScanRadii();
    MakeSpeciesRows(list);
    std::vector<std::string> unwritten;
    const LammResult code = SolveSpeciesRows(window, list, unwritten);
    ReportUnwrittenFiles(unwritten);
    // A stopped or refused solution leaves the previous model in place.
    if (LammSolutionMissing(code) || gUserInterrupt.load(std::memory_order_relaxed)) {
        ReportLammSimError(window, code);
        return code;
    }
    if (BufferSignalSlot(M::maxSpecies) && M::speciesIncluded[M::maxSpecies]) {
        list.rows.emplace_back();
        list.loading.push_back(1.0);
        if (!AddBufferRows(window, list.ownRadii, list.rows.back()))
            return code;
        list.slots.push_back(M::maxSpecies);
        ++list.n;
    }
    const LammResult checked = CheckSpeciesRows(window, list);
    if (checked != LammResult::Solved)
        return checked;
    ReportLammSimError(window, code);
    if (list.direct) {
        if (!StoreSumsInFit(window, list))
            return LammResult::Refused;
    } else {
        HandRowsToComponents(list);
    }
    FinishModelEvaluation(window);
    return code;
}

bool BufferSignalSlot(int slot) {
    return BufferSedimentation::on && slot == M::maxSpecies;
}
