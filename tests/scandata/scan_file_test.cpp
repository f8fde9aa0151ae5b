// The scan file reader and writer: the worked example files, the row rules, round trips with
// file times, and bad input (empty, truncated, garbage, huge numbers, folders).
#include "foundations/nr_arrays.h"
#include "scandata/scan_data_kind.h"
#include "scandata/scan_file.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <vector>

namespace {

// The result of one read, copied out of the 1-based arrays.
struct Read {
    int ok = 0;
    ScanHeader header;
    std::vector<float> radius, value, third;
    bool tag = false;
    bool thirdKept = false;
};

Read ReadFile(const std::string& path, float width = 0.0f, bool askThird = true) {
    Read r;
    std::int32_t n = -1;
    float* radius = nullptr;
    float* value = nullptr;
    float* third = nullptr;
    r.ok = ReadScanFile(path.c_str(), &r.header, &n, &radius, &value, askThird ? &third : nullptr,
                        &r.tag, width);
    if (r.ok) {
        r.radius.assign(radius + 1, radius + 1 + n);
        r.value.assign(value + 1, value + 1 + n);
        if (third) {
            r.third.assign(third + 1, third + 1 + n);
            r.thirdKept = true;
        }
        free_vector(radius, 1, n);
        free_vector(value, 1, n);
        free_vector(third, 1, n);
    }
    return r;
}

Read ReadText(const TempFolder& dir, const std::string& text, float width = 0.0f) {
    std::string path = dir.file("scan.RA1");
    WriteTextFile(path, text);
    return ReadFile(path, width);
}

class ScanFile : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
    void TearDown() override { ResetAllState(); }
    TempFolder dir;
};

struct ExampleCase {
    const char* name;
    GeneratedScan scan;
    char type;
    int cell;
    float wavelength;
    bool checked;
    bool intensity, absorbance, interference, fluorescence;
};

TEST_F(ScanFile, ExamplesReadToTheirFieldsAndWriteBackByteForByte) {
    const ExampleCase cases[] = {
        {"00001.RA1", ExampleAbsorbance(), 'R', 1, 280.0f, true, false, true, false, false},
        {"00001.RA1", ExampleAbsorbanceW(), 'W', 1, 0.28f, true, false, true, false, false},
        {"00001.IP2", ExampleInterference(), 'P', 2, 660.0f, true, false, false, true, false},
        {"00001.RI1", ExampleIntensity(), 'I', 1, 280.0f, true, true, false, false, false},
        {"00001.FI1", ExampleFluorescence(), 'F', 1, 488.0f, true, false, true, false, true},
    };
    for (const ExampleCase& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " type " + c.type);
        std::string text = c.scan.Text();
        std::string path = dir.file(c.name);
        ASSERT_TRUE(WriteTextFile(path, text));
        Read r = ReadFile(path);
        ASSERT_EQ(r.ok, 1);
        const ScanHeader& h = r.header;
        EXPECT_EQ(h.dataType, c.type);
        EXPECT_EQ(h.cell, c.cell);
        EXPECT_FLOAT_EQ(h.temperature, 20.0f);
        EXPECT_FLOAT_EQ(h.rotorSpeed, 50000.0f);
        EXPECT_EQ(h.time, 3600.0);
        EXPECT_EQ(h.originalTime, 3600.0);
        EXPECT_EQ(h.readTime, 3600.0);
        EXPECT_EQ(h.omega2t, 9.4127e10);
        EXPECT_FLOAT_EQ(h.wavelength, c.wavelength);
        EXPECT_NEAR(h.accelerationTime, 249.988, 5e-4);
        EXPECT_NEAR(h.accelerationRate, 200.0095, 5e-4);
        EXPECT_EQ(h.timeStampChecked, c.checked);
        EXPECT_EQ(h.rowCount, 5);
        EXPECT_EQ(h.fileTimesValid, 1);
        ASSERT_EQ(r.radius.size(), 5u);
        for (std::size_t i = 0; i < 5; ++i) {
            EXPECT_FLOAT_EQ(r.radius[i], static_cast<float>(c.scan.radius[i]));
            EXPECT_FLOAT_EQ(r.value[i], static_cast<float>(c.scan.value[i]));
        }
        EXPECT_EQ(ScanDataKind::intensity, c.intensity);
        EXPECT_EQ(ScanDataKind::absorbance, c.absorbance);
        EXPECT_EQ(ScanDataKind::interference, c.interference);
        EXPECT_EQ(ScanDataKind::fluorescence, c.fluorescence);

        // Written back from what was read: the same bytes (a line 1 without a tag gains one).
        std::string copy = dir.file(std::string("copy_") + c.name);
        std::vector<float> radius1(r.radius), value1(r.value), third1(r.third);
        radius1.insert(radius1.begin(), 0.0f);
        value1.insert(value1.begin(), 0.0f);
        third1.insert(third1.begin(), 0.0f);
        ASSERT_EQ(ScanTimeStampTag(copy.c_str(), 5, radius1.data(), value1.data(),
                                   r.thirdKept ? third1.data() : nullptr, nullptr, true, h),
                  1);
        std::string expected = c.type == 'F' ? "[T OK]" + text : text;
        EXPECT_EQ(ReadTextFile(copy), expected);
    }
}

