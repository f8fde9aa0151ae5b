// The on-plot confirm and cancel buttons that end a released marker move. The move itself is
// committed or reverted by TXLAWindow::ApplyMarkerDrag.
#pragma once

class TXLAWindow;

// Shows "confirm" (or "move fit limits, too?") and "cancel" beside the client point (x, y); while
// the fit-limit question is asked they stay at the last anchor.
void ShowMarkerConfirmButtons(TXLAWindow* window, int x, int y);
// Deletes both buttons; with a window and outside the M* screen the plots are drawn again.
void HideMarkerConfirmButtons(TXLAWindow* window);
// A press on either button: flashes it, waits 0.1 s and commits or reverts the waiting move.
void MarkerConfirmButtonAction(TXLAWindow* window, bool commit);
