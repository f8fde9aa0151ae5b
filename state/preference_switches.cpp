// The shell's preference switches and their values before the preferences file is read.
#include "state/preference_switches.h"

bool gDisclaimerAccepted = false;
bool gUpdateResidualsBitmap = false;
bool gUpdateResidualsPlot = false;
bool gUpdateDataPlot = false;
bool gUpdateDistributionPlot = false;
bool gSoundOn = false;
bool gWizardMessages = true;
bool gIntegrationRangesFromFile = false;
int gLammThreadCount = 2;
float gMaxUpdateInterval = 1.0f;
bool gAlwaysLoadG2 = false;
bool gCheckTimestamps = true;
double gTimestampThreshold = 1.001;

void ResetPreferenceSwitches() {
    gDisclaimerAccepted = false;
    gUpdateResidualsBitmap = false;
    gUpdateResidualsPlot = false;
    gUpdateDataPlot = false;
    gUpdateDistributionPlot = false;
    gSoundOn = false;
    gWizardMessages = true;
    gIntegrationRangesFromFile = false;
    gLammThreadCount = 2;
    gMaxUpdateInterval = 1.0f;
    gAlwaysLoadG2 = false;
    gCheckTimestamps = true;
    gTimestampThreshold = 1.001;
}