TEST_F(ScanFile, AbsorbanceExampleKeepsDescriptionMeniscusAndThirdColumn) {
    Read r = ReadText(dir, ExampleAbsorbance().Text());
    ASSERT_EQ(r.ok, 1);
    EXPECT_STREQ(r.header.description, "[T OK]Cell 1 demo scan 5.9000 - meniscus");
    EXPECT_FLOAT_EQ(r.header.descriptionMeniscus, 5.9f);
    EXPECT_EQ(r.header.lastHeaderNumber, 2);
    EXPECT_TRUE(r.tag);
    ASSERT_TRUE(r.thirdKept);
    for (float t : r.third)
        EXPECT_FLOAT_EQ(t, 0.005f);
}

TEST_F(ScanFile, FluorescenceReadsVoltageGainRangeAndIsAlwaysChecked) {
    Read r = ReadText(dir, ExampleFluorescence().Text());
    ASSERT_EQ(r.ok, 1);
    EXPECT_TRUE(r.header.isFluorescence);
    EXPECT_TRUE(r.header.timeStampChecked);
    EXPECT_FALSE(r.tag);
    EXPECT_FLOAT_EQ(r.header.voltage, 600.0f);
    EXPECT_EQ(r.header.gain, 4);
    EXPECT_EQ(r.header.range, 1);
}

TEST_F(ScanFile, IntensityKeepsBothValueColumns) {
    Read r = ReadText(dir, ExampleIntensity().Text());
    ASSERT_EQ(r.ok, 1);
    ASSERT_TRUE(r.thirdKept);
    EXPECT_FLOAT_EQ(r.value[0], 21000.0f);
    EXPECT_FLOAT_EQ(r.third[0], 20500.0f);
    EXPECT_FLOAT_EQ(r.third[4], 6600.0f);
}

// Row rules. The last row, the row in front of a '0' line and a row after a missing final line
// feed are all kept (the row count follows the rows, not the line feeds).
struct RowCase {
    const char* name;
    std::string text;
    float width;
    std::vector<float> radius;
    std::vector<float> value;
};

