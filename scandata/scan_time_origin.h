// The origin of the scan times: as recorded, or derived from omega^2 t at the final speed.
#pragma once

// "ramp rotor speed" off: the solvers no longer simulate the acceleration phase.
void SwitchOffRotorRamp();
// Times from omega^2 t: the ramp is switched off and, unless electrophoresis or DLS data are
// loaded, each scan's time becomes omega2t / (rpm x 2 pi / 60)^2 (a scan at rest keeps its time).
void TimesFromW2tOn();
// Back to the recorded times: only while times from omega^2 t are on; each scan's time becomes
// the time read from its file (not for electrophoresis or DLS data).
void TimesFromW2tOff();
// The dialog's variant: every scan's time derived from omega^2 t with the angular velocity and
// its square rounded to single precision, or restored to the recorded time, whatever the switch
// was before.
void ApplyScanTimeOrigin(bool fromW2t);
