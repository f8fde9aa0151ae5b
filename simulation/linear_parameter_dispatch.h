// The step that completes a model's fit values with its linear parameters (baseline, noise,
// amplitudes), through the routines the model-fitting layer provides.
#pragma once

// Completes ScanStore::fit from the species' signals by the linear-parameter routine that the
// fit switches choose (FitServices). Without the model-fitting layer the loadings stand as the
// evaluation gave them: species kept per slot on the common grid (ComponentScans) are summed onto
// each scan's radii, and the baseline is added. Acts on the scans from
// LammGrid::firstSimulatedScan on, in scan order.
void CompleteLinearParameters();

// True when the species' signals go straight into the fit values (no continuous model, no
// linear amplitudes, no noise fit); otherwise they are kept per slot in ComponentScans.
bool SignalGoesIntoFit();
