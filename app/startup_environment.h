// Start-up: the program folder, the settings folder and the preparation of the folders.
#pragma once

// Keeps the folder part of the program's own path (up to and including the last '/'), chooses
// the settings folder and builds the two preferences paths in it.
void SetProgramPath(const char* programPath);

// Builds the remaining paths and prepares the folders: reports a missing sibling program, makes
// the temp folder, writes "tarnix.ini" when missing. Failures are reported and start-up goes on.
void CheckStartupEnvironment();
