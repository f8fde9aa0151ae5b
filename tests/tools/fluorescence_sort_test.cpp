// Sorting a fluorescence run: the names of the copies, the groups and their thinning in time,
// the list files, and the folder walk with its filters and failures.
#include "plat/files.hpp"
#include "scandata/scan_data_kind.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"
#include "tools/fluorescence_sort.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

ScanHeader Header(float voltage, int range, int gain) {
    ScanHeader h;
    h.voltage = voltage;
    h.range = range;
    h.gain = gain;
    return h;
}

// A fluorescence scan file text: 5 points, signal `level`, deviation `noise`.
std::string ScanText(int cell, long timeS, double level, double noise = 1.0, int gain = 2) {
    GeneratedScan s = ExampleFluorescence();
    s.description = "run Voltage: 600.7 Gain: " + std::to_string(gain) + " Range: 1";
    s.cell = cell;
    s.timeS = timeS;
    s.radius = {6.4, 6.6, 6.8, 7.0, 7.2};
    s.value.assign(5, level);
    s.third.assign(5, noise);
    return s.Text();
}

} // namespace

TEST(FluorescenceSortNames, CarryLetterVoltageRangeAndGain) {
    struct Case {
        const char* source;
        ScanHeader header;
        const char* name;
        const char* key;
    } cases[] = {
        {"A00012.FI1", Header(600.7f, 1, 2), "00012.FI1_A_PMV600_r1_g2", ".FI1_A_PMV600_r1_g2"},
        {"B00012.FI1", Header(600.7f, 1, 2), "00012.FI1_B_PMV600_r1_g2", ".FI1_B_PMV600_r1_g2"},
        {"A00003.FI2", Header(450.0f, 3, 10), "00003.FI2_A_PMV450_r3_g10", ".FI2_A_PMV450_r3_g10"},
        {"A", Header(600.0f, 1, 1), "", ""},
    };
    for (const Case& c : cases) {
        const SortedCopyName got = MakeSortedCopyName(c.source, c.header);
        EXPECT_EQ(got.name, c.name) << c.source;
        EXPECT_EQ(got.key, c.key) << c.source;
    }
}

TEST(FluorescenceSortTable, GroupsByExactKeyAndThinsInTime) {
    FluorescenceSortTable t;
    // A gain of 1 is not one of 10 although its key is a prefix of the other.
    EXPECT_EQ(t.FindOrAddKey(".FI1_A_PMV600_r1_g10"), 1);
    EXPECT_EQ(t.FindOrAddKey(".FI1_A_PMV600_r1_g1"), 2);
    EXPECT_EQ(t.FindOrAddKey(".FI1_A_PMV600_r1_g10"), 1);
    // Default t min = t max = 0: a key keeps its first scan at a positive time only.
    for (double time : {0.0, 100.0, 200.0})
        t.Add("/d/sorted/x" + std::to_string(int(time)), ".FI1_A_PMV600_r1_g1", time, 0, 0, 0);
    ASSERT_EQ(t.Paths(2).size(), 1u);
    EXPECT_EQ(t.Paths(2)[0], "/d/sorted/x100");
    // Step 1000 s from 0 to 5000 s: scans at least a step apart, below t max.
    FluorescenceSortTable even;
    for (double time = 100.0; time <= 6000.0; time += 300.0)
        even.Add("/d/sorted/s" + std::to_string(int(time)), "k", time, 0, 1000, 5000);
    std::vector<std::string> expected = {"/d/sorted/s100", "/d/sorted/s1300", "/d/sorted/s2500",
                                         "/d/sorted/s3700", "/d/sorted/s4900"};
    EXPECT_EQ(even.Paths(1), expected);
}

TEST(FluorescenceSortTable, TheThousandthGroupIsRefused) {
    FluorescenceSortTable t;
    for (int k = 1; k < 1000; ++k)
        EXPECT_EQ(t.Add("p", "key" + std::to_string(k), 10, 0, 0, 0), "");
    EXPECT_EQ(t.Add("p", "key1000", 10, 0, 0, 0), "\n\aAttention: too many iFileNameTalbes");
    EXPECT_TRUE(t.Paths(1000).empty());
}

