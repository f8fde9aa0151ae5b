// The dialog of the inhomogeneous-solvent model: its page, record and OK check.
#include "app/solvent_params_box.h"

#include "app/transfer_controls.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/startup_paths.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using plat::ControlKind;
using IS = InhomogeneousSolvent;

std::uint32_t State(bool on) {
    return on ? BF_CHECKED : BF_UNCHECKED;
}

void Put(SolventParamsRecord::Text& field, const char* format, double value) {
    CLocaleScope c;
    std::snprintf(field, kSolventTextLimit, format, value);
}

void PutPath(SolventParamsRecord::Path& field, const std::string& path) {
    std::snprintf(field, kSolventPathLimit, "%s", path.c_str());
}

bool Positive(const char* text) {
    CLocaleScope c;
    return IsPositiveFloatText(text) && std::strtod(text, nullptr) > 0.0;
}

class Page {
  public:
    Page() {
        page_.id = kSolventParamsDialogId;
        page_.caption = "Inhomogeneous Solvent Parameters";
        page_.w = 420;
    }
    void Group(const char* text, int x, int y, int w, int h) {
        page_.controls.push_back({-1, ControlKind::Group, text, x, y, w, h});
    }
    void Label(const char* text, int x, int y, int w) {
        page_.controls.push_back({-1, ControlKind::Static, text, x, y + 2, w, 8});
    }
    void Edit(int id, int x, int y, int w = 48, bool path = false) {
        page_.controls.push_back({id, ControlKind::Edit, "", x, y, w, 12, false,
                                  static_cast<int>(path ? kSolventPathLimit : kSolventTextLimit)});
    }
    void Check(int id, const char* text, int x, int y, int w) {
        page_.controls.push_back({id, ControlKind::Check, text, x, y + 1, w, 10});
    }
    void Buttons(int y) {
        page_.controls.push_back({IDOK, ControlKind::DefButton, "OK", 150, y, 50, 14, true});
        page_.controls.push_back({IDCANCEL, ControlKind::Button, "Cancel", 220, y, 50, 14});
        page_.h = y + 22;
    }
    plat::DialogTemplate Take() { return std::move(page_); }

  private:
    plat::DialogTemplate page_;
};

// The controls in the order of SolventParamsRecord's fields.
constexpr int kRecordOrder[] = {
    kSpModelOn,
    kSpVbar,
    kSpFitVbar,
    kSpCompressible,
    kSpCompressibility,
    kSpBufferDensity,
    kSpBufferViscosity,
    kSpCosolute,
    kSpSolvatedVbar,
    kSpLoading,
    kSpIdeal,
    kSpApparentS,
    kSpApparentD,
    kSpNonideal,
    kSpDFile,
    kSpSFile,
    kSpCesiumChloride,
    kSpGridSize,
    kSpPlot,
    kSpSave,
    kSpDensityFile,
    kSpViscosityFile,
    kSpWaterCompressibility,
    kSpLoadDFile,
    kSpLoadSFile,
    kSpLoadDensityFile,
    kSpLoadViscosityFile,
    kSpTempFolder,
};

} // namespace

void FillSolventTransfer(SolventParamsRecord& r) {
    std::memset(&r, 0, sizeof r);
    if (IS::solvatedVbar == 0.0f)
        IS::solvatedVbar = ScanStore::vbar;
    r.modelOn = State(ModelChoice::inhomogeneousSolvent);
    Put(r.vbar, "%.4f", ScanStore::vbar);
    r.fitVbar = State(FitControl::fitVbar);
    r.compressible = State(IS::compressibleSolvent);
    Put(r.compressibility, "%.4f", IS::compressibility * 1e4);
    Put(r.bufferDensity, "%.6f", IS::bufferDensity);
    Put(r.bufferViscosity, "%.4f", double(IS::bufferViscosity) * 10.0);
    r.cosolute = State(IS::sedimentingCosolute);
    Put(r.solvatedVbar, "%.4f", IS::solvatedVbar);
    Put(r.loading, "%.3f", IS::loadingConcentration);
    r.ideal = State(!IS::nonidealCosolute);
    Put(r.apparentS, "%.3f", IS::apparentS);
    Put(r.apparentD, "%.2f", IS::apparentD * 1e7);
    r.nonideal = State(IS::nonidealCosolute);
    PutPath(r.dFile, IS::DFileInUse());
    PutPath(r.sFile, IS::SFileInUse());
    r.cesiumChloride = State(IS::cesiumChloride);
    std::snprintf(r.gridSize, kSolventTextLimit, "%d", IS::gridSize);
    r.plot = State(IS::plotCosoluteData);
    r.save = State(IS::saveCosoluteData);
    PutPath(r.densityFile, IS::DensityFileInUse());
    PutPath(r.viscosityFile, IS::ViscosityFileInUse());
    r.waterCompressibility = State(IS::waterCompressibilityBox);
    PutPath(r.tempFolder, gTempFolder);
}

