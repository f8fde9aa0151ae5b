// The program's own light-scattering file: hand-made files read as the format says, files the
// writer makes read back whole, bad files refused without leaving arrays behind, and the exact
// bytes and messages of the writer.
#include "foundations/error_box_log.h"
#include "foundations/nr_arrays.h"
#include "scandata/dls_file.h"
#include "state/dls_data.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kHeader = "A 20.000000 0 1.00 1.333000 0.010020 90.000000 6.328000e-07\n";

struct Loaded {
    bool ok = false;
    DlsRecord record;
    std::vector<float> lags; // log10 s
    std::vector<float> values;
};

// Reads path and copies the arrays out, freeing them as the caller must.
Loaded Read(const std::string& path, bool keepIntensity) {
    Loaded out;
    int count = -1;
    float* lags = nullptr;
    float* values = nullptr;
    out.ok = ReadDlsGeneric(path.c_str(), &out.record, &count, &lags, &values, keepIntensity);
    if (out.ok) {
        out.lags.assign(lags + 1, lags + count + 1);
        out.values.assign(values + 1, values + count + 1);
        free_vector(lags, 1, count);
        free_vector(values, 1, count);
    } else {
        EXPECT_EQ(lags, nullptr);
        EXPECT_EQ(values, nullptr);
        EXPECT_EQ(count, -1);
    }
    return out;
}

class DlsFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
    }
    void TearDown() override { ResetAllState(); }
    TempFolder dir;
};

TEST_F(DlsFile, HandMadeFilesReadAsTheFormatSays) {
    struct Case {
        const char* name;
        std::string text;
        bool keepIntensity;
        std::vector<float> values;
        std::string title;
        float temperature;
    };
    const std::string rows = "   1.00000e-06  -4.00000e-02 \n   2.00000e-06  0.00000e+00 \n"
                             "   4.00000e-06  2.50000e-01 \n";
    const Case cases[] = {
        {"signed root by default", "s\n" + kHeader + rows, false, {-0.2f, 0.0f, 0.5f}, "s", 20},
        {"g(2)-1 kept on request", "s\n" + kHeader + rows, true, {-0.04f, 0.0f, 0.25f}, "s", 20},
        {"type C has 1 subtracted",
         "s\nC 20 0 1 1.333 0.01 90 6.3e-7\n 1e-6 1.5\n 2e-6 1.5\n",
         true,
         {0.5f, 0.5f},
         "s",
         20},
        {"type C then the root",
         "s\nC 20 0 1 1.333 0.01 90 6.3e-7\n 1e-6 1.5\n",
         false,
         {std::sqrt(0.5f)},
         "s",
         20},
        {"temperature truncated, not rounded",
         "s\nA 24.99 0 1 1 1 1 1\n 1e-6 0.5\n",
         true,
         {0.5f},
         "s",
         24},
        {"below zero truncated to 0", "s\nA -0.5 0 1 1 1 1 1\n 1e-6 0.5\n", true, {0.5f}, "s", 0},
        {"title cut at a stray character",
         "lysozyme; run 3\n" + kHeader + " 1e-6 0.5\n",
         true,
         {0.5f},
         "lysozyme",
         20},
        {"title keeps its allowed characters",
         "a#b\\c_d/e:f,g.h 1\n" + kHeader + " 1e-6 0.5\n",
         true,
         {0.5f},
         "a#b\\c_d/e:f,g.h 1",
         20},
        {"CR LF as LF",
         "s\r\n" + std::string("A 20 0 1 1 1 1 1\r\n 1e-6 0.5\r\n 2e-6 0.4\r\n"),
         true,
         {0.5f, 0.4f},
         "s",
         20},
    };
    for (const Case& c : cases) {
        std::string path = dir.write("case.dlsdat", c.text);
        Loaded got = Read(path, c.keepIntensity);
        ASSERT_TRUE(got.ok) << c.name;
        ASSERT_EQ(got.values.size(), c.values.size()) << c.name;
        for (std::size_t i = 0; i < c.values.size(); ++i)
            EXPECT_NEAR(got.values[i], c.values[i], 1e-6) << c.name << " point " << i + 1;
        EXPECT_EQ(got.record.pointCount, static_cast<int>(c.values.size())) << c.name;
        EXPECT_EQ(got.record.isFieldAcf, !c.keepIntensity) << c.name;
        EXPECT_STREQ(got.record.title, c.title.c_str()) << c.name;
        EXPECT_EQ(got.record.temperature, c.temperature) << c.name;
        EXPECT_FALSE(std::signbit(got.record.temperature)) << c.name;
        EXPECT_NEAR(got.lags[0], -6.0f, 1e-6) << c.name;
        EXPECT_TRUE(gDlsData);
    }
}

