// The engines the Run command chooses among, and the rule that picks one.
#pragma once

#include "foundations/analysis_failure.h"

class TXLAWindow;

// The code a batch stores for a model that Run and Fit cannot evaluate (its error file then says
// "error occured (invalid error code)", the text of every code above 10).
constexpr int kErrorModelNotAvailable = static_cast<int>(AnalysisFailure::ModelNotAvailable);

enum class RunEngine {
    ApproachToEquilibrium, // the test of attained equilibrium
    ContinuousModel,       // the light-scattering I(Rh,t) time course
    ContiSed,              // every other continuous distribution
    EquilibriumFit,        // the sedimentation equilibrium models
    LsgExtrapolation,      // the extrapolation of ls-g*(s) area fractions
    VanHoldeWeischet,      // the other boundary analysis
    DiscreteSed,           // discrete species and everything else
};

// The engine for the current model switches; the first rule that matches wins. Fit calls the
// same engine (its boundary analyses are Run itself).
RunEngine ChooseRunEngine();

// True when the engine computes the current model on the data loaded. Run and Fit both refuse
// where it is false, with the "not available" box.
bool RunEngineAvailable(RunEngine engine);

// The "not available" box of a command ("Run", 213); while a batch runs the code
// kErrorModelNotAvailable is stored instead.
void ReportNotAvailable(TXLAWindow* window, const char* command, int id);

enum class RunResult {
    Evaluated,    // the model was computed
    NotAvailable, // the engine does not evaluate this model (nothing said yet)
    Refused,      // the engine or its checks computed nothing and said why, or a key stopped it
};

// Evaluates the model with that engine, once.
RunResult CallRunEngine(TXLAWindow* window, RunEngine engine);
