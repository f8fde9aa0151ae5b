// Photophysical parameters of a fluorophore and the detection-correction settings of fluorescence
// data, as far as the Lamm solver reads them.
#pragma once

#include <vector>

// Bleaching and recovery per excitation wavelength. Vectors are 1-based: element 0 is unused.
class CFluorophore {
  public:
    // One wavelength that does not bleach (rate 0, plateau 1); no recovery times.
    CFluorophore();
    ~CFluorophore() = default;
    // Copies every parameter into target, resizing its vectors.
    void CopyTo(CFluorophore& target) const;
    // Fraction of the unbleached signal left at time t (s) under wavelength w (1-based): the
    // exponential approach to the plateau, restarted after each recovery time with its level.
    double SignalFraction(double t, int w) const;

    int wavelengthCount = 1;
    std::vector<float> bleachingRate;    // per hour, [1..wavelengthCount]
    std::vector<float> bleachingPlateau; // fraction left after complete bleaching
    std::vector<float> amplitudes;       // per wavelength, 1.0 (kept, compared and saved)
    float amplitude = 1.0f;
    float offset = 0.0f;
    float scale = 1.0f;
    bool recovery = false;
    int recoveryTimeCount = 0;
    std::vector<float> recoveryTimes;               // s, [1..recoveryTimeCount], ascending
    std::vector<std::vector<float>> recoveryLevels; // [w][m]: level after recovery time m
    // Which values a fit may vary: the rate and the plateau (one value for every wavelength) and
    // the level after each recovery time ([1..recoveryTimeCount]).
    bool fitRate = false;
    bool fitLimitingLevel = false;
    std::vector<unsigned char> fitRecovery;
    // The levels after the recovery times chainFirst + 1 .. chainLast follow the one before:
    // equal to it, or it times the level after the first recovery time.
    bool chainRecovery = false;
    int chainFirst = 0, chainLast = 0;
    bool chainMultiplicative = false;
};

// One set of fluorophores, one record per wavelength, with the corrections that belong to the
// optics rather than the dye.
struct CFluorophoreSet {
    std::vector<CFluorophore> records; // [1..], one per wavelength
    float driftRate = 0.0f;            // linear drift, per hour
    float magnification = 1.0f;        // 1 + relative gradient per cm
    float coneRadius = 0.0f;           // cm
    float convolutionWidth = 0.0f;     // cm
    float convolutionCutoff = 2.0f;    // in widths
};

// The program-wide switches and values of the fluorescence detection corrections, each value with
// the switch that lets the fit vary it. The second names are the ones the commands, the tools
// dialog and the fit use; both name the same storage.
struct DetectionCorrections {
    static inline bool convolutionFit = false;
    static inline bool convolutionOn = false;
    static inline float convolutionWidth = 0.0f;  // cm
    static inline float convolutionCutoff = 2.0f; // widths
    static inline float& convolutionRange = convolutionCutoff;
    // Johnston-Ogston depletion: varied and reported by the fit, read by no signal model.
    static inline bool depletionOn = false;
    static inline bool depletionFitS = false;
    static inline bool depletionFitD = false;
    static inline bool depletionFitAmplitude = false;
    static inline bool depletionFitKs = false;
    static inline float depletionS = 3.0f;    // S
    static inline float depletionD = 3.0e-7f; // cm^2/s
    static inline float depletionAmplitude = 0.5f;
    static inline float depletionLogKs = -3.0f; // log10 ks
    static inline bool shadowFit = false;
    static inline bool coneOn = false;
    static inline bool& shadowOn = coneOn;
    static inline float coneRadius = 0.0f; // cm
    static inline bool driftOn = false;    // linear drift, exponential model or both in force
    static inline unsigned char driftMode = 0;
    static inline bool linearDriftOn = false;
    static inline bool linearDriftFit = false;
    static inline float linearDriftRate = 0.0f; // fraction per hour
    static inline float& linearDrift = linearDriftRate;
    static inline bool exponentialDriftOn = false;
    static inline bool& exponentialOn = exponentialDriftOn;
    static inline bool exponentialRateFit = false;
    static inline float exponentialDriftRate = 0.0f; // per hour
    static inline float& exponentialRate = exponentialDriftRate;
    static inline bool limitingLevelFit = false;
    static inline float driftPlateau = 1.0f; // fraction
    static inline float& limitingLevel = driftPlateau;
    static inline bool gradientFit = false;
    static inline bool magnificationOn = false;
    static inline bool& gradientOn = magnificationOn;
    static inline float magnificationFactor = 1.0f; // 1 + da/dr
    static inline float& gradientFactor = magnificationFactor;
    static inline bool nonlinearDetectionOn = false;
    static inline bool& nonlinearOn = nonlinearDetectionOn;
    static inline bool nonlinearPowerFit = false;
    static inline float nonlinearPower = 1.0f;
    static inline float nonlinearBaseline = 0.0f;
    static inline bool nonlinearDomain = false; // the store shows the transformed data
    static inline bool& nonlinearShowTransformed = nonlinearDomain;

    static void ResetToDefaults();
};

// Every field of DetectionCorrections, by its first name.
// clang-format off
#define TARNIX_DETECTION_CORRECTION_FIELDS(X)                                                      \
    X(bool, convolutionFit) X(bool, convolutionOn) X(float, convolutionWidth)                      \
    X(float, convolutionCutoff) X(bool, depletionOn) X(bool, depletionFitS) X(bool, depletionFitD) \
    X(bool, depletionFitAmplitude) X(bool, depletionFitKs) X(float, depletionS)                    \
    X(float, depletionD) X(float, depletionAmplitude) X(float, depletionLogKs) X(bool, shadowFit)  \
    X(bool, coneOn) X(float, coneRadius) X(bool, driftOn) X(unsigned char, driftMode)              \
    X(bool, linearDriftOn) X(bool, linearDriftFit) X(float, linearDriftRate)                       \
    X(bool, exponentialDriftOn) X(bool, exponentialRateFit) X(float, exponentialDriftRate)         \
    X(bool, limitingLevelFit) X(float, driftPlateau) X(bool, gradientFit) X(bool, magnificationOn) \
    X(float, magnificationFactor) X(bool, nonlinearDetectionOn) X(bool, nonlinearPowerFit)         \
    X(float, nonlinearPower) X(float, nonlinearBaseline) X(bool, nonlinearDomain)
// clang-format on

// The whole record as values, taken where a batch starts and put back before each data set.
struct DetectionCorrectionsSnapshot {
#define TARNIX_DETECTION_SNAPSHOT_FIELD(type, name) type name{};
    TARNIX_DETECTION_CORRECTION_FIELDS(TARNIX_DETECTION_SNAPSHOT_FIELD)
#undef TARNIX_DETECTION_SNAPSHOT_FIELD

    static DetectionCorrectionsSnapshot Take();
    void PutBack() const;
    bool operator==(const DetectionCorrectionsSnapshot&) const = default;
};
