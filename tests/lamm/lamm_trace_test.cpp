// The Lamm solvers' trace files while "Diagnostics Output to Files" is on: the header a run
// writes, the file each solver and thread writes to, and an unwritable trace reported once.
#include "foundations/error_box_log.h"
#include "lamm/lamm_list_run.h"
#include "state/diagnostics.h"
#include "support/lamm_harness.h"
#include "support/lamm_list_harness.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace {

class LammTrace : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetAllState();
        TakeErrorBoxes();
        folderPath_ = folder_.path() + "/";
        gDiagnosticsFolder = folderPath_.c_str();
    }
    void TearDown() override { gDiagnosticsFolder = "/tmp/"; }

    bool Exists(const std::string& name) const {
        return std::filesystem::exists(folder_.file(name));
    }
    std::string Read(const std::string& name) const { return ReadTextFile(folder_.file(name)); }

    static std::string Header(double sS, double dCm2s) {
        char text[120];
        std::snprintf(text, sizeof text,
                      "starting new debugging session for Lamm equation s = %.4f S, D = %.3f F", sS,
                      dCm2s * 1e7);
        return text;
    }

    static std::string CouldNotOpen(const std::string& path) {
        return "\n\aAttention: could not open " + path + " to write debugging info";
    }

    // A list of four equations over three scans, solved in two threads.
    static LammListCase SmallList() {
        LammListCase lc;
        lc.equations = 4;
        lc.scans = 3;
        return lc;
    }
    static int RunInTwoThreads(LammList& list) {
        return static_cast<int>(
            CLRunMTListWithThreads(2, &list.templ, list.Equations(), list.S(), list.D(), nullptr,
                                   list.Targets(), list.Radii(), list.Points(), nullptr, nullptr));
    }

    TempFolder folder_;
    std::string folderPath_;
};

struct TraceCase {
    const char* name;
    bool solverDiagnostics;
    int threadNumber;
    double s, D;
    const char* file;
};

// One run per case, with a stale file from an earlier session in place: a traced run starts the
// file afresh with the header naming its equation, and writes nothing else of its own.
TEST_F(LammTrace, RunWritesTheEquationHeader) {
    const TraceCase cases[] = {
        {"WindowThread", true, 0, 4.5, 6e-7, "debug_t0.txt"},
        {"WorkerThree", true, 3, 11.25, 3.125e-7, "debug_t3.txt"},
        {"Flotation", true, 0, -2.0, 1.5e-6, "debug_t0.txt"},
        {"SwitchOff", false, 0, 4.5, 6e-7, "debug_t0.txt"},
    };
    for (const TraceCase& tc : cases) {
        WriteTextFile(folder_.file(tc.file), "stale session\n");
        gSolverDiagnostics = tc.solverDiagnostics;
        LammCase lc;
        lc.s = tc.s, lc.D = tc.D;
        lc.scans = 2;
        LammRun run(lc);
        run.Load();
        run.solver.threadNumber = tc.threadNumber;
        EXPECT_EQ(run.solver.Run(), LammResult::Solved) << tc.name;
        const std::string want = tc.solverDiagnostics ? Header(tc.s, tc.D) : "stale session\n";
        EXPECT_EQ(Read(tc.file), want) << tc.name;
    }
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// The header goes out before anything is checked, so a refused run is traced too.
TEST_F(LammTrace, RefusedRunIsTracedToo) {
    gSolverDiagnostics = true;
    LammRun run(LammCase{});
    run.Load();
    run.solver.modelSet = false;
    EXPECT_EQ(run.solver.Run(), LammResult::Refused);
    EXPECT_EQ(Read("debug_t0.txt"), Header(4.5, 6e-7));
}

// A trace that cannot be opened (a folder in its place) used to show a box for every entry; now
// an object reports it once and stops tracing, and the solution is not affected.
TEST_F(LammTrace, UnwritableTraceIsReportedOnceAndTheRunGoesOn) {
    std::filesystem::create_directory(folder_.file("debug_t0.txt"));
    gSolverDiagnostics = true;
    LammCase lc;
    lc.scans = 3;
    LammRun traced(lc);
    ASSERT_EQ(traced.Run(), LammResult::Solved);
    traced.solver.DebugLog("\nafter the run");
    const std::vector<ErrorBoxEntry> boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, CouldNotOpen(folderPath_ + "debug_t0.txt"));

    gSolverDiagnostics = false;
    LammRun plain(lc);
    ASSERT_EQ(plain.Run(), LammResult::Solved);
    for (int scan = 1; scan <= lc.scans; ++scan)
        for (int i = 1; i <= plain.Points(); i += 100)
            EXPECT_EQ(traced.Profile(scan)[i], plain.Profile(scan)[i]) << scan << " " << i;
}

// A list in two threads: the template's trace holds the driver's progress after its header;
// each worker's trace is started afresh by each of its equations, so it ends up holding the
// header of the last equation it solved (thread 1 solves 2 and 4, thread 2 solves 1 and 3).
TEST_F(LammTrace, ListTracesTheDriverAndEachWorker) {
    gSolverDiagnostics = gThreadDiagnostics = true;
    LammList list{SmallList()};
    ASSERT_EQ(RunInTwoThreads(list), 0);
    EXPECT_EQ(Read("debug_t0.txt"),
              Header(list.templ.s, list.templ.D) +
                  "\nStarting CLRunMTList ... pLammThreads allocated, loaded, started , exited , "
                  "checked , all done , and deleted. ");
    EXPECT_EQ(Read("debug_t1.txt"), Header(list.S()[4], list.D()[4]));
    EXPECT_EQ(Read("debug_t2.txt"), Header(list.S()[3], list.D()[3]));
    EXPECT_TRUE(TakeErrorBoxes().empty());
}

// A worker thread whose own trace cannot be opened says so once, not at every entry of its
// equations and again when it is deleted.
TEST_F(LammTrace, UnwritableThreadTraceIsReportedOnce) {
    std::filesystem::create_directory(folder_.file("MTdebug_t1.txt"));
    gThreadDiagnostics = true;
    LammList list{SmallList()};
    ASSERT_EQ(RunInTwoThreads(list), 0);
    int reports = 0;
    for (const ErrorBoxEntry& box : TakeErrorBoxes())
        reports += box.text == CouldNotOpen(folderPath_ + "MTdebug_t1.txt");
    EXPECT_EQ(reports, 1);
    EXPECT_NE(Read("MTdebug_t2.txt").find("\nstart MultiThreadCLammIdeal::Run()"),
              std::string::npos);
}

} // namespace
