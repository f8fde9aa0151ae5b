// Fit, residual and noise files written beside the scans: their names under both conventions,
// their contents read back by the scan reader, the overwrite question and the refusals.
#include "app/load_all_data.h"
#include "foundations/nr_arrays.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/noise_subtraction.h"
#include "scandata/result_files.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "state/display_options.h"
#include "state/dls_data.h"
#include "state/model_choice.h"
#include "support/reset_all_state.h"
#include "support/scan_read_back.h"
#include "support/scan_set_generator.h"
#include "support/store_builder.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

using S = ScanStore;
using plat::test::Script;

class ResultFiles : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }

    // Three absorbance scans of 20 points under the given file names, with a fit a little off
    // the signal and residuals to match.
    void LoadScans(const std::vector<std::string>& names = {"00001.RA1", "00002.RA1",
                                                            "00003.RA1"}) {
        ScanSetOptions options;
        options.points = 20;
        for (std::size_t i = 0; i < names.size(); ++i)
            WriteTextFile(data.file(names[i]), SetScan(options, static_cast<int>(i) + 1).Text());
        LoadAllData(nullptr, SelectionBuffer(data.path(), names).c_str());
        ASSERT_EQ(S::scanCount, static_cast<int>(names.size()));
        for (int k = 1; k <= S::scanCount; ++k)
            for (int i = 1; i <= S::pointCount[k]; ++i) {
                S::fit[k][i] = S::signal[k][i] + 0.001f * static_cast<float>(i);
                S::residuals[k][i] = S::signal[k][i] - S::fit[k][i];
            }
        FitIndices(0, 0); // the whole of each scan
        S::gridFirstFit = 1;
        S::gridLastFit = S::gridCount;
    }
    static void FitIndices(int first, int last) {
        for (int k = 1; k <= S::scanCount; ++k) {
            S::firstFitIndex[k] = first;
            S::lastFitIndex[k] = last;
        }
    }

    TempFolder data;
    TempFolder out;
};

TEST_F(ResultFiles, ResultNamesFollowTheScanOrTheChosenName) {
    struct Case {
        bool oldConvention;
        const char* chosen;
        const char* scan;
        char letter;
        const char* expected;
    };
    const Case cases[] = {
        {false, "/out/f0000x.rxx", "00001.RA1", 'f', "/out/f0001.RA1"},
        {false, "/out/anything.txt", "00012.IP2", 'r', "/out/r0012.IP2"},
        {false, "r0000x.rxx", "00003.RA1", 'r', "r0003.RA1"},
        {true, "/out/fit.rxx", "scan.002", 'f', "/out/fit.002"},
        {true, "/out/res", "00001.RA1", 'r', "/out/res.RA1"},
    };
    for (const Case& c : cases) {
        gOldFilenameConvention = c.oldConvention;
        EXPECT_EQ(ResultFileName(c.chosen, c.scan, c.letter), c.expected) << c.chosen;
    }
}

TEST_F(ResultFiles, FitsAndResidualsReadBackOverTheFitRange) {
    LoadScans();
    FitIndices(3, 15);
    S::firstFitIndex[2] = S::lastFitIndex[2] = 0; // the whole scan
    ASSERT_TRUE(SaveFitData(out.file("f0000x.rxx").c_str(), false));
    ASSERT_TRUE(SaveResiduals(out.file("r0000x.rxx").c_str()));
    for (int k = 1; k <= 3; ++k) {
        const int first = k == 2 ? 1 : 3;
        const int n = k == 2 ? 20 : 13;
        for (char letter : {'f', 'r'}) {
            std::string name = S::scanFileName[k];
            name[0] = letter;
            ScanReadBack r = ReadScanBack(out.file(name));
            ASSERT_TRUE(r.ok) << name;
            ASSERT_EQ(static_cast<int>(r.radius.size()), n) << name;
            EXPECT_EQ(std::string(r.header.description),
                      std::string("[T OK]") + (letter == 'f' ? "fitted to " : "residuals to ") +
                          S::scanFileName[k]);
            EXPECT_EQ(r.header.originalTime, S::header[k].originalTime);
            EXPECT_EQ(r.header.rotorSpeed, S::header[k].rotorSpeed);
            const float* source = letter == 'f' ? S::fit[k] : S::residuals[k];
            for (int i = 0; i < n; ++i) {
                EXPECT_NEAR(r.radius[i], S::radius[k][first + i], 5e-5f);
                EXPECT_NEAR(r.value[i], source[first + i],
                            1e-5f * std::fabs(source[first + i]) + 1e-9f);
            }
        }
    }
}

