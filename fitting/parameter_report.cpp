// The parameter report's text and where it goes.
#include "fitting/parameter_report.h"

#include "fitting/discrete_component_choice.h"
#include "fitting/model_identity.h"
#include "fitting/model_units.h"
#include "fitting/params_transfer.h"
#include "fitting/solvent_fit_parameters.h"
#include "foundations/c_locale.h"
#include "foundations/shape_models.h"
#include "foundations/statistical_tests.h"
#include "plat/atomic_file.hpp"
#include "simulation/discrete_sed.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

using M = ModelParameters;

const char* Floated(std::int32_t flag) {
    return flag ? " (f)" : "";
}

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

// The value with at least `digits` significant digits and no exponent: a molar mass of 146,234 Da
// reads "146234", a loading of 0.35 "0.350".
std::string Digits(double value, int digits) {
    if (!std::isfinite(value) || value == 0.0)
        return Format("%g", value);
    const int magnitude = int(std::floor(std::log10(std::fabs(value))));
    const int decimals = std::max(0, digits - 1 - magnitude);
    if (decimals > 12)
        return Format("%.*g", digits, value);
    return Format("%.*f", decimals, value);
}

// The loading a species holds: in the species models, once evaluated, the one the evaluation gave
// it (0 as 0, of either sign); else the value entered.
std::string Loading(int k) {
    const bool held = LoadingsReadAsShares() && ScanStore::resultAvailable;
    const float loading =
        held || M::speciesLoading[k] != 0.0f ? M::speciesLoading[k] : M::concentration[k];
    return "loading = " + Digits(loading, 3) +
           (ModelChoice::linearAmplitudes ? " (f)" : Floated(M::concentrationFloat[k]));
}

// The value a species slot holds besides its s: M in Da, the buoyant molar mass of the
// equilibrium model, or D.
std::string MassOrDiffusion(int k) {
    const char* f = Floated(M::speciesDOrMFloat[k]);
    if (ModelChoice::equilibriumModel)
        return "buoyant molar mass = " + Digits(M::speciesDOrM[k], 4) + " Da" + f;
    if (ModelChoice::equilibriumMs)
        return "M = " + Digits(M::speciesDOrM[k], 4) + " Da" + f;
    return Format("D = %.4g e-7 cm^2/s%s", double(M::speciesDOrM[k]), f);
}

void SpeciesLines(std::vector<std::string>& lines) {
    for (int k = 1; k <= M::maxSpecies; ++k) {
        if (!M::speciesIncluded[k])
            continue;
        std::string line = Format("species %d: ", k);
        // Equilibrium has no s; light scattering sees a Stokes radius only.
        if (ModelChoice::dlsStokesRadii)
            line += Format("Rh = %.4g nm%s", double(M::speciesDOrM[k]),
                           Floated(M::speciesDOrMFloat[k]));
        else if (ModelChoice::equilibriumModel)
            line += MassOrDiffusion(k);
        else
            line += Format("s = %.4g S%s, ", double(M::speciesS[k]), Floated(M::speciesSFloat[k])) +
                    MassOrDiffusion(k);
        lines.push_back(line + ", " + Loading(k));
    }
}

// The cumulant analysis: one decay, its mean D and the two higher cumulants, in slots 1 to 3.
void CumulantLines(std::vector<std::string>& lines) {
    float amplitude = 0.0f;
    for (int k = 1; k <= M::maxSpecies; ++k)
        if (M::speciesIncluded[k])
            amplitude += M::speciesLoading[k] != 0.0f ? M::speciesLoading[k] : M::concentration[k];
    lines.push_back(Format("mean D = %.4g e-7 cm^2/s%s, amplitude = %s", double(M::speciesDOrM[1]),
                           Floated(M::speciesDOrMFloat[1]), Digits(amplitude, 3).c_str()));
    lines.push_back(Format("second cumulant = %.4g (1e-7 cm^2/s)^2%s", double(M::speciesDOrM[2]),
                           Floated(M::speciesDOrMFloat[2])));
    lines.push_back(Format("third cumulant = %.4g (1e-7 cm^2/s)^3%s", double(M::speciesDOrM[3]),
                           Floated(M::speciesDOrMFloat[3])));
}

// The constants of the associating, reacting and non-ideal models, as far as the model uses them.
void ConstantLines(std::vector<std::string>& lines) {
    using C = ModelChoice;
    auto line = [&](const char* name, float value, std::int32_t flag) {
        lines.push_back(Format("%s = %.4g%s", name, double(value), Floated(flag)));
    };
    const bool oligomers = C::selfAssocTetramerOctamer || C::selfAssocDimerTetramer ||
                           C::associationVariantA || C::associationVariantB;
    if (C::monomerDimer || C::monomerTrimer || oligomers || C::reactingSystem)
        line(ParamsFirstConstantLabel(), M::assocLogK, M::assocLogKFloat);
    if (oligomers)
        line("log10(Ka) of the second oligomer", M::oligoLogK3, M::oligoLogK3Float);
    const bool nonideal = (C::singleSpecies || C::multipleSpecies) && !M::tabulatedNonideality;
    if (nonideal || (C::monomerDimer && M::assocKsOn))
        line("log10(ks)", M::logKs, M::logKsFloat);
    if (nonideal)
        line("log10(kd)", M::logKd, M::logKdFloat);
}

