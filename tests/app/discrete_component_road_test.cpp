// "Continuous c(s) with 1 discrete component" through the menu on scans of a 5 S species beside a
// 1.2 S species: the model, its page of the parameters dialog, Run and Fit (the component's s
// floated from a wrong start), the report line and a picture of the window.
#include "app/params_box.h"
#include "app/txla_window.h"
#include "fitting/parameter_report.h"
#include "foundations/hydrodynamics.h"
#include "plat/testing.hpp"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/conti_data_store.h"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;

void Command(MainWindowFixture& f, int id) {
    SendMessage(f.window.get(), WM_COMMAND, WPARAM(id), 0);
}

// Ten scans (the cell 6.0 to 7.2 cm): 5 S (f/f0 1.25) loaded 0.5 beside 1.2 S with D 9e-7 cm^2/s
// loaded 0.25, noise 0.003.
std::vector<std::string> WriteScans(MainWindowFixture& f) {
    ContiStoreCase c;
    c.scans = 10;
    c.points = 260;
    c.firstTimeS = 600.0;
    c.intervalS = 600.0;
    // The scans stop short of the cell's ends, as measured scans do.
    c.meniscus = 6.02f;
    c.bottom = 7.16f;
    ContiDataStore store(c);
    ModelParameters::meniscus = 6.0f;
    ModelParameters::bottom = 7.2f;
    store.Fill({{5.0, 1.25, 0.5}, {1.2, 1.0, 0.25, 9e-7}}, {}, {}, 0.003, 23);
    std::vector<std::string> paths;
    for (int k = 1; k <= c.scans; ++k) {
        char name[20];
        std::snprintf(name, sizeof name, "%05d.RA1", k);
        std::ofstream(f.data.file(name))
            << store.ScanFile(k, "[T OK]two species " + std::to_string(k), store.signal[k].data())
                   .Text();
        paths.push_back(f.data.file(name));
    }
    return paths;
}

std::string Text(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", v);
    return text;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& start) {
    for (const std::string& l : lines)
        if (l.rfind(start, 0) == 0)
            return true;
    return false;
}

} // namespace

TEST(DiscreteComponentRoad, ModelParametersRunAndFitThroughTheMenu) {
    MainWindowFixture f;
    f.script.onUnexpected(plat::test::Unexpected::Cancel);
    f.script.expectFileOpen().answer(WriteScans(f));
    Command(f, 200); // Load New Files
    ASSERT_EQ(ScanStore::scanCount, 10);
    Command(f, 531); // Continuous c(s) with 1 discrete component, given by M and s
    ASSERT_TRUE(ModelChoice::csDiscreteMs) << f.script.logText();

    // The component's M of the data: from its s and D in the buffer of the scans, in kDa.
    const double massKDa = MFromSandD(1.2f, 9e-7f, 20.0f) * 1e-3;
    f.script.expectDialog(kDistributionParamsDialogId)
        .set(kRangeMinId, "3")
        .set(kRangeMaxId, "8")
        .set(kResolutionId, "41")
        .set(kFf0Id, "1.25")
        .set(kConfidenceLevelId, "0.68")
        .set(kMeniscusId, "6")
        .set(kBottomId, "7.2")
        .set(kComponentSId, "0.9")
        .set(kComponentMOrDId, Text(massKDa))
        .check(kComponentSId + 1, true)
        .ok();
    Command(f, 212); // Parameters
    ASSERT_EQ(C::discreteS, 0.9f) << f.script.logText();
    ASSERT_EQ(C::discreteSFloat, 1);

    Command(f, 213); // Run, at the wrong s: the distribution takes what the component cannot
    ASSERT_NE(C::distribution, nullptr) << f.script.logText();
    Command(f, 215); // Fit
    EXPECT_NEAR(C::discreteS, 1.2, 0.03 * 1.2) << f.script.logText();
    EXPECT_NEAR(C::discreteLoading, 0.25, 0.03 * 0.25);
    double area = 0.0;
    for (int p = 1; p < C::gridPoints; ++p)
        area += 0.5 * (C::distribution[p] + C::distribution[p + 1]) *
                (C::sValues[p + 1] - C::sValues[p]);
    EXPECT_NEAR(area, 0.5, 0.03 * 0.5);
    EXPECT_TRUE(HasLine(ParameterReportLines(), "discrete component: s = 1.")) << [] {
        std::string all;
        for (const std::string& l : ParameterReportLines())
            all += l + "\n";
        return all;
    }();

    f.Paint();
    ASSERT_TRUE(plat::test::windowPng(*f.window, f.data.file("discrete_component.png")));
    if (const char* keep = std::getenv("TARNIX_KEEP_PNG"))
        plat::test::windowPng(*f.window, std::string(keep) + "/discrete_component.png");
}
