// Turning the loaded scans into new scan files of another kind: their average, intensity as
// absorbance or as two pseudo-absorbance sets, six-channel scans cut into their channels, and
// scans shifted to undo the stretch of the rotor. Only the average changes what is loaded (it is
// loaded in place of the scans by its command).
#pragma once

#include <string>

// Writes the mean of all scans on the common grid to path (description "averaged", scan 1's
// header). False, with a box, when it could not be written.
bool WriteAverageScan(const std::string& path);

// Intensity data only: each scan as absorbance log10(I0 / I) (10.0 where either is not
// positive) into the data folder, its extension's intensity letter turned into 'a' (.RI1 ->
// .Ra1). Stops silently at the first scan whose extension is not an intensity one.
bool SaveIntensityAsAbsorbance();
// Intensity data only: the sample pass log10(1000 / I) as files named 'S...' and the reference
// pass log10(1000 / I0) as 'R...', both with absorbance extensions.
bool SavePseudoAbsorbancePair();
// Cuts each scan at cut1 and cut2 into inner, middle and outer channel files ("i", "m", "o" in
// front of the scan's name) in the data folder. Nothing when the cuts lie outside scan 1.
bool CutSixChannelData(float cut1, float cut2);

// The radial shift of a rotor of stretch coefficient c at rpm: -c x (rpm / 1000)^2 cm.
double RotorStretchShift(double c, double rpm);
// Writes every scan shifted by its stretch into the folder of path, named by its whole-second
// time; with maintainField the header speed is lowered so the field at the cell's middle stays
// as recorded, and a speed profile is written rescaled beside them. The loaded data are not
// changed. Refuses (writing nothing) when two scans share a whole-second time.
bool UndoRotorStretch(double c, const std::string& path, bool maintainField);
