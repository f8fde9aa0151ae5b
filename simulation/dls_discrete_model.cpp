// A discrete light-scattering model is a sum of field decays, one per species, or one decay
// widened by its cumulants. Intensity autocorrelations (g(2)-1) are the square of the field's.
#include "simulation/dls_discrete_model.h"

#include "foundations/hydrodynamics.h"
#include "simulation/discrete_sed.h"
#include "simulation/dls_kernels.h"
#include "simulation/linear_parameter_dispatch.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"

#include <cmath>

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

} // namespace

bool DiscreteLightScatteringModelChosen() {
    return ModelChoice::dlsStokesRadii || ModelChoice::dlsCumulants;
}

double StokesRadiusDiffusion(double radiusNm, double celsius) {
    return StokesEinsteinD(float(radiusNm * 1e-9), float(celsius));
}

bool RunDiscreteLightScatteringModel(TXLAWindow*) {
    if (!gDlsData || S::dlsRecords == nullptr || S::scanCount <= 0)
        return false;
    ComputeSpeciesLoadings();
    const double celsius = BufferCelsius();
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
