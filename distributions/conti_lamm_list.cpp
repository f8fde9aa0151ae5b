// The list road of the distribution kernel.
#include "distributions/conti_lamm_list.h"

#include "app/run_switches.h"
#include "distributions/conti_kernel.h"
#include "distributions/conti_state.h"
#include "fitting/model_parameters.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_list_run.h"
#include "scandata/scan_store.h"
#include "tools/fluorophore.h"

namespace {

// The fluorescence corrections that are on, as the list hands them to every equation.
void LoadDetectionCorrections(CLammIdeal& o)
{
    using DC = DetectionCorrections;
    if (DC::magnificationOn)
        o.SetRadialMagnification(true, DC::magnificationFactor);
    if (DC::driftOn)
        o.SetSignalDrift(true, DC::linearDriftOn, DC::linearDriftRate, DC::exponentialDriftOn,
                         DC::exponentialDriftRate, DC::driftPlateau);
    if (DC::coneOn)
        o.SetExcitationCone(true, DC::coneRadius);
    if (DC::convolutionOn)
        o.SetRadialConvolution(true, DC::convolutionWidth, DC::convolutionCutoff);
}

}  // namespace

// The template carries the geometry, the scans and their order, the common grid, the default
// discretization with automatic grid sizing, the solvent of the scan store and the detection
// corrections; each equation differs only in s, D and vbar. Columns of equations that were not
// solved are cleared by the list and marked unsolved here.
int RunSVContiSedList(TXLAWindow* window, int n, const double* s, const double* D,
                      const double* vbar)
{
    const int scans = ScanStore::scanCount;
    if (n <= 0 || scans <= 0 || ScanStore::gridRadius == nullptr || ScanStore::gridCount <= 0)
        return 4;
    gContiKernel.Allocate(n, scans, ScanStore::gridRadius, ScanStore::gridCount);
    CLammIdeal tmpl;
    tmpl.SetIdealModel();
    tmpl.LoadSedParameters(s[1], D[1], ModelParameters::meniscus, ModelParameters::bottom, 1.0,
                           ScanStore::leftFitLimit, ScanStore::rightFitLimit);
    LoadDetectionCorrections(tmpl);
    tmpl.LoadOutputParameters(window, nullptr, ScanStore::header, gContiKernel.Targets()[1],
                              ScanStore::gridRadius, ScanStore::gridCount, nullptr, nullptr,
                              false, ScanStore::scanOrder, scans, 1, true,
                              ContiState::quietComputing, false, 2.43f, false, 0.008f, false);
    tmpl.LoadDiscretization(100, 2000, 5.0f, false, 1e-4, true, true, true, 1.0f,
                            !ScanStore::timesFromW2t, false, 0, 1e-6, 1.0, true, false, true, 1.0,
                            0.05, 0.2, 1.0, 1000, 1000, false, true, 1e-4f, 1e-6, true, 1.0, 2.0,
                            5.0, 60.0);
    const float temperature =
        ScanStore::header != nullptr ? ScanStore::header[ScanStore::scanOrder != nullptr
                                                             ? ScanStore::scanOrder[1]
                                                             : 1]
                                           .temperature
                                     : 20.0f;
    tmpl.LoadSpeciesProperties(temperature, ScanStore::vbar, ScanStore::density,
                               ScanStore::viscosity);
    const int result = CLRunMTList(&tmpl, n, s, D, vbar, gContiKernel.Targets(),
                                   ScanStore::gridRadius, ScanStore::gridCount, nullptr, nullptr,
                                   gContiKernel.SolvedFlags());
    ContiState::kernelColumn = 1;
    return result;
}