TEST_F(ResultFiles, OldConventionNamesTheFilesByTheChosenNameAndScanExtension) {
    LoadScans({"scan.001", "scan.002", "scan.003"});
    gOldFilenameConvention = true;
    ASSERT_TRUE(SaveFitData(out.file("fit.rxx").c_str(), false));
    for (const char* name : {"fit.001", "fit.002", "fit.003"})
        EXPECT_TRUE(ReadScanBack(out.file(name)).ok) << name;
}

TEST_F(ResultFiles, OneYesOverwritesEveryExistingFile) {
    LoadScans();
    for (const char* name : {"f0001.RA1", "f0002.RA1", "f0003.RA1"})
        WriteTextFile(out.file(name), "old");
    Script script;
    script.expectBox()
        .caption("ERROR")
        .text("file " + out.file("f0001.RA1") + " already exists!\nOverwrite all?")
        .answer(IDYES);
    EXPECT_TRUE(SaveFitData(out.file("f0000x.rxx").c_str(), false));
    EXPECT_TRUE(script.done());
    for (const char* name : {"f0001.RA1", "f0002.RA1", "f0003.RA1"})
        EXPECT_TRUE(ReadScanBack(out.file(name)).ok) << name;
}

TEST_F(ResultFiles, DecliningStopsTheRunAndKeepsWhatWasWritten) {
    struct Case {
        bool residuals;
        const char* letterName2;
        const char* declined;
    };
    for (Case c : {Case{false, "f0002.RA1", "fit not saved"},
                   Case{true, "r0002.RA1", "residuals not saved"}}) {
        LoadScans();
        WriteTextFile(out.file(c.letterName2), "old");
        Script script;
        script.expectBox().caption("ERROR").textHas("already exists!\nOverwrite all?").answer(IDNO);
        script.expectBox().caption("ERROR").text(c.declined);
        const std::string chosen = out.file(c.residuals ? "r0000x.rxx" : "f0000x.rxx");
        EXPECT_FALSE(c.residuals ? SaveResiduals(chosen.c_str())
                                 : SaveFitData(chosen.c_str(), false));
        EXPECT_TRUE(script.done());
        std::string first = c.letterName2, third = c.letterName2;
        first[4] = '1';
        third[4] = '3';
        EXPECT_TRUE(ReadScanBack(out.file(first)).ok);
        EXPECT_EQ(ReadTextFile(out.file(c.letterName2)), "old");
        EXPECT_EQ(ReadTextFile(out.file(third)), "");
    }
}

TEST_F(ResultFiles, IntensityFitsSavedAsAbsorbanceKeepTheThirdColumn) {
    std::vector<std::string> names = {"00001.RI1", "00002.RI1"};
    GeneratedScan a = ExampleIntensity();
    GeneratedScan b = ExampleIntensity();
    b.timeS += 600;
    WriteTextFile(data.file(names[0]), a.Text());
    WriteTextFile(data.file(names[1]), b.Text());
    LoadAllData(nullptr, SelectionBuffer(data.path(), names).c_str());
    ASSERT_EQ(S::scanCount, 2);
    ASSERT_TRUE(ScanDataKind::intensity);
    FitIndices(0, 0);
    for (int k = 1; k <= 2; ++k)
        for (int i = 1; i <= S::pointCount[k]; ++i)
            S::fit[k][i] = 0.5f * S::thirdColumn[k][i];
    S::fit[2][3] = 0.0f; // no absorbance for a non-positive intensity
    ASSERT_TRUE(SaveFitData(out.file("f0000x.rxx").c_str(), true));
    const std::string saved = ReadTextFile(out.file("f0001.RI1"));
    // Rows hold radius, log10(I0 / fit) = log10(2) and I0 unchanged.
    std::istringstream rows(saved.substr(saved.find('\n', saved.find('\n') + 1) + 1));
    for (int i = 1; i <= S::pointCount[1]; ++i) {
        double r, value, third;
        ASSERT_TRUE(rows >> r >> value >> third) << i;
        EXPECT_NEAR(value, std::log10(2.0), 1e-5);
        EXPECT_NEAR(third, S::thirdColumn[1][i], 1e-5 * S::thirdColumn[1][i]);
    }
    const std::string second = ReadTextFile(out.file("f0002.RI1"));
    EXPECT_NE(second.find("0.00000e+00"), std::string::npos);
}

