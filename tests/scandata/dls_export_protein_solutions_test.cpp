// The Protein Solutions exports of several measurements, written by hand in their layouts: the
// numbered files and the average in the target's folder, each measurement's conditions, the
// question before files of those names are replaced, and damaged exports.
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "scandata/dls_export_readers.h"
#include "scandata/dls_file.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Loaded {
    DlsRecord record;
    std::vector<double> values;
};

Loaded Load(const std::string& path) {
    Loaded l;
    int n = 0;
    float* lags = nullptr;
    float* values = nullptr;
    EXPECT_TRUE(ReadDlsGeneric(path.c_str(), &l.record, &n, &lags, &values, true)) << path;
    for (int i = 1; i <= n; ++i)
        l.values.push_back(values[i]);
    if (n > 0) {
        free_vector(lags, 1, n);
        free_vector(values, 1, n);
    }
    return l;
}

// A measurement's label, 26 characters of its table head, then the channel pairs.
std::string Measurement(int k, double g2a, double g2b) {
    return "Measurement number " + std::to_string(k) + "\n" + std::string(24, '=') + "\n" +
           "1e-6 " + std::to_string(g2a) + "\n2e-6 " + std::to_string(g2b) + "\n\n";
}

const DlsReplaceQuestion kReplace = [](const std::vector<std::string>&) { return true; };

class DlsProteinSolutions : public ::testing::Test {
  protected:
    void SetUp() override { TakeErrorBoxes(); }
    TempFolder folder;
    std::string target() const { return folder.file("chosen name.dlsdat"); }
};

TEST_F(DlsProteinSolutions, Version4WritesEachMeasurementAndTheirAverage) {
    const std::string source =
        folder.write("v4.txt", "Results\n" + Measurement(1, 1.8, 1.4) + Measurement(2, 1.6, 1.2) +
                                   Measurement(3, 1.7, 1.3));
    ASSERT_EQ(ReadDlsProteinSolutions4(source.c_str(), target().c_str(), 1.333f, 0.01002f,
                                       8.247e-7f, 90.0f, 20.0f, 2, kReplace),
              1);
    EXPECT_FALSE(std::filesystem::exists(target())) << "the name only picks the folder";
    const std::vector<double> first = {0.8, 0.4}, third = {0.7, 0.3}, mean = {0.7, 0.3};
    Loaded one = Load(folder.file("00001.dlsdat"));
    Loaded three = Load(folder.file("00003.dlsdat"));
    Loaded average = Load(folder.file("average.dlsdat"));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_NEAR(one.values[i], first[i], 1e-5);
        EXPECT_NEAR(three.values[i], third[i], 1e-5);
        EXPECT_NEAR(average.values[i], mean[i], 1e-5);
    }
    EXPECT_EQ(three.record.time, 3.0);
    EXPECT_EQ(average.record.time, 0.0);
    EXPECT_STREQ(one.record.title, source.substr(0, 99).c_str());
    EXPECT_NEAR(one.record.wavelength, 8.247e-7f, 1e-12);
}

TEST_F(DlsProteinSolutions, Version520TakesEachMeasurementsConditionsFromTheSummary) {
    std::string summary = "Item SOS\n";
    for (int k = 1; k <= 2; ++k) {
        std::vector<double> row(17, 0.0);
        row[1] = 10.0 * k + 0.6; // time
        row[13] = 20.0 + k;      // temperature
        row[14] = 1000.0 * k;    // count rate
        for (double v : row)
            summary += std::to_string(v) + " ";
        summary += "\n";
    }
    const std::string source = folder.write("v520.txt", summary + "\n" + Measurement(1, 1.8, 1.4) +
                                                            Measurement(2, 1.6, 1.2));
    ASSERT_EQ(ReadDlsProteinSolutions520(source.c_str(), target().c_str(), 1.333f, 0.01002f, 2,
                                         90.0f, 8.083e-7f, kReplace),
              2);
    Loaded two = Load(folder.file("00002.dlsdat"));
    EXPECT_EQ(two.record.time, 20.0) << "whole seconds";
    EXPECT_EQ(two.record.temperature, 22.0f);
    EXPECT_EQ(two.record.countRate, 2000.0f);
    EXPECT_NEAR(two.values[0], 0.6, 1e-5);
    EXPECT_FALSE(std::filesystem::exists(folder.file("average.dlsdat")));
}

