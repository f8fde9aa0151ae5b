// The parameter report: the values of the current model with their float marks, the same text
// on the clipboard and in the saved file.
#include "fitting/parameter_report.h"
#include "plat/clipboard.hpp"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <string>

namespace {

using M = ModelParameters;

TEST(ParameterReport, ListsTheModelsValuesAndWhereTheyGo) {
    ResetAllState();
    ModelChoice::equilibriumMs = true;
    M::speciesOn[2] = 1;
    M::speciesS[1] = 3.5f, M::speciesDOrM[1] = 50000.0f, M::speciesLoading[1] = 0.3f;
    M::speciesS[2] = 7.0f, M::speciesDOrM[2] = 150000.0f, M::speciesLoading[2] = 0.6f;
    M::speciesSFloat[2] = 1;
    M::meniscus = 6.0f, M::bottom = 7.2f;
    M::meniscusFloat = 1;
    ModelChoice::fitTINoise = true;
    FitControl::bestRmsd = 0.00493f;
    const std::vector<std::string> lines = ParameterReportLines();
    const std::vector<std::string> expected = {
        "non-interacting discrete species",
        "species 1: s = 3.5 S, M = 50000 Da, loading = 0.300",
        "species 2: s = 7 S (f), M = 150000 Da, loading = 0.600",
        "meniscus = 6.0000 cm (f)",
        "bottom = 7.2000 cm",
        "baseline = 0",
        "time-invariant noise fitted",
        "rmsd = 0.00493",
    };
    EXPECT_EQ(lines, expected);

    TempFolder folder;
    const std::string path = folder.file("report.txt");
    ASSERT_TRUE(SaveParameterReport(nullptr, path.c_str()));
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    std::string joined;
    for (const std::string& l : expected)
        joined += l + "\n";
    EXPECT_EQ(text.str(), joined);
    EXPECT_FALSE(SaveParameterReport(nullptr, (path + "/missing/x.txt").c_str()));
    ResetAllState();
}

// The corrections in force show after the noise lines, each value a fit may vary marked; the
// depletion values in the units they are entered in.
TEST(ParameterReport, ShowsTheDetectionCorrectionsInForce) {
    ResetAllState();
    using D = DetectionCorrections;
    D::nonlinearOn = D::nonlinearPowerFit = true;
    D::nonlinearPower = 1.25f;
    D::nonlinearBaseline = 0.05f;
    D::depletionOn = D::depletionFitD = true;
    D::shadowOn = true;
    D::coneRadius = 0.02f;
    D::gradientFit = true; // without its correction: not shown
    FitControl::bestRmsd = 0.01f;
    const std::vector<std::string> lines = ParameterReportLines();
    const std::vector<std::string> tail(lines.end() - 4, lines.end());
    const std::vector<std::string> expected = {
        "excitation cone radius = 0.0200 cm",
        "nonlinear detection power = 1.2500 (f), baseline = 0.05",
        "signal depletion s = 3 S, D = 3 e-7 cm^2/s (f), amplitude = 0.5, ks = 0.001",
        "rmsd = 0.01000",
    };
    EXPECT_EQ(tail, expected);
    ResetAllState();
}

// Once a species model was evaluated, each species shows the loading it holds: a first species
// held at 0 shows 0, not the total its slot carries; a loading below zero shows its sign.
TEST(ParameterReport, ShowsTheLoadingEachSpeciesHolds) {
    ResetAllState();
    ModelChoice::equilibriumMs = true;
    M::speciesOn[2] = 1;
    ScanStore::resultAvailable = true;
    M::concentration[1] = 0.491f, M::speciesLoading[1] = 0.0f;
    M::concentration[2] = 1.0f, M::speciesLoading[2] = -0.491f;
    const std::vector<std::string> lines = ParameterReportLines();
    ASSERT_GE(lines.size(), 3u);
    EXPECT_NE(lines[1].find(", loading = 0"), std::string::npos) << lines[1];
    EXPECT_EQ(lines[1].find("0.491"), std::string::npos) << lines[1];
    EXPECT_NE(lines[2].find(", loading = -0.491"), std::string::npos) << lines[2];
    ResetAllState();
}

} // namespace
