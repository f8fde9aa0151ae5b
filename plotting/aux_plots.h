// The main window's auxiliary plot slots: one-shot plots that the paint shows in place of the
// normal picture and then releases.
#pragma once

#include <cstdint>
#include <vector>

class CWINPlot;
class CVector;
class CCurve;
class CAdHocPlot;

struct AuxPlots {
    // The first slot: the temperature plot and the other tools' one-shot plots.
    static inline CWINPlot* auxPlot = nullptr;
    static inline bool shown = false; // the paint showed it
    static inline bool& auxPlotShown2 = shown;
    static inline bool auxPlotShown = false; // a tool's plot fills the window
    static inline bool keep = false;         // the paint keeps it after showing it
    static inline bool noRescale = false;    // the paint keeps the plot's ranges
    static inline bool highlight = false;    // a series of it is highlighted (equilibrium test)
    static inline float* temperatureTimes = nullptr; // [1..pointCount]
    static inline float* temperatures = nullptr;
    static inline std::int32_t pointCount = 0;
    static inline CVector* timeView = nullptr;
    static inline CVector* temperatureView = nullptr;
    static inline CCurve* temperatureCurve = nullptr;
    static inline CCurve* highlightCurve = nullptr; // the highlighted series, not owned
    // A second curve of the first slot (the line of the power-law calibration, whose data points
    // take the arrays above).
    static inline float* lineX = nullptr; // [1..linePointCount]
    static inline float* lineY = nullptr;
    static inline std::int32_t linePointCount = 0;
    static inline CVector* lineXView = nullptr;
    static inline CVector* lineYView = nullptr;
    static inline CCurve* lineCurve = nullptr;
    // The rotor-speed estimate: radii and nine profiles [1..pointCount], their views and curves.
    static inline float* rotorRadius = nullptr;
    static inline float* rotorProfiles[9] = {};
    static inline CVector* rotorViews[10] = {};
    static inline CCurve* rotorCurves[9] = {};
    // The second slot: the planner's ad-hoc plot and its second curve plot.
    static inline CAdHocPlot* adHocPlot = nullptr;
    static inline CWINPlot* secondCurvePlot = nullptr;
    static inline bool adHocShown = false;
    static inline bool adHocKeep = false;
    static inline bool rotorSpeedPlotShown = false;
    // The caption drawn over an auxiliary plot.
    static inline bool captionShown = false;
    static inline char caption[1000] = "";

    static void ResetToDefaults();
};

// Releases every array, view, curve and the plot of the first slot, with the plot shown beside it.
void FreeAuxPlotCurves();
// Releases the first slot, then gives it two curves in new arrays: the points (x, y) as
// temperatureCurve and the line (lineX, lineY) as lineCurve. x and y are of one length, and so
// are lineX and lineY.
void SetAuxPointsAndLine(const std::vector<double>& x, const std::vector<double>& y,
                         const std::vector<double>& lineX, const std::vector<double>& lineY);
// Releases the first slot, then gives it the one curve (x, y) in a plot of its own with the axis
// titles and the curve style; a time course has its points connected and larger marks.
void SetAuxCurve(const std::vector<float>& x, const std::vector<float>& y, const char* xTitle,
                 const char* yTitle, int style, bool timeCourse);
// Clears the switches of the second slot.
void ResetAuxPlotFlags();
