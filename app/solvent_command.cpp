// "Inhomogeneous Solvent" (542): the solvent model's dialog, its coefficient files, and the
// species moved between experimental and standard conditions as the model is switched.
#include "app/solvent_params_box.h"
#include "app/txla_window.h"
#include "fitting/solvent_conditions.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "foundations/show_error.h"
#include "plat/filedlg.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "simulation/lamm_arrays.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using IS = InhomogeneousSolvent;
using M = ModelParameters;
using C = ModelChoice;

constexpr double kWaterViscosity = 0.001002;

bool Checked(std::uint32_t state) {
    return state != 0;
}

// The entry's number into the field; an entry that is no number (accepted while the model is
// unchecked) leaves the field as it was, so that an emptied box cannot make vbar or the
// buffer 0.
template <typename T> void TakeNumber(const char* text, T& field, double scale = 1.0) {
    if (IsFloatText(text))
        field = T(NumberInCLocale(text) * scale);
}

// A file chosen in the open dialog, or false.
bool ChooseFile(TXLAWindow* window, const char* title, std::string& path) {
    std::vector<char> name(kSolventPathLimit, '\0');
    OpenFileRecord record;
    record.hwndOwner = window->GetHandle();
    record.SetFilter("dat files (*.dat*)|*.dat*|All Files (*.*)|*.*|");
    record.lpstrFile = name.data();
    record.nMaxFile = DWORD(name.size());
    record.lpstrTitle = title;
    record.lpstrDefExt = "*";
    record.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    if (!GetOpenFileName(&record))
        return false;
    path = name.data();
    return true;
}

// The c(s) family keeps vbar in its fit vector.
bool CsFamily() {
    return C::contiMode && C::contiCs;
}

} // namespace

