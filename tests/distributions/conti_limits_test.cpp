// Distribution settings no solution can use are refused before anything is computed, with a
// message naming the value, and the previous distribution stays: an infinite or 3e9 resolution
// used to overflow its conversion to int, more grid points than data values ran for minutes, and
// a range of +-3e38, a range 1e-6 wide, f/f0 of NaN, 0 or 1e-30 and 0 or -50000 rpm were
// computed (some behind an internal error box). A kernel larger than the memory ends the command
// with a message, not the program.
#include "distributions/conti_run.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_header.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// Each scan of the store measured at 60 radii from 6.0 to 7.2 cm (the radii, kept by the caller
// while the store is used).
std::vector<float> MeasureCoarsely(ContiDataStore& store) {
    std::vector<float> coarse(61);
    for (int p = 1; p <= 60; ++p)
        coarse[std::size_t(p)] = 6.0f + 1.2f * float(p - 1) / 59.0f;
    for (int k = 1; k <= store.c.scans; ++k) {
        store.radiusRows[std::size_t(k)] = coarse.data();
        store.counts[std::size_t(k)] = 60;
    }
    return coarse;
}

class ContiLimits : public ::testing::Test {
  protected:
    // After the store is made (it resets the state).
    static void Choose() {
        ChooseCsOver(0.0f, 15.0f, 50.0f);
        ContiState::ff0 = 1.25f;
    }
    void TearDown() override { FreeResultTable(); }

    static std::vector<float> Distribution() {
        return {ContiState::distribution + 1,
                ContiState::distribution + ContiState::gridPoints + 1};
    }
};

TEST_F(ContiLimits, ImpossibleSettingsAreRefusedByValue) {
    plat::test::Script script;
    ContiDataStore store;
    Choose();
    store.Fill({{5.0, 1.25, 0.5}});
    ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
    const std::vector<float> previous = Distribution();
    const unsigned long kernel = gContiKernel.Generation();
    struct Case {
        const char* name;
        std::function<void()> spoil;
        const char* text;
    } cases[] = {
        {"infinite resolution", [] { ContiState::resolution = kInf; },
         "The resolution inf asks for more grid points than a distribution can have"},
        {"3e9 grid points", [] { ContiState::resolution = 3e9f; },
         "The resolution 3e+09 asks for more grid points"},
        {"NaN resolution", [] { ContiState::resolution = kNaN; },
         "The distribution needs at least 2 grid points."},
        {"more unknowns than data", [] { ContiState::resolution = 1600.0f; },
         "1600 grid points and 0 noise parameters are more unknowns than the 1370 data values"},
        {"range +-3e38", [] { ContiState::rangeMin = -3e38f, ContiState::rangeMax = 3e38f; },
         "The range -3e+38 to 3e+38 S cannot be computed"},
        {"infinite range", [] { ContiState::rangeMax = kInf; },
         "The distribution range 0 to inf is not a pair of finite numbers."},
        {"range 1e-6 wide", [] { ContiState::rangeMin = 5.0f, ContiState::rangeMax = 5.000001f; },
         "is too narrow for 50 grid points"},
        {"f/f0 NaN", [] { ContiState::ff0 = kNaN; }, "The frictional ratio f/f0 = nan"},
        {"f/f0 0", [] { ContiState::ff0 = 0.0f; }, "The frictional ratio f/f0 = 0 "},
        {"f/f0 -1", [] { ContiState::ff0 = -1.0f; }, "The frictional ratio f/f0 = -1 "},
        {"f/f0 1e-30", [] { ContiState::ff0 = 1e-30f; }, "The frictional ratio f/f0 = 1e-30 "},
        {"0 rpm", [] { ScanStore::header[2].rotorSpeed = 0.0f; }, "was recorded at 0 rpm"},
        {"-50000 rpm", [] { ScanStore::header[2].rotorSpeed = -50000.0f; },
         "was recorded at -50000 rpm"},
        {"c(M) at M = 0",
         [] {
             ModelChoice::contiCs = false;
             ContiState::rangeMin = 0.0f, ContiState::rangeMax = 1e5f;
         },
         "The molar mass range 0 to 100000 Da cannot be computed"},
    };
    for (const Case& c : cases) {
        const float lo = ContiState::rangeMin, hi = ContiState::rangeMax;
        const float res = ContiState::resolution, ff0 = ContiState::ff0;
        const float rpm = ScanStore::header[2].rotorSpeed;
        c.spoil();
        script.expectBox().caption("Error").textHas(c.text).answer(IDOK);
        EXPECT_FALSE(RunContiSed(nullptr, SilentObserver())) << c.name;
        EXPECT_TRUE(script.done()) << c.name << "\n" << script.logText();
        EXPECT_EQ(Distribution(), previous) << c.name;
        EXPECT_EQ(gContiKernel.Generation(), kernel) << c.name << ": nothing computed";
        ContiState::rangeMin = lo, ContiState::rangeMax = hi;
        ContiState::resolution = res, ContiState::ff0 = ff0;
        ScanStore::header[2].rotorSpeed = rpm;
        ModelChoice::contiCs = true;
    }
    TakeErrorBoxes();
}

