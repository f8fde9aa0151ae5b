// The planner's parameter dialog: its page, record, OK check and the routine around it.
#include "app/time_to_eq_box.h"

#include "app/save_dialogs.h"
#include "app/transfer_controls.h"
#include "app/txla_window.h"
#include "equilibrium/time_to_eq_parameters.h"
#include "foundations/c_locale.h"
#include "foundations/input_boxes.h"
#include "plat/msgbox.hpp"
#include "scandata/scan_store_alloc.h"
#include "state/startup_paths.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using P = TimeToEqParameters;
using plat::ControlKind;

void Put(TimeToEQPTransfer::Text& field, const char* format, double value) {
    CLocaleScope c;
    std::snprintf(field, kTimeToEqTextLimit, format, value);
}

float Get(const TimeToEQPTransfer::Text& field) {
    CLocaleScope c;
    return static_cast<float>(std::strtod(field, nullptr));
}

// A number the dialog takes: a zero must be written beginning with '0' (".0" is refused).
bool Accepted(const char* text, bool mayBeNegative) {
    if (!(mayBeNegative ? IsFloatText(text) : IsPositiveFloatText(text)))
        return false;
    CLocaleScope c;
    const char* start = text;
    while (*start == ' ' || *start == '\t')
        ++start;
    return std::strtod(text, nullptr) != 0.0 || *start == '0';
}

plat::DialogTemplate Page() {
    plat::DialogTemplate page;
    page.id = kTimeToEqDialogId;
    page.caption = "Parameters For Optimizing Time To Equilibrium";
    page.w = 285;
    page.h = 316;
    auto label = [&](const char* text, int x, int y) {
        page.controls.push_back({-1, ControlKind::Static, text, x, y + 2, 120, 8});
    };
    auto edit = [&](int id, int x, int y) {
        page.controls.push_back(
            {id, ControlKind::Edit, "", x, y, 50, 12, false, int(kTimeToEqTextLimit)});
    };
    auto check = [&](int id, const char* text, int x, int y, ControlKind kind = ControlKind::Check,
                     bool group = false) {
        page.controls.push_back({id, kind, text, x, y + 1, 130, 10, group});
    };
    page.controls.push_back({-1, ControlKind::Group, "Run Parameters", 4, 4, 277, 62});
    label("bottom (cm)", 10, 14);
    edit(628, 80, 13);
    label("meniscus (cm)", 140, 14);
    edit(627, 220, 13);
    label("consider up to right fitting limit at (cm)", 10, 28);
    edit(616, 220, 27);
    label("initial EQ (rpm)", 10, 42);
    edit(612, 80, 41);
    label("final EQ (rpm)", 140, 42);
    edit(639, 220, 41);
    label("temperature (C)", 10, 56);
    edit(629, 80, 55);
    page.controls.push_back({-1, ControlKind::Group, "Solvent", 4, 70, 277, 20});
    label("density (g/ml)", 10, 78);
    edit(834, 80, 77);
    label("viscosity (cP)", 140, 78);
    edit(835, 220, 77);
    page.controls.push_back({-1, ControlKind::Group, "Sedimentation Parameters", 4, 94, 277, 110});
    check(832, "for given distribution (else below)", 10, 102);
    check(621, "use s (S)", 10, 116, ControlKind::Radio, true);
    edit(412, 80, 115);
    check(620, "use ff0", 140, 116, ControlKind::Radio);
    edit(413, 220, 115);
    label("molar mass (Da)", 10, 130);
    edit(428, 80, 129);
    label("vbar (ml/g)", 140, 130);
    edit(426, 220, 129);
    check(615, "with 2nd species, fraction", 10, 144);
    edit(406, 220, 143);
    check(624, "use s2 (S)", 10, 158, ControlKind::Radio, true);
    edit(405, 80, 157);
    check(625, "use ff02", 140, 158, ControlKind::Radio);
    edit(427, 220, 157);
    label("molar mass (Da)", 10, 172);
    edit(414, 80, 171);
    label("vbar (ml/g)", 140, 172);
    edit(420, 220, 171);
    page.controls.push_back({-1, ControlKind::Group, "EQ Criteria", 4, 208, 277, 34});
    label("max overconc at bottom", 10, 216);
    edit(614, 100, 215);
    label("target rmsd/loading signal", 10, 230);
    edit(617, 100, 229);
    page.controls.push_back({-1, ControlKind::Group, "Optimization Parameters", 4, 246, 277, 48});
    label("overspeed time (h)", 10, 254);
    edit(643, 80, 253);
    label("# of parameters", 140, 254);
    edit(619, 220, 253);
    check(626, "exponential parameterization", 10, 268);
    label("# of repeats", 140, 268);
    edit(618, 220, 267);
    check(924, "for loaded data (else below)", 10, 282);
    check(623, "save scan files for best prediction", 140, 282);
    check(833, "save in ZIR EQ Methods format", 10, 296);
    check(640, "just run a rotor speed params file", 140, 296);
    page.controls.push_back({IDOK, ControlKind::DefButton, "OK", 80, 300, 50, 14, true});
    page.controls.push_back({IDCANCEL, ControlKind::Button, "Cancel", 160, 300, 50, 14});
    return page;
}

