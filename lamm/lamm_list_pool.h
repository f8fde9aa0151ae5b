// Threads kept between Lamm equation lists, which solve the shares of a list with its caller.
#pragma once

#include <functional>
#include <vector>

class MultiThreadCLammIdeal;

// Solves every share once. The calling thread solves shares[0] and then claims the others in
// turn; up to `helpers` kept threads claim those it has not reached yet, so a share never waits
// for a thread the system has not scheduled. Returns when every share is done, calling
// `whileWaiting` every few milliseconds while the calling thread waits for a kept thread.
void SolveListShares(const std::vector<MultiThreadCLammIdeal*>& shares, int helpers,
                     const std::function<void()>& whileWaiting);
