// Series and curves of the test of attained equilibrium.
#include "equilibrium/eq_test_series.h"

#include "equilibrium/eq_data_sorting.h"
#include "plat/paths.hpp"
#include "scandata/equilibrium_scans.h"
#include "scandata/scan_store_alloc.h"
#include "state/eq_test_state.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

using S = ScanStore;
using E = EqTestState;

std::string Extension(int scan) {
    std::string ext;
    plat::SplitPath(S::scanFileName[scan], nullptr, nullptr, nullptr, &ext);
    return ext;
}

bool OnList(const std::vector<CellWavelength>& list, int scan) {
    if (scan < 1 || scan > S::scanCount)
        return false;
    const ScanHeader& h = S::header[scan];
    return std::any_of(list.begin(), list.end(), [&](const CellWavelength& e) {
        return e.cell == h.cell && h.wavelength - e.wavelength < 5.0f &&
               e.wavelength - h.wavelength < 5.0f;
    });
}

void EnsureSlots() {
    if (E::slots.size() != static_cast<std::size_t>(E::capacity) + 1)
        E::slots.assign(static_cast<std::size_t>(E::capacity) + 1, EqTestSlot{});
}

} // namespace

void ResetEqTestTables() {
    E::slots.assign(static_cast<std::size_t>(E::capacity) + 1, EqTestSlot{});
    E::excluded.clear();
    E::accepted.clear();
}

std::int32_t ScanFileNumber(int scan) {
    if (scan < 1 || scan > S::scanCount || !S::scanFileName[scan])
        return 0;
    std::string name;
    plat::SplitPath(S::scanFileName[scan], nullptr, nullptr, &name, nullptr);
    return static_cast<std::int32_t>(std::strtol(name.c_str(), nullptr, 10));
}

bool IsExcludedCellWavelength(int scan) {
    return OnList(E::excluded, scan);
}
bool IsAcceptedCellWavelength(int scan) {
    return OnList(E::accepted, scan);
}

void SwapEqTestSeries(int i, int j) {
    if (i < 1 || j < 1 || i > E::seriesTotal || j > E::seriesTotal)
        return;
    std::swap(E::slots[static_cast<std::size_t>(i)].members,
              E::slots[static_cast<std::size_t>(j)].members);
}

int BuildEqTestSeries() {
    EnsureSlots();
    for (EqTestSlot& slot : E::slots)
        slot.members.clear();
    E::seriesTotal = 0;
    E::collectOnly = true;
    E::singleCellNumber = 0;
    E::singleCell = true;
    for (const EqGroup& group : GroupEquilibriumScans(5.0f))
        for (const EqSeries& series : group.series) {
            if (E::seriesTotal >= E::capacity)
                break;
            EqTestSlot& slot = E::slots[static_cast<std::size_t>(++E::seriesTotal)];
            std::vector<int> others;
            for (int m : series.members)
                if (m != series.latest)
                    others.push_back(m);
            std::stable_sort(others.begin(), others.end(),
                             [](int a, int b) { return S::header[a].time < S::header[b].time; });
            others.push_back(series.latest);
            slot.members = others;
            const int cell = S::header[series.latest].cell;
            if (E::singleCell) {
                if (E::singleCellNumber == 0)
                    E::singleCellNumber = cell;
                else if (cell != E::singleCellNumber)
                    E::singleCell = false;
            }
        }
    E::collectOnly = false;
    const int n = E::seriesTotal;
    E::extensions.clear();
    E::firstNumber.clear();
    if (n == 0)
        return 0;
    auto first = [](int s) { return E::slots[static_cast<std::size_t>(s)].members.front(); };
    // By the speed of their first scans, stable.
    for (int a = 1; a < n; ++a)
        for (int b = n; b > a; --b)
            if (S::header[first(b)].rotorSpeed < S::header[first(b - 1)].rotorSpeed)
                SwapEqTestSeries(b, b - 1);
    // The most recent speed step: a later series at another speed takes over.
    float speed = S::header[first(1)].rotorSpeed;
    double time = S::header[first(1)].time;
    for (int s = 2; s <= n; ++s) {
        const ScanHeader& h = S::header[first(s)];
        if (h.time > time && h.rotorSpeed != speed) {
            speed = h.rotorSpeed;
            time = h.time;
        }
    }
    for (int s = 1; s <= n; ++s) {
        EqTestSlot& slot = E::slots[static_cast<std::size_t>(s)];
        slot.atCurrentSpeed = S::header[first(s)].rotorSpeed == speed ? 1 : 0;
        slot.included = IsExcludedCellWavelength(first(s)) ? 0 : 1;
        const std::string ext = Extension(first(s));
        if (std::find(E::extensions.begin(), E::extensions.end(), ext) == E::extensions.end())
            E::extensions.push_back(ext);
    }
    for (const std::string& ext : E::extensions) {
        int smallest = 0;
        bool any = false;
        for (int k = 1; k <= S::scanCount; ++k)
            if (Extension(k) == ext && (!any || ScanFileNumber(k) < smallest)) {
                smallest = ScanFileNumber(k);
                any = true;
            }
        E::firstNumber.push_back(smallest);
    }
    E::maxSpeed = S::header[first(n)].rotorSpeed;
    return n;
}