// A + B <-> AB at equilibrium: A and B with their buoyant molar masses and own loadings, the
// association constant, and the complex of the loading mixture.
void AssociationLines(std::vector<std::string>& lines) {
    for (int k : {1, 2})
        lines.push_back(Format("%s: buoyant M = %.4g Da%s, loading = %.4g%s", k == 1 ? "A" : "B",
                               double(M::speciesDOrM[k]), Floated(M::speciesDOrMFloat[k]),
                               double(M::concentration[k]), Floated(M::concentrationFloat[k])));
    lines.push_back(Format("log10(Ka) = %.4g%s, complex of the loading = %.4g",
                           double(M::assocLogK), Floated(M::assocLogKFloat),
                           double(M::concentration[3])));
}

// The law of the models that tie s and D to the abscissa otherwise.
void LawLines(ReportedLaw law, std::vector<std::string>& lines) {
    switch (law) {
    case ReportedLaw::None:
        return;
    case ReportedLaw::OwnVbar:
        lines.push_back(
            Format("vbar = %.4g ml/g%s", double(ScanStore::vbar), Floated(ContiState::vbarFloat)));
        return;
    case ReportedLaw::InvariantD:
        lines.push_back(Format("invariant D = %.4g e-7 cm^2/s, abscissa buoyant molar mass",
                               ContiState::invariantD * 1e7));
        return;
    case ReportedLaw::ScalingLaw:
        lines.push_back(Format("scaling law s = %.4g M^%.4g", double(ShapeModels::scalingKs),
                               double(ShapeModels::scalingExponent)));
        return;
    case ReportedLaw::PowerLaw:
        lines.push_back(Format("power law s(M) = %.4g*M^%.4g", ShapeModels::powerLawK,
                               ShapeModels::powerLawExponent));
        return;
    case ReportedLaw::PriorVbar:
        lines.push_back(Format("vbar(M) = %.4g + %.4g*(M/10^%.4g)^1/3", ShapeModels::vbarOffset,
                               ShapeModels::vbarIncrement, ShapeModels::vbarDecadeExponent));
        return;
    case ReportedLaw::LinearRod:
        lines.push_back(Format("linear rod of %.4g Da/nm", double(ContiState::rodParameter)));
        return;
    }
}

void DistributionLines(std::vector<std::string>& lines) {
    lines.push_back(Format("range %.4g to %.4g %s, resolution %.0f, P = %.3g",
                           double(ContiState::rangeMin), double(ContiState::rangeMax),
                           DistributionRangeStoredUnit(), double(ContiState::resolution),
                           double(ContiState::confidenceLevel)));
    const ModelTraits model = CurrentModelTraits();
    // Light scattering and the drift velocity of electrophoresis know no frictional ratio.
    if (!gDlsData && model.range != RangeAxis::Velocity)
        lines.push_back(
            Format("f/f0 = %.4g%s", double(gFrictionalRatio), Floated(FrictionalRatioFloated())));
    LawLines(model.law, lines);
    if (!DiscreteComponentOn())
        return;
    using C = ContiState;
    const bool mass = DiscreteComponentByMass();
    lines.push_back(Format("discrete component: s = %.4g S%s, %s = %.4g %s%s, loading = %.4g",
                           double(C::discreteS), Floated(C::discreteSFloat), mass ? "M" : "D",
                           double(mass ? C::discreteM : C::discreteD), mass ? "Da" : "e-7 cm^2/s",
                           Floated(mass ? C::discreteMFloat : C::discreteDFloat),
                           double(C::discreteLoading)));
}

// In an inhomogeneous solvent vbar shapes the buoyancy along the cell, against a sedimenting
// cosolute the vbar including solvation; the one of the two that enters the gradient may be
// fitted.
void SolventVbarLines(std::vector<std::string>& lines) {
    const bool cosolute = InhomogeneousSolvent::sedimentingCosolute;
    const bool fitted = SolventVbarFloated();
    lines.push_back(
        Format("vbar = %.4f ml/g%s", double(ScanStore::vbar), fitted && !cosolute ? " (f)" : ""));
    if (cosolute)
        lines.push_back(Format("vbar including solvation = %.4f ml/g%s",
                               double(InhomogeneousSolvent::macromoleculeVbar),
                               fitted ? " (f)" : ""));
}

