// Which model command the switches stand for. The table is ordered from the most specific
// member to the family's base, so a member that also sets its base's switch (ls-g*(s) sets
// the plain c(s) switch, zone c(s) sets it too) is found first.
#include "fitting/model_identity.h"

#include "state/model_choice.h"

namespace {

using M = ModelChoice;

struct ModelEntry {
    int id;
    bool (*chosen)();
    const char* name;
};

// The boundary analyses and the distributions come before the discrete models: electrophoresis
// and zone centrifugation set switches of both.
constexpr ModelEntry kModels[] = {
    {293, [] { return M::gStarFamily && M::lsgExtrapolation; },
     "extrapolation of ls-g*(s) area fractions"},
    {292, [] { return M::gStarFamily; }, "van Holde - Weischet transform"},
    {510, [] { return M::contiMode && M::zoneLsGs; }, "analytical zone centrifugation ls-g*(s)"},
    {501, [] { return M::contiMode && M::electrophoresisLsG; }, "electrophoresis: ls-g*(v)"},
    {539, [] { return M::contiMode && M::lsgDiscrete; },
     "ls-g*(s) with 1 discrete Lamm equation component"},
    {288, [] { return M::contiMode && M::lsGStar; }, "ls-g*(s)"},
    {511, [] { return M::contiMode && M::zoneCs; }, "analytical zone centrifugation c(s)"},
    {513, [] { return M::contiMode && M::cvElectrophoresis; },
     "electrophoresis: c(v) distribution with constant D"},
    {277, [] { return M::contiMode && M::cmInvariantD; }, "continuous c(M) with invariant D"},
    {278, [] { return M::contiMode && M::cmPowerLaw; }, "continuous c(M) with power law"},
    {279, [] { return M::contiMode && M::cmPriorVbar; },
     "continuous c(M) with prior knowledge vbar(M)"},
    {503, [] { return M::contiMode && M::dlsIRh; }, "DLS: continuous I(Rh) distribution"},
    {522, [] { return M::contiMode && M::dlsIRhTimeCourse; },
     "DLS: continuous I(Rh,t) time course"},
    {502, [] { return M::contiMode && M::dlsID; }, "DLS: continuous I(D) distribution"},
    {514, [] { return M::contiMode && M::csConformationalChange; },
     "continuous c(s) conformational change model"},
    {526, [] { return M::contiMode && M::csInvariantD; }, "continuous c(s) with invariant D"},
    {531, [] { return M::contiMode && (M::csDiscreteMs || M::csDiscreteSD); },
     "continuous c(s) with 1 discrete component"},
    {548, [] { return M::contiMode && M::csBimodal; }, "continuous c(s) with bimodal f/f0"},
    {870, [] { return M::contiMode && M::csBimodalDiscrete; },
     "continuous c(s) with bimodal f/f0 and 1 discrete component"},
    {602, [] { return M::contiMode && M::csFloatingVbar; },
     "continuous c(s) with fixed f/f0 and floating vbar"},
    {603, [] { return M::contiMode && M::csWormlikeChain; }, "continuous c(s) for wormlike chain"},
    {872, [] { return M::contiMode && M::csScalingLaw; },
     "continuous c(s) with general scaling law"},
    {521, [] { return M::contiMode && M::csVariant521; }, "continuous c(s) variant"},
    {587, [] { return M::contiMode && M::csMsTable; }, "continuous c(s) with M(s) table"},
    {585, [] { return M::contiMode && M::csWithBaselineEstimates; },
     "continuous c(s) with baseline estimates"},
    {595, [] { return M::contiMode && M::csFf0; }, "continuous c(s,f/f0)"},
    {598, [] { return M::contiMode && M::csFf0Discrete; },
     "continuous c(s,f/f0) with 1 discrete component"},
    {887, [] { return M::contiMode && M::fMvsM; }, "f(M) vs M (with scaling law)"},
    {275, [] { return M::contiMode && M::contiCs; }, "continuous c(s) distribution"},
    {235, [] { return M::contiMode; }, "continuous c(M) distribution"},
    {197, [] { return M::selfAssocMonomerDimer; }, "self-association monomer-dimer"},
    {229, [] { return M::selfAssocMonomerTrimer; }, "self-association monomer-trimer"},
    {520, [] { return M::selfAssocTetramerOctamer; }, "self-association tetramer-octamer"},
    {228, [] { return M::selfAssocDimerTetramer; }, "self-association dimer-tetramer"},
    {267, [] { return M::reactingSystem; }, "reacting system A + B <-> AB"},
    {227, [] { return M::singleSpecies; }, "nonideal sedimentation: single species"},
    {893, [] { return M::multipleSpecies; }, "nonideal sedimentation: multiple species"},
    {284, [] { return M::equilibriumModel; }, "sedimentation equilibrium"},
    {523, [] { return M::equilibriumAssociationModel; }, "sedimentation equilibrium A + B <-> AB"},
    {536, [] { return M::dlsStokesRadii; }, "DLS: discrete Stokes radii"},
    {890, [] { return M::dlsCumulants; }, "DLS: cumulant analysis"},
    {280, [] { return M::linearLamm; }, "linear Lamm equation"},
    {281, [] { return M::externalLoadingCell; }, "external loading cell"},
    {282, [] { return M::thirdGeometry; }, "discrete species in the third cell geometry"},
    {291, [] { return M::electrophoresis; }, "electrophoresis: Lamm equation for discrete species"},
    {246, [] { return M::zoneCentrifugation; },
     "analytical zone centrifugation: independent species"},
    {198, [] { return true; }, "non-interacting discrete species"},
};

} // namespace

int CurrentModelCommandId() {
    for (const ModelEntry& m : kModels)
        if (m.chosen())
            return m.id;
    return 198;
}

const char* ModelName(int id) {
    for (const ModelEntry& m : kModels)
        if (m.id == id)
            return m.name;
    return "";
}

bool IsModelCommandId(int id) {
    for (const ModelEntry& m : kModels)
        if (m.id == id)
            return true;
    return false;
}
