// Whether a key waits in the calling thread's queue, without taking it: a long computation can
// end early on it and leave the key to whoever decides what the key means.
#pragma once

// True when a key-down of any window of the thread is queued; nothing is removed.
bool KeyPending();
