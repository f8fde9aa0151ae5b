// Synthetic sedimentation velocity data: a set of scans built in the scan store, simulated with
// the current discrete-species model, given Gaussian noise and written as scan files.
#pragma once

#include <functional>

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
    // The model of a continuous distribution (in the distribution mode): fills every scan's fit,
    // false when it computed nothing. Without it the discrete-species evaluation runs.
    std::function<bool(TXLAWindow*)> distributionModel;
};

// Why no scan file was written.
enum class SyntheticOutcome {
    Written,
    NoScans,      // no scans to make: a count below 1, no grid step, a bottom below the meniscus
    NotSimulated, // the engine computed nothing: a model it does not evaluate, or refused input
                  // (it said why)
    Stopped,      // the user stopped the simulation (a key or the mouse)
    Failed,       // the simulation failed (the engine said why)
    NotFinite,    // the simulated signal holds values that are not finite numbers
    NotWritten,   // a scan file could not be written (said)
};

// Replaces the store by the simulated scans of the current model (meniscus and bottom of the
// model parameters) and writes them as "00001.ra0", "00002.ra0", ... into the folder of target.
// Relies on gSimulateOnly being set by the caller. True when the files were written; otherwise
// outcome (when given) says why. A model the engine does not evaluate, a failed simulation, one
// stopped by the user or a signal that is not finite leaves the scans in the store and writes
// nothing.
bool GenerateSyntheticData(TXLAWindow* window, const SyntheticDataSettings& settings,
                           const char* target, SyntheticOutcome* outcome = nullptr);
