// The direct boundary model of a g*(s*) table written by a dc/dt analysis.
#pragma once

// table[column][row] (1-based, as the matrix-table reader returns it) with column 1 = s* (S,
// ascending) and column 2 = g*(s*) (signal per S); the other columns (error estimates) are not
// used. Every loaded scan's fit becomes the sum of non-diffusing boundaries g*(s*) ds* over the
// table, from the meniscus (the bottom for negative s*), and its residuals the data less the fit;
// resultAvailable is set. A table that cannot be used (fewer than 2 rows or 2 columns, s* not
// ascending or beyond 1e6 S, a fit that is not finite) is refused with a box and nothing changes.
bool GStarToDirectBoundary(float** table, int columns, int rows);