TEST_F(ResultFiles, TimeInvariantNoiseFileHoldsTheWholeNoiseAfterASubtraction) {
    LoadScans();
    ModelChoice::fitTINoise = true;
    ASSERT_GE(S::gridCount, 16);
    S::gridFirstFit = 5;
    S::gridLastFit = 14;
    for (int g = 1; g <= S::gridCount; ++g)
        S::tiNoise[g] = 0.001f * static_cast<float>(g);
    SubtractTINoise();
    for (int g = 1; g <= S::gridCount; ++g)
        S::tiNoise[g] = 0.0005f; // fitted again after the subtraction
    struct Case {
        bool oldConvention;
        const char* chosen;
        const char* written;
    };
    for (Case c : {Case{false, "TIN.rxx", "TIN.RA1"}, Case{true, "xxx.TIN", "00001.TIN"}}) {
        gOldFilenameConvention = c.oldConvention;
        ASSERT_TRUE(SaveTINoiseFile(out.file(c.chosen).c_str()));
        ScanReadBack r = ReadScanBack(out.file(c.written));
        ASSERT_TRUE(r.ok) << c.written;
        ASSERT_EQ(r.value.size(), 10u);
        EXPECT_EQ(std::string(r.header.description), "[T OK]time-independent noise ");
        for (int i = 0; i < 10; ++i) {
            EXPECT_NEAR(r.radius[i], S::gridRadius[5 + i], 5e-5f);
            EXPECT_NEAR(r.value[i], 0.001f * static_cast<float>(5 + i) + 0.0005f, 1e-7f);
        }
    }
}

TEST_F(ResultFiles, NoiseFilesAskBeforeReplacingOne) {
    LoadScans();
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    for (const char* name : {"TIN.RA1", "RIN.RA1"}) {
        WriteTextFile(out.file(name), "old");
        Script script;
        script.expectBox()
            .caption("ERROR")
            .text("file " + out.file(name) + " already exists!\nOverwrite?")
            .answer(IDNO);
        script.expectBox().caption("ERROR").text("file not saved");
        const std::string chosen = out.file(name[0] == 'T' ? "TIN.rxx" : "RIN.rxx");
        EXPECT_FALSE(name[0] == 'T' ? SaveTINoiseFile(chosen.c_str())
                                    : SaveNoiseFile(chosen.c_str()));
        EXPECT_TRUE(script.done());
        EXPECT_EQ(ReadTextFile(out.file(name)), "old");
    }
}

TEST_F(ResultFiles, RadiallyInvariantNoiseIsWrittenAgainstTimeInTimeOrder) {
    LoadScans();
    ModelChoice::fitRINoise = true;
    for (int k = 1; k <= 3; ++k)
        S::riNoise[k] = 0.01f * static_cast<float>(k);
    std::swap(S::scanOrder[1], S::scanOrder[3]); // time order 3, 2, 1
    ASSERT_TRUE(SaveNoiseFile(out.file("RIN.rxx").c_str()));
    std::istringstream rows(ReadTextFile(out.file("RIN.RA1")));
    for (int o = 1; o <= 3; ++o) {
        const int k = S::scanOrder[o];
        double t, y;
        ASSERT_TRUE(rows >> t >> y);
        EXPECT_NEAR(t, S::header[k].originalTime, 1e-3);
        EXPECT_NEAR(y, 0.01 * k, 1e-6);
    }
}

TEST_F(ResultFiles, NoiseWritersNeedTheirNoiseFittedAndRefuseLightScattering) {
    LoadScans();
    const std::string eq = data.file("00001.RA1");
    // Without the noise fitted: nothing written, nothing said.
    {
        Script script;
        EXPECT_FALSE(SaveTINoiseFile(out.file("TIN.rxx").c_str()));
        EXPECT_FALSE(SaveNoiseFile(out.file("RIN.rxx").c_str()));
        EXPECT_FALSE(SubtractNoiseFromEqData(nullptr, eq.c_str(), out.file("RTI.RA1").c_str()));
        EXPECT_TRUE(script.log().empty()) << script.logText();
    }
    ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
    gDlsData = true;
    Script script;
    for (int i = 0; i < 4; ++i)
        script.expectBox().caption("ERROR").text("not implemented for DLS data");
    EXPECT_FALSE(SaveResiduals(out.file("r0000x.rxx").c_str()));
    EXPECT_FALSE(SaveTINoiseFile(out.file("TIN.rxx").c_str()));
    EXPECT_FALSE(SaveNoiseFile(out.file("RIN.rxx").c_str()));
    EXPECT_FALSE(SubtractNoiseFromEqData(nullptr, eq.c_str(), out.file("RTI.RA1").c_str()));
    EXPECT_TRUE(script.done());
    gDlsData = false;
    EXPECT_EQ(ReadTextFile(out.file("TIN.RA1")), "");
}

