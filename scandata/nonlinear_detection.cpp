// The nonlinear detection correction holds no copies yet.
#include "scandata/nonlinear_detection.h"

void FreeNonlinearDetectionCopies() {}

void ReapplyNonlinearDetection(int flag)
{
    (void)flag;
}
