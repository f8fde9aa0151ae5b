// The dialog of the numerical options of the Lamm solution: its page, record and OK check.
#include "app/lamm_params_box.h"

#include "app/transfer_controls.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "plat/backend.hpp"
#include "plat/msgbox.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

using plat::ControlKind;

std::uint32_t State(bool on) {
    return on ? BF_CHECKED : BF_UNCHECKED;
}

// A value longer than the field is cut: it never overruns its neighbour.
void Put(LammPBoxRecord::Text& field, const char* format, double value) {
    CLocaleScope c;
    std::snprintf(field, kLammTextLimit, format, value);
}

void PutInt(LammPBoxRecord::Text& field, int value) {
    std::snprintf(field, kLammTextLimit, "%d", value);
}

bool GridSizeText(const char* text) {
    const double v = NumberInCLocale(text);
    return v >= kMinLammGridEntry && v < kMaxLammGridEntry + 1.0;
}

class Page {
  public:
    Page() {
        page_.id = kLammParamsDialogId;
        page_.caption = "Numerical Control of Lamm Equation Solution";
        page_.w = 322;
        page_.h = 300;
    }
    void Group(const char* text, int x, int y, int w, int h) {
        page_.controls.push_back({-1, ControlKind::Group, text, x, y, w, h});
    }
    void Label(const char* text, int x, int y, int w) {
        page_.controls.push_back({-1, ControlKind::Static, text, x, y + 2, w, 8});
    }
    void Edit(int id, int x, int y, int w = 40, int h = 12) {
        page_.controls.push_back(
            {id, ControlKind::Edit, "", x, y, w, h, false, static_cast<int>(kLammTextLimit)});
    }
    void Check(int id, const char* text, int x, int y, int w) {
        page_.controls.push_back({id, ControlKind::Check, text, x, y, w, 10});
    }
    void Radio(int id, const char* text, int x, int y, int w, bool first) {
        page_.controls.push_back({id, ControlKind::Radio, text, x, y, w, 10, first});
    }
    void Button(int id, const char* text, int x, int y, bool isDefault) {
        page_.controls.push_back(
            {id, isDefault ? ControlKind::DefButton : ControlKind::Button, text, x, y, 50, 14});
    }
    plat::DialogTemplate Take() { return std::move(page_); }

  private:
    plat::DialogTemplate page_;
};

// The controls in the order of LammPBoxRecord's fields.
constexpr int kRecordOrder[] = {
    kLpAutoChangeS,
    kLpShutOffBackDiffusion,
    kLpBackDiffusionLevel,
    kLpAutoGridSize,
    kLpDefaultGridSize,
    kLpPointsPerSigma,
    kLpMaxGridSize,
    kLpMinGridSize,
    kLpTimesFromW2t,
    kLpRampRotorSpeed,
    kLpCheckAcceleration,
    kLpAutomaticAlgorithm,
    kLpFixedTimeStep,
    kLpClaverie,
    kLpMovingHat,
    kLpAutomaticSGrid,
    kLpSGrid,
    kLpTolerance,
    kLpMaxDcOverC,
    kLpExperimentalInitial,
    kLpAutoChangeSOptimized,
    kLpOptimizeGridSpacing,
    kLpTruncateGrid,
    kLpLogTruncationLevel,
    kLpTimeResolution,
    kLpRadialResolution,
    kLpRadialRange,
    kLpScanVelocity,
};

} // namespace

void InitLammTransfer(LammPBoxRecord& record) {
    std::memset(&record, 0, sizeof record);
}

