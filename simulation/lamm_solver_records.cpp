// The problem and the control of a Lamm solver run as the records hold them.
#include "simulation/module_solvers.h"
#include "simulation/speed_and_equilibrium.h"
#include "state/lamm_grid.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

CLammProblem LammProblemOfRecord() {
    CLammProblem p;
    p.meniscusCm = ModelParameters::meniscus;
    p.bottomCm = ModelParameters::bottom;
    p.s = LammGrid::s;
    p.D = LammGrid::d;
    p.rotor = RotorScheduleOfRecord();
    return p;
}

CLammControl LammControlOfRecord() {
    CLammControl c;
    c.maxDcOverC = LammGrid::dcOverCLimit;
    c.dcOverCLow = LammGrid::dcOverCLow;
    c.dcOverCMid = LammGrid::dcOverCMid;
    c.fixedTimeStep = ModelChoice::fixedTimeStep;
    c.stepFactor = LammGrid::stepFactor;
    c.stepBlend = LammGrid::stepBlend;
    c.truncateGrid = LammGrid::truncateGrid;
    c.truncationLevel = LammGrid::truncationLevel;
    c.backDiffusionShutOff = LammGrid::backDiffusionShutOff;
    c.lastResort = LammGrid::lastResortMode;
    c.automaticSGrid = LammGrid::automaticSGrid;
    c.sGrid = LammGrid::sGrid;
    c.trackAmount = LammGrid::profileCurves;
    return c;
}
