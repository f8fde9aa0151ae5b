// A main window on the headless backend in a fresh program folder, with helpers to load a
// generated scan set into it and paint it.
#pragma once

#include <memory>
#include <string>

#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "support/program_folder.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

class MainWindowFixture {
  public:
    // width x height pixels of client area; the store and every record start at defaults.
    MainWindowFixture(int width = 700, int height = 500);
    ~MainWindowFixture();

    // Writes the set into a data folder and loads it with the window (boxes must be scripted).
    void Load(const ScanSetOptions& options);
    // A generated absorbance set of count scans of points points each.
    void LoadScans(int count, int points);
    // Paints as the desktop does after an invalidation: dispatches until nothing is pending.
    void Paint();
    void Resize(int width, int height);
    // Generate > Single through the menu at 50,000 rpm, 0.002 cm, a scan every 300 s, no
    // acceleration, D and s, the parameters dialog as it stands; saved as data/0000x.RA0.
    void GenerateWithTheModelAsItIs(int scans, const char* noise);

    plat::test::Script script;
    ProgramFolder folder;
    TempFolder data;
    std::unique_ptr<TXLAWindow> window;
};
