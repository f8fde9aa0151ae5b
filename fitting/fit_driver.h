// The nonlinear fit of a model over the loaded scans: the free parameters, the objective that
// evaluates a trial vector, the optimiser the user chose and the bookkeeping around it.
#pragma once

#include "fitting/fit_objective.h"
#include "state/compute_observer.h"
#include "state/fit_control.h"

#include <vector>

class TXLAWindow;

// Computes the current model into every scan's fit (after the parameters were unpacked); false
// when nothing was computed (the previous fit then stands).
using ModelEvaluator = bool (*)(TXLAWindow* window);

// The slots of the packed fit vector the optimiser moves: the floated ones, species slots only
// of included species, the loadings not while they are solved as linear amplitudes, the baseline
// not while it is a linear parameter; then the floated values of the buffer component while its
// correction is on (entries from 1000 on, written into BufferSedimentation): its signal among
// them unless it is a linear amplitude, and never as the loading of slot 4, which the
// evaluation does not read; then the floated detection-correction values (entries from 2000 on,
// written into DetectionCorrections); last the solute's buoyancy vbar (entry 3000, written by
// WriteSolventVbar) while the inhomogeneous solvent's fit of vbar is on.
std::vector<int> FreeFitSlots();

// Signal minus fit over the fit ranges of all scans, from scan 2 while the first scan is the
// initial distribution: the points of CalcFitRmsd. With nonlinear detection in force, the
// recorded (untransformed) signal minus the fit carried back to it.
void FitResiduals(std::vector<double>& residuals);

enum class FitOutcome { Completed, Aborted, NoScans, NothingToFit, Failed };

// The fit with the optimiser of FitControl over the given model evaluation. The fit's free list,
// evaluation, best vector and scratch are its own: a fit run inside a trial of another leaves
// that one as it was. A trial that is no
// model (trial_without_model.h) has the failed value, and the fit goes on. On completion the best
// vector is evaluated once more and FitControl::bestRmsd set; with saveResult "~tmppars" is
// written, the plots are updated and a box names each species no particle can be (see
// particle_friction.h). After a key press the best vector evaluated is kept in the parameters
// when it is better than the start (else the start values come back), evaluated once (fit,
// residuals and bestRmsd belong to it); nothing else runs. At either end the vector kept is
// never worse than the start as a Run evaluates both: FitControl::startKept says when the start
// values were kept. An optimiser that could not determine a floated parameter
// (Levenberg-Marquardt's zero differential at the end), a start that is no model where the
// optimiser could not go on, or steps that end against trials without a model, fail: the box says
// so, the start values are put back and evaluated, and nothing is saved.
FitOutcome RunFitWith(TXLAWindow* window, CComputeObserver& observer, ModelEvaluator evaluate,
                      bool saveResult = true);

// What stopped a fit that began when StopsCounted() gave stopsAtStart: the user's latest stop, a
// key or the mouse, when one was counted since; else a simulation of the fit's own that failed.
FitStop FitStopSince(int stopsAtStart);

// The box of a fit that failed: "zero differential in mlcof", the start values kept.
void ReportFitFailure();

// The evaluation of the current model: the equilibrium model or the discrete species.
ModelEvaluator CurrentModelEvaluator();

// The discrete-species fit (grid, RunDiscreteSed, linear parameters), with its outcome.
FitOutcome RunNonlinearFit(TXLAWindow* window, CComputeObserver& observer);

// Clamps slot 13 (meniscus) and 14 (bottom) of a value to the bounds that are set (nonzero).
double ClampToBounds(int slot, double value);

// The bounds of ClampToBounds for the free slots, as the optimisers take them (1-based).
ParameterBounds FreeSlotBounds(const std::vector<int>& slots);