TEST_F(ScanFile, RowRules) {
    std::string head = "[T OK]rows\nR 1 20.0 50000 3600 9.4127e+10 280 2\n";
    std::string headP = "[T OK]rows\nP 1 20.0 50000 3600 9.4127e+10 660 0\n";
    std::string five = ExampleAbsorbance().Text();
    std::string noFinalLf = five.substr(0, five.size() - 1);
    const RowCase cases[] = {
        {"all five rows", five, 0.0f, {5.95f, 5.96f, 5.97f, 5.98f, 5.99f}, {}},
        {"no final line feed keeps the last row",
         noFinalLf,
         0.0f,
         {5.95f, 5.96f, 5.97f, 5.98f, 5.99f},
         {}},
        {"a '0' line ends the rows and keeps the one before",
         five + "0\n",
         0.0f,
         {5.95f, 5.96f, 5.97f, 5.98f, 5.99f},
         {}},
        {"a second section after '0' is not read",
         five + "0\n" + ExampleAbsorbance().Text(),
         0.0f,
         {5.95f, 5.96f, 5.97f, 5.98f, 5.99f},
         {}},
        {"CR LF line ends read alike",
         "[T OK]crlf\r\nR 1 20.0 50000 3600 9.4127e+10 280 2\r\n   6.0  0.1  0.01 \r\n"
         "   6.1  0.2  0.01 \r\n",
         0.0f,
         {6.0f, 6.1f},
         {0.1f, 0.2f}},
        {"blank lines between rows are not rows",
         head + "  6.0 0.1 0.01\n\n  6.1 0.2 0.01\n\n\n",
         0.0f,
         {6.0f, 6.1f},
         {0.1f, 0.2f}},
        {"radial averaging merges rows closer than the width",
         head + "  6.000 0.1 0\n  6.002 0.2 0\n  6.004 0.3 0\n  6.006 0.4 0\n",
         0.005f,
         {6.002f, 6.006f},
         {0.2f, 0.4f}},
        {"absorbance spike removed",
         head + "  6.0 0.50 0\n  6.1 0.51 0\n  6.2 0.52 0\n  6.3 1.20 0\n  6.4 0.53 0\n",
         0.0f,
         {6.0f, 6.1f, 6.2f, 6.4f},
         {0.50f, 0.51f, 0.52f, 0.53f}},
        {"interference keeps the same jump",
         headP + "  6.0 0.50\n  6.1 0.51\n  6.2 0.52\n  6.3 1.20\n  6.4 0.53\n",
         0.0f,
         {6.0f, 6.1f, 6.2f, 6.3f, 6.4f},
         {0.50f, 0.51f, 0.52f, 1.20f, 0.53f}},
        {"a single jump is no spike",
         head + "  6.0 0.50 0\n  6.1 0.51 0\n  6.2 0.52 0\n  6.3 1.20 0\n  6.4 1.21 0\n",
         0.0f,
         {6.0f, 6.1f, 6.2f, 6.3f, 6.4f},
         {0.50f, 0.51f, 0.52f, 1.20f, 1.21f}},
        {"trailing zero radii of interference rows are cut",
         headP + "  6.0 0.5\n  6.1 0.6\n  0 0\n",
         0.0f,
         {6.0f, 6.1f},
         {0.5f, 0.6f}},
        {"a number with text after it reads as its number",
         head + "  6.0abc 0.5 0\n  6.1 0.6x 0\n",
         0.0f,
         {6.0f, 6.1f},
         {0.5f, 0.6f}},
        {"header split over lines",
         "[T OK]split\nR 1 20.0\n50000 3600 9.4127e+10 280 2\n"
         "  6.0 0.5 0\n",
         0.0f,
         {6.0f},
         {0.5f}},
    };
    for (const RowCase& c : cases) {
        SCOPED_TRACE(c.name);
        Read r = ReadText(dir, c.text, c.width);
        ASSERT_EQ(r.ok, 1);
        ASSERT_EQ(r.radius.size(), c.radius.size());
        EXPECT_EQ(r.header.rowCount, static_cast<int>(c.radius.size()));
        for (std::size_t i = 0; i < c.radius.size(); ++i) {
            EXPECT_NEAR(r.radius[i], c.radius[i], 1e-6);
            if (!c.value.empty()) {
                EXPECT_NEAR(r.value[i], c.value[i], 1e-6);
            }
        }
    }
}

