// Threads kept for the program's parallel work: the shares of a Lamm equation list, of the
// normal equations and of the Monte-Carlo replicates all run on them.
#pragma once

#include <functional>

// Runs share(k, onCallingThread) once for each k = 1..count. The calling thread runs share 1 and
// then claims the others in turn; up to `helpers` kept threads claim those it has not reached
// yet, so a share never waits for a thread the system has not scheduled. Returns when every
// share is done, calling `whileWaiting` (when given) every few milliseconds while the calling
// thread waits for a kept thread. Calls may come from several threads at once and may nest (a
// share may run shares of its own): a caller never waits for a share nobody has claimed. An
// exception from a share (on any thread) or from `whileWaiting` leaves the call's other shares
// unclaimed and is passed on by the caller once the kept threads have finished the shares they run.
void RunOnKeptThreads(int count, int helpers,
                      const std::function<void(int share, bool onCallingThread)>& share,
                      const std::function<void()>& whileWaiting = {});
