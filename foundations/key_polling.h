// Key polling by which long computations learn that the user wants them to stop, short waits,
// single-key reading and the file-existence test. They look into the calling thread's queue.
#pragma once

#include "plat/messages.hpp"

class TWindow;

// Abort request of the main window's key-down handler; UserAbort reports and clears it.
extern bool gAbortRequest;

// True when the user stopped the computation since the last poll: a key went down, a mouse button
// was pressed, or the mouse was dragged with a button whose press was not seen; however many other
// messages are queued ahead. Only keys, presses, releases and drags are removed; plain moves and
// every other message stay for the message loop. A key held since before the poll, the release
// of a key or button and a press's own drag do not count; the release is never waited for.
bool KeyPressed();
// The same for the messages of one window; false for a null window.
bool KeyPressed(TWindow* window);
// The stops KeyPressed and CountStop have counted so far: a computation that stopped tells by it
// whether the user stopped it or its own failure did (both raise the same stop flag).
int KeyPressesSeen();
// Counts a message of the window as a stop when it is one by the rules of KeyPressed, which takes
// it by this; the window counts so what a box's loop hands it while a computation runs.
bool CountStop(const MSG& msg);
// True when the latest stop counted came from the mouse, false when from a key.
bool LastStopByMouse();
// Removes the keys, presses, releases and drags of the window (null: any) that are still queued:
// a Run or Fit ending drops what the user did meanwhile, which went to stopping it.
void DropInputOfComputation(TWindow* window);
// True once per keyboard message of the window or per set gAbortRequest, which it clears.
bool UserAbort(TWindow* window);
// Spins for the given time without touching the queue; zero or negative returns at once.
void WaitSeconds(float seconds);
// True as soon as the window's next message is a key-down, false when the time runs out.
bool WaitForKey(TWindow* window, float seconds);
// Reads one typed character (the key-down's; 0 for a key that types none) without waiting for the
// key's release; false when the next message was not a key-down.
bool ReadKeyChar(int* character);
// Returns the character code of the window's next key-down and shows it at (5, 5) in the window,
// or -1 when the next message is not a key-down.
int EchoKeyCode(TWindow* window);
// True when path opens for reading.
bool FileExists(const char* path);
