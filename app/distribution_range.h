// The integration of a range chosen on the distribution plot, and the on-plot buttons' press.
#pragma once

class TXLAWindow;

// Reports the integral of the distribution over [s1, s2] (v1 and v2 are the band's rows on the
// plot's secondary axis); disarms the integration and the range selection.
void ReportIntegral(TXLAWindow* window, float s1, float s2, float v1, float v2);
// The noise and integration buttons under the per-mille point (x, y): each one hit acts. The
// press goes on afterwards whatever was hit.
void PressNoiseAndIntegrateButtons(TXLAWindow* window, float x, float y);