TEST_F(ResultFiles, EquilibriumScanLosesTheTotalNoiseOverTheFittedGrid) {
    LoadScans();
    ModelChoice::fitTINoise = true;
    for (int g = 1; g <= S::gridCount; ++g) {
        S::tiNoise[g] = 0.01f;
        S::tiNoiseRemoved[g] = 0.02f;
    }
    S::gridFirstFit = 4;
    S::gridLastFit = S::gridCount - 4;
    const std::string source = data.file("00002.RA1");
    ScanDataKind::absorbance = false;
    ScanDataKind::interference = true; // the loaded kind, kept across the read
    ASSERT_TRUE(SubtractNoiseFromEqData(nullptr, source.c_str(), out.file("RTI.RA1").c_str()));
    EXPECT_TRUE(ScanDataKind::interference);
    EXPECT_FALSE(ScanDataKind::absorbance);
    ScanReadBack in = ReadScanBack(source), result = ReadScanBack(out.file("RTI.RA1"));
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(std::string(result.header.description),
              "[T OK]time-independent noise corrected file ");
    std::size_t j = 0;
    for (std::size_t i = 0; i < in.radius.size(); ++i) {
        if (in.radius[i] < S::gridRadius[4] || in.radius[i] > S::gridRadius[S::gridLastFit])
            continue;
        ASSERT_LT(j, result.value.size());
        EXPECT_NEAR(result.radius[j], in.radius[i], 5e-5f);
        EXPECT_NEAR(result.value[j], in.value[i] - 0.03f, 1e-5f);
        ++j;
    }
    EXPECT_EQ(j, result.value.size());
}

TEST_F(ResultFiles, UnreadableEquilibriumScanIsNamedInTheBox) {
    LoadScans();
    ModelChoice::fitTINoise = true;
    const std::string missing = data.file("missing.RA1");
    Script script;
    script.expectBox().caption("LOAD ERROR").text(missing);
    EXPECT_FALSE(SubtractNoiseFromEqData(nullptr, missing.c_str(), out.file("RTI.RA1").c_str()));
    EXPECT_TRUE(script.done());
}

} // namespace

namespace {

// The lag and value rows of a ".dlsdat" file.
std::vector<std::pair<double, double>> DlsRows(const std::string& text) {
    std::istringstream in(text.substr(text.find('\n', text.find('\n') + 1) + 1));
    std::vector<std::pair<double, double>> rows;
    double lag, value;
    while (in >> lag >> value)
        rows.push_back({lag, value});
    return rows;
}

} // namespace

// Fits of curves held as g(1) are squared back to g(2)-1; curves loaded as g(2)-1 used to be
// squared as well, which wrote the square of the intensity autocorrelation.
TEST_F(ResultFiles, LightScatteringFitsAreWrittenAsIntensityAutocorrelation) {
    StoreScan a = EvenScan(-6.0f, 0.5f, 4, 0, nullptr);
    StoreScan b = EvenScan(-6.0f, 0.5f, 4, 10, nullptr);
    a.name = "00001.dlsdat";
    b.name = "00002.dlsdat";
    FillStore({a, b});
    gDlsData = true;
    S::dlsRecords = new DlsRecord[3]();
    S::dlsRecords[1].isFieldAcf = true;
    S::dlsRecords[2].isFieldAcf = false;
    const float fit[] = {0.5f, -0.5f, 0.0f, 0.8f};
    for (int k = 1; k <= 2; ++k)
        for (int i = 1; i <= 4; ++i)
            S::fit[k][i] = fit[i - 1];
    Script script;
    script.expectBox().caption("SAVE DLS DATA").text("add noise?").answer(IDNO);
    script.expectBox().caption("SAVE DLS DATA").text("add noise?").answer(IDYES);
    script.expectBox()
        .caption("SAVE DLS DATA")
        .text("add noise to field autocorrelation?")
        .answer(IDNO);
    script.expectInput()
        .title("SAVE DLS DATA")
        .prompt("level of noise in intensity autocorrelation:")
        .answer("0");
    ASSERT_TRUE(SaveFitData(out.file("f0000x.rxx").c_str(), false));
    EXPECT_TRUE(script.done());

    const double squared[] = {0.25, -0.25, 0.0, 0.64};
    for (int k = 1; k <= 2; ++k) {
        const std::string text = ReadTextFile(out.file(k == 1 ? "f0001.dlsdat" : "f0002.dlsdat"));
        EXPECT_EQ(text.substr(0, text.find('\n')), std::string("fitted to ") + S::scanFileName[k]);
        auto rows = DlsRows(text);
        ASSERT_EQ(rows.size(), 4u);
        for (int i = 0; i < 4; ++i) {
            EXPECT_NEAR(rows[i].first, std::pow(10.0, -6.0 + 0.5 * i), 1e-5 * rows[i].first);
            EXPECT_NEAR(rows[i].second, k == 1 ? squared[i] : fit[i], 1e-6) << k << " " << i;
        }
    }
    gDlsData = false;
}
