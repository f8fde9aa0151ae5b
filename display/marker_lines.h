// Vertical marker lines on the data plot and the right-button rubber band, drawn straight into
// the main window's client area outside the paint.
#pragma once

#include "plat/geometry.hpp"
#include "state/plot_interaction_state.h"

class TXLAWindow;

// Colours of the markers and the cursor line; the grabbed switches are those of the drag state.
struct MarkerState {
    static inline COLORREF meniscusColour = 0x0000FF;
    static inline COLORREF bottomColour = 0xFF0000;
    static inline COLORREF fitLimitColour = 0x00FF00;
    static inline COLORREF refMeniscusColour = 0xFF00FF;
    static inline COLORREF variationLimitColour = 0xC8C8C8;
    static inline bool& meniscusGrabbed = MarkerDragState::meniscusGrabbed;
    static inline bool& bottomGrabbed = MarkerDragState::bottomGrabbed;
    static inline bool& leftLimitGrabbed = MarkerDragState::leftLimitGrabbed;
    static inline bool& rightLimitGrabbed = MarkerDragState::rightLimitGrabbed;
    static inline bool& refMeniscusGrabbed = MarkerDragState::refMeniscusGrabbed;
    static inline bool cursorShown = false;
    static inline float cursorRadius = 0.0f; // cm
    static inline int cursorDrawnX = 0;      // pixel column of the cursor line drawn last, 0: none

    static void ResetToDefaults();
};

// The dashes of every dashed marker.
constexpr int kMarkerDashes = 30;

// A solid one-pixel line at pixel column x over the data panel, in copy mode; nothing where x
// lies outside the data plot's frame.
void DrawMarkerLine(TXLAWindow* window, int x, COLORREF colour);
// The dashed variant: dashCount equal dashes and gaps; 1 is a solid line, 0 or less nothing.
void DrawMarkerLineA(TXLAWindow* window, int x, COLORREF colour, int dashCount);
// The cursor line in invert mode; with erasePrevious the line drawn last is inverted away first.
void DrawMarkerLineB(TXLAWindow* window, int x, int erasePrevious);
// The band outline from (x1, y1) to (x2, y2) in invert mode on the window's band context.
void DrawRubberBandRect(TXLAWindow* window, int x1, int y1, int x2, int y2);
// Fit limits, meniscus, bottom and variation limits at their stored places.
void RedrawMarkers(TXLAWindow* window);
// Whether pixel column x lies within the data plot's frame (true without a data plot): a marker
// is clipped to the plot as its curves are, drawn and grabbed only there.
bool DataPlotShowsColumn(const TXLAWindow* window, int x);
// Pixel column of a radius on the data plot of the store, 0 without a data plot.
int DataPlotColumn(TXLAWindow* window, float radius);
// Radius under pixel column x of the data plot, 0 without a data plot.
float DataRadiusAtColumn(TXLAWindow* window, int x);
