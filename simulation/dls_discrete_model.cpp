// A discrete light-scattering model is a sum of field decays, one per species, or one decay
// widened by its cumulants. Intensity autocorrelations (g(2)-1) are the square of the field's.
#include "simulation/dls_discrete_model.h"

#include "foundations/hydrodynamics.h"
#include "foundations/notice_boxes.h"
#include "scandata/common_grid.h"
#include "scandata/dls_acf_conversion.h"
#include "simulation/discrete_sed.h"
#include "simulation/dls_kernels.h"
#include "simulation/linear_parameter_dispatch.h"
#include "state/component_scans.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <cmath>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

double BufferCelsius() {
    return S::absoluteTemperature > 0.0f ? double(S::absoluteTemperature) - 273.15 : 20.0;
}

// The field decay of the model at lag t (s) of a curve with scattering vector q2.
double FieldDecay(float q2, double lagS, double celsius) {
    if (ModelChoice::dlsCumulants) {
        // Slots 2 to 4 hold the cumulants, not species: the decay carries the whole signal.
        double amplitude = 0.0;
        for (int i = 1; i <= M::maxSpecies; ++i)
            if (M::speciesIncluded[i])
                amplitude += M::speciesLoading[i];
        const double dc = SpeciesDiffusion(1);
        const double mu2 = double(M::speciesDOrM[2]) * 1e-14;
        const double mu3 = double(M::speciesDOrM[3]) * 1e-21;
        return DlsCumulantDecay(amplitude, dc, mu2, mu3, q2, lagS);
    }
    double sum = 0.0;
    for (int i = 1; i <= M::maxSpecies; ++i) {
        if (!M::speciesIncluded[i])
            continue;
        const double d = StokesRadiusDiffusion(std::fabs(double(M::speciesDOrM[i])), celsius);
        // A radius of 0 does not move: the decay stays at its amplitude.
        sum += d > 0.0 ? DlsDecay(M::speciesLoading[i], d, q2, lagS) : M::speciesLoading[i];
    }
    return sum;
}

// The unit field decay of one component: a Stokes radius slot, or slot 1 with its cumulants.
double UnitDecay(int slot, float q2, double lagS, double celsius) {
    if (ModelChoice::dlsCumulants)
        return DlsCumulantDecay(1.0, SpeciesDiffusion(1), double(M::speciesDOrM[2]) * 1e-14,
                                double(M::speciesDOrM[3]) * 1e-21, q2, lagS);
    const double d = StokesRadiusDiffusion(std::fabs(double(M::speciesDOrM[slot])), celsius);
    return d > 0.0 ? DlsDecay(1.0, d, q2, lagS) : 1.0;
}

// Offers to turn the intensity curves into the field's, whose sum of decays is linear in the
// amplitudes; the model is not evaluated either way.
void OfferFieldAcf(TXLAWindow* window) {
    if (!AskYesOrNo(window,
                    "possible error in DLS analysis of intensity autocorrelation data - transform "
                    "to g(1)?",
                    "ERROR"))
        return;
    for (int k = 1; k <= S::scanCount; ++k)
        ToggleFieldIntensityACF(S::pointCount[k], S::signal[k], S::dlsRecords[k]);
    // The common grid holds resampled copies of the values: made again from the new ones.
    BuildCommonRadialGrid();
    WindowServices::SetPlotAxisTitles();
    WindowServices::RequestRepaint(window);
}

// With the amplitudes or the noise as linear parameters the model goes into ComponentScans: a
// unit decay per component with linear amplitudes, else the whole model in the first slot.
bool RunIntoComponents(TXLAWindow* window, double celsius) {
    std::vector<int> slots;
    for (int i = 1; i <= M::maxSpecies; ++i)
        if (M::speciesIncluded[i] && (i == 1 || !ModelChoice::dlsCumulants))
            slots.push_back(i);
    if (slots.empty())
        return false;
    const bool intensity = !S::dlsRecords[1].isFieldAcf;
    const bool amplitudes = ModelChoice::linearAmplitudes;
    // The square of a sum of decays is not a sum of their squares.
    if (amplitudes && intensity && slots.size() > 1) {
        OfferFieldAcf(window);
        return false;
    }
    ComponentScans::ResetToDefaults();
    if (!amplitudes)
        slots.resize(1);
    for (int slot : slots) {
        // A unit decay carries the loading 1: the solved amplitude is the loading.
        if (amplitudes)
            M::speciesLoading[slot] = 1.0f;
        for (int k = 1; k <= S::scanCount; ++k) {
            const float q2 = DlsScatteringVectorSquared(S::dlsRecords[k]);
            const int count = ComponentScans::Count(k);
            const float* lags = ComponentScans::Radii(k);
            float* row = ComponentScans::Row(slot, k, count);
            for (int p = 1; p <= count; ++p) {
                const double lag = std::pow(10.0, double(lags[p]));
                const double g1 =
                    amplitudes ? UnitDecay(slot, q2, lag, celsius) : FieldDecay(q2, lag, celsius);
                row[p] = float(intensity ? g1 * g1 : g1);
            }
        }
    }
    CompleteLinearParameters();
    S::resultAvailable = true;
    return true;
}

} // namespace

bool DiscreteLightScatteringModelChosen() {
    return CurrentModelTraits().lightScatteringSpecies;
}

double StokesRadiusDiffusion(double radiusNm, double celsius) {
    return StokesEinsteinD(float(radiusNm * 1e-9), float(celsius));
}

bool RunDiscreteLightScatteringModel(TXLAWindow* window) {
    if (!gDlsData || S::dlsRecords == nullptr || S::scanCount <= 0)
        return false;
    ComputeSpeciesLoadings();
    const double celsius = BufferCelsius();
    if (!SignalGoesIntoFit())
        return RunIntoComponents(window, celsius);
    for (int k = 1; k <= S::scanCount; ++k) {
        const DlsRecord& record = S::dlsRecords[k];
        const float q2 = DlsScatteringVectorSquared(record);
        for (int p = 1; p <= S::pointCount[k]; ++p) {
            const double g1 = FieldDecay(q2, std::pow(10.0, double(S::radius[k][p])), celsius);
            S::fit[k][p] = float(record.isFieldAcf ? g1 : g1 * g1);
        }
    }
    // The baseline is the curves' offset, added to the decay (or its square) as it stands.
    CompleteLinearParameters();
    S::resultAvailable = true;
    return true;
}