void FillLammTransfer(LammPBoxRecord& r) {
    using G = LammGrid;
    using M = ModelParameters;
    using C = ModelChoice;
    InitLammTransfer(r);
    Put(r.autoChangeS, "%f", G::autoChangeS);
    r.shutOffBackDiffusion = State(G::shutOffBackDiffusion);
    Put(r.backDiffusionLevel, "%.2e", G::backDiffusionLevel);
    r.autoGridSize = State(M::autoGridSize);
    PutInt(r.defaultGridSize, G::defaultGridSize);
    Put(r.pointsPerSigma, "%.1f", M::pointsPerSigma);
    PutInt(r.maxGridSize, M::maxGridSize);
    PutInt(r.minGridSize, M::minGridSize);
    r.timesFromW2t = State(ScanStore::timesFromW2t);
    r.rampRotorSpeed = State(!ScanStore::timesFromW2t);
    r.checkAcceleration = State(ScanStore::checkAcceleration);
    r.automaticAlgorithm = State(C::automaticAlgorithm);
    r.fixedTimeStep = State(C::fixedTimeStep);
    r.claverie = State(C::claverieAlgorithm && !C::automaticAlgorithm);
    r.movingHat = State(C::movingHatAlgorithm && !C::automaticAlgorithm);
    r.automaticSGrid = State(G::automaticSGrid);
    Put(r.sGrid, "%.2f", G::sGrid);
    Put(r.tolerance, "%.3f", 100.0 * double(FitControl::tolerance));
    Put(r.maxDcOverC, "%.2f", G::maxDcOverC);
    r.experimentalInitial = State(M::experimentalInitialDistribution);
    Put(r.autoChangeSOptimized, "%.2f", G::autoChangeSOptimized);
    r.optimizeGridSpacing = State(G::optimizeGridSpacing);
    r.truncateGrid = State(G::truncateGrid);
    Put(r.logTruncationLevel, "%.2f", std::log10(G::truncationLevel));
    r.timeResolution = State(G::simulateTimeResolution);
    r.radialResolution = State(G::simulateRadialResolution);
    Put(r.radialRange, "%.4f", G::radialConvolutionRange);
    Put(r.scanVelocity, "%.2f", G::scanVelocity);
}

const char* LammTransferProblem(const LammPBoxRecord& r) {
    const char* nonNegative[] = {r.autoChangeS,    r.backDiffusionLevel, r.defaultGridSize,
                                 r.pointsPerSigma, r.maxGridSize,        r.minGridSize,
                                 r.sGrid,          r.tolerance,          r.maxDcOverC,
                                 r.scanVelocity,   r.radialRange};
    for (const char* text : nonNegative)
        if (!IsPositiveFloatText(text))
            return "not a non-negative number";
    if (!IsFloatText(r.logTruncationLevel))
        return "truncation level is not a number";
    const double level = std::pow(10.0, NumberInCLocale(r.logTruncationLevel));
    if (!std::isfinite(level) || !(level > 0.0))
        return "truncation level out of range";
    // Grids of 0 or 1 point have no spacing, and huge ones cannot be allocated.
    for (const char* text : {r.defaultGridSize, r.maxGridSize, r.minGridSize})
        if (!GridSizeText(text))
            return "grid size outside 10..100000";
    if (int(NumberInCLocale(r.minGridSize)) > int(NumberInCLocale(r.maxGridSize)))
        return "lower limit above upper limit";
    if (!(NumberInCLocale(r.pointsPerSigma) > 0.0))
        return "points per sigma must be positive";
    // A step limit of 0 lets no time step advance the solution: the solvers would never end.
    if (NumberInCLocale(r.maxDcOverC) < kMinMaxDcOverC)
        return "max dc/c below 0.001";
    if (!(NumberInCLocale(r.tolerance) > 0.0))
        return "tolerance must be positive";
    return nullptr;
}

