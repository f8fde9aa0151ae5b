// The distribution kernel by the Lamm list road: every column computed for a complete list, none
// claimed after a stop; solved profiles mapped into a column are stored or added.
#include "distributions/conti_lamm_list.h"
#include "distributions/conti_normal_equations.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_parameters.h"
#include "state/preference_switches.h"
#include "state/run_switches.h"
#include "support/conti_scan_store.h"
#include "support/lamm_list_harness.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

// A few scans on a 300-point common grid, 6.0 to 7.2 cm.
class ContiLammList : public ::testing::Test {
  protected:
    void SetUp() override {
        for (int p = 1; p <= n; ++p) {
            s[p] = 2.0 * p;
            D[p] = DiffusionFromSAndFf0(s[p], 1.2);
        }
    }

    static constexpr int n = 4;
    ContiScanStore store;
    const int scans = store.c.scans, points = store.c.points;
    std::vector<float>& radii = store.radii;
    double s[n + 1] = {}, D[n + 1] = {};
};

} // namespace

TEST_F(ContiLammList, CompleteListFillsEveryColumn) {
    ASSERT_EQ(RunSVContiSedList(nullptr, SilentObserver(), n, s, D, nullptr), LammResult::Solved);
    EXPECT_TRUE(gContiKernel.Complete());
    for (int p = 1; p <= n; ++p) {
        // sedimentation depletes the meniscus side and dilutes the plateau below the loading
        const float* last = gContiKernel.Row(p, scans);
        EXPECT_LT(last[10], 0.5f) << "grid point " << p;
        EXPECT_GT(last[points - 40], 0.5f);
        EXPECT_LT(last[points - 40], 1.0f);
    }
}

TEST_F(ContiLammList, StoppedListMarksItsColumnsUnsolved) {
    gUserInterrupt.store(true);
    EXPECT_EQ(RunSVContiSedList(nullptr, SilentObserver(), n, s, D, nullptr),
              LammResult::ListStopped);
    EXPECT_FALSE(gContiKernel.Complete());
    for (int p = 1; p <= n; ++p) {
        EXPECT_FALSE(gContiKernel.Solved(p));
        EXPECT_EQ(gContiKernel.Row(p, 1)[100], 0.0f);
    }
}

TEST_F(ContiLammList, MappedProfilesAreStoredOrAdded) {
    gContiKernel.Allocate(3, 2, radii.data(), points);
    std::vector<double> r(11), v(11);
    for (int i = 1; i <= 10; ++i) {
        r[i] = 6.0 + (i - 1) * 1.2 / 9.0;
        v[i] = 2.0 * r[i];
    }
    ContiState::kernelColumn = 2;
    MapLammSolutionToData(2, r.data(), v.data(), 10);
    EXPECT_NEAR(gContiKernel.Row(2, 2)[150], 2.0 * radii[150], 1e-5);
    EXPECT_EQ(gContiKernel.Row(1, 2)[150], 0.0f) << "other columns untouched";
    MapLammSolutionToData2(2, r.data(), v.data(), 10);
    EXPECT_NEAR(gContiKernel.Row(2, 2)[150], 4.0 * radii[150], 1e-5);
    ContiState::kernelColumn = 9;
    MapLammSolutionToData(2, r.data(), v.data(), 10); // outside the kernel: nothing happens
}

