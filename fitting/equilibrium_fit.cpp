// The evaluation of the equilibrium model of discrete species.
#include "fitting/equilibrium_fit.h"

#include "fitting/linear_params.h"
#include "scandata/nonlinear_detection.h"
#include "simulation/association_equilibrium.h"
#include "simulation/reacting_system.h"
#include "simulation/stored_model.h"
#include "state/component_scans.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/reaction_parameters.h"
#include "state/scan_store.h"

#include <vector>

namespace {

bool CellSet() {
    return ModelParameters::meniscus > 0.0f && ModelParameters::bottom > ModelParameters::meniscus;
}

// The loading each included species carries: the first included slot holds the total signal,
// the others their fractions of it (the convention the linear amplitudes write back).
std::vector<double> SpeciesLoadings() {
    using M = ModelParameters;
    std::vector<double> loading(M::maxSpecies + 1, 0.0);
    int first = 0;
    double fractions = 0.0;
    for (int s = 1; s <= M::maxSpecies; ++s) {
        if (!M::speciesOn[s])
            continue;
        if (first == 0) {
            first = s;
            continue;
        }
        loading[s] = double(M::concentration[first]) * M::concentration[s];
        fractions += M::concentration[s];
    }
    if (first)
        loading[first] = double(M::concentration[first]) * (1.0 - fractions);
    return loading;
}

} // namespace

namespace {

// A + B <-> AB from the slots: A in species 1, B in species 2 (loading in signal units,
// buoyant molar mass), log10 K in the association slot, the signal increments of the reaction's
// parameter set. The complex of the loading mixture is shown as species 3's loading.
AssociationEquilibrium AssociationOfSlots() {
    using M = ModelParameters;
    using R = ReactionParameters;
    R::loadingA = M::concentration[1];
    R::loadingB = M::concentration[2];
    R::logK = M::assocLogK;
    InitReactionSystem();
    M::concentration[3] = R::complexConcentration;
    AssociationEquilibrium a;
    a.mbA = M::speciesDOrM[1];
    a.mbB = M::speciesDOrM[2];
    a.K = R::K;
    a.eA = R::extinctionA;
    a.eB = R::extinctionB;
    a.a0 = a.eA != 0.0 ? R::loadingA / a.eA : 0.0;
    a.b0 = a.eB != 0.0 ? R::loadingB / a.eB : 0.0;
    return a;
}

// The association's total signal as the one component of the fit (slot 1): its loadings enter
// the association nonlinearly, so they are never linear amplitudes; the noise and the baseline
// are, as the switches say.
bool ComputeAssociationModel(bool onGrid) {
    using M = ModelParameters;
    if (!M::speciesOn[1])
        return false;
    const AssociationEquilibrium system = AssociationOfSlots();
    bool ok = true;
    std::vector<float> work;
    for (int k = 1; k <= ScanStore::scanCount; ++k) {
        if (!ScanStore::fit[k])
            continue;
        if (onGrid) {
            const int count = ComponentScans::Count(k);
            ok = AssociationScanProfile(k, system, ComponentScans::Radii(k), count,
                                        ComponentScans::Row(1, k, count)) &&
                 ok;
            continue;
        }
        const int n = ScanStore::pointCount[k];
        work.assign(std::size_t(n) + 1, 0.0f);
        ok = AssociationScanProfile(k, system, ScanStore::radius[k], n, work.data()) && ok;
        for (int i = 1; i <= n; ++i)
            ScanStore::fit[k][i] += work[i];
    }
    M::speciesLoading[1] = 1.0f;
    for (int s = 2; s <= M::maxSpecies; ++s)
        ComponentScans::rows[s].clear();
    LinearParameterRoutineFor(ModelChoice::fitTINoise, ModelChoice::linearBaseline, false,
                              ModelChoice::fitRINoise)();
    return ok;
}

bool ComputeEquilibriumModel() {
    using M = ModelParameters;
    if (!CellSet() || !ScanStore::fit)
        return false;
    // With linear amplitudes or systematic noise the species go into ComponentScans and the
    // linear step makes the fit; otherwise they go straight into the fit.
    const bool onGrid =
        ModelChoice::linearAmplitudes || ModelChoice::fitTINoise || ModelChoice::fitRINoise;
    if (onGrid && (ScanStore::gridCount < 1 || !ScanStore::gridRadius))
        return false;
    const std::vector<double> loading = SpeciesLoadings();
    bool ok = true;
    for (int k = 1; k <= ScanStore::scanCount; ++k)
        if (ScanStore::fit[k])
            for (int i = 1; i <= ScanStore::pointCount[k]; ++i)
                ScanStore::fit[k][i] = 0.0f;
    if (ModelChoice::equilibriumAssociationModel)
        ok = ComputeAssociationModel(onGrid);
    for (int s = 1; s <= M::maxSpecies && !ModelChoice::equilibriumAssociationModel; ++s) {
        if (!M::speciesOn[s])
            continue;
        // The carried loading is what the amplitudes scale (1 where it is 0).
        const double carried = loading[s] != 0.0 ? loading[s] : 1.0;
        M::speciesLoading[s] = static_cast<float>(carried);
        if (!onGrid) {
            ok = FillEquilibriumKernel(M::speciesDOrM[s], loading[s]) && ok;
            continue;
        }
        for (int k = 1; k <= ScanStore::scanCount; ++k) {
            const int count = ComponentScans::Count(k);
            float* row = ComponentScans::Row(s, k, count);
            ok = EquilibriumScanProfile(k, M::speciesDOrM[s], carried, ComponentScans::Radii(k),
                                        count, row) &&
                 ok;
        }
    }
    if (!ModelChoice::equilibriumAssociationModel)
        UpdateLinearParameters();
    return ok;
}

} // namespace

bool EvaluateEquilibriumModel(TXLAWindow* window) {
    if (!CellSet() || !ScanStore::fit)
        return false;
    // A model that holds a value beyond single precision once its linear parameters are solved,
    // or whose residuals would, is refused with its box: the previous model stays, and a fit's
    // trial is no model.
    LammGrid::signalBeyondFloat = 0;
    StoredModel previous;
    previous.Keep();
    // With nonlinear detection the model meets the transformed data, as the velocity models do.
    BeginNonlinearDetectionModel();
    bool ok = ComputeEquilibriumModel();
    EndNonlinearDetectionModel();
    if (const ModelOverflow overflow = ok ? FindStoredModelOverflow() : ModelOverflow{};
        overflow.kind != ModelOverflow::None) {
        ReportStoredModelBeyondFloat(window, overflow);
        previous.Restore();
        ok = false;
    }
    FormStoredResiduals();
    // The fit shown and saved is this model's.
    if (ok)
        ScanStore::resultAvailable = true;
    return ok;
}
