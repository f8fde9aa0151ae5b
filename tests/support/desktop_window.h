// The main window on the desktop backend (offscreen), for the Qt smoke tests: the backend
// installed, every record reset, the accepted preferences written and the window open at
// 900 x 600; the headless backend is put back afterwards.
#pragma once

#include "app/load_all_data.h"
#include "app/txla_window.h"
#include "display/paint_switches.h"
#include "display/scan_rms_file.h"
#include "plat/backend.hpp"
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "support/program_folder.h"
#include "support/reset_all_state.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>

class DesktopWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tarnix_qt_test";
        static char* argv[] = {name, nullptr};
        ASSERT_TRUE(plat::InstallQtBackend(argc, argv));
        ResetAllState();
        folder.WriteAcceptedPreferences();
        gScanRmsPath = data.file("ScanRms.dat");
        window = std::make_unique<TXLAWindow>(nullptr, "Sedimentation Analysis");
        window->Create();
        plat::qtprobe::ResizeClient(*window, 900, 600);
        plat::qtprobe::ProcessEvents();
    }
    void TearDown() override {
        window.reset();
        plat::SetBackend(plat::MakeHeadlessBackend());
        ResetAllState();
    }

    // Loads eight generated scans of 300 points, without the disclaimer over them, and lets the
    // queue run until the window has painted them.
    void LoadGeneratedScans() {
        gShowDisclaimer = false;
        ScanSetOptions options;
        options.count = 8;
        options.points = 300;
        const std::string selection =
            SelectionBuffer(data.path(), WriteScanSet(data.path(), options));
        LoadAllData(window.get(), selection.c_str());
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message != WM_QUIT)
            DispatchMessage(&m);
        plat::qtprobe::ProcessEvents();
    }

    ProgramFolder folder;
    TempFolder data;
    std::unique_ptr<TXLAWindow> window;
};
