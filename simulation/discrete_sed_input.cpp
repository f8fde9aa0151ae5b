// The species' values the discrete models are solved with (loadings, D, buoyant mass) and the
// checks of the input before a discrete model is evaluated.
#include "foundations/notice_boxes.h"
#include "foundations/sounds.h"
#include "scandata/scan_conditions.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/discrete_sed.h"
#include "simulation/dls_discrete_model.h"
#include "simulation/nonideal_model_run.h"
#include "simulation/run_end_tests.h"
#include "simulation/weighted_element_integrals.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_order.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using S = ScanStore;

constexpr double kGasConstant = 8.31451e7; // erg/(mol K)
// Fewer grid points than this cannot carry a boundary: the sizes come from user options.
constexpr int kMinSolutionGridSize = 10;
// No species sediments faster than this.
constexpr double kMaxSpeciesS = 1e6;

void Refuse(TXLAWindow* window, const char* text) {
    PlayErrorSound();
    ShowWarning(window, text, "ERROR");
}

int FirstIncludedSlot() {
    for (int i = 1; i <= M::maxSpecies; ++i)
        if (M::speciesIncluded[i] && !BufferSignalSlot(i))
            return i;
    return 0;
}

// The part of the total signal each included species carries [1..maxSpecies]: the first takes
// the rest that the others' fractions leave, none is negative, and with linear amplitudes a part
// of exactly 0 becomes 1 (the amplitude is then fitted).
std::vector<double> SpeciesFractions() {
    std::vector<double> fractions(std::size_t(M::maxSpecies) + 1, 0.0);
    const int first = FirstIncludedSlot();
    double others = 0.0;
    for (int i = 1; i <= M::maxSpecies; ++i)
        if (i != first && M::speciesIncluded[i] && !BufferSignalSlot(i))
            others += M::concentration[i];
    for (int i = 1; i <= M::maxSpecies; ++i)
        if (M::speciesIncluded[i] && !BufferSignalSlot(i))
            fractions[std::size_t(i)] =
                std::max(i == first ? 1.0 - others : double(M::concentration[i]), 0.0);
    return fractions;
}

// The loading of each included species [1..maxSpecies]: its fraction of the total concentration
// held by the first.
std::vector<double> SpeciesLoadings() {
    std::vector<double> loadings = SpeciesFractions();
    const int first = FirstIncludedSlot();
    for (int i = 1; i <= M::maxSpecies; ++i) {
        double& loading = loadings[std::size_t(i)];
        if (!M::speciesIncluded[i] || BufferSignalSlot(i))
            continue;
        loading *= double(M::concentration[first]);
        if (ModelChoice::linearAmplitudes && loading == 0.0)
            loading = 1.0;
    }
    return loadings;
}

// The first included species whose s, D (or M) or loading no solution can use: a text naming
// the species and the value, empty when every one is usable.
std::string SpeciesProblem() {
    const std::vector<double> loadings = SpeciesLoadings();
    char text[400];
    for (int i = 1; i <= M::maxSpecies; ++i) {
        if (!M::speciesIncluded[i] || BufferSignalSlot(i))
            continue;
        const double s = M::speciesS[i], dOrM = M::speciesDOrM[i], c = M::concentration[i];
        const double loading = loadings[std::size_t(i)];
        // The user's values must be possible; values an optimiser tries on its way are taken
        // as before (|D|, a tiny M) as long as they are numbers.
        const bool user = !FitControl::fitInProgress;
        if (!std::isfinite(s) || (user && std::fabs(s) > kMaxSpeciesS)) {
            std::snprintf(text, sizeof text,
                          "species %d: s = %g S cannot be simulated:\nthe sedimentation "
                          "coefficient must be a finite number of at most %g S",
                          i, s, kMaxSpeciesS);
            return text;
        }
        // D = 0 is a boundary that does not spread; a molar mass of 0 has no meaning.
        const bool mass = ModelChoice::equilibriumMs;
        if (!std::isfinite(dOrM) || (user && (dOrM < 0.0 || (mass && dOrM == 0.0)))) {
            std::snprintf(text, sizeof text,
                          mass ? "species %d: M = %g cannot be simulated:\nthe molar mass must be "
                                 "a positive finite number"
                               : "species %d: D = %g cannot be simulated:\nthe diffusion "
                                 "coefficient must be a finite number, not negative",
                          i, dOrM);
            return text;
        }
        // The loading is kept in single precision.
        if (!std::isfinite(c) || !(std::fabs(loading) <= std::numeric_limits<float>::max())) {
            std::snprintf(text, sizeof text,
                          "species %d: the concentration %g gives the loading %g:\nthe model "
                          "cannot be evaluated with a loading that is not a finite number",
                          i, c, loading);
            return text;
        }
    }
    return {};
}

} // namespace

