// Detection corrections of the solved profiles: the hook the run calls after solving.
#include "lamm/lamm_ideal.h"

bool CLammIdeal::AnyDetectionCorrectionOn() const
{
    return magnificationOn || driftOn || coneOn || convolutionOn;
}

// The corrections themselves (magnification, drift, excitation cone, radial convolution) belong
// to the detection-correction setters; with all switches off a profile leaves unchanged.
void CLammIdeal::CorrectScanProfile(int pos, float* y, const float* radii, int n)
{
    (void)pos, (void)y, (void)radii, (void)n;
}