TEST_F(ScanFile, SpikeFilterCanBeSwitchedOff) {
    ScanReaderOptions::dropSpikes = false;
    std::string text = "[T OK]s\nR 1 20.0 50000 3600 9.4127e+10 280 2\n"
                       "  6.0 0.50 0\n  6.1 0.51 0\n  6.2 0.52 0\n  6.3 1.20 0\n  6.4 0.53 0\n";
    Read r = ReadText(dir, text);
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.radius.size(), 5u);
}

TEST_F(ScanFile, NColumnsModeTakesRadiusAndValueOfEachRow) {
    ScanReaderOptions::nColumnsMode = true;
    ScanReaderOptions::nColumns = 4;
    std::string text = "[T OK]n\nR 1 20.0 50000 3600 9.4127e+10 280 2\n"
                       "  6.0 0.1 9 9\n  6.1 0.2 9 9\n";
    Read r = ReadText(dir, text);
    ASSERT_EQ(r.ok, 1);
    EXPECT_FALSE(r.thirdKept);
    ASSERT_EQ(r.radius.size(), 2u);
    EXPECT_FLOAT_EQ(r.radius[1], 6.1f);
    EXPECT_FLOAT_EQ(r.value[1], 0.2f);
}

TEST_F(ScanFile, ElectrophoresisLayoutConvertsValuesToAbsorbance) {
    ScanDataKind::electrophoresis = true;
    std::string text = "[T OK]electrophoresis demo\nR 0 1200 280 2 0\n"
                       "   0.1000  5.00000e+02   1.00000e+00 \n"
                       "   0.2000  0.00000e+00   1.00000e+00 \n"
                       "0.3000  1.00000e+01   1.00000e+00 \n";
    Read r = ReadText(dir, text);
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.header.dataType, 'R');
    EXPECT_EQ(r.header.cell, 0);
    EXPECT_EQ(r.header.time, 1200.0);
    EXPECT_EQ(r.header.omega2t, 1200.0);
    EXPECT_FLOAT_EQ(r.header.rotorSpeed, 1.0f);
    EXPECT_FLOAT_EQ(r.header.wavelength, 280.0f);
    EXPECT_EQ(r.header.accelerationRate, 1000000.0);
    ASSERT_EQ(r.radius.size(), 3u); // no '0' rule in this mode
    EXPECT_NEAR(r.value[0], std::log10(2.0), 1e-6);
    EXPECT_EQ(r.value[1], 0.0f);
    EXPECT_NEAR(r.value[2], 2.0, 1e-6);
    EXPECT_TRUE(ScanDataKind::absorbance);
}

TEST_F(ScanFile, DescriptionEndsAtTheFirstForeignCharacter) {
    Read r = ReadText(dir, "scan (old) [T OK] 5.9000 - meniscus\nR 1 20.0 50000 3600 "
                           "9.4127e+10 280 2\n 6.0 0.1 0\n");
    ASSERT_EQ(r.ok, 1);
    EXPECT_STREQ(r.header.description, "scan ");
    EXPECT_FALSE(r.header.timeStampChecked);
    EXPECT_FALSE(r.tag);
    EXPECT_FLOAT_EQ(r.header.descriptionMeniscus, 5.9f);
}

TEST_F(ScanFile, LongDescriptionIsCutTo99Characters) {
    std::string line1(150, 'a');
    Read r = ReadText(dir, line1 + "\nR 1 20.0 50000 3600 9.4127e+10 280 2\n 6.0 0.1 0\n");
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(std::strlen(r.header.description), 99u);
}

