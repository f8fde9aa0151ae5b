// The main window's surface as a computation in progress reaches it: status texts drawn straight
// into it, its client area, and whether the calling thread may draw at all.
#pragma once

class TXLAWindow;

// Draws text with its top left at pixel (x, y) now; nothing without a window.
void DrawStatusText(TXLAWindow* window, int x, int y, const char* text);

// The client area in pixels as the last paint stored it, or before the first paint as the
// platform has it; 0 x 0 without a window.
struct ClientArea {
    float width = 0.0f, height = 0.0f;
};
ClientArea ClientAreaOf(TXLAWindow* window);

// True on the window's own thread, the only one that draws.
bool OnDrawingThread();
