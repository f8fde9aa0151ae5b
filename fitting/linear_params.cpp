// The ten linear-parameter routines, each a choice of unknowns for the separable solve, and the
// table that picks one by the four model switches.
#include "fitting/linear_params.h"

#include "fitting/linear_least_squares.h"
#include "state/fit_services.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

void AddBaselineToModel() {
    SolveLinearParameters({.riNoise = ModelChoice::fitRINoise});
}

void FitBaselineOnly() {
    for (int k = 1; ScanStore::riNoise && k <= ScanStore::scanCount; ++k)
        ScanStore::riNoise[k] = 0.0f;
    SolveLinearParameters({.baseline = true});
}

void FitComponentLoadingsSimple() {
    SolveLinearParameters({.tiNoise = true});
}

void FitRadialNoiseAndBaseline() {
    SolveLinearParameters({.tiNoise = true, .riNoise = true});
}

void UpdateLinearParametersA() {
    SolveLinearParameters({.amplitudes = true, .riNoise = true, .baseline = true});
}

void UpdateLinearParametersB() {
    SolveLinearParameters({.amplitudes = true, .tiNoise = true, .riNoise = true});
}

void UpdateLinearParametersC() {
    SolveLinearParameters({.amplitudes = true, .tiNoise = true});
}

void UpdateLinearParametersD() {
    SolveLinearParameters({.riNoise = true, .baseline = true});
}

void UpdateLinearParametersE() {
    SolveLinearParameters({.amplitudes = true, .baseline = true});
}

void UpdateLinearParametersF() {
    SolveLinearParameters({.amplitudes = true, .riNoise = ModelChoice::fitRINoise});
}

LinearParameterRoutine LinearParameterRoutineFor(bool tiNoise, bool baseline, bool amplitudes,
                                                 bool riNoise) {
    if (tiNoise) {
        if (amplitudes)
            return riNoise ? UpdateLinearParametersB : UpdateLinearParametersC;
        return riNoise ? FitRadialNoiseAndBaseline : FitComponentLoadingsSimple;
    }
    if (!baseline)
        return amplitudes ? UpdateLinearParametersF : AddBaselineToModel;
    if (amplitudes)
        return riNoise ? UpdateLinearParametersA : UpdateLinearParametersE;
    return riNoise ? UpdateLinearParametersD : FitBaselineOnly;
}

void UpdateLinearParameters() {
    LinearParameterRoutineFor(ModelChoice::fitTINoise, ModelChoice::linearBaseline,
                              ModelChoice::linearAmplitudes, ModelChoice::fitRINoise)();
}

void InstallFitServices() {
    FitServices::table.updateLinearParameters = UpdateLinearParameters;
}
