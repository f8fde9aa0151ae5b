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
};

// The boundary analyses and the distributions come before the discrete models: electrophoresis
// and zone centrifugation set switches of both.
constexpr ModelEntry kModels[] = {
    {293, [] { return M::gStarFamily && M::lsgExtrapolation; }},
    {292, [] { return M::gStarFamily; }},
    {510, [] { return M::contiMode && M::zoneLsGs; }},
    {501, [] { return M::contiMode && M::electrophoresisLsG; }},
    {539, [] { return M::contiMode && M::lsgDiscrete; }},
    {288, [] { return M::contiMode && M::lsGStar; }},
    {511, [] { return M::contiMode && M::zoneCs; }},
    {513, [] { return M::contiMode && M::cvElectrophoresis; }},
    {277, [] { return M::contiMode && M::cmInvariantD; }},
    {278, [] { return M::contiMode && M::cmPowerLaw; }},
    {279, [] { return M::contiMode && M::cmPriorVbar; }},
    {503, [] { return M::contiMode && M::dlsIRh; }},
    {522, [] { return M::contiMode && M::dlsIRhTimeCourse; }},
    {502, [] { return M::contiMode && M::dlsID; }},
    {514, [] { return M::contiMode && M::csConformationalChange; }},
    {526, [] { return M::contiMode && M::csInvariantD; }},
    {531, [] { return M::contiMode && (M::csDiscreteMs || M::csDiscreteSD); }},
    {548, [] { return M::contiMode && M::csBimodal; }},
    {870, [] { return M::contiMode && M::csBimodalDiscrete; }},
    {602, [] { return M::contiMode && M::csFloatingVbar; }},
    {603, [] { return M::contiMode && M::csWormlikeChain; }},
    {872, [] { return M::contiMode && M::csScalingLaw; }},
    {521, [] { return M::contiMode && M::csVariant521; }},
    {587, [] { return M::contiMode && M::csMsTable; }},
    {585, [] { return M::contiMode && M::csWithBaselineEstimates; }},
    {595, [] { return M::contiMode && M::csFf0; }},
    {598, [] { return M::contiMode && M::csFf0Discrete; }},
    {887, [] { return M::contiMode && M::fMvsM; }},
    {275, [] { return M::contiMode && M::contiCs; }},
    {235, [] { return M::contiMode; }},
    {197, [] { return M::selfAssocMonomerDimer; }},
    {229, [] { return M::selfAssocMonomerTrimer; }},
    {520, [] { return M::selfAssocTetramerOctamer; }},
    {228, [] { return M::selfAssocDimerTetramer; }},
    {267, [] { return M::reactingSystem; }},
    {227, [] { return M::singleSpecies; }},
    {893, [] { return M::multipleSpecies; }},
    {284, [] { return M::equilibriumModel; }},
    {523, [] { return M::equilibriumAssociationModel; }},
    {536, [] { return M::dlsStokesRadii; }},
    {890, [] { return M::dlsCumulants; }},
    {280, [] { return M::linearLamm; }},
    {281, [] { return M::externalLoadingCell; }},
    {282, [] { return M::thirdGeometry; }},
    {291, [] { return M::electrophoresis; }},
    {246, [] { return M::zoneCentrifugation; }},
    {198, [] { return true; }},
};

} // namespace

int CurrentModelCommandId() {
    for (const ModelEntry& m : kModels)
        if (m.chosen())
            return m.id;
    return 198;
}

bool IsModelCommandId(int id) {
    for (const ModelEntry& m : kModels)
        if (m.id == id)
            return true;
    return false;
}
