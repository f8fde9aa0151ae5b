// Trace files of the Lamm solvers and their threads while diagnostics are on.
#pragma once

// Appends text to the file name in the diagnostics folder: the first write of an owner (created
// false) starts the file afresh, later ones append. Each write opens, writes and closes, so the
// trace survives a crash. A file that cannot be opened is reported and the result is false; the
// owner then stops tracing, so a traced loop does not show one box per entry.
bool AppendTrace(const char* fileName, const char* text, bool& created);