double LastScanRpm() {
    if (S::scanCount <= 0 || S::header == nullptr)
        return 0.0;
    return S::header[ScanAtPosition(S::scanCount)].rotorSpeed;
}

double ScanTemperatureKelvin() {
    if (S::absoluteTemperature > 0.0f)
        return S::absoluteTemperature;
    if (S::scanCount <= 0 || S::header == nullptr)
        return 293.15;
    return S::header[ScanAtPosition(S::scanCount)].temperature + 273.15;
}

namespace {

double GasConstantTimesT() {
    return S::gasConstantTimesT > 0.0f ? double(S::gasConstantTimesT)
                                       : kGasConstant * ScanTemperatureKelvin();
}

} // namespace

double SpeciesDiffusion(int slot) {
    if (!ModelChoice::equilibriumMs)
        return std::fabs(double(M::speciesDOrM[slot]) * 1e-7);
    // An optimiser's trial may take M to zero or below. It is then the lightest particle there
    // is, 1 Da, whose D (about 0.05 cm^2/s) the solvers still follow: the 1e-10 Da taken before
    // gave D near 1e9 cm^2/s, a Lamm solution that was not finite, a box in the middle of the fit
    // and an optimiser led astray by the model left unchanged.
    double mass = M::speciesDOrM[slot];
    if (!(mass >= 1.0))
        mass = 1.0;
    return std::fabs(double(M::speciesS[slot]) * 1e-13 * GasConstantTimesT() /
                     ((1.0 - double(S::vbarRho)) * mass));
}

double SpeciesBuoyantMass(int slot) {
    if (ModelChoice::equilibriumMs)
        return (1.0 - double(S::vbarRho)) * double(M::speciesDOrM[slot]);
    const double d = M::speciesDOrM[slot];
    return d != 0.0 ? std::fabs(double(M::speciesS[slot])) * 1e-6 * GasConstantTimesT() / d : 0.0;
}

double SpeciesShare(int slot) {
    if (slot < 1 || slot > M::maxSpecies)
        return 0.0;
    const double fraction = SpeciesFractions()[std::size_t(slot)];
    return ModelChoice::linearAmplitudes && fraction == 0.0 && M::speciesIncluded[slot] &&
                   !BufferSignalSlot(slot)
               ? 1.0
               : fraction;
}

bool LoadingsReadAsShares() {
    using C = ModelChoice;
    return !(gDlsData || S::equilibriumData || C::equilibriumModel || C::contiMode ||
             C::multipleSpecies || (C::reactingSystem && !C::lammModel) ||
             NonidealSingleModelChosen());
}

int SpeciesWithNegativeLoading() {
    if (!LoadingsReadAsShares())
        return 0;
    const int first = FirstIncludedSlot();
    double others = 0.0;
    for (int i = 1; i <= M::maxSpecies; ++i)
        if (i != first && M::speciesIncluded[i] && !BufferSignalSlot(i))
            others += M::concentration[i];
    const double total = first > 0 ? M::concentration[first] : 0.0;
    for (int i = 1; i <= M::maxSpecies; ++i) {
        if (!M::speciesIncluded[i] || BufferSignalSlot(i))
            continue;
        const double share = i == first ? 1.0 - others : double(M::concentration[i]);
        if (total * share < 0.0)
            return i;
    }
    return 0;
}

void ComputeSpeciesLoadings() {
    const std::vector<double> loadings = SpeciesLoadings();
    for (int i = 1; i <= M::maxSpecies; ++i)
        M::speciesLoading[i] = float(loadings[std::size_t(i)]);
}

