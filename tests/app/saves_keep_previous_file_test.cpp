// Every saver under a cut write, a failing close and a read-only folder: the previous file stays
// byte for byte, no temporary file is left, and the failure is reported (a false result, and the
// error box where the saver shows one). Savers used to open their target with "w", so a failed
// write left a truncated file, and some claimed success.
#include "app/experiment_file.h"
#include "distributions/distribution_files.h"
#include "fitting/param_files.h"
#include "fitting/parameter_report.h"
#include "foundations/ccurve.h"
#include "foundations/cvector.h"
#include "foundations/nr_arrays.h"
#include "foundations/numeric_text_files.h"
#include "plat/png.hpp"
#include "plat/surface.hpp"
#include "scandata/dls_file.h"
#include "scandata/list_file.h"
#include "scandata/scan_file.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/lamm_preferences.h"
#include "state/conti_state.h"
#include "state/serial_fit_state.h"
#include "state/startup_paths.h"
#include "support/main_window_fixture.h"
#include "support/write_faults.h"

#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string kPrevious = "previous contents\nkept byte for byte\n";

bool BoxShown() {
    const plat::test::Script* script = plat::test::ActiveScript();
    if (!script)
        return false;
    for (const auto& prompt : script->log())
        if (prompt.kind == plat::test::PromptKind::Box)
            return true;
    return false;
}

struct Saver {
    const char* name;
    bool showsBox;
    std::function<bool(const std::string& path)> save; // true: written
};

TEST(SavesKeepPreviousFile, EverySaverUnderEveryWriteFault) {
    MainWindowFixture f;
    f.LoadScans(3, 20);
    f.script.onUnexpected(plat::test::Unexpected::DefaultButton);
    TXLAWindow* window = f.window.get();

    const float xs[] = {0.0f, 1.0f, 2.0f, 3.0f}, ys[] = {0.0f, 4.0f, 5.0f, 6.0f};
    std::vector<float> sValues = {0.0f, 1.0f, 2.0f, 3.0f}, values = {0.0f, 0.5f, 0.7f, 0.1f};
    ContiState::gridPoints = 3;
    ContiState::sValues = sValues.data();
    ContiState::distribution = values.data();
    double** table = dmatrix(1, 3, 1, 3);
    for (int r = 1; r <= 3; ++r)
        for (int c = 1; c <= 3; ++c)
            table[r][c] = r * 10.0 + c;

    const std::vector<Saver> savers = {
        {"vector file", true,
         [](const std::string& p) {
             CVector v(50, 1);
             for (std::uint32_t k = 0; k < 50; ++k)
                 v.data[k] = float(k);
             return v.Write(p.c_str());
         }},
        {"x/y file", true,
         [&](const std::string& p) {
             WriteXY(p.c_str(), 3, xs, ys);
             return !BoxShown();
         }},
        {"x/y exponential file", true,
         [&](const std::string& p) { return CCurve(xs, ys, 3, 1, 1).WriteXYExp(p.c_str()); }},
        {"matrix table", true,
         [&](const std::string& p) { return WriteMatrixTable(table, 1, 3, 1, 3, p.c_str()); }},
        {"list file", false,
         [](const std::string& p) {
             return WriteListFile(p, ListFileText{.stride = 1, .strings = {"/data/", "a.ra1"}});
         }},
        {"scan file", false,
         [&](const std::string& p) {
             return WriteScanFile(p.c_str(), 3, xs, ys, nullptr, "scan", 'R', 1, 20.0f, 50000.0f,
                                  100.0, 1e9, 280, 0, 0, 0, 0, 0) == 1;
         }},
        {"DLS data", false,
         [&](const std::string& p) {
             return WriteDlsDataCurve(p.c_str(), CCurve(xs, ys, 3, 1, 1), "dls", 20.0f, 0, 1.0f,
                                      1.33f, 1.0f, 90.0f, 633.0f);
         }},
        {"distribution", false, [](const std::string& p) { return SaveDistributionFile(p); }},
        {"parameter report", false,
         [](const std::string& p) { return SaveParameterReport(nullptr, p.c_str()); }},
        {"saved analysis", false,
         [](const std::string& p) {
             ScanPaths::gDataPath = p;
             return TmpSaveBestParams(nullptr, 0);
         }},
        {"experiment file", true,
         [window](const std::string& p) {
             SerialFitState::serializing = true; // nothing asked
             const bool written = WriteMirovanXpFile(window, p.c_str());
             SerialFitState::serializing = false;
             return written;
         }},
        {"preferences", true,
         [window](const std::string& p) {
             std::snprintf(gPreferencesPath, sizeof gPreferencesPath, "%s", p.c_str());
             return window->WritePreferences();
         }},
        {"Lamm settings", true,
         [](const std::string& p) {
             std::snprintf(gLammPreferencesPath, sizeof gLammPreferencesPath, "%s", p.c_str());
             return SaveLammEqParameterPreferences(nullptr);
         }},
        {"picture", false,
         [](const std::string& p) { return plat::WritePng(plat::Surface(40, 30), p); }},
    };
    for (const Saver& saver : savers) {
        SCOPED_TRACE(saver.name);
        TempFolder out;
        const std::string target = out.write("target", kPrevious);
        // Written at all: a saver that never touched its path would pass the rest.
        ASSERT_TRUE(saver.save(target));
        EXPECT_NE(ReadTextFile(target), kPrevious);
        WriteTextFile(target, kPrevious);
        for (WriteFault fault : AllWriteFaults()) {
            SCOPED_TRACE(WriteFaultName(fault));
            EXPECT_TRUE(ChildReportsFailure(fault, out.path(), [&] {
                return !saver.save(target) && (!saver.showsBox || BoxShown());
            }));
            EXPECT_EQ(ReadTextFile(target), kPrevious);
            EXPECT_EQ(FolderEntries(out.path()), std::vector<std::string>{"target"});
        }
    }
    free_dmatrix(table, 1, 3, 1, 3);
    ContiState::sValues = ContiState::distribution = nullptr;
}

} // namespace
