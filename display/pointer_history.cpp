// Pointer history and marker slide. The release speed is the slope, at the newest sample, of a
// least-squares parabola through the last eight pointer columns; the slide integrates friction,
// bounces at the edges and, while bouncing, a pull back toward the first edge hit, in 5 ms steps.
// The tests check the step rule on a plain slide and the settling after a bounce.
#include "display/pointer_history.h"

#include "foundations/nr_arrays.h"
#include "plat/clock.hpp"

#include <cmath>
#include <cstdlib>
#include <vector>

void PointerHistory::ResetToDefaults() {
    count = 0;
    releaseSpeed = 0.0f;
    gMouseSlidingOff = true;
    gMouseBouncing = true;
}

void MouseTrackReset() {
    if (!gMouseSlidingOff)
        PointerHistory::count = 0;
}

void MouseTrackAddAt(int x, int y, std::int64_t milliseconds) {
    using H = PointerHistory;
    if (gMouseSlidingOff)
        return;
    if (H::count == H::kCapacity) {
        for (int i = 1; i < H::kCapacity; ++i) {
            H::x[i - 1] = H::x[i];
            H::y[i - 1] = H::y[i];
            H::t[i - 1] = H::t[i];
        }
        --H::count;
    }
    H::x[H::count] = x;
    H::y[H::count] = y;
    H::t[H::count] = milliseconds;
    ++H::count;
}

void MouseTrackAdd(int x, int y) {
    MouseTrackAddAt(x, y, std::int64_t(GetTickCount()));
}

float MouseTrackSpeed() {
    using H = PointerHistory;
    const int n = H::count;
    if (gMouseSlidingOff || n < 2)
        return 0.0f;
    const double gap = double(H::t[n - 1] - H::t[n - 2]) * 1000.0 * 1e-6;
    if (gap > 0.3) {
        H::releaseSpeed = 0.0f;
        return 0.0f;
    }
    float tau[H::kCapacity], xs[H::kCapacity];
    float mt = 0, mx = 0, mq = 0;
    for (int i = 0; i < n; ++i) {
        tau[i] = float(H::t[i] - H::t[0]) * 0.001f;
        xs[i] = float(H::x[i]);
        mt += tau[i];
        mx += xs[i];
        mq += tau[i] * tau[i];
    }
    mt /= float(n);
    mx /= float(n);
    mq /= float(n);
    float stt = 0, sxt = 0, sqt = 0, sqq = 0;
    for (int i = 0; i < n; ++i) {
        const float dt = tau[i] - mt;
        stt += dt * dt;
        sxt += (xs[i] - mx) * dt;
        const float dq = tau[i] * tau[i] - mq;
        sqt += dq * dt;
        sqq += dq * dq;
    }
    // Samples all taken at one instant tell no speed.
    if (stt <= 0.0f) {
        H::releaseSpeed = 0.0f;
        return 0.0f;
    }
    const float b0 = sxt / stt;
    const float d = sqt / stt;
    float rxq = 0, rqq = 0;
    for (int i = 0; i < n; ++i) {
        const float dt = tau[i] - mt;
        const float rx = xs[i] - mx - b0 * dt;
        const float rq = tau[i] * tau[i] - mq - d * dt;
        rxq += rx * rq;
        rqq += rq * rq;
    }
    // Two samples, or times that leave the square term no room of its own, give a straight line.
    const float c = (n > 2 && rqq > 1e-6f * sqq) ? rxq / rqq : 0.0f;
    const float b = b0 - c * d;
    H::releaseSpeed = b + 2.0f * c * tau[n - 1];
    if (!std::isfinite(H::releaseSpeed))
        H::releaseSpeed = 0.0f;
    return H::releaseSpeed;
}

namespace {

float FrictionAgainst(float speed) {
    if (speed > 0.0f)
        return kSlideFriction;
    if (speed < 0.0f)
        return -kSlideFriction;
    return 0.0f; // at standstill friction pushes nowhere
}

} // namespace

bool MouseTrackRelease(int** columns, float** delays, int* count, int low, int high, int start) {
    if (gMouseSlidingOff)
        return false;
    const float v = MouseTrackSpeed();
    if (v == 0.0f) {
        *columns = nullptr;
        *delays = nullptr;
        *count = 0;
        return false;
    }
    const int capacity =
        2 * int(std::ceil((std::fabs(v) / std::fabs(0.5f * kSlideFriction)) / kSlideStep)) + 1;
    // Working arrays with room for the ten-entry look-ahead of the trim.
    std::vector<int> col(std::size_t(capacity) + 12, 0);
    std::vector<float> del(std::size_t(capacity) + 12, 0.0f);
    col[1] = start;
    float speed = v;
    float a = FrictionAgainst(v);
    float pull = 0.0f;
    bool hit = false;
    int edge = 0;
    int last = 1;
    for (int i = 2; i <= capacity; ++i) {
        float h = kSlideStep;
        if (a != 0.0f && std::fabs(speed) - std::fabs(a) * h < 0.0f)
            h = std::fabs(speed) / std::fabs(a);
        del[i] = h;
        const float hm = h < 1e-6f ? 0.0f : h;
        int dx = speed > 0.0f ? int(std::ceil(speed * hm)) : int(std::floor(speed * hm));
        const int p = col[i - 1];
        bool edgeHit = false;
        if (p + dx < low || p + dx > high) {
            const bool atLow = p + dx < low;
            dx = (atLow ? low : high) - p;
            speed = -kSlideBounceKeeps * speed;
            edgeHit = true;
            if (!hit) {
                hit = true;
                edge = atLow ? low : high;
                if (gMouseBouncing)
                    pull = atLow ? -kSlideEdgePull : kSlideEdgePull;
            }
        }
        col[i] = p + dx;
        a = FrictionAgainst(speed);
        speed += (a + pull) * h;
        last = i;
        if (gMouseBouncing && hit) {
            if (std::abs(col[i] - edge) < 3 && std::abs(dx) <= 1 && std::fabs(speed) <= 10.0f)
                break;
        } else if ((!edgeHit && dx == 0) || std::fabs(speed) <= 1.0f) {
            break;
        }
    }
    // A marker that rests for ten steps has arrived.
    int n = last;
    for (int j = 1; j <= last; ++j) {
        if (del[j] <= 0.0f)
            continue;
        bool rests = true;
        for (int k = j + 1; k <= j + 10 && k <= capacity; ++k)
            rests = rests && col[k] == col[j];
        if (rests) {
            n = j;
            break;
        }
    }
    int* outColumns = ivector(1, n);
    float* outDelays = vector(1, n);
    for (int i = 1; i <= n; ++i) {
        outColumns[i] = col[i];
        outDelays[i] = del[i];
    }
    *columns = outColumns;
    *delays = outDelays;
    *count = n;
    return true;
}