bool SolventTransferValid(const SolventParamsRecord& r) {
    if (r.modelOn == 0)
        return true;
    for (const char* text : {r.vbar, r.compressibility, r.bufferDensity, r.bufferViscosity,
                             r.solvatedVbar, r.loading, r.apparentS, r.apparentD, r.gridSize})
        if (!Positive(text))
            return false;
    // A cosolute grid of one point has no spacing, and a huge one cannot be allocated.
    CLocaleScope c;
    const double grid = std::strtod(r.gridSize, nullptr);
    return grid >= kMinCosoluteGrid && grid < kMaxCosoluteGrid + 1.0;
}

plat::DialogTemplate SolventParamsDialogTemplate() {
    Page p;
    p.Check(kSpModelOn, "Use Inhomogeneous Solvent Model", 8, 6, 160);
    p.Label("vbar (macromolecule)", 8, 22, 110);
    p.Edit(kSpVbar, 120, 21);
    p.Check(kSpFitVbar, "fit vbar (requires strong density gradients)", 180, 22, 200);

    p.Group("", 4, 38, 412, 64); // Frame1: the compressible solvent
    p.Check(kSpCompressible, "compressible solvent (static gradient)", 10, 46, 180);
    p.Label("compressibility [1e-4/MPa]", 10, 60, 150);
    p.Edit(kSpCompressibility, 170, 59);
    p.Label("buffer density at 1 atm [g/ml]", 10, 74, 150);
    p.Edit(kSpBufferDensity, 170, 73);
    p.Label("buffer viscosity at 1 atm [Poise]", 10, 88, 150);
    p.Edit(kSpBufferViscosity, 170, 87);

    p.Group("", 4, 105, 412, 223); // Frame2: the sedimenting cosolute
    p.Check(kSpCosolute, "sedimenting cosolute (dynamic gradient)", 10, 110, 180);
    p.Label("vbar (macromolecule including solvation)", 10, 124, 158);
    p.Edit(kSpSolvatedVbar, 170, 123);
    p.Label("cosolute loading concentration [M]", 10, 138, 158);
    p.Edit(kSpLoading, 170, 137);
    p.Label("radial grid size", 230, 138, 70);
    p.Edit(kSpGridSize, 300, 137, 40);
    p.Group("", 8, 152, 404, 42);
    p.Check(kSpIdeal, "ideally sedimenting cosolute", 14, 158, 150);
    p.Label("apparent s [S]", 14, 172, 80);
    p.Edit(kSpApparentS, 100, 171, 44);
    p.Label("apparent D [1e-7 cm^2/sec]", 160, 172, 100);
    p.Edit(kSpApparentD, 262, 171, 44);
    p.Group("", 8, 196, 404, 56);
    p.Check(kSpNonideal, "nonideal cosolute", 14, 202, 100);
    p.Check(kSpCesiumChloride, "CsCl at 25C", 130, 202, 100);
    p.Check(kSpLoadDFile, "Load New Nonideal D(c) File", 14, 216, 120);
    p.Edit(kSpDFile, 140, 215, 268, true);
    p.Check(kSpLoadSFile, "Load New Nonideal s(c) File", 14, 232, 120);
    p.Edit(kSpSFile, 140, 231, 268, true);
    p.Group("", 8, 254, 404, 70);
    p.Label("density(c) coefficients [g/ml], (c in [M])", 14, 258, 200);
    p.Check(kSpLoadDensityFile, "Load New DENSITY(c) File", 14, 270, 120);
    p.Edit(kSpDensityFile, 140, 269, 268, true);
    p.Label("viscosity(c) coefficients [Poise], (c in [M])", 14, 284, 200);
    p.Check(kSpLoadViscosityFile, "Load New VISCOSITY(c) File", 14, 296, 120);
    p.Edit(kSpViscosityFile, 140, 295, 268, true);
    p.Check(kSpWaterCompressibility, "add H2O compressibility", 14, 310, 120);

    p.Check(kSpPlot, "plot cosolute data", 8, 334, 100);
    p.Check(kSpSave, "save cosolute data in ", 110, 334, 100);
    p.Edit(kSpTempFolder, 212, 333, 204, true);
    p.Buttons(352);
    return p.Take();
}

void RegisterSolventParamsDialog() {
    plat::RegisterDialogTemplate(SolventParamsDialogTemplate());
}

TMCDDensgradParamsBox::TMCDDensgradParamsBox(TWindow* parent, SolventParamsRecord& record)
    : TDialog(parent, kSolventParamsDialogId), record_(record) {
    SetTransferBuffer(&record, sizeof record);
    AddTransferControls(this, kRecordOrder);
}

bool TMCDDensgradParamsBox::CanClose() {
    return SolventTransferValid(record_);
}
