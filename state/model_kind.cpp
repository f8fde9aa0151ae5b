// The decode of the model switches and the traits of each kind.
#include "state/model_kind.h"

#include "state/conti_state.h"
#include "state/model_choice.h"

#include <utility>

ModelKind CurrentModelKind() {
    using M = ModelChoice;
    using K = ModelKind;
    // The boundary analyses and the distributions come before the discrete models:
    // electrophoresis and zone centrifugation set switches of both.
    if (M::gStarFamily)
        return M::lsgExtrapolation ? K::LsgExtrapolation : K::VanHoldeWeischet;
    if (M::contiMode) {
        const std::pair<bool, K> members[] = {
            {M::zoneLsGs, K::ZoneLsGStar},
            {M::electrophoresisLsG, K::LsGStarV},
            {M::lsgDiscrete, K::LsGStarDiscrete},
            {M::lsGStar, K::LsGStar},
            {M::zoneCs, K::ZoneCs},
            {M::cvElectrophoresis, K::CvElectrophoresis},
            {M::cmInvariantD, K::CMInvariantD},
            {M::cmPowerLaw, K::CMPowerLaw},
            {M::cmPriorVbar, K::CMPriorVbar},
            {M::dlsIRh, K::DlsIRh},
            {M::dlsIRhTimeCourse, K::DlsIRhTimeCourse},
            {M::dlsID, K::DlsID},
            {M::csConformationalChange, K::CsConformer},
            {M::csInvariantD, K::CsInvariantD},
            {M::csDiscreteMs || M::csDiscreteSD, K::CsDiscrete},
            {M::csBimodal, K::CsBimodal},
            {M::csBimodalDiscrete, K::CsBimodalDiscrete},
            {M::csFloatingVbar, K::CsFloatingVbar},
            {M::csWormlikeChain, K::CsWormlikeChain},
            {M::csScalingLaw, K::CsScalingLaw},
            {M::csVariant521, K::CsLinearRod},
            {M::csMsTable, K::CsMofSTable},
            {M::csWithBaselineEstimates, K::CsNonideal},
            {M::csFf0, K::CsFf0},
            {M::csFf0Discrete, K::CsFf0Discrete},
            {M::fMvsM, K::FMvsM},
            {M::contiCs, K::Cs},
        };
        for (const auto& [on, kind] : members)
            if (on)
                return kind;
        return K::CM;
    }
    const std::pair<bool, K> discrete[] = {
        {M::selfAssocMonomerDimer, K::MonomerDimer},
        {M::selfAssocMonomerTrimer, K::MonomerTrimer},
        {M::selfAssocTetramerOctamer, K::TetramerOctamer},
        {M::selfAssocDimerTetramer, K::DimerTetramer},
        {M::reactingSystem, K::ReactingSystem},
        {M::singleSpecies, K::NonidealSingle},
        {M::multipleSpecies, K::NonidealMultiple},
        {M::equilibriumModel, K::Equilibrium},
        {M::equilibriumAssociationModel, K::EquilibriumAssociation},
        {M::dlsStokesRadii, K::DlsStokesRadii},
        {M::dlsCumulants, K::DlsCumulants},
        {M::linearLamm, K::LinearLamm},
        {M::externalLoadingCell, K::ExternalLoadingCell},
        {M::thirdGeometry, K::ThirdGeometry},
        {M::electrophoresis, K::ElectrophoresisLamm},
        {M::zoneCentrifugation, K::ZoneSpecies},
    };
    for (const auto& [on, kind] : discrete)
        if (on)
            return kind;
    return K::Discrete;
}

