// The continuous distribution models: the c(M) base that every distribution command calls
// first, the c(s) family, the light-scattering distributions and the boundary analyses.
#include "app/model_families.h"
#include "app/mstar_actions.h"
#include "app/power_law_calibration_command.h"
#include "app/save_dialogs.h"
#include "app/txla_window.h"
#include "distributions/conti_run.h"
#include "distributions/m_of_s_table.h"
#include "foundations/hydrodynamics.h"
#include "foundations/input_boxes.h"
#include "foundations/shape_models.h"
#include "foundations/show_error.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_store_alloc.h"
#include "scandata/scan_time_origin.h"
#include "simulation/lamm_arrays.h"
#include "state/boundary_analysis.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/dls_data.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"

namespace {

using M = ModelChoice;
using C = ContiState;

} // namespace

// The members of the distribution family that the base leaves to their own command.
bool AnyCsMemberOn() {
    return M::contiCs || M::csVariant521 || M::csConformationalChange || M::csMsTable || M::csFf0 ||
           M::csFf0Discrete || M::csScalingLaw || M::csWormlikeChain || M::csFloatingVbar ||
           M::csBimodalDiscrete || M::csBimodal || M::lsgDiscrete || M::csDiscreteMs ||
           M::csWithBaselineEstimates || M::csDiscreteSD || M::csInvariantD;
}

namespace {

void ClearDistributionSwitches() {
    M::cmPriorVbar = M::cmPowerLaw = M::cmInvariantD = M::lsGStar = M::lsgDiscrete = false;
    M::dlsIRh = M::dlsIRhTimeCourse = M::dlsID = M::electrophoresis = false;
    M::electrophoresisLsG = M::zoneCs = M::zoneLsGs = M::cvElectrophoresis = false;
    M::csConformationalChange = M::csBimodal = M::csBimodalDiscrete = M::csFloatingVbar = false;
    M::csWormlikeChain = M::csScalingLaw = M::fMvsM = M::csMsTable = M::csFf0 = false;
    M::csFf0Discrete = M::csDiscreteSD = M::csDiscreteMs = M::csInvariantD = false;
    M::csWithBaselineEstimates = M::csVariant521 = false;
    C::calledFromFit = false;
}

// Menu items of the distribution family, unchecked when one of them is chosen.
constexpr int kDistributionItems[] = {235, 275, 514, 526, 531, 548, 585, 587, 595, 598,
                                      602, 603, 870, 872, 887, 521, 277, 278, 279, 288,
                                      539, 503, 502, 522, 511, 510, 501, 513};

constexpr const char* kTikhonovNote =
    "Please Note: Switching now to Tikhonov-Phillips Regularization";

} // namespace

void TXLAWindow::RangeToFitVector() {
    using P = ModelParameters;
    P::fitValues[kSlotRangeMin] = C::rangeMin;
    P::fitValues[kSlotRangeMax] = C::rangeMax;
    P::fitValues[kSlotResolution] = C::resolution;
}

void TXLAWindow::UseMaxEnt() {
    if (!C::secondDerivativeRegularization)
        return;
    paintSuspended = true;
    MessageBox("Please Note: Switching now to Maximum Entropy Regularization",
               "continuous distribution", MB_OK);
    paintSuspended = false;
    C::maxEntRegularization = true;
    C::secondDerivativeRegularization = C::showBothRegularizations = false;
    CheckMark(294, false);
    CheckMark(295, true);
}

void TXLAWindow::UseSecondDerivative(const char* note, const char* caption) {
    if (!C::maxEntRegularization)
        return;
    MessageBox(note, caption, MB_OK);
    C::secondDerivativeRegularization = true;
    C::maxEntRegularization = C::showBothRegularizations = false;
    CheckMark(295, false);
    CheckMark(294, true);
}

