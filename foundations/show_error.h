// The error box every subsystem reports its failures through.
#pragma once

// Plays the error sound and shows message in a modal box captioned "Error". With fatal set it then
// plays the farewell sound and posts the quit request; it returns to its caller in both cases.
// Called on a worker thread, the box is kept until the window's thread polls keys or shows a box.
void ShowError(const char* message, int fatal = 0);

// Shows the boxes that worker threads asked for (window's thread only; elsewhere nothing).
void ShowPendingErrors();
