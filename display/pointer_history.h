// The pointer's recent path during a marker drag, the speed at which the marker was let go, and
// the slide that follows the release, computed whole before it is played back.
#pragma once

#include <cstdint>

// Released markers slide only while gMouseSlidingOff is clear; a sliding marker bounces back at
// the first edge it hits while gMouseBouncing is set. Alt+M steps through the settings.
inline bool gMouseSlidingOff = true;
inline bool gMouseBouncing = true;

struct PointerHistory {
    static constexpr int kCapacity = 8;
    static inline int x[kCapacity] = {}, y[kCapacity] = {};
    static inline std::int64_t t[kCapacity] = {}; // milliseconds of the program's clock
    static inline int count = 0;
    static inline float releaseSpeed = 0.0f; // pixels per second, the last MouseTrackSpeed

    static void ResetToDefaults();
};

// Constants of the slide: friction (pixels/s^2, held negative), the pull toward the first edge
// hit while bouncing, the share of speed a bounce keeps, and the time step in seconds.
constexpr float kSlideFriction = -2000.0f;
constexpr float kSlideEdgePull = 20000.0f;
constexpr float kSlideBounceKeeps = 0.7f;
constexpr float kSlideStep = 0.005f;

void MouseTrackReset();
// Adds a sample taken now; the oldest of eight is dropped.
void MouseTrackAdd(int x, int y);
// The same with the sample's time given, in milliseconds.
void MouseTrackAddAt(int x, int y, std::int64_t milliseconds);
// Speed of the newest sample in pixels per second from a parabola fitted through the history;
// 0 when the pointer rested more than 0.3 s before the last sample or the history cannot tell.
float MouseTrackSpeed();
// The slide from column start between columns low and high: columns[1..count] and the delay in
// seconds before each, in arrays allocated with ivector and vector that the caller frees. False,
// with nothing allocated, when sliding is off or the release speed is 0.
bool MouseTrackRelease(int** columns, float** delays, int* count, int low, int high, int start);
