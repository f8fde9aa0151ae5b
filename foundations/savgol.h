// Savitzky-Golay coefficients: least-squares polynomial smoothing over a moving window.
#pragma once

// Coefficients c[1..np] for nl points to the left and nr to the right, polynomial order m and
// derivative order ld, in wrap-around order: c[1] the centre, c[1+k] k places left, c[np-k+1]
// k places right. Invalid arguments are the fatal "bad args in savgol".
void savgol(float* c, int np, int nl, int nr, int ld, int m);