// A meniscus marker at the very start of the text once sent the number read in front of the
// buffer; the read now starts at the text's start.
TEST_F(ScanFile, MeniscusMarkerNearTheStartStaysInsideTheText) {
    const std::pair<const char*, float> cases[] = {
        {" - meniscus\n", 0.0f}, {"6.1 - meniscus\n", 6.1f}, {"x - meniscus\n", 0.0f}};
    for (const auto& [line1, expected] : cases) {
        SCOPED_TRACE(line1);
        Read r = ReadText(dir, std::string(line1) + "R 1 20.0 50000 3600 9.4127e+10 280 2\n"
                                                    " 6.0 0.1 0\n");
        ASSERT_EQ(r.ok, 1);
        EXPECT_FLOAT_EQ(r.header.descriptionMeniscus, expected);
    }
}

// A header with rpm 0 (or no number where the speed stands) gave infinite acceleration times.
TEST_F(ScanFile, HeaderWithoutSpeedHasNoRamp) {
    for (const char* rpm : {"0", "fast", "-5"}) {
        SCOPED_TRACE(rpm);
        Read r = ReadText(dir, std::string("[T OK]x\nR 1 20.0 ") + rpm +
                                   " 3600 9.4127e+10 280 2\n 6.0 0.1 0\n");
        ASSERT_EQ(r.ok, 1);
        EXPECT_EQ(r.header.accelerationTime, 0.0);
        EXPECT_EQ(r.header.accelerationRate, 1000000.0);
    }
}

TEST_F(ScanFile, TimeBeforeTheOmegaTimeGivesTheDefaultRate) {
    // omega2t / omega^2 = 3600.0..., more than the recorded time: no ramp can explain it.
    Read r = ReadText(dir, "[T OK]x\nR 1 20.0 10000 3600 3.9479e+09 280 2\n 6.0 0.1 0\n");
    ASSERT_EQ(r.ok, 1);
    EXPECT_LE(r.header.accelerationTime, 0.0);
    EXPECT_EQ(r.header.accelerationRate, 1000000.0);
}

TEST_F(ScanFile, TagIsWrittenOnceAndAddedWhenMissing) {
    ScanHeader h;
    h.dataType = 'R';
    float radius[] = {0, 6.0f};
    float value[] = {0, 0.1f};
    const std::pair<const char*, const char*> cases[] = {
        {"[T OK]kept", "[T OK]kept\n"},
        {"plain", "[T OK]plain\n"},
        {"[TIMESTAMP CORRECTED 1.008333] x", "[TIMESTAMP CORRECTED 1.008333] x\n"}};
    for (const auto& [line1, expected] : cases) {
        std::string path = dir.file("tag.RA1");
        ASSERT_EQ(ScanTimeStampTag(path.c_str(), 1, radius, value, nullptr, line1, false, h), 1);
        std::string text = ReadTextFile(path);
        EXPECT_EQ(text.substr(0, text.find('\n') + 1), expected);
        // Without a third column every type but 'P' writes a 0 there.
        EXPECT_NE(text.find("   6.0000  1.00000e-01   0.00000e+00 \n"), std::string::npos);
    }
}

TEST_F(ScanFile, RewriteKeepsTheFileTimesAndWritesTheOriginalTime) {
    std::string path = dir.file("00001.RA1");
    WriteTextFile(path, ExampleAbsorbance().Text());
    ASSERT_TRUE(SetFileSeconds(path, 1600000000, 123456700));
    Read r = ReadFile(path);
    ASSERT_EQ(r.ok, 1);
    ScanHeader h = r.header;
    h.time = 9999.0; // the analysis time is not what is written
    h.originalTime = 3600.7;
    std::vector<float> radius(r.radius), value(r.value), third(r.third);
    radius.insert(radius.begin(), 0.0f);
    value.insert(value.begin(), 0.0f);
    third.insert(third.begin(), 0.0f);
    ASSERT_EQ(ScanTimeStampTag(path.c_str(), 5, radius.data(), value.data(), third.data(), nullptr,
                               true, h),
              1);
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 123456700);
    EXPECT_EQ(st.st_atim.tv_sec, 1600000000);
    Read again = ReadFile(path);
    EXPECT_EQ(again.header.time, 3600.0);
    EXPECT_EQ(ReadTextFile(path), ExampleAbsorbance().Text());
}