TEST_F(DlsProteinSolutions, Version526ReadsTheCoefficientTable) {
    std::string text = "Laser Wavelength (A)   = 8245\nScattering Angle (deg) = 90\nItem SOS\n";
    for (int k = 1; k <= 2; ++k) {
        std::vector<double> row(11, 0.0);
        row[1] = 30.0 * k;     // time
        row[7] = 24.0 + 2 * k; // temperature
        row[8] = 500.0 * k;    // count rate
        for (double v : row)
            text += std::to_string(v) + " ";
        text += "\n";
    }
    text += "\n-----\nCoefficients (Ave)\n1e-6 1.8 1.6 1.7\n2e-6 1.4 1.2 1.3\n";
    const std::string source = folder.write("v526.txt", text);
    ASSERT_EQ(ReadDlsProteinSolutions526(source.c_str(), target().c_str(), 1.333f, 0.01002f, 2,
                                         true, kReplace),
              2);
    Loaded two = Load(folder.file("00002.dlsdat"));
    EXPECT_NEAR(two.values[1], 0.2, 1e-5);
    EXPECT_EQ(two.record.temperature, 28.0f);
    Loaded average = Load(folder.file("average.dlsdat"));
    EXPECT_NEAR(average.values[0], 0.7, 1e-5);
    EXPECT_EQ(average.record.time, 45.0);
    EXPECT_EQ(average.record.temperature, 27.0f);
    EXPECT_EQ(average.record.countRate, 750.0f);
    EXPECT_NEAR(average.record.wavelength, 8.245e-7f, 1e-12);

    // Without the time course only the average is written.
    std::filesystem::remove(folder.file("00001.dlsdat"));
    ASSERT_EQ(ReadDlsProteinSolutions526(source.c_str(), target().c_str(), 1.333f, 0.01002f, 2,
                                         false, kReplace),
              2);
    EXPECT_FALSE(std::filesystem::exists(folder.file("00001.dlsdat")));
}

TEST_F(DlsProteinSolutions, ExistingFilesAreReplacedOnlyWhenAgreed) {
    const std::string source =
        folder.write("v4.txt", Measurement(1, 1.8, 1.4) + Measurement(2, 1.6, 1.2));
    folder.write("00002.dlsdat", "kept\n");
    std::vector<std::string> asked;
    auto decline = [&asked](const std::vector<std::string>& existing) {
        asked = existing;
        return false;
    };
    EXPECT_EQ(ReadDlsProteinSolutions4(source.c_str(), target().c_str(), 1.333f, 0.01f, 8e-7f,
                                       90.0f, 20.0f, 2, decline),
              -1);
    EXPECT_EQ(asked, std::vector<std::string>{folder.file("00002.dlsdat")});
    EXPECT_EQ(ReadTextFile(folder.file("00002.dlsdat")), "kept\n");
    EXPECT_FALSE(std::filesystem::exists(folder.file("00001.dlsdat")));
}

TEST_F(DlsProteinSolutions, DamagedExportsMakeNothing) {
    const std::string twoMeasurements = Measurement(1, 1.8, 1.4) + Measurement(2, 1.6, 1.2);
    const std::string v4 = folder.write("v4.txt", twoMeasurements);
    const std::string none = folder.write("none.txt", "no measurement here\n");
    const std::string noSummary = folder.write("nosos.txt", twoMeasurements);
    const std::string noTable =
        folder.write("notable.txt", "Laser Wavelength (A)   = 8245\nScattering Angle (deg) = 90\n"
                                    "SOS\n1 2 3 4 5 6 7 8 9 10 11\n\n-\n");
    EXPECT_EQ(ReadDlsProteinSolutions4(none.c_str(), target().c_str(), 1.333f, 0.01f, 8e-7f, 90, 20,
                                       2, kReplace),
              0);
    for (int channels : {0, -3, 1000000})
        EXPECT_EQ(ReadDlsProteinSolutions4(v4.c_str(), target().c_str(), 1.333f, 0.01f, 8e-7f, 90,
                                           20, channels, kReplace),
                  0)
            << channels << " channels";
    // More channels than the export holds: no measurement is complete.
    EXPECT_EQ(ReadDlsProteinSolutions4(v4.c_str(), target().c_str(), 1.333f, 0.01f, 8e-7f, 90, 20,
                                       50, kReplace),
              0);
    EXPECT_EQ(ReadDlsProteinSolutions520(noSummary.c_str(), target().c_str(), 1.333f, 0.01f, 2, 90,
                                         8e-7f, kReplace),
              0);
    EXPECT_EQ(ReadDlsProteinSolutions526(noTable.c_str(), target().c_str(), 1.333f, 0.01f, 2, true,
                                         kReplace),
              0);
    EXPECT_FALSE(std::filesystem::exists(folder.file("00001.dlsdat")));
    EXPECT_FALSE(std::filesystem::exists(folder.file("average.dlsdat")));
}

} // namespace
