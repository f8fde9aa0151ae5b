// The discrete-species models of the model menu: Lamm equation models in their geometries,
// self-association, reaction, non-ideality, electrophoresis, equilibrium and light scattering.
#include "app/txla_window.h"
#include "foundations/hydrodynamics.h"
#include "foundations/input_boxes.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/nonideal_model_run.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "state/model_kind.h"
#include "state/model_parameters.h"

namespace {

using M = ModelChoice;
using P = ModelParameters;

} // namespace

void TXLAWindow::CmNonInteractingSpecies() {
    // Chosen again, nothing changes. A file without a model id restored over c(M) leaves no model
    // switch on, the Lamm switch included: the command then chooses the model in full.
    if (CurrentModelKind() == ModelKind::Discrete && M::lammModel)
        return;
    const bool fromStokesRadii = M::dlsStokesRadii;
    const bool fromCumulants = M::dlsCumulants;
    ResetModelChoice();
    M::nonInteractingSpecies = M::lammModel = true;
    M::lammVariant = true;
    M::geometryVariant = false;
    UnpackFitParameters();
    if (fromStokesRadii) {
        // The species' first values were Stokes radii in nm: the engines want D in 1e-7 cm^2/s.
        const float celsius = ScanStore::absoluteTemperature > 0.0f
                                  ? ScanStore::absoluteTemperature - 273.15f
                                  : 20.0f;
        for (int k = 1; k <= P::maxSpecies; ++k) {
            if (P::speciesDOrM[k] > 0.0f)
                P::speciesDOrM[k] =
                    float(StokesEinsteinD(P::speciesDOrM[k] * 1e-9f, celsius) * 1e7);
        }
    }
    if (fromCumulants) {
        // The cumulants' higher terms mean nothing to a Lamm model.
        P::speciesS[1] = 0.0f;
        P::concentration[1] = 0.0f;
        P::speciesDOrMFloat[1] = 1;
    }
    FinishModel(198);
}

void TXLAWindow::CmLinearLamm() {
    if (!BeginModel(M::linearLamm, ModelData::Sedimentation))
        return;
    M::lammModel = M::linearLamm = M::geometryVariant = true;
    M::nonInteractingSpecies = M::lammVariant = false;
    FinishModel(280);
}

void TXLAWindow::CmExternalLoadingCell() {
    if (!ModelDataAccepted(ModelData::Sedimentation))
        return;
    if (!M::externalLoadingCell) {
        ResetModelChoice();
        M::lammModel = M::externalLoadingCell = M::geometryVariant = true;
        FinishModel(281);
    }
    // Only the fixed-grid solution carries the narrowing bottom.
    M::claverieAlgorithm = true;
    M::movingHatAlgorithm = false;
    // No oil entered means no oil layer; a volume is a finite, non-negative number (the box asks
    // again for anything else).
    float volume = P::oilVolume;
    if (!InputPositiveFloat(this, &volume, volume, true, "enter volume of oil used in run [ml]",
                            "EXTERNAL LOADING GEOMETRY"))
        volume = 0.0f;
    P::oilVolume = volume;
}

void TXLAWindow::CmGeometryVariant282() {
    if (!BeginModel(M::geometryVariant282, ModelData::Any))
        return;
    M::lammModel = M::geometryVariant282 = M::geometryVariant = true;
    FinishModel(282);
}

void TXLAWindow::CmSelfAssocMonomerDimer() {
    if (!BeginModel(M::selfAssocMonomerDimer, ModelData::Sedimentation))
        return;
    M::selfAssocMonomerDimer = true;
    P::speciesOn[2] = 0; // the dimer follows from the monomer and Ka
    FinishModel(197);
}

void TXLAWindow::CmSelfAssocMonomerTrimer() {
    if (!BeginModel(M::selfAssocMonomerTrimer, ModelData::Sedimentation))
        return;
    M::selfAssocMonomerTrimer = true;
    FinishModel(229);
}

void TXLAWindow::CmSelfAssocTetramerOctamer() {
    if (!BeginModel(M::selfAssocTetramerOctamer, ModelData::Sedimentation))
        return;
    M::selfAssocTetramerOctamer = M::geometryVariant = true;
    M::lammVariant = M::nonlinearOption = false;
    SetFitMAndS(true);
    UnpackFitParameters();
    P::speciesDOrM[2] = 4.0f * P::speciesDOrM[1];
    P::speciesDOrM[3] = 8.0f * P::speciesDOrM[1];
    FinishModel(520);
}

