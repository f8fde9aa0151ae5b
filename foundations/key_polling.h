// Key polling by which long computations learn that the user wants them to stop, short waits,
// single-key reading and the file-existence test. They look into the calling thread's queue.
#pragma once

#include "plat/messages.hpp"

class TWindow;

// Abort request of the main window's key-down handler; UserAbort reports and clears it.
extern bool gAbortRequest;

// What the user does while a computation runs, and what of it stops the computation. The input of
// a computation is the keyboard's messages and the mouse's presses, releases, double clicks and
// moves with a button held; plain moves are none. A key's release never stops it. The key poll of
// the long loops stops at a key going down, at once, and drops the rest: a key's repeats and
// character, every mouse message and every system key (Alt alone, F10, a key with Alt), so a click
// or the Alt of Alt+Tab during a computation is lost. Handed to the window by the loop of a box the
// computation shows, every other message of the input stops it.
enum class InputRoad {
    Polled,         // taken from the queue by KeyPressed
    HandedToWindow, // dispatched to the window by the loop of a box the computation shows
};
bool IsInputOfComputation(const MSG& msg);
bool StopsComputation(const MSG& msg, InputRoad road);

// True when the user stopped the computation since the last poll: a key went down, however many
// other messages are queued ahead. Only the input of a computation is removed: a key's other
// messages are dropped on the way, and a mouse message is dropped and ends the poll (false); plain
// moves and every other message stay for the message loop. The key's release is never waited for.
bool KeyPressed();
// The same for the messages of one window; false for a null window.
bool KeyPressed(TWindow* window);
// The same poll for a wait that a key ends: the key is the wait's own and no stop of what runs
// around it, so it is not counted.
bool KeyPressedForWait();
// The stops counted so far, by KeyPressed and CountStopHandedToWindow: a computation that stopped
// tells by it whether the user stopped it or its own failure did (both raise the same stop flag).
int StopsCounted();
// Counts a message a box's loop handed to the window as a stop when it is one; the window takes
// so what it is handed while a computation runs. While stops are held off it is no stop (false),
// but a key the poll would stop at is counted all the same, as the key left queued then would be
// by the next poll or the command's end.
bool CountStopHandedToWindow(const MSG& msg);
// True when the latest stop counted came from the mouse, false when from a key.
bool LastStopByMouse();
// While one lives, nothing stops: the polls report no stop and leave the input queued, and what a
// box's loop hands the window is no stop (a key among it is counted for what runs the fit). The
// end of a fit (its final evaluation, the comparison with its start, its report) runs so whole,
// however many keys come after the one that stopped it.
class StopsHeldOff {
  public:
    StopsHeldOff();
    ~StopsHeldOff();
    StopsHeldOff(const StopsHeldOff&) = delete;
    StopsHeldOff& operator=(const StopsHeldOff&) = delete;
};
// Removes the input of a computation still queued for the window (null: any): a Run or Fit ending
// drops what the user did meanwhile. True when a key among it went down, which a series or the
// realtime mode takes as its stop.
bool DropInputOfComputation(TWindow* window);
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