bool TXLAWindow::ContinuousBase(bool fromMember, bool wantsMaxEnt) {
    if (ScanStore::timesFromW2t) {
        TimesFromW2tOff();
        MessageBox("switching off times from w^2t option", "", MB_OK | MB_ICONINFORMATION);
    }
    const bool dlsDistribution = M::dlsIRhTimeCourse || M::dlsID || M::dlsIRh;
    if (!ModelDataAccepted(dlsDistribution ? ModelData::Any : ModelData::Sedimentation))
        return false;
    if (wantsMaxEnt)
        UseMaxEnt();
    const bool memberWasOn = AnyCsMemberOn();
    ClearDistributionSwitches();
    if (M::contiMode) {
        // A member's own command finishes the switch within the family.
        if (fromMember && memberWasOn)
            return true;
        M::contiCs = false;
        if (!fromMember && C::rangeMin < 100.0f) {
            // c(M) needs a molar-mass range; an s range left by c(s) is converted.
            C::rangeMin = float(CalculateM(C::rangeMin));
            C::rangeMax = float(CalculateM(C::rangeMax));
        }
        RangeToFitVector();
        Invalidate(true);
    } else {
        ResetModelChoice();
        M::contiMode = true;
        if (C::rangeMin < 100.0f && !gDlsData && !ScanDataKind::electrophoresis) {
            C::rangeMin = float(CalculateM(C::rangeMin));
            C::rangeMax = float(CalculateM(C::rangeMax));
        }
        FixAllFitParameters();
        PackFitParameters();
        RangeToFitVector();
        LammGrid::gridSize = C::distributionGridSize;
        C::gridSizeReplaced = true;
        M::lammVariant = M::nonInteractingSpecies = true;
        M::geometryVariant = false;
        EnsureLammArrays(LammGrid::gridSize);
    }
    for (int id : kDistributionItems)
        CheckMark(id, false);
    CheckMark(235, true);
    return true;
}

bool PlainCMSelected() {
    return CurrentModelKind() == ModelKind::CM;
}

void TXLAWindow::CmContinuousCM() {
    if (PlainCMSelected())
        return; // already the plain c(M)
    ContinuousBase(false, false);
}

bool TXLAWindow::SelectCsMember(int id, bool& own, CsRange rule, float defaultMin, float defaultMax,
                                bool wantsMaxEnt) {
    if (own && M::contiMode)
        return false; // already selected
    if (!ModelDataAccepted(ModelData::Sedimentation))
        return false;
    const bool plainCs = &own == &M::contiCs;
    if (plainCs && M::contiMode && !M::gStarFamily && !M::lsGStar && !M::lsgDiscrete) {
        ClearDistributionSwitches();
        M::contiCs = true;
    } else {
        own = true; // tells the base that its member finishes the choice
        if (!ContinuousBase(true, wantsMaxEnt)) {
            own = false;
            return false;
        }
        M::contiCs = plainCs; // a member other than plain c(s) replaces it
        own = true;
        M::contiMode = true;
    }
    for (int item : kDistributionItems)
        CheckMark(item, false);
    CheckMark(id, true);
    // A range still in Da (from c(M)) is converted to S at the temperature of the scans.
    const bool massRange = C::rangeMin > 1000.0f;
    if (rule == CsRange::InvariantD) {
        if (massRange) {
            C::rangeMin = 1.0f;
            C::rangeMax = 10.0f;
        } else {
            C::rangeMin = 2.0f;
            C::rangeMax = 20.0f;
        }
    } else if (rule != CsRange::Leave && massRange && ScanStore::scanCount > 0) {
        C::rangeRescaled = true;
        const float t = static_cast<float>(ContiScanTemperature());
        for (float* end : {&C::rangeMin, &C::rangeMax}) {
            const float mass = *end;
            *end = float(SFromMandD(mass, float(CalculateDfromM(mass, t)), t));
        }
        C::rangeRescaled = false;
    } else if (rule == CsRange::Default) {
        C::rangeMin = defaultMin;
        C::rangeMax = defaultMax;
    }
    RangeToFitVector();
    Invalidate(true);
    return true;
}

void TXLAWindow::CmContinuousCs() {
    SelectCsMember(275, M::contiCs, CsRange::Default, 0.0f, 15.0f, true);
}

void TXLAWindow::CmCsConformationalChange() {
    SelectCsMember(514, M::csConformationalChange, CsRange::Default, 0.0f, 20.0f);
}

void TXLAWindow::CmCsInvariantD() {
    SelectCsMember(526, M::csInvariantD, CsRange::InvariantD, 2.0f, 20.0f);
}

void TXLAWindow::CmCsWithDiscrete() {
    bool& own = M::equilibriumMs ? M::csDiscreteMs : M::csDiscreteSD;
    SelectCsMember(531, own, CsRange::Default, 0.0f, 20.0f);
}

void TXLAWindow::CmCsBimodal() {
    SelectCsMember(548, M::csBimodal, CsRange::Default, 0.0f, 20.0f);
}

void TXLAWindow::CmCsBimodalDiscrete() {
    SelectCsMember(870, M::csBimodalDiscrete, CsRange::Default, 0.0f, 20.0f);
}

void TXLAWindow::CmCsFloatingVbar() {
    SelectCsMember(602, M::csFloatingVbar, CsRange::Default, 2.0f, 20.0f);
}