void Fill(TimeToEQPTransfer& r) {
    std::memset(&r, 0, sizeof r);
    Put(r.bottom, "%.3f", P::bottom);
    Put(r.meniscus, "%.3f", P::meniscus);
    Put(r.rightLimit, "%.3f", P::rightLimit);
    Put(r.initialSpeed, "%.0f", P::initialSpeed);
    Put(r.finalSpeed, "%.0f", P::finalSpeed);
    Put(r.temperature, "%.0f", P::temperature);
    Put(r.density, "%.6f", P::density);
    Put(r.viscosity, "%.6f", double(P::viscosity) * 10.0);
    r.givenDistribution = P::givenDistribution;
    Put(r.s1, "%.3f", P::s1);
    Put(r.M1, "%.0f", P::M1);
    Put(r.vbar1, "%.3f", P::vbar1);
    Put(r.ff01, "%.2f", P::ff01);
    r.useS1 = !P::useFf01;
    r.useFf01 = P::useFf01;
    r.secondSpecies = P::secondSpecies;
    Put(r.fraction2, "%.2f", P::fraction2);
    Put(r.s2, "%.3f", P::s2);
    Put(r.M2, "%.0f", P::M2);
    Put(r.vbar2, "%.3f", P::vbar2);
    Put(r.ff02, "%.2f", P::ff02);
    r.useS2 = !P::useFf02;
    r.useFf02 = P::useFf02;
    Put(r.maxOverconcentration, "%.2f", P::maxOverconcentration);
    Put(r.epsilon, "%.4f", P::epsilon);
    Put(r.overspeedHours, "%.2f", P::overspeedTime / 3600.0);
    std::snprintf(r.parameterCount, kTimeToEqTextLimit, "%d", P::parameterCount);
    r.exponential = P::exponentialParameterization;
    std::snprintf(r.repeats, kTimeToEqTextLimit, "%d", P::repeats);
    r.fromLoadedData = P::fromLoadedData;
    r.saveScanFiles = P::saveScanFiles;
    r.saveMethodsFormat = P::saveMethodsFormat;
    r.justRunSpeedFile = P::justRunSpeedFile;
}

void ReadBack(const TimeToEQPTransfer& r) {
    P::bottom = Get(r.bottom);
    P::meniscus = Get(r.meniscus);
    P::rightLimit = Get(r.rightLimit);
    P::initialSpeed = Get(r.initialSpeed);
    P::finalSpeed = Get(r.finalSpeed);
    P::temperature = Get(r.temperature);
    P::density = Get(r.density);
    P::viscosity = Get(r.viscosity) * 0.1f;
    P::givenDistribution = r.givenDistribution != 0;
    P::s1 = Get(r.s1);
    P::M1 = Get(r.M1);
    P::vbar1 = Get(r.vbar1);
    P::ff01 = Get(r.ff01);
    P::useFf01 = r.useFf01 != 0;
    P::secondSpecies = r.secondSpecies != 0;
    P::fraction2 = Get(r.fraction2);
    P::s2 = Get(r.s2);
    P::M2 = Get(r.M2);
    P::vbar2 = Get(r.vbar2);
    P::ff02 = Get(r.ff02);
    P::useFf02 = r.useFf02 != 0;
    P::maxOverconcentration = Get(r.maxOverconcentration);
    P::epsilon = Get(r.epsilon);
    P::overspeedTime = Get(r.overspeedHours) * 3600.0f;
    P::parameterCount = static_cast<int>(std::floor(Get(r.parameterCount)));
    P::exponentialParameterization = r.exponential != 0;
    P::repeats = static_cast<int>(std::floor(Get(r.repeats)));
    P::fromLoadedData = r.fromLoadedData != 0;
    P::saveScanFiles = r.saveScanFiles != 0;
    P::saveMethodsFormat = r.saveMethodsFormat != 0;
    P::justRunSpeedFile = r.justRunSpeedFile != 0;
}

} // namespace

