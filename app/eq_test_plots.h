// The plots of the test of attained equilibrium as the paint and the state reset reach them.
#pragma once

class CWINPlot;

// Draws the small profile plot and returns it (its picture is played by the paint), or null.
CWINPlot* GetEqTestPlot();
// Frees the test's curves and its profile plot.
void FreeEqTestPlots();
