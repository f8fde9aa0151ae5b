// The discrete component fitted beside a c(s) or c(s, f/f0) distribution: a species of its own
// s and D (or M), whose Lamm solution is one more kernel column outside the regularization.
#pragma once

#include "distributions/conti_grid.h"
#include "fitting/discrete_component_choice.h"
#include "state/compute_observer.h"

#include <string>
#include <vector>

class TXLAWindow;

// s (S) and D (cm^2/s) of the component as entered, at the scans' temperature (deg C).
struct DiscreteComponentValues {
    double s = 0.0, D = 0.0, M = 0.0;
};
DiscreteComponentValues CurrentDiscreteComponent(double temperatureC);

// Why the entered component cannot be computed (a value not finite, a molar mass or diffusion
// coefficient not above 0, an s beyond any particle); empty when usable or when no component
// is chosen.
std::string CheckDiscreteComponent();

// Appends the component's column to the grid while one is chosen.
void AppendDiscreteComponent(ContiGrid& g, double temperatureC);

// After a stored solution with amplitudes c over the grid's columns: the component's loading.
void KeepDiscreteComponentLoading(const ContiGrid& g, const std::vector<double>& c);

// The component's columns alone by the Lamm list road, copied out of the kernel as
// rows[((d - 1) * scans + k - 1) * (points + 1) + i]; the kernel is left empty. False after a
// failed or stopped list (reported by the list).
bool SolveDiscreteColumns(TXLAWindow* window, CComputeObserver& observer, const ContiGrid& g,
                          std::vector<float>& rows);
// Puts rows made by SolveDiscreteColumns into the kernel as columns n + 1 .. n + discrete.
void PutDiscreteColumns(const ContiGrid& g, const std::vector<float>& rows);
