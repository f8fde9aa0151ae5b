// The discrete-species model evaluation: loadings, checks of the input, and the list road that
// solves every included species with its own Lamm solver object.
#pragma once

#include "lamm/lamm_result.h"

class TXLAWindow;

// Loading of every slot into ModelParameters::speciesLoading: the first included slot's
// concentration is the total signal, the other included slots' concentrations are fractions of
// it, and the first slot carries what they leave; negative fractions count as 0, and with linear
// amplitudes a loading of exactly 0 becomes 1.0. Excluded slots get 0.
void ComputeSpeciesLoadings();
// The first included species (not the buffer's slot) whose loading, as the concentrations stand
// (the total of the first species times each share, before a negative share counts as 0), is
// below zero; 0 when none is, and for the models that do not read the concentrations as a total
// and its shares (equilibrium, light scattering, the non-ideal and reacting models).
int SpeciesWithNegativeLoading();
// Whether the model reads the concentrations as a total and its shares, so that a floated loading
// below zero is no model: not for the models SpeciesWithNegativeLoading leaves out.
bool LoadingsReadAsShares();
// The part of the total signal a slot carries (its loading over the total): what it takes of a
// measured initial distribution.
double SpeciesShare(int slot);
// D of a slot in cm^2/s, from the value in 1e-7 cm^2/s or, in the M-and-s form, from the molar
// mass by the Svedberg relation (below 1 Da as 1 Da); made positive.
double SpeciesDiffusion(int slot);
// The buoyant molar mass (g/mol) of a slot: (1 - vbar rho) M in the M-and-s form, else
// |s| R T / D from s and D (1e-7 cm^2/s); 0 for D = 0.
double SpeciesBuoyantMass(int slot);

// True for the slot that carries the buffer's signal while the buffer correction is on: it is no
// species.
bool BufferSignalSlot(int slot);

// Rotor speed (rpm) and absolute temperature (K) of the last scan in scan order.
double LastScanRpm();
double ScanTemperatureKelvin();

// The cell and the rotor every sedimentation model needs: meniscus or bottom 0 ("set Meniscus and
// Bottom first"), a meniscus at or beyond the bottom, a bottom beyond any rotor, a scan at rest
// or beyond any rotor speed, below absolute zero or at a time that is not a finite, non-negative
// number. Shows the message and returns false.
bool CheckCellAndRotorSpeeds(TXLAWindow* window);

// The input a discrete model cannot be evaluated with, checked before anything is computed:
// meniscus or bottom 0 ("set Meniscus and Bottom first"), meniscus at or beyond the bottom, a
// scan at rest, grid sizes too small for a solution. Shows the message and returns false.
bool CheckDiscreteModelInput(TXLAWindow* window);

// True for the discrete models this version evaluates: ideal, non-interacting species in the
// sector cell, by Lamm solutions or by the Faxen-type approximation, and in the rectangular,
// electrophoresis and external loading cells by the fixed-grid solution; on equilibrium data the
// ideal species in the sector cell, and the concentration-dependent and reacting models.
bool DiscreteModelAvailable();

// The standard road: each included species solved by its own Lamm solver object (in the Lamm
// worker threads), then the linear parameters and the intensity transform. Works into scratch
// rows, so a key press or a failed check leaves the fit as it was. A file of component 2 that a
// solution could not write is named in a box. Returns the solver list's code.
LammResult RunDiscreteSedList(TXLAWindow* window);

// Unset fit limits become the meniscus and the default right limit (0.15 cm before the bottom,
// held to the scans' last radii) and are applied to the scans.
void ApplyDefaultFitLimits();

// The model values as intensities for intensity data: fit = exp(-ln 10 fit) x reference.
void ApplyIntensityTransform();

// The fit rows of the simulated scans (in scan order from LammGrid::firstSimulatedScan) set to 0,
// and every slot's component rows when the signal does not go into the fit: the model an
// evaluation adds its species to.
void ClearModelRows();

// With the buffer correction on, the buffer's signal of both sectors added to the model of every
// simulated scan, into its fit or into slot 4's component rows, as the list road adds it: the
// roads of this engine's own solvers call it once their species are in place. False, after the
// box of a singular system or on a key press, when it was left unsolved.
bool AddBufferSignalToModel(TXLAWindow* window);

// The close of an evaluation that solved: the linear parameters completed, the intensity
// transform applied, the result marked available and, when the model is only simulated, a
// repaint asked.
void FinishModelEvaluation(TXLAWindow* window);
