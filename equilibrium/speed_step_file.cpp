// The speed-step file of the overspeed planner.
#include "equilibrium/speed_step_file.h"

#include "plat/atomic_file.hpp"

#include <cstdio>

std::string SpeedStepText(const SpeedSteps& steps) {
    std::string text;
    const int n = steps.Count();
    for (int i = 1; i <= n; ++i) {
        const auto k = static_cast<std::size_t>(i);
        char line[128];
        std::snprintf(line, sizeof line, "%f\t%f\t%f", double(steps.start[k]),
                      double(steps.speed[k]), double(steps.rate[k]));
        text += line;
        if (i < n)
            text += '\n';
    }
    return text;
}

bool WriteSpeedStepFile(const SpeedSteps& steps, const std::string& path) {
    // A program without steps would leave the run's method empty: nothing is written.
    if (steps.Count() < 1 || steps.speed.size() != steps.start.size() ||
        steps.rate.size() != steps.start.size() || path.empty())
        return false;
    return plat::WriteFileAtomically(path, SpeedStepText(steps));
}
