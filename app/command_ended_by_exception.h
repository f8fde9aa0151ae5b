// What is left of a command that an exception ended before its own end.
#pragma once

#include <functional>

class TXLAWindow;

// The box's text for a command that could not get its memory.
inline constexpr const char* kOutOfMemoryText = "Not enough memory to complete the command.";

// Ends the Run or Fit it was computing as their own end does: neither is busy any longer, no fit
// is in progress, the input given meanwhile is dropped (a key among it stops a running series or
// the realtime mode), and the arrow cursor is back.
void EndCommandEndedByException(TXLAWindow& window);

// Runs steps; when they run out of memory, ends what they computed as above and answers true.
bool RanOutOfMemory(TXLAWindow& window, const std::function<void()>& steps);