// Scans of 60 measured points each: the common grid interpolates them at the radial resolution
// into 300, but only the measured values inside the fit limits count against the unknowns.
TEST_F(ContiLimits, TheSizeCheckCountsMeasuredValuesNotGridValues) {
    plat::test::Script script;
    ContiDataStore store;
    Choose();
    store.Fill({{5.0, 1.25, 0.5}});
    const std::vector<float> coarse = MeasureCoarsely(store);
    // 6.05 .. 7.15 cm holds measured points 4 .. 57 of each of the 5 scans
    ContiState::resolution = 280.0f;
    script.expectBox().caption("Error").textHas(
        "280 grid points and 0 noise parameters are more unknowns than the 270 data values");
    EXPECT_FALSE(RunContiSed(nullptr, SilentObserver()));
    EXPECT_TRUE(script.done()) << script.logText();
    TakeErrorBoxes();
}

// The edges of the refusals: f/f0 = 1 and 1000 are frictional ratios, and with time-invariant
// noise fitted the noise counts one value per measured radius of a scan (54 here, not the 300
// grid points, nor none), so 216 grid points fit into the 270 values and 217 do not.
TEST_F(ContiLimits, TheEdgesOfTheRefusalsAreAccepted) {
    plat::test::Script script;
    ContiDataStore store;
    Choose();
    store.Fill({{5.0, 1.25, 0.5}});
    const std::vector<float> coarse = MeasureCoarsely(store);
    const struct {
        const char* name;
        float ff0, resolution;
        bool timeInvariant;
        const char* refusal; // null: accepted
    } cases[] = {
        {"f/f0 1", 1.0f, 50.0f, false, nullptr},
        {"f/f0 1000", 1000.0f, 50.0f, false, nullptr},
        {"216 grid points and the noise", 1.25f, 216.0f, true, nullptr},
        {"217 grid points and the noise", 1.25f, 217.0f, true,
         "217 grid points and 54 noise parameters are more unknowns than the 270 data values"},
    };
    for (const auto& c : cases) {
        ContiState::ff0 = c.ff0;
        ContiState::resolution = c.resolution;
        ModelChoice::fitTINoise = c.timeInvariant;
        if (c.refusal)
            script.expectBox().caption("Error").textHas(c.refusal).answer(IDOK);
        EXPECT_EQ(RunContiSed(nullptr, SilentObserver()), c.refusal == nullptr) << c.name;
        EXPECT_TRUE(script.done()) << c.name << "\n" << script.logText();
    }
    ModelChoice::fitTINoise = false;
    TakeErrorBoxes();
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// In a child whose address space ends a little above its use, a kernel of about 200 MB cannot be
// allocated: the Run says so and returns; the child lives on to report.
TEST_F(ContiLimits, AKernelBeyondTheMemoryEndsTheRunWithAMessage) {
    plat::test::Script script;
    ContiStoreCase big;
    big.scans = 10;
    big.points = 1000;
    ContiDataStore store(big);
    Choose();
    store.Fill({{4.0, 1.0, 0.5, 0.0}});
    ModelChoice::lsGStar = true;
    ContiState::rangeMin = 1.0f;
    ContiState::rangeMax = 10.0f;
    ContiState::resolution = 5000.0f;
    script.onUnexpected(plat::test::Unexpected::DefaultButton);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        long pages = 0;
        if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
            if (std::fscanf(f, "%ld", &pages) != 1)
                pages = 0;
            std::fclose(f);
        }
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t(pages) * rlim_t(::sysconf(_SC_PAGESIZE)) + (64u << 20);
        if (pages == 0 || ::setrlimit(RLIMIT_AS, &limit) != 0)
            ::_exit(3);
        const bool ran = RunContiSed(nullptr, SilentObserver());
        bool told = false;
        for (const auto& prompt : plat::test::ActiveScript()->log())
            told = told || prompt.text.find("Not enough memory for a distribution of 5000 grid "
                                            "points") != std::string::npos;
        ::_exit(!ran && told ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "the child ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

} // namespace
