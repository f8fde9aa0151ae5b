// The step that completes a model's fit values with its linear parameters (baseline, noise,
// amplitudes): the choice of routine by the four fit switches, and the table through which the
// model-fitting layer provides the routines.
#pragma once

enum class LinearParameterRoutine {
    AddBaselineToModel,
    UpdateLinearParametersF,
    FitBaselineOnly,
    UpdateLinearParametersD,
    UpdateLinearParametersE,
    UpdateLinearParametersA,
    FitComponentLoadingsSimple,
    FitRadialNoiseAndBaseline,
    UpdateLinearParametersC,
    UpdateLinearParametersB,
    Count
};

// The routine for the switches fitTINoise, linearBaseline, linearAmplitudes and fitRINoise.
LinearParameterRoutine ChooseLinearParameterRoutine();

// Filled by the model-fitting layer; an empty entry means that routine is not part of this build.
struct LinearParameterRoutines {
    static inline void (*routine[static_cast<int>(LinearParameterRoutine::Count)])() = {};
    static void Install(LinearParameterRoutine which, void (*function)()) {
        routine[static_cast<int>(which)] = function;
    }
};

// Completes ScanStore::fit from the species' signals by the chosen routine. Without that routine
// the loadings stand as the evaluation gave them: species kept per slot on the common grid
// (ComponentScans) are summed onto each scan's radii, and the baseline is added. Acts on the
// scans from LammGrid::firstSimulatedScan on, in scan order.
void CompleteLinearParameters();

// True when the species' signals go straight into the fit values (no continuous model, no
// linear amplitudes, no noise fit); otherwise they are kept per slot in ComponentScans.
bool SignalGoesIntoFit();