void TXLAWindow::CmCsWormlikeChain() {
    SelectCsMember(603, M::csWormlikeChain, CsRange::Default, 2.0f, 20.0f);
}

void TXLAWindow::CmCsScalingLaw() {
    SelectCsMember(872, M::csScalingLaw, CsRange::Default, 0.5f, 20.0f);
}

void TXLAWindow::CmCsVariant521() {
    SelectCsMember(521, M::csVariant521, CsRange::Default, 2.0f, 20.0f);
}

void TXLAWindow::CmCsWithMsTable() {
    if (!SelectCsMember(587, M::csMsTable, CsRange::Default, 2.0f, 20.0f))
        return;
    SetFitMAndS(true);
    // The table of molar masses of this model; Cancel keeps the one read before.
    paintSuspended = true;
    std::string path;
    const bool chosen = AskOpenPath(this, "select M(s) table (s [S], M [Da])", "MofS.dat", &path);
    paintSuspended = false;
    if (!chosen)
        return;
    const std::string why = LoadMofSTable(path);
    if (!why.empty())
        ShowError(why.c_str(), 0);
}

void TXLAWindow::CmCsWithBaselineEstimates() {
    // Its baselines start from those of a plain c(s) fit.
    if (!(M::contiMode && M::contiCs) && (M::fitTINoise || M::fitRINoise)) {
        MessageBox("need to run normal c(s) first, to get estimates for baselines", "ERROR", MB_OK);
        return;
    }
    if (SelectCsMember(585, M::csWithBaselineEstimates, CsRange::Keep, 0.0f, 0.0f))
        SetFitMAndS(true);
}

// The two-dimensional size-and-shape models: not with buffer mismatch, and on pre-averaged data.
static bool Ff0ModelRefused(TXLAWindow& window) {
    if (BufferSedimentation::on) {
        window.MessageBox("this model does not work in buffer mismatch mode", "ERROR", MB_OK);
        return true;
    }
    if (!CurrentModelTraits().sizeShape && ScanStore::radialResolution <= 0.001f) {
        window.MessageBox("radial pre-averaging of data points is recommended (at 0.003)!)\n"
                          "(Loading Options->Set Radial Resolution)",
                          "ATTENTION", MB_OK);
        return true;
    }
    return false;
}

void TXLAWindow::CmCsFf0() {
    if (M::csFf0 || Ff0ModelRefused(*this))
        return;
    if (SelectCsMember(595, M::csFf0, CsRange::Default, 2.0f, 20.0f))
        SetFitMAndS(true);
}

void TXLAWindow::CmCsFf0Discrete() {
    if (M::csFf0Discrete || Ff0ModelRefused(*this))
        return;
    if (SelectCsMember(598, M::csFf0Discrete, CsRange::Default, 0.1f, 20.0f))
        SetFitMAndS(true);
}

void TXLAWindow::CmFMvsM() {
    if (!SelectCsMember(887, M::fMvsM, CsRange::Leave, 0.0f, 0.0f))
        return;
    // f(M) needs a molar-mass range; an s range left by a c(s) model is converted by the law.
    if (C::rangeMax < 100.0f) {
        C::rangeMin = float(MFromSScalingLaw(C::rangeMin));
        C::rangeMax = float(MFromSScalingLaw(C::rangeMax));
        RangeToFitVector();
    }
    constexpr const char* kCaption = "C(M) POWERLAW";
    if (MessageBox("enter new s(M) power-law calibration?", kCaption, MB_YESNO) == IDYES &&
        !CalibrateCMPowerLaw(this))
        MessageBox("sorry, s(M) power-law calibration failed!", kCaption, MB_OK);
    C::fMvsMOneShot = true;
    UseSecondDerivative(kTikhonovNote, "ls-g(s)");
}

// The c(M) variants: the base, then their own switch and questions.
void TXLAWindow::CmCMInvariantD() {
    if (M::cmInvariantD && M::contiMode)
        return;
    if (!ContinuousBase(false, false))
        return;
    M::cmInvariantD = true;
    M::cvElectrophoresis = false;
    CheckMark(235, false);
    CheckMark(277, true);
    MessageBox("distribution will be c(Mbuoyant)", "", MB_OK);
}

