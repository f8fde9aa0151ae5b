// BufferSedimentation: the correction for sedimenting buffer components (a buffer mismatch
// between the sample and the reference sector). D values in 1e-7 cm^2/s, s in S, Mb in Da.
#pragma once

struct BufferSedimentation {
    static inline bool on = false;            // "turn on buffer mismatch model"
    static inline bool excessInSample = true; // the excess signal is on the sample side
    static inline bool excessInReference = false;
    static inline double signalSign = 1.0;       // +1 excess in sample, -1 in reference
    static inline bool subtractFromData = false; // only while the profile is subtracted
    static inline double sampleD = 86.0;
    static inline double sampleMb = 60.0; // used in place of D in the M-and-s form
    static inline double sampleS = 0.21;
    static inline double signal = 30.0;        // magnitude, never negative
    static inline bool meniscusDiffOn = false; // "with meniscus mismatch"
    static inline bool& meniscusMismatch = meniscusDiffOn;
    static inline double meniscusDiff = 0.1; // cm: reference meniscus = meniscus - this
    static inline double& meniscusDifference = meniscusDiff;
    static inline double relativeConcentration = 1.0; // sample / reference buffer
    static inline bool differentReference = false;    // "different buffer in reference"
    static inline double referenceD = 200.0;
    static inline double referenceMb = 100.0;
    static inline double referenceS = 0.1;
    static inline bool floatSampleD = false, floatSampleS = false, floatSignal = true;
    static inline bool floatMeniscusDifference = false, floatRelativeConcentration = false;
    static inline bool floatReferenceD = false, floatReferenceS = false;
    static inline bool interferenceNoteShown = false;

    static void ResetToDefaults() {
        on = subtractFromData = meniscusDiffOn = differentReference = false;
        excessInSample = true;
        excessInReference = false;
        signalSign = 1.0;
        sampleD = 86.0;
        sampleMb = 60.0;
        sampleS = 0.21;
        signal = 30.0;
        meniscusDiff = 0.1;
        relativeConcentration = 1.0;
        referenceD = 200.0;
        referenceMb = 100.0;
        referenceS = 0.1;
        floatSampleD = floatSampleS = floatMeniscusDifference = false;
        floatRelativeConcentration = floatReferenceD = floatReferenceS = false;
        floatSignal = true;
        interferenceNoteShown = false;
    }
};