TEST_F(DlsFile, HeaderFieldsAndLagsAsHeld) {
    std::string path =
        dir.write("h.dlsdat",
                  "run\nA 25.0 3600 123456.78 1.331 0.0089 173.0 6.6e-07\n 1e-5 0.9\n 1e-3 0.1\n");
    Loaded got = Read(path, true);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(got.record.temperature, 25.0f);
    EXPECT_EQ(got.record.time, 3600.0);
    EXPECT_FLOAT_EQ(got.record.countRate, 123456.78f);
    EXPECT_FLOAT_EQ(got.record.refractiveIndex, 1.331f);
    EXPECT_FLOAT_EQ(got.record.viscosity, 0.0089f);
    EXPECT_FLOAT_EQ(got.record.angle, 173.0f);
    EXPECT_FLOAT_EQ(got.record.wavelength, 6.6e-7f);
    EXPECT_NEAR(got.lags[0], -5.0f, 1e-6);
    EXPECT_NEAR(got.lags[1], -3.0f, 1e-6);
}

// Every complete row counts: a last row without its line feed, or in front of a line that
// begins with '0', is a point like the others (a save and reload used to lose one each time).
TEST_F(DlsFile, KeepsEveryCompleteRow) {
    const std::string rows = " 1e-6 0.5\n 2e-6 0.4\n 3e-6 0.3\n";
    struct Case {
        const char* name;
        std::string text;
        std::size_t points;
    } cases[] = {
        {"each row ends with a line feed", rows, 3},
        {"last row without a line feed", rows.substr(0, rows.size() - 1), 3},
        {"a '0' line ends the rows", rows + "0\n 4e-6 0.2\n", 3},
        {"a row cut short keeps the rows before it", rows + " 4e-6", 3},
        {"blank lines between rows", " 1e-6 0.5\n\n 2e-6 0.4\n", 2},
    };
    for (const Case& c : cases) {
        Loaded got = Read(dir.write("rows.dlsdat", "t\n" + kHeader + c.text), true);
        ASSERT_TRUE(got.ok) << c.name;
        EXPECT_EQ(got.values.size(), c.points) << c.name;
        EXPECT_EQ(got.values[0], 0.5f) << c.name;
    }
}

// A title line of 100 or more characters must not hide the header: the title keeps 99.
TEST_F(DlsFile, LongTitleLineStillLoads) {
    std::string title(150, 'x');
    Loaded got = Read(dir.write("long.dlsdat", title + "\n" + kHeader + " 1e-6 0.5\n"), true);
    ASSERT_TRUE(got.ok);
    EXPECT_EQ(std::string(got.record.title), std::string(99, 'x'));
    EXPECT_EQ(got.values.size(), 1u);
}

TEST_F(DlsFile, BadFilesAreRefused) {
    struct Case {
        const char* name;
        std::string text;
        bool lettersAccepted; // the light-scattering switch is set once the type letter reads
    } cases[] = {
        {"empty file", "", false},
        {"title only", "title\n", false},
        {"type letter B", "t\nB 20 0 1 1 1 1 1\n 1e-6 0.5\n", false},
        {"lower-case a", "t\na 20 0 1 1 1 1 1\n 1e-6 0.5\n", false},
        {"no rows", "t\n" + kHeader, true},
        {"only a lag", "t\n" + kHeader + " 1e-6\n", true},
        {"a lag of 0", "t\n" + kHeader + " 1e-6 0.5\n 0 0.4\n", true},
        {"a lag that is no number", "t\n" + kHeader + " 1e-6 0.5\n lag 0.4\n", true},
        {"a negative lag", "t\n" + kHeader + " -1e-6 0.5\n", true},
        {"a value beyond the number range", "t\n" + kHeader + " 1e-6 1e999\n", true},
    };
    for (const Case& c : cases) {
        gDlsData = false;
        Loaded got = Read(dir.write("bad.dlsdat", c.text), false);
        EXPECT_FALSE(got.ok) << c.name;
        EXPECT_EQ(gDlsData, c.lettersAccepted) << c.name;
    }
    EXPECT_FALSE(Read(dir.file("missing.dlsdat"), false).ok);
    EXPECT_FALSE(Read(dir.path(), false).ok) << "a folder";

    DlsRecord record;
    int count = 0;
    float* lags = nullptr;
    float* values = nullptr;
    std::string path = dir.write("good.dlsdat", "t\n" + kHeader + " 1e-6 0.5\n");
    EXPECT_FALSE(ReadDlsGeneric(nullptr, &record, &count, &lags, &values, false));
    EXPECT_FALSE(ReadDlsGeneric(path.c_str(), nullptr, &count, &lags, &values, false));
    EXPECT_FALSE(ReadDlsGeneric(path.c_str(), &record, nullptr, &lags, &values, false));
    EXPECT_FALSE(ReadDlsGeneric(path.c_str(), &record, &count, nullptr, &values, false));
    EXPECT_FALSE(ReadDlsGeneric(path.c_str(), &record, &count, &lags, nullptr, false));
    EXPECT_TRUE(TakeErrorBoxes().empty()) << "the reader shows no message";
}

