// The ten linear-parameter routines, each a choice of unknowns for the separable solve, and the
// table that picks one by the four model switches.
#include "fitting/linear_params.h"

#include "fitting/linear_least_squares.h"
#include "state/fit_services.h"
#include "state/model_choice.h"
#include "state/scan_store.h"

namespace {

// The routines keep the fit and the parameters; none reads the residual, whose pass is skipped.
void Solve(LinearUnknowns unknowns) {
    unknowns.residual = false;
    SolveLinearParameters(unknowns);
}

} // namespace

void AddBaselineToModel() {
    Solve({.riNoise = ModelChoice::fitRINoise});
}

void FitBaselineOnly() {
    for (int k = 1; ScanStore::riNoise && k <= ScanStore::scanCount; ++k)
        ScanStore::riNoise[k] = 0.0f;
    Solve({.baseline = true});
}

void FitComponentLoadingsSimple() {
    Solve({.tiNoise = true});
}

void FitRadialNoiseAndBaseline() {
    Solve({.tiNoise = true, .riNoise = true});
}

void UpdateLinearParametersA() {
    Solve({.amplitudes = true, .riNoise = true, .baseline = true});
}

void UpdateLinearParametersB() {
    Solve({.amplitudes = true, .tiNoise = true, .riNoise = true});
}

void UpdateLinearParametersC() {
    Solve({.amplitudes = true, .tiNoise = true});
}

void UpdateLinearParametersD() {
    Solve({.riNoise = true, .baseline = true});
}

void UpdateLinearParametersE() {
    Solve({.amplitudes = true, .baseline = true});
}

void UpdateLinearParametersF() {
    Solve({.amplitudes = true, .riNoise = ModelChoice::fitRINoise});
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
