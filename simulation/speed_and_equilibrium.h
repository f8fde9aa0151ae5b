// The effective rotor speed over a step of the acceleration phase, and the test that decides
// whether a species lies so close to sedimentation equilibrium that back-diffusion is shut off.
#pragma once

#include "simulation/lamm_solver_inputs.h"

// rpm over the step [t, t + dt]: during an acceleration phase of at least 10 s the root mean
// square of the linearly rising speed, never above LammGrid::maxRotorSpeed; after it (or for a
// shorter phase) the final speed, and LammGrid::accelerating is cleared.
double EffectiveRotorOmega(double t, double dt);

// True when back-diffusion may be shut off for s (S) and D (cm^2/s) at the last scan's rotor
// speed and temperature: the reduced molar mass exceeds 100 cm^-2, or the equilibrium
// concentration at the right fit limit relative to the mean is below LammGrid::backDiffusionLevel.
// False when the option is off, for s <= 0 or D <= 0, or without scans.
bool CheckEquilibriumExponentRange(double s, double d);

// The rotor of the record (LammGrid, and the scans' ramp switch) as a schedule, and the start of
// a run on a schedule: the record's rotor, which the steps and EffectiveRotorOmega follow.
CRotorSchedule RotorScheduleOfRecord();
void StartRotorSchedule(const CRotorSchedule& rotor);