plat::DialogTemplate LammParamsDialogTemplate() {
    // Laid out, and walked by Tab, group by group; the record's order is kRecordOrder.
    Page p;
    p.Group("Finite Element Algorithm", 8, 7, 145, 110);
    p.Radio(kLpAutomaticAlgorithm, "automatic finite element algorithm", 23, 18, 128, true);
    p.Label("normalized s for automatic change", 30, 27, 120);
    p.Edit(kLpAutoChangeS, 103, 38, 40, 11);
    p.Label("when optimized", 44, 50, 58);
    p.Edit(kLpAutoChangeSOptimized, 103, 51, 40, 11);
    p.Radio(kLpClaverie, "Claverie algorithm", 23, 65, 120, false);
    p.Radio(kLpMovingHat, "moving hat algorithm", 23, 81, 120, false);
    p.Check(kLpAutomaticSGrid, "automatic s_grid", 35, 92, 70);
    p.Edit(kLpSGrid, 108, 91);
    p.Group("Finite Element Spatial Discretization", 164, 7, 137, 118);
    p.Label("default FE grid size", 172, 20, 70);
    p.Edit(kLpDefaultGridSize, 244, 19);
    p.Check(kLpAutoGridSize, "automatic dynamic grid size", 172, 36, 120);
    p.Label("points per sigma", 182, 46, 64);
    p.Edit(kLpPointsPerSigma, 248, 46);
    p.Label("upper limit ", 182, 60, 64);
    p.Edit(kLpMaxGridSize, 248, 60);
    p.Label("lower limit", 182, 74, 64);
    p.Edit(kLpMinGridSize, 248, 74);
    p.Check(kLpOptimizeGridSpacing, "optimize time-invariant grid spacing", 174, 90, 125);
    p.Check(kLpTruncateGrid, "dynamically truncate grid", 174, 104, 96);
    p.Edit(kLpLogTruncationLevel, 271, 103, 27);
    p.Group("Temporal Discretization", 8, 120, 105, 84);
    p.Radio(kLpTimesFromW2t, "times from wwt", 16, 136, 90, true);
    p.Radio(kLpRampRotorSpeed, "ramp rotor speed", 16, 148, 90, false);
    p.Check(kLpCheckAcceleration, "check acceleration", 32, 160, 76);
    p.Check(kLpFixedTimeStep, "fix timestep", 16, 176, 90);
    p.Label("max dc/c", 16, 188, 38);
    p.Edit(kLpMaxDcOverC, 56, 188);
    p.Group("Backdiffusion", 164, 129, 105, 40);
    p.Check(kLpShutOffBackDiffusion, "shut off back-diffusion", 172, 141, 90);
    p.Label("level", 192, 154, 26);
    p.Edit(kLpBackDiffusionLevel, 220, 153);
    p.Group("Account for Finite Resolution in ABS", 8, 210, 132, 84);
    p.Check(kLpTimeResolution, "simulate time resolution", 15, 221, 120);
    p.Label("scan velocity (cm/min)", 16, 237, 78);
    p.Edit(kLpScanVelocity, 96, 237);
    p.Check(kLpRadialResolution, "simulate radial resolution", 15, 253, 120);
    p.Label("radial range of convolution (cm)", 16, 263, 120);
    p.Edit(kLpRadialRange, 96, 274, 40, 11);
    p.Check(kLpExperimentalInitial, "Experimental Initial Distribution", 164, 222, 130);
    p.Label("Tolerance", 164, 235, 38);
    p.Edit(kLpTolerance, 204, 234);
    p.Button(IDOK, "OK", 260, 270, true);
    p.Button(IDCANCEL, "Cancel", 260, 254, false);
    return p.Take();
}

void RegisterLammParamsDialog() {
    plat::RegisterDialogTemplate(LammParamsDialogTemplate());
}

LammPBox::LammPBox(TWindow* parent, LammPBoxRecord& record)
    : TDialog(parent, kLammParamsDialogId), record_(record) {
    SetTransferBuffer(&record, sizeof record);
    AddTransferControls(this, kRecordOrder);
}

bool LammPBox::CanClose() {
    if (LammTransferProblem(record_) == nullptr)
        return true;
    plat::GetBackend().beep(MB_ICONASTERISK);
    ::MessageBox(this, "Invalid Entry", "Input Error", MB_OK);
    return false;
}
