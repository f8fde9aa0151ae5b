// The files of a run of the outside hydrodynamic program that predicts the sedimentation
// coefficient of an atomic structure: its input file, the scripts that run it in the run folder,
// and the two kinds of lines read back from its result file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

inline constexpr const char* kHydroProProgram = "hydropro7cmsd.exe";

struct HydroProParameters {
    float aer = 3.2f;    // radius of the atomic elements, Angstrom
    int nsig = -1;       // number of minibead radii; -1: the program chooses
    float sigmin = 1.0f; // smallest and largest minibead radius
    float sigmax = 2.0f;
    float temperature = 293.15f; // K
    float density = 0.99823f;    // g/ml
    float viscosity = 0.01002f;  // Poise
    float molarMass = -1.0f;     // Da; -1: from the structure's sequence
    float vbar = 0.73f;          // ml/g; -1: from the structure's sequence
};

// The NSIG entry rounded down; other than -1, at least 2.
int NsigFromEntry(float value);

// "hydropro.dat": name twice, the structure as name.pdb, the parameters one per line with their
// comments, four zero lines and the closing "*" line without a line end.
std::string HydroProInputText(const std::string& name, const HydroProParameters& p);
// "hydropro.bat" for a Windows command window and "hydropro.sh" that runs the same four steps
// here: announce, run the program in the run folder, pause three seconds, end.
std::string HydroProBatchText();
std::string HydroProScriptText();

struct HydroProResult {
    std::vector<std::string> errorLines; // from each "***" to its line end
    std::string resultLine;              // from "Sedimentation coefficient:" to its line end
};

// The error lines (searched from the fourth character on) and the result line, each at most 999
// characters.
HydroProResult ReadHydroProResult(std::string_view text);

// The result box: the error block when there are error lines, the result line, the hint to
// compare s20,w values and the request to cite. At most kShownErrorLines error lines are listed.
inline constexpr int kShownErrorLines = 20;
std::string HydroProResultText(const HydroProResult& result);
