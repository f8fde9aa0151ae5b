// Each model's values in their own unit on the parameters dialog (212), through the menu: the
// light-scattering ranges in nm or log10 D and the electrophoresis ones in 1e-4 cm/s are stored as
// typed and Run computes over them; the discrete light-scattering models name the Stokes radius
// and the cumulants; the molar-mass range stays in kDa.
#include "app/params_box.h"
#include "fitting/parameter_report.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "support/dls_file_generator.h"
#include "support/electrophoresis_scan_files.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using M = ModelParameters;

enum class Data { Scans, Dls, Electrophoresis };

void LoadData(MainWindowFixture& f, Data data) {
    if (data == Data::Scans) {
        f.LoadScans(4, 100);
        return;
    }
    if (data == Data::Electrophoresis) {
        f.script.expectFileOpen().answer(WriteElectrophoresisScans(f, "electrophoresis", 4, 101));
        f.script.expectInput().caption("LOAD FILES").answer("1");
        SendCommand(f, 290);
        return;
    }
    // g(1) of one decay of D = 5e-7 cm^2/s, 1e-7 .. 1e-1 s
    gAlwaysLoadG2 = true;
    std::vector<std::string> paths;
    for (double time : {0.0, 100.0}) {
        DlsFileContent c;
        c.time = time;
        for (int i = 0; i <= 120; ++i) {
            const double lag = std::pow(10.0, -7.0 + i / 20.0);
            c.lags.push_back(lag);
            c.values.push_back(std::exp(-2e-4 * 5e-7 * 3.50363e14 * lag));
        }
        paths.push_back(f.data.write(time == 0.0 ? "a.dlsdat" : "b.dlsdat", DlsFileText(c)));
    }
    f.script.expectFileOpen().answer(paths);
    SendCommand(f, 298);
}

// The labels of the page the dialog opens on for the model chosen.
std::string PageLabels() {
    std::string labels;
    for (const plat::ControlSpec& c : ParamsDialogTemplate(CurrentParamsPage()).controls)
        if (c.kind == plat::ControlKind::Static)
            labels += c.text + "|";
    return labels;
}

TEST(ModelUnits, DistributionRangesAreStoredAndRunInTheirOwnUnit) {
    struct Case {
        const char* name;
        Data data;
        int command;
        const char* unit;
        const char* min;
        const char* max;
        float storedMin, storedMax;
        const char* reportRange; // the fit report's line: the stored values in their unit
    };
    const Case cases[] = {
        {"I(Rh)", Data::Dls, 503, "range minimum (nm)", "2", "40", 2.0f, 40.0f,
         "range 2 to 40 nm,"},
        {"I(Rh,t)", Data::Dls, 522, "range minimum (nm)", "2", "40", 2.0f, 40.0f,
         "range 2 to 40 nm,"},
        {"I(D)", Data::Dls, 502, "range minimum (log10 D, D in cm^2/s)", "-8", "-5", -8.0f, -5.0f,
         "range -8 to -5 log10 D (cm^2/s),"},
        {"c(v)", Data::Electrophoresis, 513, "range minimum (1e-4 cm/s)", "0.5", "5", 0.5f, 5.0f,
         "range 0.5 to 5 1e-4 cm/s,"},
        {"ls-g*(v)", Data::Electrophoresis, 501, "range maximum (1e-4 cm/s)", "0.5", "5", 0.5f,
         5.0f, "range 0.5 to 5 1e-4 cm/s,"},
        {"c(s)", Data::Scans, 275, "range minimum (S)", "1", "12", 1.0f, 12.0f, "range 1 to 12 S,"},
        {"c(M)", Data::Scans, 235, "range maximum (kDa)", "10", "500", 10000.0f, 500000.0f,
         "range 1e+04 to 5e+05 Da,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        LoadData(f, c.data);
        ASSERT_GE(ScanStore::scanCount, 2) << f.script.logText();
        SendCommand(f, c.command);
        ASSERT_TRUE(ModelChoice::contiMode) << f.script.logText();
        EXPECT_NE(PageLabels().find(c.unit), std::string::npos) << PageLabels();
        f.script.expectDialog(kDistributionParamsDialogId)
            .set(kRangeMinId, c.min)
            .set(kRangeMaxId, c.max)
            .set(kResolutionId, "31")
            .ok();
        SendCommand(f, 212);
        EXPECT_EQ(C::rangeMin, c.storedMin);
        EXPECT_EQ(C::rangeMax, c.storedMax);
        EXPECT_EQ(ParameterReportLines().at(1).rfind(c.reportRange, 0), 0u)
            << ParameterReportLines().at(1);
        if (c.data != Data::Dls)
            continue;
        // The distribution is computed over the range as typed.
        SendCommand(f, 213);
        ASSERT_NE(C::distribution, nullptr) << f.script.logText();
        EXPECT_FLOAT_EQ(C::sValues[1], c.storedMin);
        EXPECT_FLOAT_EQ(C::sValues[C::gridPoints], c.storedMax);
    }
}

TEST(ModelUnits, DiscreteLightScatteringAndDriftValuesNameTheirQuantity) {
    struct Case {
        const char* name;
        Data data;
        int command;
        std::vector<const char*> labels;
        int slot;
        const char* typed;
        std::function<float()> stored;
    };
    const Case cases[] = {
        {"Stokes radii", Data::Dls, 536, {"Rh (nm)"}, 1, "3.5", [] { return M::speciesDOrM[1]; }},
        {"cumulants",
         Data::Dls,
         890,
         {"mean D (1e-7 cm^2/s)", "mu2 (1e-14 cm^4/s^2)", "mu3 (1e-21 cm^6/s^3)"},
         2,
         "0.25",
         [] { return M::speciesDOrM[2]; }},
        {"electrophoresis",
         Data::Scans,
         291,
         {"v (1e-4 cm/s)", "D (1e-7 cm^2/s)"},
         1,
         "2.5",
         [] { return M::speciesS[1]; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MainWindowFixture f;
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        LoadData(f, c.data);
        SendCommand(f, c.command);
        ASSERT_EQ(CurrentParamsPage(), ParamsPage::Discrete);
        const std::string labels = PageLabels();
        for (const char* label : c.labels)
            EXPECT_NE(labels.find(label), std::string::npos) << label << " in " << labels;
        // A diffusion coefficient is named as such only where the model has one.
        EXPECT_EQ(labels.find("|D (1e-7 cm^2/s)|") != std::string::npos, c.command == 291);
        const int item = c.command == 291 ? kSItem : kDOrMItem;
        f.script.expectDialog(kDiscreteParamsDialogId)
            .set(SpeciesControlId(c.slot, item), c.typed)
            .ok();
        SendCommand(f, 212);
        EXPECT_EQ(c.stored(), std::stof(c.typed)) << f.script.logText();
    }
}

} // namespace