void InitTimeToEQPTransfer(TimeToEQPTransfer& record) {
    std::memset(&record, 0, sizeof record);
}

bool TimeToEqTransferValid(const TimeToEQPTransfer& r) {
    const char* texts[] = {r.bottom,
                           r.meniscus,
                           r.rightLimit,
                           r.initialSpeed,
                           r.finalSpeed,
                           r.temperature,
                           r.density,
                           r.viscosity,
                           r.s1,
                           r.M1,
                           r.vbar1,
                           r.ff01,
                           r.fraction2,
                           r.s2,
                           r.M2,
                           r.vbar2,
                           r.ff02,
                           r.maxOverconcentration,
                           r.epsilon,
                           r.overspeedHours,
                           r.parameterCount,
                           r.repeats};
    for (const char* text : texts)
        if (!Accepted(text, text == r.s1 || text == r.s2))
            return false;
    return true;
}

TimeToEQPBox::TimeToEQPBox(TWindow* parent, TimeToEQPTransfer& record)
    : TDialog(parent, kTimeToEqDialogId), record_(record) {
    SetTransferBuffer(&record, sizeof record);
    AddTransferControls(this, kTimeToEqControls);
}

bool TimeToEQPBox::CanClose() {
    if (TimeToEqTransferValid(record_))
        return true;
    plat::ShowInvalidEntry(this);
    return false;
}

bool RunTimeToEQPBox(TXLAWindow* window, TimeToEQPTransfer& record) {
    using S = ScanStore;
    if (P::density == 0.0f)
        P::density = S::density;
    if (P::viscosity == 0.0f)
        P::viscosity = S::viscosity * 0.001002f;
    if (P::vbar1 == 0.0f)
        P::vbar1 = S::vbar;
    if (S::scanCount < 1)
        P::fromLoadedData = false;
    P::vbar2 = P::vbar1;
    Fill(record);
    plat::RegisterDialogTemplate(Page());
    const bool ok = TimeToEQPBox(window, record).Execute() == IDOK;
    if (ok) {
        ReadBack(record);
        if (P::fromLoadedData) {
            window->MessageBox(
                "sorry, extrapolation of given data not yet implemented, switching off",
                "CALCULATE MINIMUM TIME TO EQ", MB_OK);
            P::fromLoadedData = false;
        }
    }
    // On Cancel the parameters as they were are completed as OK completes them: a first planning
    // has no D of either species until it is worked out here.
    P::leftLimit = P::meniscus + 0.02f;
    if (!P::givenDistribution)
        CompleteTimeToEqSpecies();
    if (!ok)
        return false;
    if (!P::justRunSpeedFile) {
        // The first free numbered folder of the temp folder.
        std::string path;
        for (int k = 1;; ++k) {
            const std::string name = "optimizedoverspeedsteps" + std::to_string(k);
            path = std::string(gTempFolder) + name + "/" + name + ".txt";
            std::error_code unknown; // a folder that cannot be looked at is taken as free
            if (!std::filesystem::exists(path, unknown))
                break;
        }
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(path).parent_path(), error);
        if (error) {
            window->MessageBox("could not create new config directory",
                               "CALCULATE MINIMUM TIME TO EQ", MB_OK);
            return true;
        }
        P::outputPath = path;
    } else {
        // The program is written to the file picked; without a pick nothing is written.
        std::vector<char> picked(10000, '\0');
        if (SelectAnyFile(window, picked.data(), static_cast<int>(picked.size()),
                          "Pick Rotor Speed File"))
            P::outputPath = picked.data();
    }
    return true;
}
