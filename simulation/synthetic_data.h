// Synthetic sedimentation velocity data: a set of scans built in the scan store, simulated with
// the current discrete-species model, given Gaussian noise and written as scan files.
#pragma once

class TXLAWindow;

struct SyntheticDataSettings {
    bool reuse = false;         // simulate on the scans in the store instead of new ones
    float dr = 0.001f;          // cm between radial points
    float rpm = 50000.0f;       // rotor speed
    float acceleration = -1.0f; // rpm/s; negative: no acceleration phase
    float noise = 0.01f;        // standard deviation of the noise, signal units
    float interval = 300.0f;    // s between scans
    float firstScanTime = 0.0f; // s; 0: the first scan one interval after the start
    int scanCount = 50;
};

// Replaces the store by the simulated scans of the current model (meniscus and bottom of the
// model parameters) and writes them as "00001.ra0", "00002.ra0", ... into the folder of target.
// Relies on gSimulateOnly being set by the caller. True when the files were written; a model
// the engine does not evaluate, a failed simulation or one stopped by a key leaves the scans in
// the store and writes nothing.
bool GenerateSyntheticData(TXLAWindow* window, const SyntheticDataSettings& settings,
                           const char* target);
