// Algorithm choice and Lamm solution of one species on the simulation grid.
#include "simulation/discrete_species_module.h"

#include "scandata/scan_store.h"
#include "simulation/discrete_species.h"
#include "simulation/lamm_arrays.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>

double AutomaticAlgorithmLimit() {
    const bool optimized = LammGrid::optimizeGridSpacing && ModelParameters::autoGridSize &&
                           !ModelChoice::zoneCentrifugation;
    const double normalized = optimized ? LammGrid::autoChangeSOptimized : LammGrid::autoChangeS;
    const double speed = LastScanRpm() / 30000.0;
    return speed > 0.0 ? normalized / (speed * speed) : normalized;
}

void ChooseAlgorithmForSpecies(double sS) {
    using C = ModelChoice;
    if (gDlsData || !C::automaticAlgorithm || ScanStore::equilibriumData)
        return;
    const double limit = AutomaticAlgorithmLimit();
    const double size = std::fabs(sS);
    if (size < limit && !C::claverieAlgorithm) {
        C::claverieAlgorithm = true;
        C::fixedTimeStep = C::movingHatAlgorithm = false;
        EnsureLammArrays(LammGrid::gridSize);
    } else if (size > limit && !C::movingHatAlgorithm) {
        C::movingHatAlgorithm = true;
        C::claverieAlgorithm = false;
        LammGrid::automaticSGrid = true;
        EnsureLammArrays(LammGrid::gridSize);
    }
}

void SolveSpeciesOnGrid(TXLAWindow* window, int slot, double loading) {
    (void)window;
    (void)slot;
    (void)loading;
}
