// The nonlinear detection transform of the loaded scans and its two versions of every scan.
#include "scandata/nonlinear_detection.h"

#include "scandata/common_grid.h"
#include "scandata/fit_limits.h"
#include "scandata/scan_store_alloc.h"
#include "state/fluorophore.h"
#include "state/lamm_grid.h"
#include "state/window_services.h"

#include <cmath>
#include <cstddef>

namespace {

using N = NonlinearDetection;
using Copies = std::vector<std::vector<float>>;

bool HaveScans() {
    return ScanStore::scanCount >= 1 && ScanStore::signal != nullptr &&
           ScanStore::pointCount != nullptr;
}

int Points(int k) {
    return ScanStore::pointCount[k] > 0 ? ScanStore::pointCount[k] : 0;
}

const float* StoreSignal(int k) {
    return ScanStore::signal[k];
}

const float* StoreFit(int k) {
    return ScanStore::fit != nullptr ? ScanStore::fit[k] : nullptr;
}

// True when the copy holds exactly the n store values (a missing store vector counts as empty).
bool SameAsStore(const std::vector<float>& copy, const float* store, int n) {
    if (store == nullptr)
        return copy.empty();
    if (copy.size() != std::size_t(n) + 1)
        return false;
    for (int i = 1; i <= n; ++i)
        if (!(copy[i] == store[i]))
            return false;
    return true;
}

// The store's values into the shown copy, and through the law (or its inverse) into the other.
void TakeFromStore(std::vector<float>& untransformed, std::vector<float>& transformed,
                   const float* store, int n) {
    if (store == nullptr) {
        untransformed.clear();
        transformed.clear();
        return;
    }
    untransformed.assign(std::size_t(n) + 1, 0.0f);
    transformed.assign(std::size_t(n) + 1, 0.0f);
    for (int i = 1; i <= n; ++i) {
        const double y = store[i];
        if (N::shown) {
            transformed[i] = store[i];
            untransformed[i] =
                float(InverseNonlinearDetectionLaw(y, N::appliedPower, N::appliedBaseline));
        } else {
            untransformed[i] = store[i];
            transformed[i] = float(NonlinearDetectionLaw(y, N::appliedPower, N::appliedBaseline));
        }
    }
}

// Brings the copies in line with the store scan by scan: new scans, changed point counts and
// edited values are taken from the store; untouched scans keep their copies bit for bit.
void FollowStore() {
    const std::size_t size = std::size_t(ScanStore::scanCount) + 1;
    for (Copies* c :
         {&N::untransformedSignal, &N::untransformedFit, &N::transformedSignal, &N::transformedFit})
        c->resize(size);
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        const int n = Points(k);
        Copies& signalShown = N::shown ? N::transformedSignal : N::untransformedSignal;
        Copies& fitShown = N::shown ? N::transformedFit : N::untransformedFit;
        if (!SameAsStore(signalShown[k], StoreSignal(k), n))
            TakeFromStore(N::untransformedSignal[k], N::transformedSignal[k], StoreSignal(k), n);
        if (!SameAsStore(fitShown[k], StoreFit(k), n))
            TakeFromStore(N::untransformedFit[k], N::transformedFit[k], StoreFit(k), n);
    }
}

void Transform(const std::vector<float>& from, std::vector<float>& to, double p, double b) {
    to.resize(from.size());
    for (std::size_t i = 1; i < from.size(); ++i)
        to[i] = float(NonlinearDetectionLaw(from[i], p, b));
}

void CopyIntoStore(const Copies& signal, const Copies& fit) {
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        const int n = Points(k);
        float* s = ScanStore::signal[k];
        float* f = ScanStore::fit != nullptr ? ScanStore::fit[k] : nullptr;
        for (int i = 1; i <= n; ++i) {
            if (s != nullptr && std::size_t(i) < signal[k].size())
                s[i] = signal[k][i];
            if (f != nullptr && std::size_t(i) < fit[k].size())
                f[i] = fit[k][i];
        }
    }
}

void RefreshRmsds() {
    N::transformedRmsd = RmsdBetweenScanSets(N::transformedSignal, N::transformedFit);
    N::untransformedRmsd = RmsdBetweenScanSets(N::untransformedSignal, N::untransformedFit);
}

// Set while an apply rebuilds the grid: the grid builder's re-apply would only repeat it, and
// with the stored show switch rather than the one just asked for.
bool gRebuilding = false;

bool CopiesExist() {
    return !N::untransformedSignal.empty() && !N::untransformedFit.empty() &&
           !N::transformedSignal.empty() && !N::transformedFit.empty();
}

} // namespace

double NonlinearDetectionLaw(double y, double p, double b) {
    if (!(y > b))
        return y;
    return std::pow(y - b, p) + b;
}

double InverseNonlinearDetectionLaw(double y, double p, double b) {
    return NonlinearDetectionLaw(y, p > 0.0 ? 1.0 / p : 0.0, b);
}

float UsableNonlinearPower(float p) {
    return p > 0.0f ? p : 0.01f;
}

namespace {

// Visits a[k][i] - b[k][i] over the points of the fit rmsd: each scan from its first to its last
// fit index, the first scan left out while it is the initial distribution.
template <class Visit> void ForEachFitDifference(const Copies& a, const Copies& b, Visit visit) {
    if (!HaveScans() || ScanStore::firstFitIndex == nullptr || ScanStore::lastFitIndex == nullptr)
        return;
    const int skipped = LammGrid::firstScanIsInitial && ScanStore::scanOrder != nullptr
                            ? ScanStore::scanOrder[1]
                            : 0;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (k == skipped || std::size_t(k) >= a.size() || std::size_t(k) >= b.size())
            continue;
        const std::vector<float>& x = a[k];
        const std::vector<float>& y = b[k];
        for (int i = ScanStore::firstFitIndex[k];
             i >= 1 && i <= ScanStore::lastFitIndex[k] && std::size_t(i) < x.size() &&
             std::size_t(i) < y.size();
             ++i)
            visit(double(x[i]) - double(y[i]));
    }
}

} // namespace

