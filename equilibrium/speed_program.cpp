// Speed programs of an overspeeding equilibrium run.
#include "equilibrium/speed_program.h"

#include <algorithm>
#include <cmath>

float SpeedAtTime(const std::vector<float>& p, const SpeedProgramSettings& settings, float t,
                  bool rounding, float step) {
    const int n = static_cast<int>(p.size()) - 1;
    const double h = t / 3600.0, H = settings.overspeedTime / 3600.0, F = settings.finalSpeed;
    double speed = F;
    if (t >= 0.0f && n >= 1 && h <= H) {
        if (!settings.exponential) {
            int i = 1;
            while (i * H / n < h)
                ++i;
            speed = F * (i > n ? 1.0 : p[static_cast<std::size_t>(i)]);
        } else {
            const double tau = std::max(std::fabs(double(p[1])) * settings.decayTimeScale, 0.5);
            int i = 1;
            if (n > 1)
                while (h > i * H / (n - 1))
                    ++i;
            const double factor = i + 1 > n ? 1.0 : p[static_cast<std::size_t>(i + 1)];
            speed = (std::exp(-h / tau) * factor + 1.0) * F;
        }
    }
    if (rounding && step > 0.0f)
        speed = std::floor(speed / step + 0.5) * step;
    return static_cast<float>(std::clamp(speed, 0.0, 50000.0));
}

bool SpeedProgramHeld(const SpeedProgramSettings& settings) {
    return settings.stepTime > 0.0f && settings.overspeedTime > 0.0f &&
           double(settings.overspeedTime) / settings.stepTime <= kMaxSpeedProgramSteps;
}

bool BuildSpeedProgram(const std::vector<float>& p, const SpeedProgramSettings& settings,
                       bool rounding, float step, SpeedSteps& out) {
    if (!SpeedProgramHeld(settings))
        return false;
    std::vector<float> time, speed, rate;
    // Finer steps in the first hour, coarser after three.
    for (double t = 0.0; t < settings.overspeedTime;) {
        time.push_back(static_cast<float>(t));
        t += t < 3600.0 ? 2.0 / 3.0 * settings.stepTime
                        : (t < 10800.0 ? settings.stepTime : 2.0 * settings.stepTime);
    }
    for (std::size_t k = 0; k < time.size(); ++k) {
        float v = SpeedAtTime(p, settings, time[k], rounding, step);
        float r = settings.acceleration;
        if (k > 0) {
            const float dt = time[k] - time[k - 1];
            const float previous = speed.back();
            if (v > previous)
                v = std::min(v, previous + settings.acceleration * dt);
            else if (v < previous) {
                v = std::max(v, previous - settings.deceleration * dt);
                r = settings.deceleration;
            }
        }
        speed.push_back(v);
        rate.push_back(r);
    }
    const float last = speed.empty() ? 0.0f : speed.back();
    time.push_back(settings.overspeedTime);
    speed.push_back(settings.finalSpeed);
    rate.push_back(settings.finalSpeed < last ? settings.deceleration : settings.acceleration);
    // Keep the first point, real changes and the last point.
    out.start.assign(1, 0.0f);
    out.speed.assign(1, 0.0f);
    out.rate.assign(1, 0.0f);
    const float merge = step > 0.0f ? step : 1.0f;
    for (std::size_t k = 0; k < time.size(); ++k) {
        const bool lastPoint = k + 1 == time.size();
        if (k > 0 && !lastPoint && std::fabs(speed[k] - out.speed.back()) < merge)
            continue;
        float r = rate[k];
        if (lastPoint && out.Count() >= 1)
            r = speed[k] < out.speed.back() ? settings.deceleration : settings.acceleration;
        out.start.push_back(time[k]);
        out.speed.push_back(speed[k]);
        out.rate.push_back(r);
    }
    return true;
}