bool CheckCellAndRotorSpeeds(TXLAWindow* window) {
    if (M::meniscus == 0.0f || M::bottom == 0.0f) {
        ShowNotice(window, "set Meniscus and Bottom first", "");
        return false;
    }
    const std::string cell = CheckCellGeometry(M::meniscus, M::bottom);
    if (!cell.empty()) {
        Refuse(window, cell.c_str());
        return false;
    }
    const std::string conditions = CheckScanConditions();
    if (!conditions.empty()) {
        Refuse(window, conditions.c_str());
        return false;
    }
    return true;
}

bool CheckDiscreteModelInput(TXLAWindow* window) {
    // Light-scattering curves need no cell, rotor or Lamm grid.
    if (gDlsData && DiscreteLightScatteringModelChosen())
        return true;
    if (!CheckCellAndRotorSpeeds(window))
        return false;
    char text[400];
    const std::string species = SpeciesProblem();
    if (!species.empty()) {
        Refuse(window, species.c_str());
        return false;
    }
    const int smallest = M::autoGridSize ? std::min(M::maxGridSize, LammGrid::defaultGridSize)
                                         : LammGrid::defaultGridSize;
    if (smallest < kMinSolutionGridSize || (M::autoGridSize && !(M::pointsPerSigma > 0.0f))) {
        std::snprintf(text, sizeof text,
                      "grid of %d points is too small for a Lamm equation solution (at least %d "
                      "points):\nchange the grid size in Lamm Equation Parameters",
                      smallest, kMinSolutionGridSize);
        Refuse(window, text);
        return false;
    }
    return true;
}

bool DiscreteModelAvailable() {
    using C = ModelChoice;
    if (gDlsData)
        return DiscreteLightScatteringModelChosen() && S::dlsRecords != nullptr;
    // The concentration-dependent and reacting models are solved as for velocity data on
    // equilibrium data too (their Run says first that they are not made for it): the solution
    // reaches the equilibrium profile at the scans' late times.
    if (NonidealSingleModelChosen())
        return !C::zoneCentrifugation;
    if (!C::lammModel && C::reactingSystem)
        return !C::zoneCentrifugation;
    // On equilibrium data each ideal species of the Lamm model in the sector cell is the
    // equilibrium exponential of its buoyant molar mass at each scan's own speed; a species
    // marked non-ideal, a zone, a measured start or a solvent gradient has no such closed form.
    if (S::equilibriumData)
        return C::lammModel && !C::multipleSpecies && !C::firstSpeciesNonideal &&
               !C::zoneCentrifugation && !SpecialCellGeometryChosen() &&
               !LammGrid::faxenApproximation && !M::experimentalInitialDistribution &&
               !C::inhomogeneousSolvent;
    if (C::multipleSpecies)
        return !C::lammModel && !C::zoneCentrifugation && !C::inhomogeneousSolvent;
    if (!C::lammModel)
        return false;
    // The Faxen-type boundary is a closed form for a uniform solvent: with the species at
    // standard-condition values it would sediment as in water.
    if (LammGrid::faxenApproximation && C::inhomogeneousSolvent)
        return false;
    // The non-ideal species 1 is solved from the uniform loading of the whole cell, and its
    // solvers with concentration-dependent coefficients do not carry the density and viscosity
    // gradients of an inhomogeneous solvent: it would sediment as in water.
    if (C::firstSpeciesNonideal &&
        (C::zoneCentrifugation || M::experimentalInitialDistribution || C::inhomogeneousSolvent))
        return false;
    // The cells of other cross-sections are solved on the fixed grid for ideal species only, by
    // element integrals of their own cross-section that carry no solvent gradients; the
    // closed-form Faxen boundary and the solvent gradients belong to the sector.
    if (SpecialCellGeometryChosen())
        return !C::firstSpeciesNonideal && !C::zoneCentrifugation && !C::inhomogeneousSolvent &&
               !LammGrid::faxenApproximation;
    // The experimental initial distribution is solved on the simulation grid, whose solvers
    // carry the solvent's gradients, a sedimenting cosolute's as it builds up.
    return true;
}
