// The instrument export readers, each on a small export written by hand in its layout: the
// points and conditions of the ".dlsdat" file made, read back as the loader reads it; and the
// damaged exports that make nothing.
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "scandata/dls_export_readers.h"
#include "scandata/dls_file.h"
#include "support/temp_folder.h"

#include <cmath>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Made {
    bool ok = false;
    DlsRecord record;
    std::vector<double> lags;   // s
    std::vector<double> values; // g(2)-1
};

Made ReadBack(const std::string& path) {
    Made m;
    int n = 0;
    float* lags = nullptr;
    float* values = nullptr;
    m.ok = ReadDlsGeneric(path.c_str(), &m.record, &n, &lags, &values, true);
    if (!m.ok)
        return m;
    for (int i = 1; i <= n; ++i) {
        m.lags.push_back(std::pow(10.0, lags[i]));
        m.values.push_back(values[i]);
    }
    free_vector(lags, 1, n);
    free_vector(values, 1, n);
    return m;
}

void ExpectPoints(const Made& m, const std::vector<double>& lags,
                  const std::vector<double>& values) {
    ASSERT_TRUE(m.ok);
    ASSERT_EQ(m.lags.size(), lags.size());
    for (std::size_t i = 0; i < lags.size(); ++i) {
        EXPECT_NEAR(m.lags[i] / lags[i], 1.0, 1e-5) << "lag " << i;
        EXPECT_NEAR(m.values[i], values[i], 1e-5) << "value " << i;
    }
}

class DlsExportReaders : public ::testing::Test {
  protected:
    void SetUp() override { TakeErrorBoxes(); }
    TempFolder folder;
    std::string target() const { return folder.file("00001.dlsdat"); }
};

TEST_F(DlsExportReaders, CoefTablesInMicrosecondsAndG2) {
    // Dynamics 7: comma separated, a header before the "Coef" line.
    std::string csv = "Sample,one\nTime (us),Coef\n1.5,1.8\n3.0,1.6\n\n9,9\n";
    ASSERT_EQ(ReadDlsDynamics7(folder.write("d7.csv", csv).c_str(), target().c_str(), 1.333f,
                               0.01002f, 6.6e-7f, 90.0f, 20.0f),
              1);
    Made m = ReadBack(target());
    ExpectPoints(m, {1.5e-6, 3e-6}, {0.8, 0.6});
    EXPECT_FLOAT_EQ(m.record.wavelength, 6.6e-7f);
    EXPECT_FLOAT_EQ(m.record.temperature, 20.0f);
    EXPECT_FLOAT_EQ(m.record.countRate, 1.0f);
    EXPECT_FLOAT_EQ(m.record.viscosity, 0.01002f);
    EXPECT_STREQ(m.record.title, "");

    // Version 6.2.05: blanks; the last row without a line end still counts.
    std::string dat = "Coefficients\n2 1.5\n4 1.25";
    ASSERT_EQ(ReadDlsProteinSolutions62(folder.write("ps.dat", dat).c_str(), target().c_str(),
                                        1.34f, 0.009f, 8.247e-7f, 90.0f, 25.0f),
              1);
    m = ReadBack(target());
    ExpectPoints(m, {2e-6, 4e-6}, {0.5, 0.25});
    EXPECT_FLOAT_EQ(m.record.refractiveIndex, 1.34f);
}

TEST_F(DlsExportReaders, AlvHeaderClockAndLagTable) {
    std::string asc = "ALV-5000/E-WIN Data\n"
                      "Date :\t\"07.12.2026\"\n"
                      "Time :\t\"12:30:05\"\n"
                      "Temperature [K] :\t     293.15000\n"
                      "Viscosity [cp]  :\t       1.00200\n"
                      "Refractive Index:\t       1.33200\n"
                      "Wavelength [nm] :\t     632.80000\n"
                      "Angle [deg]     :\t      90.00000\n"
                      "MeanCR0 [kHz]   :\t     120.50000\n"
                      "\"Correlation\"\n"
                      "\"Lag [ms]\"\n"
                      "  1.0E-03\t 0.81\n"
                      "  2.0E-03\t 0.64\n"
                      "\n"
                      "\"Count Rate\"\n 5 6\n";
    ASSERT_EQ(ReadDlsAlv(folder.write("a.asc", asc).c_str(), target().c_str()), 1);
    Made m = ReadBack(target());
    ExpectPoints(m, {1e-6, 2e-6}, {0.81, 0.64});
    EXPECT_DOUBLE_EQ(m.record.time, 45005.0);
    EXPECT_FLOAT_EQ(m.record.temperature, 20.0f);
    EXPECT_NEAR(m.record.viscosity, 0.01002f, 1e-7);
    EXPECT_FLOAT_EQ(m.record.refractiveIndex, 1.332f);
    EXPECT_NEAR(m.record.wavelength, 6.328e-7f, 1e-12);
    EXPECT_FLOAT_EQ(m.record.countRate, 120500.0f);
}

