// The "~tmppars" file: one value per line, the position of a value fixing its meaning.
// Layout (1-based line numbers): 1 the format tag; 2-35 the packed fit vector; 36-69 its float
// flags; 70 the model (the id of the command that selects it; 0 in files of older programs,
// whose model is read from its switches); 71-76 noise and linear options; 77-80 meniscus and bottom
// bounds; 81-82 fit limits; 83-86 solution constants; 87-106 distribution settings; then buffer
// sedimentation, detection corrections, time offset and the remaining options; at the end the model
// switches that name the member of a model family. Unused positions are written as 0 and kept for
// the fields they are reserved for, so a file stays readable as fields are added.
#include "fitting/param_files.h"

#include "fitting/model_identity.h"
#include "fitting/solvent_conditions.h"
#include "foundations/analysis_failure.h"
#include "foundations/c_locale.h"
#include "foundations/nr_arrays.h"
#include "foundations/shape_models.h"
#include "foundations/whole_number.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>

namespace {

enum class Kind { Float, Double, Int, Byte, Bool, Reserved, ModelId, Regularization, Tag };

// One stored value: where it lives, the range a file may hold for it, and whether it belongs to
// the cell geometry that survives a change of model.
struct Slot {
    Kind kind;
    void* target = nullptr;
    double lo = -HUGE_VAL;
    double hi = HUGE_VAL;
    bool geometry = false;
};

using M = ModelParameters;
using C = ModelChoice;
using F = FitControl;
using D = DetectionCorrections;

Slot Real(float& v, bool geometry = false) {
    return {Kind::Float, &v, -HUGE_VAL, HUGE_VAL, geometry};
}
Slot Real(double& v) {
    return {Kind::Double, &v};
}
Slot Count(std::int32_t& v, double lo, double hi) {
    return {Kind::Int, &v, lo, hi};
}
Slot Switch(bool& v) {
    return {Kind::Bool, &v};
}
Slot Flag(std::int32_t& v) {
    return {Kind::Int, &v, 0, 1};
}
Slot Reserved() {
    return {Kind::Reserved};
}
Slot Byte(unsigned char& v) {
    return {Kind::Byte, &v, 0, 255};
}

// Where the model switches start, and where the detection corrections' fit flags and depletion
// values start; the layout records both as it is built.
std::size_t gModelSwitchIndex = 0;
std::size_t gDetectionTailIndex = 0;
// Where the shape values of the c(s) members that tie M to s start.
std::size_t gShapeTailIndex = 0;

// The place in the file of a switch that is 585's own switch now (ModelChoice::csWith-
// BaselineEstimates under a second name): kept for the layout, read into this and ignored.
bool gFormerVariantSwitch = false;

// The members of the distribution family: on only while a distribution model is chosen.
std::vector<bool*> DistributionMembers() {
    return {&C::contiCs,
            &C::lsGStar,
            &C::lsgDiscrete,
            &C::csWithBaselineEstimates,
            &C::csMsTable,
            &C::electrophoresisLsG,
            &C::zoneLsGs,
            &C::zoneCs,
            &C::dlsIRh,
            &C::dlsID,
            &C::csFf0,
            &C::csFf0Discrete,
            &C::cvElectrophoresis,
            &C::csDiscreteSD,
            &C::csDiscreteMs,
            &C::csConformationalChange,
            &C::csVariant521,
            &C::csFloatingVbar,
            &C::csWormlikeChain,
            &C::csScalingLaw,
            &C::fMvsM,
            &C::csBimodal,
            &C::csBimodalDiscrete,
            &C::csInvariantD,
            &C::cmPriorVbar,
            &C::cmPowerLaw,
            &C::cmInvariantD,
            &gFormerVariantSwitch};
}

// The model switches not among the 19 stored after the options: which discrete model, the
// companion switches the model commands set, and which member of the distribution family.
std::vector<bool*> FamilySwitches() {
    std::vector<bool*> v = {&C::nonInteractingSpecies,
                            &C::lammModel,
                            &C::lammVariant,
                            &C::geometryVariant,
                            &C::selfAssocMonomerDimer,
                            &C::selfAssocMonomerTrimer,
                            &C::selfAssocTetramerOctamer,
                            &C::selfAssocDimerTetramer,
                            &C::reactingSystem,
                            &C::singleSpecies,
                            &C::multipleSpecies,
                            &C::dlsStokesRadii,
                            &C::dlsCumulants,
                            &C::vhwFlotation,
                            &C::boundaryPlot,
                            &C::nonlinearOption,
                            &C::firstSpeciesNonideal,
                            &C::associationVariantA,
                            &C::associationVariantB};
    for (bool* member : DistributionMembers())
        v.push_back(member);
    return v;
}

// The first slots: the fit vector, its float flags, the model id and the settings first kept.
void AppendFirstSlots(std::vector<Slot>& s) {
    s.push_back({Kind::Tag});
    for (int k = 1; k <= M::kFitSlots; ++k)
        s.push_back(Real(M::fitValues[k], k == 13 || k == 14));
    for (int k = 1; k <= M::kFitSlots; ++k)
        s.push_back({Kind::Int, &M::fitFloat[k], 0, 1, k == 13 || k == 14});
    s.push_back({Kind::ModelId, nullptr, 0, 100000});
    // 71-76
    s.push_back(Switch(C::fitTINoise));
    s.push_back(Switch(C::fitRINoise));
    s.push_back(Switch(C::linearAmplitudes));
    s.push_back(Switch(M::fitBaseline));
    s.push_back(Switch(C::equilibriumMs));
    s.push_back(Switch(M::experimentalInitialDistribution));
    // 77-82: where the fits may move meniscus and bottom, and the radial fit limits
    for (float* v : {&F::meniscusMin, &F::meniscusMax, &F::bottomMin, &F::bottomMax,
                     &ScanStore::leftFitLimit, &ScanStore::rightFitLimit})
        s.push_back({Kind::Float, v, 0, 1000, true});
    // 83-86
    s.push_back({Kind::Float, &ScanStore::vbar, 0, 10});
    s.push_back({Kind::Float, &ScanStore::vbar20, 0, 10});
    s.push_back({Kind::Float, &ScanStore::density, 0, 100});
    s.push_back({Kind::Float, &ScanStore::viscosity, 0, 1e6});
    // 87-106: distribution settings
    s.push_back(Reserved()); // s range low
    s.push_back(Reserved()); // s range high
    s.push_back(Count(ContiState::gridPoints, 1, 100000));
    s.push_back(Reserved()); // logarithmic grid
    s.push_back({Kind::Float, &gFrictionalRatio, 0, 1000});
    s.push_back(Reserved()); // f/f0 floated
    s.push_back(Reserved()); // confidence level P
    s.push_back({Kind::Regularization, nullptr, 0, 2});
    s.push_back(Switch(ContiState::suppressBaselineCorrelation));
    while (s.size() < 106)
        s.push_back(Reserved()); // discrete M/S, bimodal, conformer, invariant D, rod
    // 107-109
    s.push_back(Switch(BufferSedimentation::on));
    s.push_back(Switch(BufferSedimentation::meniscusDiffOn));
    s.push_back(Real(BufferSedimentation::meniscusDiff));
    s.push_back(Reserved()); // reaction parameters
    // 111-128
    s.push_back(Switch(D::convolutionOn));
    s.push_back(Real(D::convolutionWidth));
    s.push_back(Real(D::convolutionCutoff));
    s.push_back(Switch(D::coneOn));
    s.push_back(Real(D::coneRadius));
    s.push_back(Switch(D::driftOn));
    s.push_back(Byte(D::driftMode));
    s.push_back(Switch(D::linearDriftOn));
    s.push_back(Real(D::linearDriftRate));
    s.push_back(Switch(D::exponentialDriftOn));
    s.push_back(Real(D::exponentialDriftRate));
    s.push_back(Real(D::driftPlateau));
    s.push_back(Switch(D::magnificationOn));
    s.push_back(Real(D::magnificationFactor));
    s.push_back(Switch(D::nonlinearDetectionOn));
    s.push_back(Real(D::nonlinearPower));
    s.push_back(Real(D::nonlinearBaseline));
    s.push_back(Switch(D::nonlinearDomain));
    // 129-132
    s.push_back(Switch(M::startTimeOn));
    s.push_back(Real(M::startTime));
    s.push_back({Kind::Float, &M::electrophoresisLength, 0, 1000});
    s.push_back({Kind::Float, &M::oilVolume, 0, 1e6});
    // 133-: the species in use and the remaining model options
    for (int k = 1; k <= M::maxSpecies; ++k)
        s.push_back(Flag(M::speciesOn[k]));
    s.push_back(Switch(M::constantInitialDistribution));
    s.push_back({Kind::Float, &M::zoneLayerThickness, 0, 1000});
    s.push_back(Switch(M::autoGridSize));
    s.push_back({Kind::Float, &M::pointsPerSigma, 0, 1e6});
    s.push_back(Count(M::maxGridSize, 1, 1e7));
    s.push_back(Count(M::minGridSize, 1, 1e7));
    s.push_back(Switch(M::userMeniscusBottomLimits));
    s.push_back(Switch(M::variationLimitsSet));
    s.push_back(Switch(F::simplex));
    s.push_back(Switch(F::simulatedAnnealing));
    s.push_back(Switch(F::marquardtLevenberg));
    s.push_back({Kind::Float, &F::tolerance, 0, 1e6});
}

// The slots added after the first: the model switches, the species values and the tails of the
// records added since.
void AppendLaterSlots(std::vector<Slot>& s) {
    // The model switches themselves, read while the model id above is 0.
    gModelSwitchIndex = s.size();
    for (bool* v :
         {&C::linearLamm, &C::externalLoadingCell, &C::thirdGeometry, &C::electrophoresis,
          &C::equilibriumModel, &C::equilibriumAssociationModel, &C::differenceData, &C::contiMode,
          &C::gStarFamily, &C::simulationSwitch223, &C::lsgExtrapolation, &C::dlsIRhTimeCourse,
          &C::zoneCentrifugation, &C::zoneInverted, &C::inhomogeneousSolvent,
          &C::automaticAlgorithm, &C::movingHatAlgorithm, &C::claverieAlgorithm, &C::fixedTimeStep})
        s.push_back(Switch(*v));
    // Added later: the linear baseline, the fitted time offset, and the species values, which the
    // distribution models do not keep in the fit vector.
    s.push_back(Switch(C::linearBaseline));
    s.push_back(Switch(M::fitT0));
    for (int k = 1; k <= M::maxSpecies; ++k) {
        s.push_back(Real(M::speciesDOrM[k]));
        s.push_back(Real(M::speciesS[k]));
        s.push_back(Real(M::concentration[k]));
        s.push_back(Real(M::speciesExponent[k]));
        s.push_back(Flag(M::speciesDOrMFloat[k]));
        s.push_back(Flag(M::speciesSFloat[k]));
        s.push_back(Flag(M::concentrationFloat[k]));
        s.push_back(Flag(M::speciesExponentFloat[k]));
    }
    // Added with the model id: the switches that tell the members of a family apart (c(s) from
    // c(M), one c(s) variant from another), so a restore gives back the model that was saved.
    for (bool* v : FamilySwitches())
        s.push_back(Switch(*v));
    // Added with the buffer's fitted values: the rest of the buffer correction's record.
    using B = BufferSedimentation;
    s.push_back(Switch(B::excessInSample));
    s.push_back(Switch(B::excessInReference));
    for (double* v : {&B::signalSign, &B::sampleD, &B::sampleMb, &B::sampleS, &B::signal,
                      &B::relativeConcentration, &B::referenceD, &B::referenceMb, &B::referenceS})
        s.push_back(Real(*v));
    for (bool* v : {&B::differentReference, &B::floatSampleD, &B::floatSampleS, &B::floatSignal,
                    &B::floatMeniscusDifference, &B::floatRelativeConcentration,
                    &B::floatReferenceD, &B::floatReferenceS})
        s.push_back(Switch(*v));
    // Added with the fitted detection values: every fit flag of the detection corrections and
    // the Johnston-Ogston depletion.
    gDetectionTailIndex = s.size();
    for (bool* v :
         {&D::convolutionFit, &D::shadowFit, &D::exponentialRateFit, &D::limitingLevelFit,
          &D::linearDriftFit, &D::gradientFit, &D::nonlinearPowerFit, &D::depletionOn,
          &D::depletionFitS, &D::depletionFitD, &D::depletionFitAmplitude, &D::depletionFitKs})
        s.push_back(Switch(*v));
    for (float* v : {&D::depletionS, &D::depletionD, &D::depletionAmplitude, &D::depletionLogKs})
        s.push_back(Real(*v));
    // Added with the c(s) members that tie M to s: the bimodal and conformer ranges, the
    // conformer's mass, the scaling law and the wormlike chain (the second f/f0 is slot 8 of the
    // fit vector).
    gShapeTailIndex = s.size();
    using C2 = ContiState;
    using SM = ShapeModels;
    for (float* v : {&C2::bimodalSMin, &C2::bimodalSMax, &C2::conformerSMin, &C2::conformerSMax,
                     &C2::conformerM, &SM::scalingKs, &SM::scalingExponent, &SM::wormCrossSection,
                     &SM::wormPersistence, &SM::wormMonomerMass, &SM::wormHydration})
        s.push_back(Real(*v));
    // Added with c(Mb): the one D (cm^2/s) of the invariant-D models.
    s.push_back({Kind::Float, &ContiState::invariantD, 0, 1});
    // Added with the fitted vbar of the inhomogeneous solvent: its "fit vbar" box and the vbar
    // including solvation that a fit over a sedimenting cosolute moves, with the buoyancy vbar
    // taken from it.
    s.push_back(Switch(F::fitVbar));
    s.push_back({Kind::Float, &InhomogeneousSolvent::solvatedVbar, 0, 10});
    s.push_back({Kind::Float, &InhomogeneousSolvent::macromoleculeVbar, 0, 10});
    // Added with them: the solvent's case and buffer, whether the species hold standard values,
    // and the c(s) entries remembered while the model is on, so that an analysis restored in
    // another session switches off to the buffer it was made in. The coefficient files are named
    // in the dialog, not here.
    using IS = InhomogeneousSolvent;
    for (bool* v : {&IS::compressibleSolvent, &IS::sedimentingCosolute, &IS::dynamicGradient,
                    &IS::addWaterCompressibility, &IS::nonidealCosolute, &IS::cesiumChloride,
                    &IS::convertedToStandard})
        s.push_back(Switch(*v));
    for (double* v :
         {&IS::compressibility, &IS::loadingConcentration, &IS::apparentS, &IS::apparentD})
        s.push_back({Kind::Double, v, 0, HUGE_VAL});
    s.push_back({Kind::Float, &IS::bufferDensity, 0, 100});
    s.push_back({Kind::Float, &IS::bufferViscosity, 0, HUGE_VAL});
    s.push_back({Kind::Float, &IS::relativeViscosity, 0, HUGE_VAL});
    s.push_back(Real(IS::savedVbarEntry));
    s.push_back(Real(IS::savedFirstEntry));
    s.push_back(Count(IS::gridSize, 1, 1e7));
}

std::vector<Slot> BuildLayout() {
    std::vector<Slot> s;
    AppendFirstSlots(s);
    AppendLaterSlots(s);
    return s;
}

const std::vector<Slot>& Layout() {
    static const std::vector<Slot> layout = BuildLayout();
    return layout;
}

// Positions (0-based) of the model id, of the 19 model switches and of the species values.
constexpr std::size_t kModelIdIndex = 69;
constexpr std::size_t kModelSwitchCount = 19;
std::size_t FirstModelSwitchIndex() {
    Layout();
    return gModelSwitchIndex;
}
std::size_t FirstSpeciesValueIndex() {
    return FirstModelSwitchIndex() + kModelSwitchCount + 2;
}

double Current(const Slot& slot) {
    switch (slot.kind) {
    case Kind::Float:
        return *static_cast<float*>(slot.target);
    case Kind::Double:
        return *static_cast<double*>(slot.target);
    case Kind::Int:
        return *static_cast<std::int32_t*>(slot.target);
    case Kind::Byte:
        return *static_cast<unsigned char*>(slot.target);
    case Kind::Bool:
        return *static_cast<bool*>(slot.target) ? 1.0 : 0.0;
    case Kind::Reserved:
        return 0.0;
    case Kind::ModelId:
        return CurrentModelCommandId();
    case Kind::Regularization:
        return ContiState::showBothRegularizations          ? 2
               : ContiState::secondDerivativeRegularization ? 1
                                                            : 0;
    case Kind::Tag:
        return kParameterFileTag;
    }
    return 0.0;
}

// A value is acceptable when it lies in the slot's range; counts and switches must be whole.
bool Acceptable(const Slot& slot, float value) {
    if (!std::isfinite(value) || value < slot.lo || value > slot.hi)
        return false;
    bool whole = slot.kind == Kind::Int || slot.kind == Kind::Byte || slot.kind == Kind::ModelId ||
                 slot.kind == Kind::Tag || slot.kind == Kind::Regularization;
    return !whole || value == std::floor(value);
}

void Assign(const Slot& slot, float value) {
    switch (slot.kind) {
    case Kind::Float:
        *static_cast<float*>(slot.target) = value;
        break;
    case Kind::Double:
        *static_cast<double*>(slot.target) = value;
        break;
    case Kind::Int:
        *static_cast<std::int32_t*>(slot.target) = static_cast<std::int32_t>(value);
        break;
    case Kind::Byte:
        *static_cast<unsigned char*>(slot.target) = static_cast<unsigned char>(value);
        break;
    case Kind::Bool:
        *static_cast<bool*>(slot.target) = value != 0.0f;
        break;
    case Kind::Regularization:
        ContiState::maxEntRegularization = value == 0.0f;
        ContiState::secondDerivativeRegularization = value == 1.0f;
        ContiState::showBothRegularizations = value == 2.0f;
        break;
    case Kind::Reserved:
    case Kind::ModelId:
    case Kind::Tag:
        break;
    }
}

// The distribution held in memory (and the prior over it) is sized by the grid it was computed
// on: a restored grid of another size drops it, so that nothing reads past its end.
void DropArraysOfGrid(int heldGrid) {
    for (float** a : {&ContiState::sValues, &ContiState::mValues, &ContiState::distribution,
                      &ContiState::secondDistribution, &ContiState::priorAbscissa}) {
        if (*a)
            free_vector(*a, 1, heldGrid);
        *a = nullptr;
    }
    if (ContiState::priorValues)
        free_dvector(ContiState::priorValues, 1, heldGrid);
    ContiState::priorValues = nullptr;
    ContiState::priorInUse = ContiState::priorInUse2 = false;
}

} // namespace