ModelTraits TraitsOf(ModelKind kind) {
    switch (kind) {
    case ModelKind::Discrete:
        return {.commandId = 198, .name = "non-interacting discrete species"};
    case ModelKind::LinearLamm:
        return {.commandId = 280, .name = "linear Lamm equation"};
    case ModelKind::ExternalLoadingCell:
        return {.commandId = 281, .name = "external loading cell"};
    case ModelKind::ThirdGeometry:
        return {.commandId = 282, .name = "discrete species in the third cell geometry"};
    case ModelKind::ElectrophoresisLamm:
        return {.commandId = 291, .name = "electrophoresis: Lamm equation for discrete species"};
    case ModelKind::MonomerDimer:
        return {.commandId = 197, .name = "self-association monomer-dimer"};
    case ModelKind::MonomerTrimer:
        return {.commandId = 229, .name = "self-association monomer-trimer"};
    case ModelKind::TetramerOctamer:
        return {.commandId = 520, .name = "self-association tetramer-octamer"};
    case ModelKind::DimerTetramer:
        return {.commandId = 228, .name = "self-association dimer-tetramer"};
    case ModelKind::ReactingSystem:
        return {.commandId = 267, .name = "reacting system A + B <-> AB"};
    case ModelKind::NonidealSingle:
        return {.commandId = 227, .name = "nonideal sedimentation: single species"};
    case ModelKind::NonidealMultiple:
        return {.commandId = 893, .name = "nonideal sedimentation: multiple species"};
    case ModelKind::ZoneSpecies:
        return {.commandId = 246, .name = "analytical zone centrifugation: independent species"};
    case ModelKind::Equilibrium:
        return {.commandId = 284,
                .name = "sedimentation equilibrium",
                .family = ModelFamily::Equilibrium,
                .page = ParamsPage::Equilibrium};
    case ModelKind::EquilibriumAssociation:
        return {.commandId = 523,
                .name = "sedimentation equilibrium A + B <-> AB",
                .family = ModelFamily::Equilibrium,
                .page = ParamsPage::Equilibrium};
    case ModelKind::DlsStokesRadii:
        return {
            .commandId = 536, .name = "DLS: discrete Stokes radii", .lightScatteringSpecies = true};
    case ModelKind::DlsCumulants:
        return {.commandId = 890, .name = "DLS: cumulant analysis", .lightScatteringSpecies = true};
    case ModelKind::VanHoldeWeischet:
        return {.commandId = 292,
                .name = "van Holde - Weischet transform",
                .family = ModelFamily::BoundaryAnalysis};
    case ModelKind::LsgExtrapolation:
        return {.commandId = 293,
                .name = "extrapolation of ls-g*(s) area fractions",
                .family = ModelFamily::BoundaryAnalysis,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::Mass,
                .ff0Floats = true};
    case ModelKind::CM:
        return {.commandId = 235,
                .name = "continuous c(M) distribution",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CM,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::Mass,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .ff0Floats = true};
    case ModelKind::CMInvariantD:
        return {.commandId = 277,
                .name = "continuous c(M) with invariant D",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CMInvariantD,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::BuoyantMass,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .showsInvariantD = true,
                .kernel = FitKernel::MeniscusBottom,
                .law = ReportedLaw::InvariantD};
    case ModelKind::CMPowerLaw:
        return {.commandId = 278,
                .name = "continuous c(M) with power law",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CMPowerLaw,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::Mass,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .kernel = FitKernel::MeniscusBottom,
                .law = ReportedLaw::PowerLaw};
    case ModelKind::CMPriorVbar:
        return {.commandId = 279,
                .name = "continuous c(M) with prior knowledge vbar(M)",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CMPriorVbar,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::Mass,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .ff0Floats = true,
                .law = ReportedLaw::PriorVbar};
    case ModelKind::FMvsM:
        return {.commandId = 887,
                .name = "f(M) vs M (with scaling law)",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::FMvsM,
                .page = ParamsPage::Distribution,
                .shape = ParamsShape::ScalingLaw,
                .range = RangeAxis::Mass,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .kernel = FitKernel::MeniscusBottom,
                .law = ReportedLaw::ScalingLaw};
    case ModelKind::Cs:
        return {.commandId = 275,
                .name = "continuous c(s) distribution",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::Cs,
                .page = ParamsPage::Distribution,
                .ends = DistributionEnds::Read,
                .savedFit = true,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .plainCsSwitch = true};
    case ModelKind::CsConformer:
        return {.commandId = 514,
                .name = "continuous c(s) conformational change model",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsConformer,
                .page = ParamsPage::Distribution,
                .shape = ParamsShape::Conformer,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true};
    case ModelKind::CsInvariantD:
        return {.commandId = 526,
                .name = "continuous c(s) with invariant D",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsInvariantD,
                .page = ParamsPage::Distribution,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .showsInvariantD = true};
    case ModelKind::CsDiscrete:
        return {.commandId = 531,
                .name = "continuous c(s) with 1 discrete component",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::Cs,
                .page = ParamsPage::Distribution,
                .savedFit = true,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .discreteComponent = true,
                .kernel = FitKernel::DiscreteComponent};
    case ModelKind::CsBimodal:
        return {.commandId = 548,
                .name = "continuous c(s) with bimodal f/f0",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsBimodal,
                .page = ParamsPage::Distribution,
                .shape = ParamsShape::Bimodal,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .bimodal = true,
                .kernel = FitKernel::SecondFf0};
    case ModelKind::CsBimodalDiscrete:
        return {.commandId = 870,
                .name = "continuous c(s) with bimodal f/f0 and 1 discrete component",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsBimodal,
                .page = ParamsPage::Distribution,
                .shape = ParamsShape::Bimodal,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .bimodal = true,
                .discreteComponent = true,
                .kernel = FitKernel::DiscreteComponent};
    case ModelKind::CsFloatingVbar:
        return {.commandId = 602,
                .name = "continuous c(s) with fixed f/f0 and floating vbar",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsFloatingVbar,
                .page = ParamsPage::Distribution,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .floatsVbar = true,
                .kernel = FitKernel::Vbar,
                .law = ReportedLaw::OwnVbar};
    case ModelKind::CsWormlikeChain:
        return {.commandId = 603,
                .name = "continuous c(s) for wormlike chain",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsWormlikeChain,
                .page = ParamsPage::Distribution,
                .shape = ParamsShape::WormlikeChain,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .floatsVbar = true};
    case ModelKind::CsScalingLaw:
        return {.commandId = 872,
                .name = "continuous c(s) with general scaling law",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsScalingLaw,
                .page = ParamsPage::Distribution,
                .shape = ParamsShape::ScalingLaw,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true};
    case ModelKind::CsLinearRod:
        return {.commandId = 521,
                .name = "continuous c(s) variant",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsLinearRod,
                .page = ParamsPage::Distribution,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true,
                .kernel = FitKernel::MeniscusBottom,
                .law = ReportedLaw::LinearRod};
    case ModelKind::CsMofSTable:
        return {.commandId = 587,
                .name = "continuous c(s) with M(s) table",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsMofSTable,
                .page = ParamsPage::Distribution,
                .ends = DistributionEnds::Read,
                .molarMassReadout = true,
                .exported = true};
    case ModelKind::CsNonideal:
        return {.commandId = 585,
                .name = "continuous c(s) with baseline estimates",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CsNonideal,
                .page = ParamsPage::Distribution,
                .exported = true,
                .ff0Floats = true};
    case ModelKind::CsFf0:
        return {.commandId = 595,
                .name = "continuous c(s,f/f0)",
                .family = ModelFamily::Distribution,
                .page = ParamsPage::Distribution,
                .savedFit = true,
                .exported = true,
                .sizeShape = true};
    case ModelKind::CsFf0Discrete:
        return {.commandId = 598,
                .name = "continuous c(s,f/f0) with 1 discrete component",
                .family = ModelFamily::Distribution,
                .page = ParamsPage::Distribution,
                .savedFit = true,
                .exported = true,
                .sizeShape = true,
                .discreteComponent = true,
                .kernel = FitKernel::DiscreteComponent};
    case ModelKind::LsGStar:
        return {.commandId = 288,
                .name = "ls-g*(s)",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::LsGStar,
                .page = ParamsPage::Distribution,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .plainCsSwitch = true};
    case ModelKind::LsGStarDiscrete:
        return {.commandId = 539,
                .name = "ls-g*(s) with 1 discrete Lamm equation component",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::LsGStar,
                .page = ParamsPage::Distribution,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .discreteComponent = true,
                .plainCsSwitch = true,
                .kernel = FitKernel::DiscreteComponent};
    case ModelKind::ZoneCs:
        return {.commandId = 511,
                .name = "analytical zone centrifugation c(s)",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::ZoneCs,
                .page = ParamsPage::Distribution,
                .ends = DistributionEnds::Read,
                .savedFit = true,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .plainCsSwitch = true};
    case ModelKind::ZoneLsGStar:
        return {.commandId = 510,
                .name = "analytical zone centrifugation ls-g*(s)",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::ZoneLsGStar,
                .page = ParamsPage::Distribution,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .plainCsSwitch = true};
    case ModelKind::LsGStarV:
        return {.commandId = 501,
                .name = "electrophoresis: ls-g*(v)",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::LsGStarV,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::Velocity,
                .molarMassReadout = true,
                .exported = true,
                .ff0Floats = true,
                .plainCsSwitch = true};
    case ModelKind::CvElectrophoresis:
        return {.commandId = 513,
                .name = "electrophoresis: c(v) distribution with constant D",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::CvElectrophoresis,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::Velocity,
                .ends = DistributionEnds::Read,
                .showsInvariantD = true};
    case ModelKind::DlsIRh:
        return {.commandId = 503,
                .name = "DLS: continuous I(Rh) distribution",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::DlsRh,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::StokesRadius,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .ff0Floats = true};
    case ModelKind::DlsIRhTimeCourse:
        return {.commandId = 522,
                .name = "DLS: continuous I(Rh,t) time course",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::DlsRh,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::StokesRadius,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .ff0Floats = true};
    case ModelKind::DlsID:
        return {.commandId = 502,
                .name = "DLS: continuous I(D) distribution",
                .family = ModelFamily::Distribution,
                .variant = ContiVariant::DlsD,
                .page = ParamsPage::Distribution,
                .range = RangeAxis::LogD,
                .ends = DistributionEnds::ReadInBufferMismatch,
                .ff0Floats = true};
    }
    return {};
}

bool FrictionalRatioFloated() {
    return ContiState::ff0Float && CurrentModelTraits().ff0Floats;
}
