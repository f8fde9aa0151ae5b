// Key polling by which long computations learn that the user wants them to stop, short waits,
// single-key reading and the file-existence test. They look into the calling thread's queue.
#pragma once

class TWindow;

// Abort request of the main window's key-down handler; UserAbort reports and clears it.
extern bool gAbortRequest;

// True (after the key's release) when a key went down since the last poll, however many other
// messages are queued ahead of it; only keyboard messages are removed, every other message stays
// for the message loop. A key held since before the poll does not count again.
bool KeyPressed();
// The same for the messages of one window; false for a null window.
bool KeyPressed(TWindow* window);
// The key presses KeyPressed has reported so far: a computation that stopped tells by it whether
// a key stopped it or its own failure did (both raise the same stop flag).
int KeyPressesSeen();
// True once per keyboard message of the window or per set gAbortRequest, which it clears.
bool UserAbort(TWindow* window);
// Spins for the given time without touching the queue; zero or negative returns at once.
void WaitSeconds(float seconds);
// True as soon as the window's next message is a key-down, false when the time runs out.
bool WaitForKey(TWindow* window, float seconds);
// Reads one typed character (after a key-down, until its release); false when the next message
// was not a key-down.
bool ReadKeyChar(int* character);
// Returns the character code of the window's next key-down and shows it at (5, 5) in the window,
// or -1 when the next message is not a key-down.
int EchoKeyCode(TWindow* window);
// True when path opens for reading.
bool FileExists(const char* path);
