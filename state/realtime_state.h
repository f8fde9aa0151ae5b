// Switches of the realtime update mode and the test of attained equilibrium.
#pragma once

struct RealtimeState {
    static inline bool realtimeMode = false;
    static inline bool stopRequested = false;
    static inline bool equilibriumTestMode = false;

    static void ResetToDefaults() { realtimeMode = stopRequested = equilibriumTestMode = false; }
};
