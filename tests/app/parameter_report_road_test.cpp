// The fit report says what was fitted, model by model through the menu: the model's name, the
// association and non-ideality constants the dialog floats, the time offset, the unit of the
// distribution's range, no cell for light-scattering curves, the buoyant mass of equilibrium, and
// molar masses and loadings with the digits a scientist reads.
#include "app/params_box.h"
#include "plat/clipboard.hpp"
#include "state/preference_switches.h"
#include "support/dls_file_generator.h"
#include "support/main_window_fixture.h"
#include "support/model_road.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Step = plat::test::Step;

void VelocityData(MainWindowFixture& f) {
    ScanSetOptions options;
    options.count = 8;
    options.dr = 0.004;
    f.Load(options);
}

void DlsData(MainWindowFixture& f) {
    gAlwaysLoadG2 = false;
    std::vector<std::string> files;
    for (const char* name : {"a.dlsdat", "b.dlsdat"}) {
        DlsFileContent c;
        for (int i = 0; i <= 80; ++i) {
            c.lags.push_back(std::pow(10.0, -7.0 + i / 16.0));
            c.values.push_back(0.6 * std::exp(-2.0 * c.lags.back() / 1e-4));
        }
        files.push_back(f.data.write(name, DlsFileText(c)));
    }
    f.script.expectFileOpen().answer(files);
    SendCommand(f, 298);
}

// The discrete page with species 1 typed (and floated) and whatever the road adds.
void DiscretePage(MainWindowFixture& f, const char* s, const char* m, const char* loading,
                  const std::function<void(Step&)>& more = {}) {
    Step& page = f.script.expectDialog(kDiscreteParamsDialogId);
    page.check(SpeciesControlId(1, kIncludedItem))
        .set(SpeciesControlId(1, kSItem), s)
        .check(SpeciesControlId(1, kSItem + 1))
        .set(SpeciesControlId(1, kDOrMItem), m)
        .check(SpeciesControlId(1, kDOrMItem + 1))
        .set(SpeciesControlId(1, kLoadingItem), loading)
        .check(kLinearAmplitudesId, false);
    if (more)
        more(page);
    page.ok();
    SendCommand(f, 212);
}

struct Road {
    const char* name;
    std::function<void(MainWindowFixture&)> steps; // data, model, dialog, Run or Fit
    std::vector<std::string> has, hasNot;
};

std::string CopiedReport(MainWindowFixture& f) {
    SendCommand(f, 204); // Copy Fit Parameters
    const auto& text = plat::test::clipboard().text;
    return text ? *text : std::string();
}

TEST(ParameterReportRoad, SaysWhatWasFittedInItsUnits) {
    const std::vector<Road> roads = {
        {"discrete species, M and s",
         [](MainWindowFixture& f) {
             VelocityData(f);
             SendCommand(f, 198);
             DiscretePage(f, "4.2", "146.2346", "0.35");
             SendCommand(f, 213);
         },
         {"non-interacting discrete species\r\n",
          "s = 4.2 S (f), M = 146235 Da (f), loading = 0.350"},
         {"5e+04", "e+05"}},
        {"monomer-dimer",
         [](MainWindowFixture& f) {
             VelocityData(f);
             SendCommand(f, 197);
             DiscretePage(f, "4", "50", "0.4",
                          [](Step& p) { p.set(kLogKId, "4.5").check(kLogKId + 1); });
             SendCommand(f, 213);
         },
         {"self-association monomer-dimer\r\n", "log10(Ka) = 4.5 (f)"},
         {"log10(kd)", "second oligomer"}},
        {"dimer-tetramer",
         [](MainWindowFixture& f) {
             VelocityData(f);
             SendCommand(f, 228);
             DiscretePage(f, "4", "50", "0.4", [](Step& p) {
                 p.set(kLogKId, "4").set(kSecondLogKId, "5.5").check(kSecondLogKId + 1);
             });
         },
         {"self-association dimer-tetramer\r\n", "log10(Ka) of the first oligomer = 4\r\n",
          "log10(Ka) of the second oligomer = 5.5 (f)"},
         {}},
        {"nonideal single species with a time offset",
         [](MainWindowFixture& f) {
             VelocityData(f);
             SendCommand(f, 227);
             DiscretePage(f, "4", "50", "0.4", [](Step& p) {
                 p.set(kLogKsId, "-1.5").check(kLogKsId + 1).set(kLogKdId, "-2");
             });
             f.script.expectInput().caption("SET SIMULATION START TIME").answer("30");
             SendCommand(f, 256);
             SendCommand(f, 213);
         },
         {"nonideal sedimentation: single species\r\n", "log10(ks) = -1.5 (f)",
          "log10(kd) = -2\r\n", "time offset = 30 s\r\n"},
         {"log10(Ka)"}},
        {"c(s)",
         [](MainWindowFixture& f) {
             VelocityData(f);
             SendCommand(f, 275);
             f.script.expectDialog(kDistributionParamsDialogId)
                 .set(kRangeMinId, "0.5")
                 .set(kRangeMaxId, "12")
                 .set(kResolutionId, "50")
                 .ok();
             SendCommand(f, 212);
             SendCommand(f, 213);
         },
         {"continuous c(s) distribution\r\n", "range 0.5 to 12 S,"},
         {"continuous distribution model"}},
        {"DLS Stokes radii",
         [](MainWindowFixture& f) {
             DlsData(f);
             SendCommand(f, 536);
             SendCommand(f, 213);
         },
         {"DLS: discrete Stokes radii\r\n", "species 1: Rh = "},
         {"meniscus", "bottom", ": s = ", "D = "}},
        {"equilibrium",
         [](MainWindowFixture& f) {
             VelocityData(f);
             SendCommand(f, 284);
         },
         {"sedimentation equilibrium\r\n", "species 1: buoyant molar mass = "},
         {": s = ", " M = "}},
    };
    for (const Road& road : roads) {
        MainWindowFixture f(900, 650);
        f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
        road.steps(f);
        EXPECT_TRUE(f.script.done()) << road.name << "\n" << f.script.logText();
        const std::string report = CopiedReport(f);
        for (const std::string& line : road.has)
            EXPECT_NE(report.find(line), std::string::npos)
                << road.name << ": no \"" << line << "\" in\n"
                << report;
        for (const std::string& line : road.hasNot)
            EXPECT_EQ(report.find(line), std::string::npos)
                << road.name << ": \"" << line << "\" in\n"
                << report;
        if (const char* keep = std::getenv("TARNIX_KEEP_PNG")) {
            SendCommand(f, 517); // Show Last Fit Info Again
            plat::test::windowPng(*f.window, std::string(keep) + "/report_" +
                                                 std::to_string(&road - &roads[0]) + ".png");
        }
    }
}

} // namespace
