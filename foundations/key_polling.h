// Key polling by which long computations learn that the user wants them to stop, and short waits.
#pragma once

// Abort request of the main window's key-down handler; UserAbort reports and clears it.
extern bool gAbortRequest;

// True when a key went down (and up again) since the last poll; at most one pending input event
// is consumed per call.
bool KeyPressed();

// Spins for the given time without touching the message queue; zero or negative returns at once.
void WaitSeconds(float seconds);

// True when path opens for reading.
bool FileExists(const char* path);
