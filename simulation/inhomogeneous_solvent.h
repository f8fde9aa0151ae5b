// InhomogeneousSolvent: the settings of the inhomogeneous-solvent model (a compressible solvent or
// a sedimenting cosolute) that the solvers and the Lamm equation list runs read.
#pragma once

#include <string>
#include <vector>

// Only the fields read so far; static values as at start-up. The model switch itself is
// ModelChoice::inhomogeneousSolvent. Coefficient vectors are 1-based (element 0 unused) and
// empty when none are loaded; the files are named by any path (no fixed-size buffers).
struct InhomogeneousSolvent {
    static inline bool compressibleSolvent = true;  // static gradient
    static inline bool sedimentingCosolute = false; // dynamic gradient, exclusive with the above
    static inline bool dynamicGradient = false;     // the cosolute profile is simulated over time
    static inline bool addWaterCompressibility = false;
    // The dialog's "add H2O compressibility" box as last left, in either case; the switch above
    // follows it only in the cosolute case.
    static inline bool waterCompressibilityBox = false;
    static inline bool nonidealCosolute = false;
    static inline bool cesiumChloride = false; // built-in s(c) and D(c) of CsCl
    static inline bool plotCosoluteData = false;
    static inline bool saveCosoluteData = false;
    static inline double compressibility = 0.0004591; // per MPa
    static inline float bufferDensity = 0.99823f;     // g/ml at 1 atm
    static inline float bufferViscosity = 0.001002f;  // Pa s at 1 atm
    static inline float relativeViscosity = 1.0f;     // buffer / water viscosity
    static inline float solvatedVbar = 0.0f;
    static inline float macromoleculeVbar = 0.73f;   // buoyancy vbar against the cosolute
    static inline double loadingConcentration = 1.5; // M
    static inline double apparentS = 0.2;            // S
    static inline double apparentD = 3e-6;           // cm^2/s
    static inline int gridSize = 50;                 // cosolute grid points
    static inline std::vector<double> densityCoefficients;
    static inline std::vector<double> viscosityCoefficients;
    static inline std::string dFile, sFile, densityFile, viscosityFile;
    static inline bool convertedToStandard = false; // the species hold standard-condition values
    // Fit-vector entries of the c(s) family remembered while the model is on.
    static inline float savedVbarEntry = 0.73f, savedFirstEntry = 1.0f;
    // Each note of switching the model on is shown once per program run.
    static inline bool truncationNoteShown = false, cosoluteNoteShown = false,
                       compressibleNoteShown = false;

    // The coefficient files in use: the one last chosen in the dialog, else the program
    // folder's file of that name ("dnonid.dat", "snonid.dat", "density.dat", "viscosity.dat").
    static std::string DFileInUse();
    static std::string SFileInUse();
    static std::string DensityFileInUse();
    static std::string ViscosityFileInUse();

    static void ResetToDefaults();
    // Coefficient count of a 1-based vector.
    static int Count(const std::vector<double>& v) { return v.empty() ? 0 : int(v.size()) - 1; }
};