// A BIC header of 37 tokens with the given channel tokens and baseline.
std::string BicHeader(double t7, double t21, double baseline) {
    std::vector<double> t(38, 0.0);
    t[2] = 54321.0;
    t[7] = t7;
    t[9] = 90.0;
    t[10] = 532.0;
    t[11] = 298.15;
    t[12] = 0.89;
    t[14] = 1.33;
    t[21] = t21;
    t[23] = baseline;
    std::string s;
    for (int i = 1; i <= 37; ++i)
        s += std::to_string(t[static_cast<std::size_t>(i)]) + (i % 6 == 0 ? "\n" : " ");
    return s + "\n";
}

TEST_F(DlsExportReaders, BicChannelsAndBaseline) {
    // 1.7 + 1.2 channels: one and one, two pairs.
    std::string bic = BicHeader(1.7, 1.2, 1000.0) + "5 1900\n10 1500\nwater\nanna\nrun 3\n25 C\n";
    ASSERT_EQ(ReadDlsBic(folder.write("b.dat", bic).c_str(), target().c_str()), 1);
    Made m = ReadBack(target());
    ExpectPoints(m, {5e-6, 1e-5}, {0.9, 0.5});
    EXPECT_STREQ(m.record.title, "sample: water, operator: anna, run 3, 25 C");
    EXPECT_FLOAT_EQ(m.record.countRate, 54321.0f);
    EXPECT_FLOAT_EQ(m.record.temperature, 25.0f);
    EXPECT_NEAR(m.record.viscosity, 0.0089f, 1e-7);
    EXPECT_NEAR(m.record.wavelength, 5.32e-7f, 1e-12);
    EXPECT_FLOAT_EQ(m.record.refractiveIndex, 1.33f);

    // The DOS layout: token 7 alone counts, the pairs follow token 23.
    std::string header = BicHeader(2.9, 50.0, 2000.0);
    std::size_t cut = 0;
    for (int tokens = 0; tokens < 23; ++tokens) {
        cut = header.find_first_not_of(" \n", cut);
        cut = header.find_first_of(" \n", cut);
    }
    std::string dos = header.substr(0, cut) + " 5 2200 10 3000\n";
    ASSERT_EQ(ReadDlsBicDos(folder.write("dos.dat", dos).c_str(), target().c_str()), 1);
    m = ReadBack(target());
    ExpectPoints(m, {5e-6, 1e-5}, {0.1, 0.5});
    EXPECT_STREQ(m.record.title, "");
}

TEST_F(DlsExportReaders, PhotoCorKeysAndChannels) {
    std::string report = "PhotoCor Runtime Report\n"
                         "Temperature, C: 21.5\n"
                         "Viscosity, cP: 0.95\n"
                         "Refractive index: 1.331\n"
                         "Laser wavelength, nm: 633\n"
                         "Scatteting angle, deg: 60\n"
                         "Mean signal intensity, Hz: 25000\n"
                         "Sample time, s: 2e-7\n"
                         "Number of channels: 2\n"
                         "ARG[1] = 1  ACF[1] = 0.75\n"
                         "ARG[2] = 10 ACF[2] = 0.5\n"
                         "ARG[10] = 99 ACF[10] = 0.1\n";
    ASSERT_EQ(ReadDlsPhotoCor(folder.write("p.txt", report).c_str(), target().c_str()), 1);
    Made m = ReadBack(target());
    ExpectPoints(m, {2e-7, 2e-6}, {0.75, 0.5});
    EXPECT_NEAR(m.record.wavelength, 6.33e-7f, 1e-12) << "nanometres";
    EXPECT_FLOAT_EQ(m.record.angle, 60.0f);
    EXPECT_NEAR(m.record.viscosity, 0.0095f, 1e-8);
    EXPECT_DOUBLE_EQ(m.record.time, 1.0);
    EXPECT_FLOAT_EQ(m.record.countRate, 25000.0f);
}