float EqTestScanRmsd(int a, int b, int first, int last, int recordSlot) {
    if (b < 1 || b > S::scanCount || S::pointCount[b] < 1)
        return 0.0f;
    if (recordSlot < 1 || recordSlot >= static_cast<int>(E::slots.size()))
        return ScanRmsdDifferenceOver(a, b, first, last, nullptr, nullptr);
    EqTestSlot& slot = E::slots[static_cast<std::size_t>(recordSlot)];
    return ScanRmsdDifferenceOver(a, b, first, last, &slot.pairX, &slot.pairY);
}

// Time differences are in hours and not positive: the latest scan is the reference. The profile
// is centred on its mean radius and mean value and scaled by its span, so series of different
// loading and speed share the small plot.
void ComputeEqTestCurves() {
    for (int s = 1; s <= E::seriesTotal; ++s) {
        EqTestSlot& slot = E::slots[static_cast<std::size_t>(s)];
        slot.timeX.clear();
        slot.timeY.clear();
        slot.pairX.clear();
        slot.pairY.clear();
        slot.profileX.clear();
        slot.profileY.clear();
        slot.lastPairRmsd = 0.0f;
        const int n = static_cast<int>(slot.members.size());
        if (n < 2)
            continue;
        const int L = slot.members.back();
        const int first = std::max(slot.firstIndex, 1);
        const int last =
            slot.lastIndex > 0 ? std::min(slot.lastIndex, S::pointCount[L]) : S::pointCount[L];
        for (int k = 0; k < n - 1; ++k) {
            const int m = slot.members[static_cast<std::size_t>(k)];
            slot.timeX.push_back(
                static_cast<float>(S::header[m].time / 3600.0 - S::header[L].time / 3600.0));
            slot.timeY.push_back(EqTestScanRmsd(m, L, first, last));
        }
        slot.lastPairRmsd =
            EqTestScanRmsd(slot.members[static_cast<std::size_t>(n - 2)], L, first, last, s);
        const std::vector<float> v = ComparedScanValues(L);
        if (last < first)
            continue;
        double mean = 0.0, meanRadius = 0.0;
        float lo = v[static_cast<std::size_t>(first)], hi = lo;
        for (int j = first; j <= last; ++j) {
            mean += v[static_cast<std::size_t>(j)];
            meanRadius += S::radius[L][j];
            lo = std::min(lo, v[static_cast<std::size_t>(j)]);
            hi = std::max(hi, v[static_cast<std::size_t>(j)]);
        }
        const int count = last - first + 1;
        mean /= count;
        meanRadius /= count;
        float range = hi - lo;
        if (range == 0.0f)
            range = 1.0f;
        for (int j = first; j <= last; ++j) {
            slot.profileX.push_back(static_cast<float>(S::radius[L][j] - meanRadius));
            slot.profileY.push_back(
                static_cast<float>((v[static_cast<std::size_t>(j)] - mean) / range));
        }
    }
}