float RmsdBetweenScanSets(const Copies& a, const Copies& b) {
    double sum = 0.0;
    long count = 0;
    ForEachFitDifference(a, b, [&](double d) {
        sum += d * d;
        ++count;
    });
    return count > 0 ? float(std::sqrt(sum / double(count))) : 0.0f;
}

bool AllocNonlinearDetectionCopies() {
    if (!HaveScans() || !DetectionCorrections::nonlinearOn)
        return false;
    FreeNonlinearDetectionCopies();
    N::appliedPower = 1.0;
    N::appliedBaseline = 0.0;
    N::shown = false;
    FollowStore();
    return true;
}

void FreeNonlinearDetectionCopies() {
    N::untransformedSignal.clear();
    N::untransformedFit.clear();
    N::transformedSignal.clear();
    N::transformedFit.clear();
    N::shown = false;
}

bool ApplyNonlinearDetection(double p, double b, bool show) {
    if (!HaveScans() || !DetectionCorrections::nonlinearOn)
        return false;
    p = UsableNonlinearPower(float(p));
    if (!CopiesExist())
        AllocNonlinearDetectionCopies();
    else
        FollowStore();
    if (p != N::appliedPower || b != N::appliedBaseline)
        for (int k = 1; k <= ScanStore::scanCount; ++k) {
            Transform(N::untransformedSignal[k], N::transformedSignal[k], p, b);
            Transform(N::untransformedFit[k], N::transformedFit[k], p, b);
        }
    N::appliedPower = p;
    N::appliedBaseline = b;
    N::shown = show;
    if (show)
        CopyIntoStore(N::transformedSignal, N::transformedFit);
    else
        CopyIntoStore(N::untransformedSignal, N::untransformedFit);
    RefreshRmsds();
    if (!N::suppressGridRebuild) {
        gRebuilding = true;
        BuildCommonRadialGrid();
        gRebuilding = false;
        WindowServices::RedrawDataPlot(true);
        WindowServices::UpdateResiduals(true);
        CalcFitRmsd();
    }
    return true;
}

bool ApplyNonlinearDetectionForFit(double p, double b, bool show) {
    if (!DetectionCorrections::nonlinearOn)
        return false;
    N::fitBusy = true;
    ApplyNonlinearDetection(p, b, show);
    N::fitBusy = false;
    return true;
}

bool InvertNonlinearDetection() {
    if (!HaveScans() || !DetectionCorrections::nonlinearOn || N::untransformedFit.empty() ||
        N::transformedFit.empty())
        return false;
    N::untransformedFit.resize(std::size_t(ScanStore::scanCount) + 1);
    N::transformedFit.resize(std::size_t(ScanStore::scanCount) + 1);
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        TakeFromStore(N::untransformedFit[k], N::transformedFit[k], StoreFit(k), Points(k));
    RefreshRmsds();
    return true;
}

float GetNonlinearDetectionRmsd() {
    return N::untransformedRmsd;
}

bool ReapplyNonlinearDetection(bool redraw) {
    if (!HaveScans() || !DetectionCorrections::nonlinearOn || N::fitBusy)
        return false;
    if (gRebuilding)
        return true;
    const bool suppressed = N::suppressGridRebuild;
    if (!redraw)
        N::suppressGridRebuild = true;
    const bool done = ApplyNonlinearDetection(N::appliedPower, N::appliedBaseline,
                                              DetectionCorrections::nonlinearShowTransformed);
    N::suppressGridRebuild = suppressed;
    return done;
}

namespace {

// The model code's apply: the grid keeps its arrays (the distribution kernel is made on it and
// the noise the model just solved lives on it); only its signal follows the store. Redraws are
// the caller's, once the model is complete.
void ApplyForModel(bool show) {
    using D = DetectionCorrections;
    const bool suppressed = N::suppressGridRebuild;
    N::suppressGridRebuild = true;
    ApplyNonlinearDetectionForFit(D::nonlinearPower, D::nonlinearBaseline, show);
    N::suppressGridRebuild = suppressed;
    RefreshCommonGridSignal();
}

} // namespace

void BeginNonlinearDetectionModel() {
    if (!HaveScans() || !DetectionCorrections::nonlinearOn)
        return;
    ApplyForModel(true);
}

void EndNonlinearDetectionModel() {
    if (!HaveScans() || !DetectionCorrections::nonlinearOn)
        return;
    InvertNonlinearDetection();
    ApplyForModel(DetectionCorrections::nonlinearShowTransformed);
    // Residuals the model code wrote belong to the transformed domain: they follow the store.
    if (ScanStore::residuals == nullptr || ScanStore::fit == nullptr)
        return;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        float* r = ScanStore::residuals[k];
        const float* s = ScanStore::signal[k];
        const float* f = ScanStore::fit[k];
        if (r != nullptr && s != nullptr && f != nullptr)
            for (int i = 1; i <= Points(k); ++i)
                r[i] = s[i] - f[i];
    }
}

bool NonlinearDetectionInForce() {
    return HaveScans() && DetectionCorrections::nonlinearOn && CopiesExist();
}

bool NonlinearDetectionResiduals(std::vector<double>& residuals) {
    if (!NonlinearDetectionInForce())
        return false;
    residuals.clear();
    ForEachFitDifference(N::untransformedSignal, N::untransformedFit,
                         [&](double d) { residuals.push_back(d); });
    return true;
}