TEST_F(DlsExportReaders, TwoColumnTables) {
    // g(2) in counts, rows in decreasing lag: written in increasing order.
    std::string counts = "20 150000\n10 190000\n";
    ASSERT_EQ(ReadDlsTwoColumn(folder.write("c.txt", counts).c_str(), target().c_str(), 1e-6f,
                               100000.0f, 20.0f, 12.7f, 3.0f, 1.333f, 0.01002f, 90.0f, 8.083e-7f),
              1);
    Made m = ReadBack(target());
    ExpectPoints(m, {1e-5, 2e-5}, {0.9, 0.5});
    EXPECT_DOUBLE_EQ(m.record.time, 12.0) << "whole seconds";
    EXPECT_FLOAT_EQ(m.record.countRate, 3.0f);

    // g(2)-1 against microseconds keeps the file's order.
    std::string g2 = "20 0.5\n10 0.9\n";
    ASSERT_EQ(ReadDlsTwoColumnG2(folder.write("g.txt", g2).c_str(), target().c_str(), 25.0f, 1.0f,
                                 1.0f, 1.333f, 0.01002f, 173.0f, 6.328e-7f),
              1);
    m = ReadBack(target());
    EXPECT_NEAR(m.lags[0], 2e-5, 1e-10);
    EXPECT_NEAR(m.values[1], 0.9, 1e-6);
    EXPECT_FLOAT_EQ(m.record.angle, 173.0f);
}

TEST_F(DlsExportReaders, DamagedExportsMakeNothing) {
    const std::string bicTail = "5 1900\n10 1500\na\nb\nc\nd\n";
    const std::string photoCor = "Temperature, C: 20\nViscosity, cP: 1\nRefractive index: 1.33\n"
                                 "Laser wavelength, nm: 633\nScatteting angle, deg: 90\n"
                                 "Mean signal intensity, Hz: 1\nSample time, s: 1e-6\n";
    const std::string alvHead =
        "Time :\t\"12:30:05\"\nTemperature [K] :\t293\nViscosity [cp] :\t1\n"
        "Refractive Index:\t1.33\nWavelength [nm] :\t633\n"
        "Angle [deg] :\t90\nMeanCR0 [kHz] :\t1\n";
    struct Case {
        const char* what;
        std::string text;
        std::function<int(const char*, const char*)> read;
    };
    auto d7 = [](const char* s, const char* t) {
        return ReadDlsDynamics7(s, t, 1.333f, 0.01f, 6.6e-7f, 90.0f, 20.0f);
    };
    auto counts = [](float baseline) {
        return [baseline](const char* s, const char* t) {
            return ReadDlsTwoColumn(s, t, 1e-6f, baseline, 20, 1, 1, 1.333f, 0.01f, 90, 6e-7f);
        };
    };
    const std::vector<Case> cases = {
        {"Dynamics 7 without rows", "a,b\nCoef\n", d7},
        {"Dynamics 7 with a zero lag", "Coef\n0,1.5\n", d7},
        {"Dynamics 7 mark on the last line", "Coef", d7},
        {"BIC without channels", BicHeader(0.0, 0.0, 1000.0) + bicTail, ReadDlsBic},
        {"BIC with a negative channel count", BicHeader(-5.0, 1.0, 1000.0) + bicTail, ReadDlsBic},
        {"BIC with a zero baseline", BicHeader(1.0, 1.0, 0.0) + bicTail, ReadDlsBic},
        {"BIC with more channels than pairs", BicHeader(1e9, 0.0, 1.0) + bicTail, ReadDlsBic},
        {"BIC header cut short", "1 2 3 4 5\n", ReadDlsBic},
        {"DOS BIC header cut short", "1 2 3\n", ReadDlsBicDos},
        {"PhotoCor without a channel count", photoCor, ReadDlsPhotoCor},
        {"PhotoCor with a missing channel",
         photoCor + "Number of channels: 2\nARG[1] = 1 ACF[1] = 0.5\n", ReadDlsPhotoCor},
        {"PhotoCor with 5000 channels", photoCor + "Number of channels: 5000\n", ReadDlsPhotoCor},
        {"ALV without a lag table", alvHead, ReadDlsAlv},
        {"ALV without its clock time", "Lag [ms]\n1 0.5\n", ReadDlsAlv},
        {"ALV time without quotes", "Time : 12:30:05\n", ReadDlsAlv},
        {"two columns, no number", "lag value\n", counts(1e5f)},
        {"two columns, zero baseline", "10 20\n", counts(0.0f)},
        {"empty export", "", ReadDlsAlv},
    };
    for (const Case& c : cases) {
        std::string source = folder.write("bad.txt", c.text);
        std::filesystem::remove(target());
        EXPECT_EQ(c.read(source.c_str(), target().c_str()), 0) << c.what;
        EXPECT_FALSE(std::filesystem::exists(target())) << c.what;
    }
    std::string missing = folder.file("none.txt");
    EXPECT_EQ(ReadDlsPhotoCor(missing.c_str(), target().c_str()), 0);
    EXPECT_EQ(ReadDlsTwoColumnG2(missing.c_str(), target().c_str(), 0, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_FALSE(std::filesystem::exists(target()));
}

} // namespace