void TXLAWindow::CmCMPowerLaw() {
    if (M::cmPowerLaw && M::contiMode)
        return;
    if (!ContinuousBase(false, false))
        return;
    using SM = ShapeModels;
    constexpr const char* kCaption = "continuous distribution";
    auto a = float(SM::powerLawK);
    auto b = float(SM::powerLawExponent);
    if (InputFloatForWindow(this, &a, a, true,
                            "Using power-law s(M) = a*M^b. Enter a:", kCaption) &&
        InputFloatForWindow(this, &b, b, true,
                            "Using power-law s(M) = a*M^b. Enter b:", kCaption)) {
        SM::powerLawK = a;
        SM::powerLawExponent = b;
        M::cmPowerLaw = true;
        CheckMark(235, false);
        CheckMark(278, true);
        MessageBox("using power law s(M) \n(disregard f/f0 and viscosity entry)", "", MB_OK);
    } else {
        MessageBox("information missing, switching off s(M)", "", MB_OK);
    }
}

void TXLAWindow::CmCMPriorVbar() {
    if (M::cmPriorVbar && M::contiMode)
        return;
    if (!ContinuousBase(false, false))
        return;
    using SM = ShapeModels;
    constexpr const char* kCaption = "continuous distribution";
    MessageBox("using vbar(M)= v0 + a*[(M/10^s)]^1/3", "", MB_OK);
    auto v0 = float(SM::vbarOffset);
    auto a = float(SM::vbarIncrement);
    auto scale = float(SM::vbarDecadeExponent);
    if (InputFloatForWindow(this, &v0, v0, true, "Enter zero offset v0 (M=0):", kCaption) &&
        InputFloatForWindow(this, &a, a, true, "Enter increment a:", kCaption) &&
        InputFloatForWindow(this, &scale, scale, true, "Enter M-scale s:", kCaption)) {
        SM::vbarOffset = v0;
        SM::vbarIncrement = a;
        SM::vbarDecadeExponent = scale;
        M::cmPriorVbar = true;
        M::cmPowerLaw = false;
        CheckMark(235, false);
        CheckMark(279, true);
        MessageBox("using vbar(M) relationship \n(disregard vbar entry)", "", MB_OK);
    } else {
        MessageBox("information missing, switching off vbar(M)", "", MB_OK);
    }
}

// Light-scattering distributions: the base accepts light-scattering data while their switch is on.
bool TXLAWindow::SelectDlsDistribution(int id, bool& own, bool wantsMaxEnt) {
    if (own && M::contiMode)
        return false;
    if (!ModelDataAccepted(ModelData::Dls))
        return false;
    own = true;
    if (!ContinuousBase(true, wantsMaxEnt)) {
        own = false;
        return false;
    }
    own = true;
    for (int item : {235, 890, 198, 536, 522, 502, 503})
        CheckMark(item, false);
    CheckMark(id, true);
    return true;
}

void TXLAWindow::CmDlsIRh() {
    if (!SelectDlsDistribution(503, M::dlsIRh, true))
        return;
    C::rangeMin = 1.0f;
    C::rangeMax = 50.0f;
    RangeToFitVector();
}

void TXLAWindow::CmDlsIRhTimeCourse() {
    SelectDlsDistribution(522, M::dlsIRhTimeCourse, true);
}

void TXLAWindow::CmDlsID() {
    SelectDlsDistribution(502, M::dlsID, false);
}

// ls-g*(s) and its discrete-component variant; the extrapolation needs the Tikhonov-Phillips
// regularization, so the base's switch to maximum entropy is not made for them.
bool TXLAWindow::SelectLsGStar(int id, bool& own, const char* note) {
    if (own && M::contiMode)
        return false;
    if (!ModelDataAccepted(ModelData::Sedimentation))
        return false;
    own = true;
    if (!ContinuousBase(true, false)) {
        own = false;
        return false;
    }
    own = M::contiCs = M::contiMode = true;
    CheckMark(235, false);
    CheckMark(id, true);
    C::resolution = 100.0f;
    C::rangeMin = 1.0f;
    C::rangeMax = 20.0f;
    C::confidenceLevel = 0.683f;
    RangeToFitVector();
    UseSecondDerivative(note, "ls-g(s)");
    if (!gDlsData && !ScanDataKind::electrophoresis && !ScanStore::timesFromW2t) {
        // the scans take their times from omega^2 t, without the rotor's ramp
        TimesFromW2tOn();
        MessageBox("switching on times from w^2t option", "", MB_OK | MB_ICONINFORMATION);
    }
    Invalidate(true);
    return true;
}

void TXLAWindow::CmLsGStarS() {
    SelectLsGStar(288, M::lsGStar,
                  "Please Note: Switching now to Tikhonov-Phillips Regularization");
}

void TXLAWindow::CmLsGStarSDiscrete() {
    SelectLsGStar(539, M::lsgDiscrete,
                  "Please Note: Switching now o Tikhonov-Phillips Regularization");
}

