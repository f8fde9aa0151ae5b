// A main window on the headless backend in a fresh program folder, with helpers to load a
// generated scan set into it and paint it.
#pragma once

#include "app/txla_window.h"
#include "plat/testing.hpp"
#include "support/program_folder.h"
#include "support/scan_set_generator.h"
#include "support/temp_folder.h"

#include <memory>
#include <string>

class CScreenButton;

class MainWindowFixture {
  public:
    // width x height pixels of client area; the store and every record start at defaults.
    MainWindowFixture(int width = 700, int height = 500);
    ~MainWindowFixture();

    // Writes the set into a data folder and loads it with the window (boxes must be scripted).
    void Load(const ScanSetOptions& options);
    // A generated absorbance set of count scans of points points each.
    void LoadScans(int count, int points);
    // Three scans out to 7.5 cm in a cell from 6.0 to 7.2 cm with the fit limits at 6.3 and
    // 7.1 cm: the set the marker and pointer tests drag and click on. Not painted yet.
    void LoadMarkerSet();
    // Clicks the middle of a button drawn on the window, then paints; a missing button fails the
    // test.
    void ClickOn(const CScreenButton* button);
    // Paints as the desktop does after an invalidation: dispatches until nothing is pending.
    void Paint();
    void Resize(int width, int height);
    // Generate > Single through the menu at rpm, 0.002 cm, a scan every 300 s, no acceleration,
    // D and s, the parameters dialog as it stands; saved as data/0000x.RA0.
    void GenerateWithTheModelAsItIs(int scans, const char* noise, const char* rpm = "50000");

    plat::test::Script script;
    ProgramFolder folder;
    TempFolder data;
    std::unique_ptr<TXLAWindow> window;
};

// The menu command id to the window, then its messages dispatched until none is pending.
void Send(MainWindowFixture& f, int id);
