// Program-wide switches of the shell that the preferences file sets at start-up.
#pragma once

extern bool gDisclaimerAccepted;        // the warranty disclaimer was accepted (preference 0)
extern bool gUpdateResidualsBitmap;     // update the residuals bitmap during a fit (2)
extern bool gUpdateResidualsPlot;       // update the residuals plot during a fit (3)
extern bool gUpdateDataPlot;            // update the data and fit plot during a fit (4)
extern bool gUpdateDistributionPlot;    // update the distribution plot during a fit (5)
extern bool gSoundOn;                   // play sounds (6)
extern bool gWizardMessages;            // advice boxes after Run and Fit (8)
extern bool gIntegrationRangesFromFile; // c(s) integration ranges come from a file (10)
extern int gLammThreadCount;            // threads for the Lamm equations, at least 1 (14)
extern float gMaxUpdateInterval;   // longest interval between plot updates during a fit, s (15)
extern bool gAlwaysLoadG2;         // load DLS data as g(2)-1 intensity autocorrelation (16)
extern bool gCheckTimestamps;      // check recorded elapsed times against file time stamps (17)
extern double gTimestampThreshold; // ratio above which a time stamp is corrected (18)

// The sound switch under the name the sound services use.
inline bool& soundOn = gSoundOn;
// The time-stamp switches under the names the scan loader uses.
inline bool& gCheckTimeStamps = gCheckTimestamps;
inline double& gTimeStampThreshold = gTimestampThreshold;

// The values the switches have before the preferences file is read.
void ResetPreferenceSwitches();
