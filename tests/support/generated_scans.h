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
// The same with any number of species (species 1 the total loading, the others their fractions),
// at the rotor speed given and with the meniscus where given, the bottom at 7.2 cm.
struct GeneratedSet {
    const char* rpm = "50000";
    const char* meniscus = "6.0";
    const char* interval = "240";
};
void GenerateSpecies(MainWindowFixture& f, int scans, const GeneratedSpecies* species, int count,
                     const GeneratedSet& set);
// Load of those scans, every one; "restore previous data?" answered Yes when restore is set, and
// "load previous analysis?" too when the saved model differs from the one chosen.
void LoadGeneratedScans(MainWindowFixture& f, int scans, bool restore, bool otherModel = false);

// The README's two species (a total of 0.5 OD at 4 S / 50 kDa, 30% of it at 8 S / 140 kDa, a
// scan every 300 s) generated with the noise seeded at seed, loaded, and the discrete species
// chosen (command 198).
void LoadReadmeTwoSpecies(MainWindowFixture& f, int scans, unsigned seed);
// The fit limits of meniscus and bottom set through their boxes (command 240).
void SetEndBounds(MainWindowFixture& f, const char* meniscusMin, const char* meniscusMax,
                  const char* bottomMin, const char* bottomMax);

// The README's first analysis on those scans: the discrete species' start a little off their
// truth (0.45 / 3.7 S / 45 kDa and 0.35 / 8.5 S / 160 kDa, s, M and loadings floated), set through
// the parameters dialog and applied (command 212).
void StartReadmeSpecies(MainWindowFixture& f);
// Its c(s) chosen (command 275) and set through the parameters dialog (command 212): 0 to 15 S in
// `points` points, f/f0 from 1.2 and the meniscus floated, P 0.68, TI and RI noise, the baseline
// not floated.
void SetReadmeCsPage(MainWindowFixture& f, const char* points);