bool ValidParameterValues(const std::vector<float>& values) {
    if (values.size() < static_cast<std::size_t>(kMinSavedParameterValues))
        return false;
    if (std::floor(values[0] / 1000.0f) != std::floor(kParameterFileTag / 1000.0f) ||
        values[0] < kParameterFileTag)
        return false;
    const std::vector<Slot>& layout = Layout();
    for (std::size_t i = 0; i < values.size() && i < layout.size(); ++i)
        if (!Acceptable(layout[i], values[i]))
            return false;
    return true;
}

int SavedParameterCount() {
    return static_cast<int>(Layout().size());
}

bool TmpSaveBestParams(TXLAWindow* window, int flag) {
    (void)window;
    (void)flag;
    const std::string& path = ScanPaths::gDataPath;
    if (path.empty())
        return false;
    PackFitParameters();
    CLocaleScope cLocale;
    plat::AtomicFile out(path);
    std::FILE* f = out.file();
    if (!f)
        return false;
    // Nine significant digits bring every float back bit for bit.
    bool ok = true;
    for (const Slot& slot : Layout())
        ok = std::fprintf(f, "%.8e\n", Current(slot)) > 0 && ok;
    return ok && out.Commit();
}

void ReportAnalysisNotSaved() {
    const std::string& path = ScanPaths::gDataPath;
    if (!path.empty())
        ReportAnalysisFailure(AnalysisFailure::AnalysisNotSaved, path);
}

