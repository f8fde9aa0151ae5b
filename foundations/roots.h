// Root searches of the distribution analysis, also used by the shape models.
#pragma once

// Brent's search for a root of f in [lower, upper] to the tolerance; returns the root. A bracket
// whose ends have the same sign shows "too many iterations finding root"; running out of
// iterations shows "Maximum number of iterations exceeded in zbrent". Neither is fatal.
double Zbrent(double (*f)(double), double lower, double upper, double tolerance);

// The same search; when the root is not bracketed it returns the lower bound, after the message
// "problem in finding M(s) for low Mw in worm-like chain model" while the wormlike-chain search
// switch is set.
double FindRootBrent(double (*f)(double), double lower, double upper, double tolerance);