void TXLAWindow::CmZoneLsGs() {
    if (M::zoneLsGs)
        return;
    if (M::lsGStar)
        M::lsGStar = false; // chosen again below as the zone variant
    if (!SelectLsGStar(510, M::lsGStar, kTikhonovNote))
        return;
    M::zoneLsGs = M::zoneCentrifugation = true;
    M::lammModel = false;
    CheckMark(288, false);
}

void TXLAWindow::CmElectrophoresisLsGStar() {
    if (M::electrophoresisLsG)
        return;
    if (M::lsGStar)
        M::lsGStar = false;
    if (!SelectLsGStar(501, M::lsGStar, kTikhonovNote))
        return;
    M::electrophoresisLsG = true;
    M::lammModel = M::nonInteractingSpecies = M::lammVariant = M::geometryVariant = false;
    CheckMark(288, false);
}

void TXLAWindow::CmZoneCs() {
    if (M::zoneCs && M::contiMode)
        return;
    // Zone c(s) is regularized by the second derivative: no detour through maximum entropy.
    if (!SelectCsMember(511, M::contiCs, CsRange::Default, 2.0f, 20.0f, false))
        return;
    M::zoneCs = M::zoneCentrifugation = M::lammVariant = true;
    CheckMark(275, false);
    UseSecondDerivative(kTikhonovNote, "ls-g(s)");
}

void TXLAWindow::CmElectrophoresisCv() {
    if (M::cvElectrophoresis && M::contiMode)
        return;
    if (!ScanDataKind::electrophoresis) {
        MessageBox("need electrophoresis data for this model", "", MB_OK);
        return;
    }
    if (!ContinuousBase(false, false))
        return;
    M::cvElectrophoresis = M::cmInvariantD = M::electrophoresis = M::geometryVariant = true;
    C::rangeMin = 1.0f;
    C::rangeMax = 20.0f;
    C::resolution = 100.0f;
    LammGrid::gridSize = 200;
    gFrictionalRatio = 0.683f;
    RangeToFitVector();
    CheckMark(235, false);
    CheckMark(513, true);
}

bool TXLAWindow::AskBoundaryPlot() {
    return MessageBox("show plot with extrapolation of s(app) vs 1/srqt(time)? \n(switch off by "
                      "pressing the ESCAPE key)",
                      "", MB_YESNO) == IDYES;
}

void TXLAWindow::CmExtrapolateAreaFractions() {
    if (M::lsgExtrapolation)
        return;
    if (!BeginModel(false, ModelData::Sedimentation))
        return;
    MessageBox("Please Note: This model has not been fully examined for the properties and "
               "stability.\nThe c(s) method is recommended instead.",
               "ATTENTION", MB_OK | MB_ICONSTOP);
    M::gStarFamily = M::lsgExtrapolation = M::contiMode = true;
    C::rangeMin = 1.0f;
    C::rangeMax = 10.0f;
    C::resolution = 50.0f;
    C::confidenceLevel = 0.68f;
    C::showBothRegularizations = false;
    M::boundaryPlot = AskBoundaryPlot();
    FixAllFitParameters();
    RangeToFitVector();
    CheckMark(293, true);
}

void TXLAWindow::CmVanHoldeWeischet() {
    constexpr const char* kCaption = "Van Holde Weischet Analysis";
    const bool active = M::gStarFamily && !M::lsgExtrapolation;
    if (!active) {
        if (!BeginModel(false, ModelData::Sedimentation))
            return;
        M::gStarFamily = true;
        M::fitTINoise = M::fitRINoise = false;
        CheckMark(292, true);
        FixAllFitParameters();
    }
    M::vhwFlotation = MessageBox("van Holde-Weischet for sedimentation? ('no' for flotation)",
                                 kCaption, MB_YESNO) != IDYES;
    float resolution = C::resolution;
    if (InputFloatForWindow(this, &resolution, resolution, true, "enter resolution", kCaption))
        C::resolution = resolution;
    if (active) {
        // Chosen again: the result there is shows itself again.
        if (!BoundaryAnalysis::abscissa.empty()) {
            BoundaryAnalysis::reportShown = M::boundaryPlot;
            LsgExtrapolationReport();
        }
        return;
    }
    if (ScanDataKind::interference)
        MessageBox("this function is only for absorbance data, \nrecommending extrapolation of "
                   "s(app) vs 1/srqt(time) for interference data",
                   kCaption, MB_OK);
    M::boundaryPlot = AskBoundaryPlot();
}