void TXLAWindow::CmSelfAssocDimerTetramer() {
    if (!BeginModel(M::selfAssocDimerTetramer, ModelData::Sedimentation))
        return;
    M::selfAssocDimerTetramer = M::geometryVariant = true;
    M::lammVariant = M::nonlinearOption = false;
    SetFitMAndS(true);
    FinishModel(228);
}

void TXLAWindow::CmZoneIndepSpecies() {
    if (M::zoneCentrifugation && M::lammModel)
        return;
    ResetModelChoice();
    M::lammModel = M::zoneCentrifugation = M::lammVariant = true;
    FinishModel(246);
}

void TXLAWindow::CmReactingSystem() {
    if (!BeginModel(M::reactingSystem, ModelData::Sedimentation))
        return;
    M::reactingSystem = M::lammVariant = true;
    SetFitMAndS(true);
    UnpackFitParameters();
    // The A + B <-> AB set in the species slots, the complex of the loading shown as species 3.
    ReactionParametersToSlots();
    FinishModel(267);
}

// The non-ideal models describe velocity data only.
static bool RefuseEquilibriumData(TXLAWindow& window) {
    if (!ScanStore::equilibriumData)
        return false;
    window.MessageBox("this model is not implemented for equilibrium data", "ERROR", MB_OK);
    return true;
}

void TXLAWindow::CmSingleSpecies() {
    if (M::singleSpecies || RefuseEquilibriumData(*this) ||
        !BeginModel(false, ModelData::Sedimentation))
        return;
    M::singleSpecies = true;
    SetFitMAndS(false);
    FinishModel(227);
}

void TXLAWindow::CmMultipleSpecies() {
    if (M::multipleSpecies || RefuseEquilibriumData(*this) ||
        !BeginModel(false, ModelData::Sedimentation))
        return;
    M::multipleSpecies = true;
    SetFitMAndS(false);
    FinishModel(893);
}

void TXLAWindow::CmElectrophoresisLamm() {
    if (!BeginModel(M::electrophoresis && M::lammModel, ModelData::Sedimentation))
        return;
    M::lammModel = M::electrophoresis = M::geometryVariant = true;
    SetFitMAndS(false);
    UnpackFitParameters();
    // The field length replaces the bottom: it is fitted in its own slot.
    P::bottom = P::meniscus + P::electrophoresisLength;
    FinishModel(291);
    P::fitValues[kSlotElectrophoresisLength] = P::electrophoresisLength;
}

void TXLAWindow::CmEquilibriumModel284() {
    if (!BeginModel(M::equilibriumModel, ModelData::Sedimentation))
        return;
    if (!ScanStore::equilibriumData)
        MessageBox("please load equilibrium data", "Equilibrium Analysis", MB_OK);
    M::equilibriumModel = M::fitTINoise = M::fitRINoise = true;
    FinishModel(284);
}

void TXLAWindow::CmEquilibriumModel523() {
    if (!BeginModel(M::equilibriumAssociationModel, ModelData::Sedimentation))
        return;
    if (!ScanStore::equilibriumData)
        MessageBox("please load equilibrium data", "Equilibrium Analysis", MB_OK);
    M::equilibriumAssociationModel = M::fitTINoise = M::fitRINoise = true;
    // A in species 1, B in species 2; the complex of the loading shown as species 3.
    UnpackFitParameters();
    P::speciesOn[1] = P::speciesOn[2] = 1;
    ReactionParametersToSlots();
    FinishModel(523);
}

void TXLAWindow::CmDiscreteStokesRadii() {
    if (!BeginModel(M::dlsStokesRadii, ModelData::Dls))
        return;
    M::lammModel = M::dlsStokesRadii = true;
    float viscosity = gDlsViscosityPoise;
    if (InputFloatForWindow(this, &viscosity, viscosity, true,
                            "absolute viscosity of solvent (Poise)", "DISCRETE STOKES RADII"))
        gDlsViscosityPoise = viscosity;
    SetFitMAndS(false);
    FinishModel(536);
}

void TXLAWindow::CmCumulantAnalysis() {
    if (!BeginModel(M::dlsCumulants, ModelData::Dls))
        return;
    M::lammModel = M::dlsCumulants = true;
    SetFitMAndS(false);
    FinishModel(890);
}