TEST_F(DlsFile, WriterBytes) {
    DlsRecord record;
    std::snprintf(record.title, sizeof record.title, "%s", "sample 1");
    record.temperature = 20.0f;
    record.time = 12.7;
    record.countRate = 1234.567f;
    record.refractiveIndex = 1.333f;
    record.viscosity = 0.01002f;
    record.angle = 90.0f;
    record.wavelength = 6.328e-7f;
    float lags[] = {0.0f, -5.0f, -4.0f};
    float values[] = {0.0f, 0.8f, 1e-35f};
    std::string path = dir.file("w.dlsdat");
    ASSERT_TRUE(WriteDlsData(path.c_str(), 2, lags, values, nullptr, record));
    EXPECT_EQ(ReadTextFile(path),
              "sample 1\n"
              "A 20.000000 12 1234.57 1.333000 0.010020 90.000000 6.328000e-07\n"
              "   1.00000e-05  8.00000e-01 \n"
              "   1.00000e-04  0.00000e+00 \n");
    EXPECT_EQ(values[2], 0.0f) << "a magnitude below 1e-30 is cleared in the caller's array";
    EXPECT_TRUE(TakeErrorBoxes().empty());

    // A description replaces the title; lags already in seconds are written as they are.
    lagsInSeconds = true;
    float seconds[] = {0.0f, 2.5e-6f};
    float one[] = {0.0f, 0.5f};
    ASSERT_TRUE(WriteDlsData(path.c_str(), 1, seconds, one, "averaged", record));
    lagsInSeconds = false;
    EXPECT_EQ(ReadTextFile(path).substr(0, 9), "averaged\n");
    EXPECT_NE(ReadTextFile(path).find("   2.50000e-06  5.00000e-01 \n"), std::string::npos);
}

TEST_F(DlsFile, ValuesAboveOneAreReportedOnceAfterWriting) {
    DlsRecord record;
    float lags[] = {0.0f, -6.0f, -5.0f, -4.0f};
    struct Case {
        const char* name;
        std::vector<float> values;
        std::size_t boxes;
    } cases[] = {
        {"1.0 is allowed", {0.0f, 1.0f, 0.5f, 0.1f}, 0},
        {"two above 1, one box", {0.0f, 1.0001f, 1.2f, 0.1f}, 1},
    };
    for (Case& c : cases) {
        std::string path = dir.file("over.dlsdat");
        ASSERT_TRUE(WriteDlsData(path.c_str(), 3, lags, c.values.data(), "t", record));
        std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
        ASSERT_EQ(boxes.size(), c.boxes) << c.name;
        if (c.boxes) {
            EXPECT_EQ(boxes[0].text, "please check DLSDAT format - should be g(2)-1");
            EXPECT_FALSE(boxes[0].fatal);
            EXPECT_TRUE(Read(path, true).ok) << "the file is complete before the box";
        }
    }
    float values[] = {0.0f, 0.5f, 0.4f, 0.3f};
    EXPECT_FALSE(
        WriteDlsData(dir.file("no/such/folder.dlsdat").c_str(), 3, lags, values, "t", record));
    EXPECT_TRUE(TakeErrorBoxes().empty()) << "an unopenable file is told on the console only";
}

// The loaded g(1) goes to the file as g(2)-1 under the square-back switch and comes back as the
// same g(1); without it the values are written as they are. The caller's g(1) stays.
TEST_F(DlsFile, RoundTripsBothWays) {
    DlsRecord record;
    record.temperature = 21.0f;
    record.time = 600.0;
    record.angle = 90.0f;
    record.wavelength = 6.328e-7f;
    std::vector<float> lags = {0.0f, -6.0f, -5.5f, -5.0f, -4.5f, -4.0f};
    const std::vector<float> g1 = {0.0f, 0.9f, 0.7f, 0.3f, 0.0f, -0.1f};
    std::string path = dir.file("rt.dlsdat");
    for (bool squareBack : {true, false}) {
        std::vector<float> values = g1;
        gDlsSquareBack = squareBack;
        ASSERT_TRUE(WriteDlsData(path.c_str(), 5, lags.data(), values.data(), nullptr, record));
        gDlsSquareBack = false;
        EXPECT_EQ(values, g1);
        // Read back as g(1) after the square-back, as g(2)-1 after a plain write: both give g1.
        Loaded got = Read(path, !squareBack);
        ASSERT_TRUE(got.ok);
        ASSERT_EQ(got.values.size(), 5u) << "no point is lost";
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_NEAR(got.values[i], g1[i + 1], 1e-5) << "square back " << squareBack;
            EXPECT_NEAR(got.lags[i], lags[i + 1], 1e-5);
        }
        EXPECT_EQ(got.record.temperature, 21.0f);
        EXPECT_EQ(got.record.time, 600.0);
        EXPECT_EQ(got.record.isFieldAcf, squareBack);
    }
    std::string text = ReadTextFile(path);
    EXPECT_NE(text.find("  -1.00000e-01 \n"), std::string::npos) << text;
}

} // namespace