TEST(FluorescenceSortFolder, CopiesFiltersAndWritesOneListPerGroup) {
    TempFolder d;
    d.write("A00001.FI1", ScanText(1, 600, 50.0));
    d.write("A00002.FI1", ScanText(1, 1200, 50.0));
    d.write("B00001.FI1", ScanText(2, 600, 50.0, 1.0, 4));
    d.write("B00002.FI1", ScanText(4, 600, 50.0));         // reference cell
    d.write("A00003.FI1", ScanText(1, 1800, 50.0, 500.0)); // too noisy
    d.write("A00004.FI1", ScanText(1, 2400, 2.0));         // too weak
    d.write("C00001.FI1", ScanText(1, 600, 50.0));         // not a scan name
    d.write("A00005.RA1", ScanText(1, 600, 50.0));
    // 2023-11-14, in 100-ns ticks since 1601.
    const std::uint64_t ticks = 116444736000000000ull + 17000000000000000ull;
    plat::FileTimes times{0, ticks, ticks};
    plat::SetFileTimes(d.file("A00002.FI1"), times);
    ScanDataKind::absorbance = true;
    FluorescenceSortOptions o;
    o.makeLists = true;
    o.tMax = 10000;
    o.target = 100;
    o.excludeWeak = true;
    o.rMin = 6.5f;
    o.minimalSignal = 10;
    o.maximalNoise = 100;
    std::vector<std::string> drawn;
    const FluorescenceSortOutcome out = SortFluorescenceFolder(
        d.path() + "/", o, [&](const std::string& target, int) { drawn.push_back(target); });
    EXPECT_TRUE(out.unreadable.empty() && out.failedCopy.empty());
    EXPECT_EQ(out.copied, 3);
    EXPECT_EQ(drawn.size(), 3u);
    EXPECT_TRUE(ScanDataKind::absorbance && !ScanDataKind::fluorescence); // as before the sort
    const std::string sorted = d.path() + "/sorted/";
    EXPECT_TRUE(plat::FileReadable(sorted + "00001.FI1_A_PMV600_r1_g2"));
    EXPECT_TRUE(plat::FileReadable(sorted + "00001.FI1_B_PMV600_r1_g4"));
    EXPECT_FALSE(plat::FileReadable(sorted + "00003.FI1_A_PMV600_r1_g2"));
    plat::FileTimes copied;
    ASSERT_TRUE(plat::GetFileTimes(sorted + "00002.FI1_A_PMV600_r1_g2", copied));
    EXPECT_EQ(copied.write, times.write);
    ASSERT_EQ(out.lists.size(), 2u);
    EXPECT_EQ(ReadTextFile(sorted + "list.FI1_A_PMV600_r1_g2"),
              "newformat n=1\n" + d.path() +
                  "/sorted\n00001.FI1_A_PMV600_r1_g2\n"
                  "00002.FI1_A_PMV600_r1_g2\n");
}

// A file that does not read as a scan ends the sort: no list file, and the caller is told.
TEST(FluorescenceSortFolder, AnUnreadableFileIsReported) {
    TempFolder d;
    d.write("A00001.FI1", ScanText(1, 600, 50.0));
    d.write("A00002.FI1", std::string(2000, 'x') + "\n"); // as large as a scan, no header
    FluorescenceSortOptions o;
    o.makeLists = true;
    o.tMax = 10000;
    const FluorescenceSortOutcome out = SortFluorescenceFolder(d.path() + "/", o, nullptr);
    EXPECT_EQ(out.unreadable, d.file("A00002.FI1"));
    EXPECT_TRUE(out.lists.empty());
    EXPECT_FALSE(plat::FileReadable(d.path() + "/sorted/list.FI1_A_PMV600_r1_g2"));
}

// Each loaded scan is named from its own header.
TEST(FluorescenceSortFolder, LoadedScansTakeTheirOwnHeaders) {
    TempFolder d;
    d.write("A00001.FI1", ScanText(1, 600, 50.0));
    d.write("B00001.FI1", ScanText(2, 600, 50.0));
    const FluorescenceSortOutcome out = SortScanFiles({d.file("B00001.FI1"), d.file("A00001.FI1")},
                                                      {Header(700, 2, 8), Header(500, 1, 1)});
    EXPECT_EQ(out.copied, 2);
    EXPECT_TRUE(plat::FileReadable(d.path() + "/sorted/00001.FI1_B_PMV700_r2_g8"));
    EXPECT_TRUE(plat::FileReadable(d.path() + "/sorted/00001.FI1_A_PMV500_r1_g1"));
}
