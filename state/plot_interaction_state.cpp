// Resetting the plot interaction records, and the zoom history's push rule.
#include "state/plot_interaction_state.h"

#include <algorithm>
#include <iterator>

void MarkerDragState::ResetToDefaults() {
    meniscusGrabbed = refMeniscusGrabbed = bottomGrabbed = leftLimitGrabbed = false;
    rightLimitGrabbed = meniscusLowGrabbed = meniscusHighGrabbed = false;
    bottomLowGrabbed = bottomHighGrabbed = false;
    meniscusPx = refMeniscusPx = bottomPx = leftLimitPx = rightLimitPx = 0;
    meniscusLowPx = meniscusHighPx = bottomLowPx = bottomHighPx = 0;
    buttonDown = awaitingConfirm = settledByKey = false;
    grabTolerance = 2;
    releaseX = 0;
    meniscusShiftPending = bottomShiftPending = false;
    shiftedHigh = shiftedLow = 0.0f;
    gMouseDataX = 0.0f;
}

void TentativeMarker::ResetToDefaults() {
    refMeniscusPending = boundaryPending = bottomPending = false;
    fitLimitPending = rightLimitPending = placed = false;
}

void RubberBand::ResetToDefaults() {
    captured = false;
    drawnX = drawnY = anchorX = anchorY = currentX = currentY = 0;
    maxX = maxY = minX = minY = 0;
    gZoomed = false;
    gRangeSetByUser = false;
}

void ZoomHistory::ResetToDefaults() {
    level = 0;
    std::fill(std::begin(xLow), std::end(xLow), 0.0f);
    std::fill(std::begin(xHigh), std::end(xHigh), 0.0f);
    std::fill(std::begin(yLow), std::end(yLow), 0.0f);
    std::fill(std::begin(yHigh), std::end(yHigh), 0.0f);
}

void ZoomHistory::Push(float x0, float x1, float y0, float y1) {
    level = std::min(level + 1, kLevels - 1);
    xLow[level] = x0;
    xHigh[level] = x1;
    yLow[level] = y0;
    yHigh[level] = y1;
}

void DistributionBand::ResetToDefaults() {
    integrateArmed = selectArmed = active = zoomArmed = false;
}