bool ReadParameterValues(const char* path, std::vector<float>& values) {
    values.clear();
    std::ifstream in(path ? path : "", std::ios::binary);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        std::size_t a = line.find_first_not_of(" \t\r");
        if (a == std::string::npos)
            continue;
        std::size_t b = line.find_last_not_of(" \t\r") + 1;
        const char* first = line.data() + a;
        const char* last = line.data() + b;
        if (*first == '+')
            ++first;
        float value = 0.0f;
        auto [end, error] = std::from_chars(first, last, value);
        if (error != std::errc() || end != last || !std::isfinite(value)) {
            values.clear();
            return false;
        }
        values.push_back(value);
    }
    return true;
}

int SavedModelId(const std::vector<float>& values) {
    if (values.size() <= kModelIdIndex)
        return 0;
    const int id = FloorToInt(values[kModelIdIndex], 0, std::numeric_limits<int>::max());
    return IsModelCommandId(id) ? id : 0;
}

bool SavedModelDiffers(const std::vector<float>& values) {
    if (const int id = SavedModelId(values))
        return id != CurrentModelCommandId();
    const std::vector<Slot>& layout = Layout();
    const std::size_t end = FirstModelSwitchIndex() + kModelSwitchCount;
    for (std::size_t i = FirstModelSwitchIndex(); i < end && i < values.size(); ++i)
        if (Current(layout[i]) != (values[i] != 0.0f ? 1.0 : 0.0))
            return true;
    return false;
}

