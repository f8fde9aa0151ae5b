// Control of the nonlinear fit: the optimiser choice.
#pragma once

// What stopped a fit before its end: the user, by a key or the mouse, or a simulation of the fit's
// own that failed (a Lamm equation of a list raises the stop flag a key raises).
enum class FitStop { Key, Mouse, FailedSimulation };

struct FitControl {
    // The optimiser: exactly one is set.
    static inline bool simplex = true;
    static inline bool simulatedAnnealing = false;
    static inline bool marquardtLevenberg = false;
    // Simulated annealing: the start "temperature" is a relative increase of the global
    // chi-square; after annealing at most one of the two final optimisers runs.
    static inline float annealingStartTemperature = 2.0f;
    static inline float annealingTemperature = 2.0f;
    static inline int annealingSteps = 10;
    static inline int annealingIterations = 500;
    static inline bool annealingFinalML = true;
    static inline bool annealingFinalSimplex = false;
    // The simplex stops when the relative change falls below simplexTolerance; its first
    // vertices are spread by simplexRandomization (a fraction).
    static inline double simplexTolerance = 1e-6;
    static inline float simplexRandomization = 0.01f;
    static inline bool fitVbar = false; // fit vbar in the inhomogeneous-solvent model
    // Bounds within which the fits may move meniscus and bottom, cm; 0 = not set.
    static inline float meniscusMin = 5.8f;
    static inline float meniscusMax = 6.6f;
    static inline float bottomMin = 7.1f;
    static inline float bottomMax = 7.3f;
    static inline float& minMeniscus = meniscusMin;
    static inline float& maxMeniscus = meniscusMax;
    static inline float& minBottom = bottomMin;
    static inline float& maxBottom = bottomMax;
    static inline float tolerance = 0.01f; // relative convergence tolerance of the fits
    static inline bool fitInProgress = false;
    // A key, the mouse or a failed simulation stopped the last fit: its best vector was kept and
    // no post-fit step ran.
    static inline bool fitAborted = false;
    // What stopped it, set with fitAborted.
    static inline FitStop stopCause = FitStop::Key;
    // The model shown is that of a stopped fit: its report says so until the next Run or Fit.
    static inline bool stoppedFitShown = false;
    // What stopped that fit.
    static inline FitStop stoppedBy = FitStop::Key;
    // The last fit, stopped or finished, had found nothing better than its start: the start
    // values were kept.
    static inline bool startKept = false;
    // The model shown is the start such a fit kept: its report says so until the next Run or Fit.
    static inline bool startKeptShown = false;
    static inline int iterationCount = 0;     // optimiser passes of the running fit
    static inline int evaluationCount = 0;    // model evaluations of the running fit
    static inline float bestRmsd = 0.0f;      // rmsd of the last fit's best vector
    static inline float displayedRmsd = 0.0f; // rmsd of the model last shown (CalcFitRmsd)

    static void ResetToDefaults() {
        simplex = true;
        simulatedAnnealing = false;
        marquardtLevenberg = false;
        annealingStartTemperature = annealingTemperature = 2.0f;
        annealingSteps = 10;
        annealingIterations = 500;
        annealingFinalML = true;
        annealingFinalSimplex = false;
        simplexTolerance = 1e-6;
        simplexRandomization = 0.01f;
        fitVbar = false;
        meniscusMin = 5.8f;
        meniscusMax = 6.6f;
        bottomMin = 7.1f;
        bottomMax = 7.3f;
        tolerance = 0.01f;
        fitInProgress = false;
        fitAborted = false;
        stopCause = stoppedBy = FitStop::Key;
        stoppedFitShown = startKept = startKeptShown = false;
        iterationCount = evaluationCount = 0;
        bestRmsd = 0.0f;
        displayedRmsd = 0.0f;
    }
};
