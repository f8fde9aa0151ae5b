// Photophysical parameters of a fluorophore and the detection-correction settings of fluorescence
// data, as far as the Lamm solver reads them.
#pragma once

#include <vector>

// Bleaching and recovery per excitation wavelength. Vectors are 1-based: element 0 is unused.
class CFluorophore {
public:
    // One wavelength that does not bleach; no recovery times.
    CFluorophore();
    ~CFluorophore() = default;
    // Copies every parameter into target, resizing its vectors.
    void CopyTo(CFluorophore& target) const;
    // Fraction of the unbleached signal left at time t (s) under wavelength w (1-based): the
    // exponential approach to the plateau, restarted after each recovery time with its level.
    double SignalFraction(double t, int w) const;

    int wavelengthCount = 1;
    std::vector<float> bleachingRate;     // per hour, [1..wavelengthCount]
    std::vector<float> bleachingPlateau;  // fraction left after complete bleaching
    float amplitude = 1.0f;
    float offset = 0.0f;
    float scale = 1.0f;
    bool recovery = false;
    int recoveryTimeCount = 0;
    std::vector<float> recoveryTimes;               // s, [1..recoveryTimeCount], ascending
    std::vector<std::vector<float>> recoveryLevels;  // [w][m]: level after recovery time m
};

// One set of fluorophores, one record per wavelength, with the corrections that belong to the
// optics rather than the dye.
struct CFluorophoreSet {
    std::vector<CFluorophore> records;  // [1..], one per wavelength
    float driftRate = 0.0f;            // linear drift, per hour
    float magnification = 1.0f;        // 1 + relative gradient per cm
    float coneRadius = 0.0f;           // cm
    float convolutionWidth = 0.0f;     // cm
    float convolutionCutoff = 2.0f;    // in widths
};

// The program-wide switches and values of the fluorescence detection corrections.
struct DetectionCorrections {
    static inline bool convolutionOn = false;
    static inline float convolutionWidth = 0.0f;   // cm
    static inline float convolutionCutoff = 2.0f;  // widths
    static inline bool coneOn = false;
    static inline float coneRadius = 0.0f;  // cm
    static inline bool driftOn = false;
    static inline unsigned char driftMode = 0;
    static inline bool linearDriftOn = false;
    static inline float linearDriftRate = 0.0f;  // per hour
    static inline bool exponentialDriftOn = false;
    static inline float exponentialDriftRate = 0.0f;  // per hour
    static inline float driftPlateau = 1.0f;
    static inline bool magnificationOn = false;
    static inline float magnificationFactor = 1.0f;  // 1 + relative gradient per cm
    static inline bool nonlinearDetectionOn = false;
    static inline float nonlinearPower = 1.0f;
    static inline float nonlinearBaseline = 0.0f;
    static inline bool nonlinearDomain = false;

    static void ResetToDefaults();
};