bool RestoreGeometryValues(const std::vector<float>& values) {
    if (!ValidParameterValues(values))
        return false;
    const std::vector<Slot>& layout = Layout();
    for (std::size_t i = 0; i < values.size() && i < layout.size(); ++i)
        if (layout[i].geometry)
            Assign(layout[i], values[i]);
    M::meniscus = M::fitValues[13];
    M::meniscusFloat = M::fitFloat[13];
    M::bottom = M::fitValues[14];
    M::bottomFloat = M::fitFloat[14];
    return true;
}

// Restores every value the file holds, in layout order; positions beyond the file's end keep
// their values, so a file of an older, shorter layout restores what it knows.
bool RestoreAllValues(const std::vector<float>& values) {
    if (!ValidParameterValues(values))
        return false;
    const int heldGrid = ContiState::gridPoints;
    const std::vector<Slot>& layout = Layout();
    for (std::size_t i = 0; i < values.size() && i < layout.size(); ++i)
        Assign(layout[i], values[i]);
    if (ContiState::gridPoints != heldGrid)
        DropArraysOfGrid(heldGrid);
    // A file from before the detection fit flags never had them set: they, and the depletion
    // values saved with them, take their initial values rather than what the session holds.
    if (values.size() <= gDetectionTailIndex) {
        const DetectionCorrectionsSnapshot now = DetectionCorrectionsSnapshot::Take();
        D::ResetToDefaults();
        std::vector<double> initial;
        for (std::size_t i = gDetectionTailIndex; i < gShapeTailIndex; ++i)
            initial.push_back(Current(layout[i]));
        now.PutBack();
        for (std::size_t i = gDetectionTailIndex; i < gShapeTailIndex; ++i)
            Assign(layout[i], static_cast<float>(initial[i - gDetectionTailIndex]));
    }
    // Slot 8 of a distribution saved before the bimodal model held no second f/f0: the
    // session's stays (a discrete model keeps its species' value there).
    if (values.size() <= gShapeTailIndex && C::contiMode) {
        M::fitValues[kSlotSecondFrictionalRatio] = ContiState::bimodalFf0;
        M::fitFloat[kSlotSecondFrictionalRatio] = ContiState::bimodalFf0Float;
    }
    // A file without the species values holds them in the fit vector.
    if (values.size() <= FirstSpeciesValueIndex())
        UnpackSpeciesSlots();
    // A file of an older program names no model and holds no member switches: a discrete model
    // read from it must not keep the distribution member that was chosen before.
    if (SavedModelId(values) == 0 && !C::contiMode) {
        bool memberWasOn = false;
        for (bool* member : DistributionMembers()) {
            memberWasOn = memberWasOn || *member;
            *member = false;
        }
        if (memberWasOn)
            C::nonInteractingSpecies = C::lammModel = true;
    }
    // Outside the cosolute's gradient the buoyancy vbar is the store's: it follows the restored
    // vbar, so that a later switch back to experimental conditions converts s with it.
    using IS = InhomogeneousSolvent;
    if (!IS::dynamicGradient)
        IS::macromoleculeVbar = ScanStore::vbar;
    // Over a cosolute the solvers need its density and viscosity polynomials: as the dialog
    // does, the files in use are read when none are loaded.
    if (C::inhomogeneousSolvent && IS::sedimentingCosolute) {
        if (IS::densityCoefficients.empty())
            ReadSolventCoefficients(IS::DensityFileInUse(), IS::densityCoefficients);
        if (IS::viscosityCoefficients.empty())
            ReadSolventCoefficients(IS::ViscosityFileInUse(), IS::viscosityCoefficients);
    }
    ScanStore::vbarRho = ScanStore::vbar * ScanStore::density;
    return true;
}