// The kernel's storage is not cleared before the list: whatever an earlier, larger kernel left in
// it, the rows are those made on cleared storage, for a whole list, a stopped one and one with an
// equation that fails (grid point 3 given a negative D: its column is cleared).
TEST_F(ContiLammList, RowsDoNotDependOnWhatAnEarlierKernelLeft) {
    const struct {
        const char* name;
        bool stop;
        int failing;
    } cases[] = {{"whole list", false, 0}, {"stopped", true, 0}, {"failing", false, 3}};
    for (const auto& c : cases) {
        std::vector<std::vector<float>> columns[2][n + 1];
        bool solved[2][n + 1] = {};
        for (int left : {0, 1}) {
            gContiKernel.Allocate(n + 3, scans + 1, radii.data(), points + 40);
            for (int p = 1; p <= n + 3; ++p)
                for (int k = 1; k <= scans + 1; ++k)
                    std::fill_n(gContiKernel.Row(p, k), points + 41, left * 7.0f);
            std::vector<double> d(D, D + n + 1);
            d[c.failing] = c.failing > 0 ? -1.0 : 0.0;
            gUserInterrupt.store(c.stop);
            const LammResult result =
                RunSVContiSedList(nullptr, SilentObserver(), n, s, d.data(), nullptr);
            gUserInterrupt.store(false);
            EXPECT_EQ(result == LammResult::Solved, !c.stop && c.failing == 0) << c.name;
            for (int p = 1; p <= n; ++p) {
                columns[left][p] = KernelColumn(p);
                solved[left][p] = gContiKernel.Solved(p);
            }
        }
        for (int p = 1; p <= n; ++p) {
            // a failure may end the list before the equations after it, and which of those the
            // other threads had begun depends on their timing: an unsolved column is cleared
            // whatever was left in it, a solved one is the same on either storage
            for (int left : {0, 1}) {
                const bool done = solved[left][p];
                EXPECT_TRUE(c.stop || p == c.failing ? !done : done || c.failing > 0) << c.name;
                EXPECT_EQ(columns[left][p][scans][points - 40] == 0.0f, !done)
                    << c.name << ", " << p;
                if (!done)
                    for (const std::vector<float>& row : columns[left][p])
                        EXPECT_TRUE(
                            std::all_of(row.begin(), row.end(), [](float x) { return x == 0.0f; }))
                            << c.name << ", grid point " << p;
            }
            if (solved[0][p] && solved[1][p])
                EXPECT_EQ(columns[1][p], columns[0][p]) << c.name << ", grid point " << p;
        }
    }
}

// With a data set, each column's starts and means over it are found as the list solves the
// column: those of the finished kernel, on one thread or several; a stopped list leaves none.
TEST_F(ContiLammList, StartsFoundAsTheListSolvesAreThoseOfTheKernel) {
    ContiDataSet set;
    for (int k = 2; k <= scans; ++k)
        set.scans.push_back(k);
    set.first = 20, set.last = points - 10;
    set.timeInvariant = set.radiallyInvariant = true;
    const ContiColumnRow column = [&set](int p, int s) {
        return gContiKernel.Row(p, set.scans[std::size_t(s)]);
    };
    const int saved = gLammThreadCount;
    for (int threads : {1, 3})
        for (bool stop : {false, true}) {
            gLammThreadCount = threads;
            ContiColumnStarts starts;
            gUserInterrupt.store(stop);
            const LammResult result =
                RunSVContiSedList(nullptr, SilentObserver(), n, s, D, nullptr, &set, &starts);
            gUserInterrupt.store(false);
            const std::string at = std::to_string(threads) + " threads" + (stop ? ", stopped" : "");
            EXPECT_EQ(result == LammResult::Solved, !stop) << at;
            if (stop) {
                EXPECT_EQ(starts.n, 0) << at;
                continue;
            }
            ASSERT_EQ(starts.n, n) << at;
            ContiColumnStarts again;
            again.Reset(n, set);
            for (int p = 1; p <= n; ++p) {
                EXPECT_TRUE(starts.known[std::size_t(p)]) << at << ", grid point " << p;
                FindContiColumnStart(set, column, p, again);
                EXPECT_EQ(starts.means[std::size_t(p)].row, again.means[std::size_t(p)].row) << at;
                EXPECT_EQ(starts.means[std::size_t(p)].point, again.means[std::size_t(p)].point)
                    << at;
                EXPECT_EQ(starts.means[std::size_t(p)].grand, again.means[std::size_t(p)].grand)
                    << at;
            }
            EXPECT_EQ(starts.firstNonzero, again.firstNonzero) << at;
        }
    gLammThreadCount = saved;
}
