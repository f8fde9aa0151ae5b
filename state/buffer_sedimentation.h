// Sedimentation of the buffer's own components: the switches the display reads.
#pragma once

struct BufferSedimentation {
    static inline bool on = false;
    static inline bool meniscusDiffOn = false; // the "meniscus diff (s-r)" value is included
    static inline double meniscusDiff = 0.1;   // cm: reference meniscus = meniscus - this
    static inline double& meniscusDifference = meniscusDiff;

    static void ResetToDefaults() {
        on = meniscusDiffOn = false;
        meniscusDiff = 0.1;
    }
};
