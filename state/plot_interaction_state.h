// The records that the mouse and keyboard handlers share on the plots: marker moves, the
// tentative marker, the right-button band, the zoom history and the distribution band.
#pragma once

#include "plat/geometry.hpp"

#include <cstdint>

struct MarkerDragState {
    static inline bool meniscusGrabbed = false, refMeniscusGrabbed = false, bottomGrabbed = false,
                       leftLimitGrabbed = false, rightLimitGrabbed = false,
                       meniscusLowGrabbed = false, meniscusHighGrabbed = false,
                       bottomLowGrabbed = false, bottomHighGrabbed = false;
    static inline std::int32_t meniscusPx = 0, refMeniscusPx = 0, bottomPx = 0, leftLimitPx = 0,
                               rightLimitPx = 0, meniscusLowPx = 0, meniscusHighPx = 0,
                               bottomLowPx = 0, bottomHighPx = 0;
    static inline bool buttonDown = false;
    static inline std::int32_t grabTolerance = 2; // half-width of a grab zone, pixels
    static inline bool awaitingConfirm = false;
    static inline std::int32_t releaseX = 0;
    static inline bool settledByKey = false;
    static inline bool meniscusShiftPending = false, bottomShiftPending = false;
    static inline float shiftedHigh = 0.0f, shiftedLow = 0.0f; // cm

    static void ResetToDefaults();
};

// Radius (cm) under the release of a marker move or under the tentative marker.
inline float gMouseDataX = 0.0f;

struct TentativeMarker {
    static inline COLORREF limitBoundColour = 0xC8C8C8;
    static inline bool refMeniscusPending = false;
    static inline COLORREF refMeniscusColour = 0xFF00FF;
    static inline bool boundaryPending = false;
    static inline COLORREF meniscusColour = 0x0000FF;
    static inline bool bottomPending = false;
    static inline COLORREF bottomColour = 0xFF0000;
    static inline bool fitLimitPending = false;
    static inline COLORREF fitLimitColour = 0x00FF00;
    static inline bool rightLimitPending = false;
    static inline bool placed = false;

    static void ResetToDefaults();
};

// The right-button band, in client pixels.
struct RubberBand {
    static inline bool captured = false;
    static inline std::int32_t drawnX = 0, drawnY = 0;
    static inline std::int32_t anchorX = 0, anchorY = 0;
    static inline std::int32_t currentX = 0, currentY = 0;
    static inline std::int32_t maxX = 0, maxY = 0, minX = 0, minY = 0;

    static void ResetToDefaults();
};

inline bool gZoomed = false;         // the band's release zooms the data plot
inline bool gRangeSetByUser = false; // the data plot's ranges were set by a band or Set Range

// Zoom levels of the data plot: 0 is the full range, 1..9 fixed ranges in data units.
struct ZoomHistory {
    static constexpr int kLevels = 10;
    static inline std::int32_t level = 0;
    static inline float xLow[kLevels] = {}, xHigh[kLevels] = {}, yLow[kLevels] = {},
                        yHigh[kLevels] = {};

    static void ResetToDefaults();
    // Raises the level (at most 9) and stores the ranges there.
    static void Push(float x0, float x1, float y0, float y1);
};

struct DistributionBand {
    static inline bool integrateArmed = false;
    static inline bool selectArmed = false;
    static inline bool active = false;
    static inline bool zoomArmed = false;

    static void ResetToDefaults();
};
