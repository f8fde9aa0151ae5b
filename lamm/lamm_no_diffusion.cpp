// The solution without diffusion: a sharp boundary and a plateau diluted by the sector shape.
#include "lamm/lamm_ideal.h"

#include <algorithm>
#include <cmath>

// Ordinary sector form with a uniform loading: the boundary sits at m e^{kt} (b e^{kt} for
// flotation), the plateau at c0 e^{-2kt}. The zone, step, scanning-time and compressible-solvent
// forms extend this routine.
void CLammIdeal::SolveNonDiffusing()
{
    if (!accumulation.empty())
        std::fill(accumulation.begin(), accumulation.end(), 0.0f);
    const double k = sOmega2;
    for (int pos = 1; pos <= scanCount; ++pos) {
        float* row = OutputRowFor(pos);
        const float* radii = OutputRadiiFor(pos);
        const int n = OutputCountFor(pos);
        if (row == nullptr || radii == nullptr)
            continue;
        const double time = ScanTimeAt(pos);
        const double boundary = (k > 0.0 ? meniscus : bottom) * std::exp(k * time);
        const double level = c0 * std::exp(-2.0 * k * time);
        for (int i = 1; i <= n; ++i) {
            const bool inPlateau = k > 0.0 ? radii[i] >= boundary : radii[i] <= boundary;
            row[i] = inPlateau ? static_cast<float>(level) : 0.0f;
        }
        if (AnyDetectionCorrectionOn())
            CorrectScanProfile(pos, row, radii, n);
    }
    nextOutputScan = scanCount + 1;
    AddAccumulationToTarget();
}
