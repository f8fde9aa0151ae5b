// The engines the Run command chooses among, and the rule that picks one.
#pragma once

class TXLAWindow;

enum class RunEngine {
    ApproachToEquilibrium, // the test of attained equilibrium
    ContinuousModel,       // the light-scattering I(Rh,t) time course
    ContiSed,              // every other continuous distribution
    EquilibriumFit,        // the sedimentation equilibrium models
    LsgExtrapolation,      // the extrapolation of ls-g*(s) area fractions
    VanHoldeWeischet,      // the other boundary analysis
    DiscreteSed,           // discrete species and everything else
};

// The engine for the current model switches; the first rule that matches wins.
RunEngine ChooseRunEngine();
// Evaluates the model with that engine; false when the engine is not part of this version (then
// nothing was computed).
bool CallRunEngine(TXLAWindow* window, RunEngine engine);
