// Data of known truth made through the menu: Generate > Single of two species, then Load of the
// scans it wrote.
#pragma once

class MainWindowFixture;

struct GeneratedSpecies {
    const char* loading; // species 1: the total loading; species 2: its fraction of it
    const char* s;       // S
    const char* mKDa;
};

// Generate > Single in the M-and-s form: 50,000 rpm, a point every 0.003 cm, an acceleration
// phase at the rate given (rpm/s; none without one), a scan every interval s, noise 0.005 OD,
// the two species in a cell from 6.0 to 7.2 cm; saved as "0000x.RA0" in the fixture's data folder.
void GenerateTwoSpecies(MainWindowFixture& f, int scans, const GeneratedSpecies& first,
                        const GeneratedSpecies& second, const char* interval = "240",
                        const char* acceleration = nullptr);
// Load of those scans, every one; "restore previous data?" answered Yes when restore is set, and
// "load previous analysis?" too when the saved model differs from the one chosen.
void LoadGeneratedScans(MainWindowFixture& f, int scans, bool restore, bool otherModel = false);
