// The results summary: the monomer and dimer chosen by signal among the peaks of hand-made
// distributions, the fit and scan values, and the file and clipboard texts.
#include "distributions/results_summary.h"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_parameters.h"
#include "support/reset_all_state.h"
#include "support/store_builder.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

struct Bump {
    double centre, height, width;
};

double Area(const Bump& b) {
    return b.height * b.width * std::sqrt(2 * M_PI);
}

// The current distribution: the bumps on s = 0 .. 12 S in steps of 0.02 S.
struct HeldDistribution {
    std::vector<float> s, c;
    explicit HeldDistribution(const std::vector<Bump>& bumps) {
        const int n = 601;
        s.assign(n + 1, 0.0f);
        c.assign(n + 1, 0.0f);
        for (int i = 1; i <= n; ++i) {
            s[i] = 0.02f * float(i - 1);
            for (const Bump& b : bumps)
                c[i] += float(b.height *
                              std::exp(-std::pow(s[i] - b.centre, 2) / (2 * b.width * b.width)));
        }
        ContiState::sValues = s.data();
        ContiState::distribution = c.data();
        ContiState::gridPoints = n;
    }
    ~HeldDistribution() { ContiState::sValues = ContiState::distribution = nullptr; }
};

} // namespace

TEST(ResultsSummary, MonomerAndDimerAreTheTwoLargestSignals) {
    struct Case {
        const char* name;
        std::vector<Bump> bumps;
        int monomer, dimer; // indices into bumps, -1 for none
    } cases[] = {
        {"heights 5, 9, 7", {{2, 5, 0.3}, {5, 9, 0.3}, {8, 7, 0.3}}, 1, 2},
        {"one peak", {{4, 3, 0.4}}, 0, -1},
        // The tall narrow peak holds less signal than the low wide one.
        {"signal, not height", {{3, 9, 0.1}, {7, 4, 0.5}}, 1, 0},
        {"equal signals: the first in order", {{3, 2, 0.3}, {7, 2, 0.3}}, 0, 1},
        {"no peak", {}, -1, -1},
    };
    for (const Case& k : cases) {
        ResetAllState();
        HeldDistribution held(k.bumps);
        const ResultsSummaryValues v = ComputeResultsSummary();
        double total = 0.0;
        for (const Bump& b : k.bumps)
            total += Area(b);
        const int which[] = {k.monomer, k.dimer};
        for (int m = 0; m < 2; ++m) {
            if (which[m] < 0) {
                for (int slot : {12, 14, 16, 18})
                    EXPECT_EQ(v[slot + m], 0.0f) << k.name << " value " << slot + m;
                continue;
            }
            const Bump& b = k.bumps[which[m]];
            EXPECT_NEAR(v[12 + m], Area(b), 0.01 * Area(b)) << k.name << " peak " << m;
            EXPECT_NEAR(v[14 + m], 100 * Area(b) / total, 1.0) << k.name << " peak " << m;
            EXPECT_GT(v[16 + m], 0.0f) << k.name << " peak " << m;
            EXPECT_NEAR(v[18 + m], b.centre, 0.01) << k.name << " peak " << m;
        }
    }
}

TEST(ResultsSummary, FitAndScanValues) {
    ResetAllState();
    // Two scans whose residuals are 0.02 up to 6.2 cm and 0.01 beyond; left fit limit 6.05.
    StoreScan early = EvenScan(6.0f, 0.01f, 101, 600.0, [](float) { return 0.0f; });
    StoreScan late = EvenScan(6.0f, 0.01f, 101, 1200.0, [](float) { return 0.0f; });
    FillStore({late, early});
    for (int j = 1; j <= 2; ++j)
        for (int i = 1; i <= ScanStore::pointCount[j]; ++i)
            ScanStore::residuals[j][i] = ScanStore::radius[j][i] < 6.2f ? 0.02f : 0.01f;
    ScanStore::header[1].temperature = 20.6f; // the later scan, loaded first
    ScanStore::header[2].temperature = 20.0f;
    ScanStore::header[1].wavelength = 280.0f;
    ScanStore::header[2].wavelength = 230.0f;
    ScanStore::leftFitLimit = 6.05f;
    ScanStore::rightFitLimit = 6.9f;
    FitControl::bestRmsd = 0.01f;
    ModelParameters::fitValues[13] = 6.01f;
    ModelParameters::fitValues[14] = 7.2f;
    ContiState::ff0 = 1.3f;
    const ResultsSummaryValues v = ComputeResultsSummary();
    const float expected[] = {0,     1.3f, 0.01f, 2.0f,  6.01f, 7.2f,
                              6.05f, 6.9f, 0.6f,  20.6f, 20.3f, 255.0f};
    for (int k = 1; k <= 11; ++k)
        EXPECT_NEAR(v[k], expected[k], 1e-4) << "value " << k;

    // No point within 0.1 cm of the left limit, and a zero rmsd, give 0, not NaN.
    ScanStore::leftFitLimit = 7.5f;
    EXPECT_EQ(ComputeResultsSummary()[3], 0.0f);
    ScanStore::leftFitLimit = 6.05f;
    FitControl::bestRmsd = 0.0f;
    EXPECT_EQ(ComputeResultsSummary()[3], 0.0f);
    FreeAllData();
    EXPECT_EQ(ComputeResultsSummary()[8], 0.0f) << "no scans";
}

TEST(ResultsSummary, FileRowLabelledLinesAndClipboardRow) {
    ResultsSummaryValues v{};
    for (int k = 1; k <= kSummaryValues; ++k)
        v[k] = 0.5f * float(k);
    const std::string text = ResultsSummaryFileText(v);
    const std::string row = text.substr(0, text.find('\n') + 1);
    EXPECT_EQ(row.rfind("0.500000\t1.000000\t", 0), 0u) << row;
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 18) << row;
    EXPECT_NE(row.find("\t9.500000\n"), std::string::npos) << row;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 20);
    for (const char* line :
         {"\nff0: 0.500000\n",
          "\nrmsd (within 1 mm from left fit limit)/rmsd(all): "
          "1.500000\n",
          "\nmonomer %: 7.000000\n", "\ndimer %: 7.500000\n", "\ndimer sw: 9.500000\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    v[4] = 6.02345678f;
    v[17] = 151234.0f;
    const std::string clip = ResultsSummaryClipboardText(v);
    EXPECT_EQ(std::count(clip.begin(), clip.end(), '\t'), kSummaryValues);
    EXPECT_EQ(clip.back(), '\t') << "a tab after the 19th value";
    EXPECT_EQ(clip.rfind("0.5\t1\t1.5\t6.02346\t", 0), 0u) << clip;
    EXPECT_NE(clip.find("\t151234\t"), std::string::npos) << clip;
}