// A scan that cannot be written once looked written to every caller; now it reports 0.
TEST_F(ScanFile, UnwritableFileIsReported) {
    ScanHeader h;
    float radius[] = {0, 6.0f};
    float value[] = {0, 0.1f};
    std::string path = dir.file("missing_folder/00001.RA1");
    EXPECT_EQ(ScanTimeStampTag(path.c_str(), 1, radius, value, nullptr, nullptr, true, h), 0);
    h.dataType = 'W';
    EXPECT_EQ(ScanTimeStampTag(path.c_str(), 1, radius, value, nullptr, nullptr, true, h), 0);
}

struct BadCase {
    const char* name;
    std::string text;
};

TEST_F(ScanFile, BadInputFailsWithoutTouchingTheOutputs) {
    std::string head = "[T OK]x\nR 1 20.0 50000 3600 9.4127e+10 280 2\n";
    std::string garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.push_back(static_cast<char>((i * 7919 + 13) & 0xff));
    const BadCase cases[] = {
        {"empty file", ""},
        {"no line feed at all", "[T OK]only one line"},
        {"line 1 only", "[T OK]x\n"},
        {"type letter X", "[T OK]x\nX 1 20.0 50000 3600 9.4127e+10 280 2\n 6.0 0.1 0\n"},
        {"lower-case type letter", "[T OK]x\nr 1 20.0 50000 3600 9.4127e+10 280 2\n 6.0 0.1 0\n"},
        {"header without rows", head},
        {"truncated inside the header", "[T OK]x\nR 1 20.0 500"},
        {"binary garbage", garbage},
        {"row value beyond double", head + " 6.0 1e400 0\n"},
        {"row value beyond float", head + " 6.0 1e39 0\n"},
        {"radius beyond float", head + " 1e39 0.1 0\n"},
        {"cell beyond i32", "[T OK]x\nR 99999999999 20.0 50000 3600 9.4127e+10 280 2\n"
                            " 6.0 0.1 0\n"},
        {"time beyond double", "[T OK]x\nR 1 20.0 50000 1e999 9.4127e+10 280 2\n 6.0 0.1 0\n"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = dir.file("bad.RA1");
        WriteTextFile(path, c.text);
        ScanHeader h;
        std::int32_t n = -7;
        float* radius = nullptr;
        float* value = nullptr;
        float* third = nullptr;
        EXPECT_EQ(ReadScanFile(path.c_str(), &h, &n, &radius, &value, &third, nullptr, 0.0f), 0);
        EXPECT_EQ(n, -7);
        EXPECT_EQ(radius, nullptr);
        EXPECT_EQ(value, nullptr);
        EXPECT_EQ(third, nullptr);
    }
}

TEST_F(ScanFile, TinyNumbersReadAsZero) {
    Read r = ReadText(dir, "[T OK]x\nR 1 20.0 50000 3600 9.4127e+10 280 2\n 6.0 1e-400 0\n");
    ASSERT_EQ(r.ok, 1);
    EXPECT_EQ(r.value[0], 0.0f);
}

TEST_F(ScanFile, MissingFileFolderAndArgumentsFail) {
    std::string folder = dir.file("00002.RA1");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ScanHeader h;
    std::int32_t n = 0;
    float* radius = nullptr;
    float* value = nullptr;
    EXPECT_EQ(ReadScanFile(folder.c_str(), &h, &n, &radius, &value, nullptr, nullptr, 0), 0);
    EXPECT_EQ(
        ReadScanFile(dir.file("none.RA1").c_str(), &h, &n, &radius, &value, nullptr, nullptr, 0),
        0);
    EXPECT_EQ(ReadScanFile(nullptr, &h, &n, &radius, &value, nullptr, nullptr, 0), 0);
    EXPECT_EQ(ReadScanFile(folder.c_str(), nullptr, &n, &radius, &value, nullptr, nullptr, 0), 0);
}

} // namespace
