// The molar mass that belongs to an s-value of the distribution plot, written at the pointer.
#pragma once

#include <string>

class TXLAWindow;

// A c(s) model that ties M to s is chosen.
bool MolarMassReadoutEnabled();
// M of the current model at s (S), and the mass of a compact sphere of that s.
double MolarMassOfS(float s);
// "|Mf=... (>...) unit" for M and the compact-sphere mass Mmin.
std::string MolarMassText(double m, double mMin);
// The readout of s: its M and the compact sphere's mass by MolarMassText.
std::string MolarMassReadoutText(float s);
// Writes the text for s with its top left corner at (x, y) in client pixels; it stays until the
// next paint.
void ShowMolarMassReadout(TXLAWindow* window, int x, int y, float s);
