// "Fit M and s": the discrete species switch between the s-and-D and the M-and-s form.
#include "app/txla_window.h"
#include "fitting/svedberg_relation.h"
#include "scandata/scan_store_alloc.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"

namespace {

// R T at 20 C (erg/mol), taken while no scans give the temperature.
constexpr float kGasConstantTimesT20C = 2.436e10f;

} // namespace

void TXLAWindow::CmFitMAndS() {
    using M = ModelParameters;
    if (ScanStore::scanCount < 1) {
        ScanStore::gasConstantTimesT = kGasConstantTimesT20C;
        MessageBox("assuming t = 20 'C", "", MB_OK | MB_ICONINFORMATION);
    }
    ModelChoice::equilibriumMs = !ModelChoice::equilibriumMs;
    CheckMark(217, ModelChoice::equilibriumMs);
    UnpackFitParameters();
    for (int k = 1; k <= M::maxSpecies; ++k)
        M::speciesDOrM[k] = ConvertDOrM(M::speciesS[k], M::speciesDOrM[k],
                                        ScanStore::gasConstantTimesT, ScanStore::vRho);
    PackFitParameters();
}
