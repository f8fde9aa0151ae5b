// The extrapolation view of the boundary analyses: apparent s of each boundary fraction against
// 1/sqrt(t), with the fitted lines down to infinite time.
#pragma once

// Builds BoundaryAnalysis::reportPlot from the extrapolation table (replacing the one there)
// while the view is shown and the table holds scans; otherwise deletes it.
void LayoutBoundaryReportPlot();
// Deletes the view's plot and its curves.
void FreeBoundaryReportPlot();