void TXLAWindow::CmInhomogeneousSolvent() {
    SolventParamsRecord& r = solventTransfer;
    FillSolventTransfer(r);
    RegisterSolventParamsDialog();
    paintSuspended = true;
    const int result = TMCDDensgradParamsBox(this, r).Execute();
    paintSuspended = false;
    if (result != IDOK)
        return;

    const bool wasOn = C::inhomogeneousSolvent;
    const bool nowOn = Checked(r.modelOn);
    TakeNumber(r.vbar, ScanStore::vbar);
    ScanStore::vbarRho = ScanStore::vbar * ScanStore::density;
    FitControl::fitVbar = Checked(r.fitVbar);
    TakeNumber(r.compressibility, IS::compressibility, 1e-4);
    TakeNumber(r.bufferDensity, IS::bufferDensity);
    TakeNumber(r.bufferViscosity, IS::bufferViscosity, 0.1);
    IS::relativeViscosity = float(double(IS::bufferViscosity) / kWaterViscosity);
    // The cosolute box alone decides the case.
    IS::sedimentingCosolute = IS::dynamicGradient = Checked(r.cosolute);
    IS::compressibleSolvent = !IS::sedimentingCosolute;
    TakeNumber(r.solvatedVbar, IS::solvatedVbar);
    IS::macromoleculeVbar = IS::dynamicGradient ? IS::solvatedVbar : ScanStore::vbar;
    TakeNumber(r.loading, IS::loadingConcentration);
    IS::nonidealCosolute = !Checked(r.ideal);
    TakeNumber(r.apparentS, IS::apparentS);
    TakeNumber(r.apparentD, IS::apparentD, 1e-7);
    IS::cesiumChloride = Checked(r.cesiumChloride);

    if (Checked(r.loadDFile)) {
        if (!ChooseFile(this, "Select NONIDEAL D(c) Data File", IS::dFile)) {
            ShowError("Could Not Open New NONIDEAL D(c) Data File");
            if (!IS::cesiumChloride)
                IS::nonidealCosolute = false;
        }
    }
    if (Checked(r.loadSFile)) {
        if (!ChooseFile(this, "Select NONIDEAL s(c) Data File", IS::sFile)) {
            ShowError("Could Not Open New NONIDEAL s(c) Data File");
            if (!IS::cesiumChloride)
                IS::nonidealCosolute = false;
        }
    }
    const double grid = std::floor(NumberInCLocale(r.gridSize));
    if (grid >= kMinCosoluteGrid && grid <= kMaxCosoluteGrid)
        IS::gridSize = SecondLammBlock::pointCount = int(grid);
    IS::plotCosoluteData = Checked(r.plot);
    IS::saveCosoluteData = Checked(r.save);
    if (Checked(r.loadDensityFile)) {
        if (ChooseFile(this, "Select DENSITY(c) Data File", IS::densityFile))
            ReadSolventCoefficients(IS::densityFile, IS::densityCoefficients);
        else
            ShowError("Could Not Open New DENSITY(c) Data File");
    }
    if (Checked(r.loadViscosityFile)) {
        if (ChooseFile(this, "Select VISCOSITY(c) Data File", IS::viscosityFile))
            ReadSolventCoefficients(IS::viscosityFile, IS::viscosityCoefficients);
        else
            ShowError("Could Not Open New VISCOSITY(c) Data File");
    }
    IS::waterCompressibilityBox = Checked(r.waterCompressibility);
    if (IS::sedimentingCosolute) {
        if (IS::densityCoefficients.empty())
            ReadSolventCoefficients(IS::DensityFileInUse(), IS::densityCoefficients);
        if (IS::viscosityCoefficients.empty())
            ReadSolventCoefficients(IS::ViscosityFileInUse(), IS::viscosityCoefficients);
        IS::addWaterCompressibility = IS::waterCompressibilityBox;
        if (IS::addWaterCompressibility)
            IS::compressibility = 0.0004591;
        IS::relativeViscosity =
            float(CosoluteViscosity(IS::loadingConcentration) / kWaterViscosity);
        IS::bufferViscosity = float(double(IS::relativeViscosity) * kWaterViscosity);
        IS::bufferDensity = float(CosoluteDensity(IS::loadingConcentration));
    }

    if (wasOn && !nowOn) {
        C::inhomogeneousSolvent = false;
        CheckMark(542, false);
        if (IS::convertedToStandard) {
            MessageBox("changing s and D (and M) back to experimental conditions!", nullptr, MB_OK);
            ConvertToExperimentalConditions();
        }
        IS::densityCoefficients.clear();
        IS::viscosityCoefficients.clear();
        FitControl::fitVbar = false;
        if (CsFamily()) {
            M::fitValues[kSlotVbar] = IS::savedVbarEntry;
            M::fitValues[kSlotRangeMin] = IS::savedFirstEntry;
            ContiState::rangeMin = IS::savedFirstEntry;
        }
    } else if (!wasOn && nowOn) {
        C::inhomogeneousSolvent = true;
        if (CsFamily()) {
            IS::savedVbarEntry = ScanStore::vbar;
            IS::savedFirstEntry = M::fitValues[kSlotRangeMin];
            M::fitValues[kSlotVbar] = ScanStore::vbar;
        }
        if (LammGrid::truncateGrid && !IS::truncationNoteShown) {
            IS::truncationNoteShown = true;
            MessageBox("make sure Lamm equation option 'dyanmically trucate grid' \nis not used "
                       "when macromolecular flotation near meniscus can occur",
                       nullptr, MB_OK);
        }
        CheckMark(542, true);
        if (IS::sedimentingCosolute && !IS::cosoluteNoteShown) {
            IS::cosoluteNoteShown = true;
            MessageBox("this is only implemented for regular Lamm equation models\nlike discrete "
                       "noninteracting species (boundary and analytical zone centrifugation)\nc(s) "
                       "and c(M) distributions",
                       "Attention", MB_OK);
        } else if (IS::compressibleSolvent && !IS::compressibleNoteShown) {
            IS::compressibleNoteShown = true;
            MessageBox("this is only implemented for regular Lamm equation models and ls-g*(s)\n"
                       "like discrete noninteracting species (boundary and analytical zone "
                       "centrifugation)\nc(s) and c(M) distributions",
                       "Attention", MB_OK);
        }
        if (C::contiMode && !C::lsgExtrapolation)
            M::fitValues[kSlotVbar] = ScanStore::vbar;
        MessageBox("changing s and D (and M) to standard conditions!", nullptr, MB_OK);
        ConvertToStandardConditions();
    }
}