// The detection corrections in force, with the values a fit may vary.
void DetectionLines(std::vector<std::string>& lines) {
    using D = DetectionCorrections;
    auto f = [](bool on) { return on ? " (f)" : ""; };
    if (D::gradientOn)
        lines.push_back(Format("radial magnification gradient 1+da/dr = %.4f%s",
                               double(D::gradientFactor), f(D::gradientFit)));
    if (D::driftOn && D::linearDriftOn)
        lines.push_back(Format("magnification drift = %.4f %%/h%s", 100.0 * D::linearDrift,
                               f(D::linearDriftFit)));
    if (D::driftOn && D::exponentialOn)
        lines.push_back(Format("photophysics rate = %.4f /h%s, limiting level = %.2f %%%s",
                               double(D::exponentialRate), f(D::exponentialRateFit),
                               100.0 * D::limitingLevel, f(D::limitingLevelFit)));
    if (D::shadowOn)
        lines.push_back(
            Format("excitation cone radius = %.4f cm%s", double(D::coneRadius), f(D::shadowFit)));
    if (D::convolutionOn)
        lines.push_back(Format("radial convolution width = %.4f cm%s", double(D::convolutionWidth),
                               f(D::convolutionFit)));
    if (D::nonlinearOn)
        lines.push_back(Format("nonlinear detection power = %.4f%s, baseline = %.4g",
                               double(D::nonlinearPower), f(D::nonlinearPowerFit),
                               double(D::nonlinearBaseline)));
    if (D::depletionOn)
        lines.push_back(Format(
            "signal depletion s = %.4g S%s, D = %.4g e-7 cm^2/s%s, amplitude = %.4g%s, ks = %.4g%s",
            double(D::depletionS), f(D::depletionFitS), 1e7 * D::depletionD, f(D::depletionFitD),
            double(D::depletionAmplitude), f(D::depletionFitAmplitude),
            std::pow(10.0, double(D::depletionLogKs)), f(D::depletionFitKs)));
}

const char* StoppedFitLine(FitStop cause) {
    switch (cause) {
    case FitStop::Mouse:
        return "stopped by the mouse";
    case FitStop::FailedSimulation:
        return "ended at a failed simulation: the best values so far are shown";
    case FitStop::Key:
        break;
    }
    return "stopped by a key";
}

} // namespace

std::vector<std::string> ParameterReportLines() {
    std::vector<std::string> lines;
    lines.push_back(ModelName(CurrentModelCommandId()));
    // The values are the best a fit had reached when a key, the mouse or a failed simulation
    // stopped it, not its end.
    if (FitControl::stoppedFitShown)
        lines.push_back(StoppedFitLine(FitControl::stoppedBy));
    if (FitControl::startKeptShown)
        lines.push_back("nothing better than the start values was found: they are kept");
    if (ModelChoice::contiMode) {
        DistributionLines(lines);
    } else {
        if (ModelChoice::equilibriumAssociationModel) {
            AssociationLines(lines);
        } else {
            if (ModelChoice::dlsCumulants)
                CumulantLines(lines);
            else
                SpeciesLines(lines);
            ConstantLines(lines);
        }
        if (ModelChoice::inhomogeneousSolvent)
            SolventVbarLines(lines);
    }
    // Light-scattering curves have lags where sedimentation scans have radii: no cell.
    if (!gDlsData) {
        lines.push_back(
            Format("meniscus = %.4f cm%s", double(M::meniscus), Floated(M::meniscusFloat)));
        lines.push_back(Format("bottom = %.4f cm%s", double(M::bottom), Floated(M::bottomFloat)));
    }
    if (M::timeOffsetOn)
        lines.push_back(
            Format("time offset = %.4g s%s", double(M::timeOffset), M::fitT0 ? " (f)" : ""));
    lines.push_back(Format("baseline = %.5g%s", double(M::baseline),
                           ModelChoice::linearBaseline ? " (f)" : Floated(M::baselineFloat)));
    if (ModelChoice::fitTINoise)
        lines.push_back("time-invariant noise fitted");
    if (ModelChoice::fitRINoise)
        lines.push_back("radially invariant noise fitted");
    DetectionLines(lines);
    // The rms deviation of the curves shown (a Run after a fit changes it), else the fit's.
    const float rmsd =
        FitControl::displayedRmsd > 0.0f ? FitControl::displayedRmsd : FitControl::bestRmsd;
    lines.push_back(Format("rmsd = %.5f", double(rmsd)));
    if (ScanStore::scanCount > 0 && ScanStore::signal && ScanStore::fit && ScanStore::scanOrder &&
        ScanStore::firstFitIndex && ScanStore::lastFitIndex)
        lines.push_back(
            Format("runs test Z = %.2f",
                   double(RunsTestZ(ScanStore::signal, ScanStore::fit, 1, ScanStore::scanCount,
                                    ScanStore::scanOrder, ScanStore::firstFitIndex,
                                    ScanStore::lastFitIndex))));
    return lines;
}

bool SaveParameterReport(TXLAWindow* window, const char* path) {
    (void)window;
    if (!path || !*path)
        return false;
    CLocaleScope cLocale;
    plat::AtomicFile out(path);
    std::FILE* f = out.file();
    if (!f)
        return false;
    bool ok = true;
    for (const std::string& line : ParameterReportLines())
        ok = std::fprintf(f, "%s\n", line.c_str()) > 0 && ok;
    return ok && out.Commit();
}
