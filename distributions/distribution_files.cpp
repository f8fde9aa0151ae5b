// The distribution files: the held distribution as text, written and read back.
#include "distributions/distribution_files.h"

#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/float_range.h"
#include "foundations/nr_arrays.h"
#include "plat/atomic_file.hpp"
#include "state/conti_state.h"
#include "state/window_services.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>
#include <string>
#include <vector>

std::string DistributionText() {
    if (!ContiState::sValues || !ContiState::distribution || ContiState::gridPoints < 1)
        return {};
    std::string text;
    char line[100];
    for (int p = 1; p <= ContiState::gridPoints; ++p) {
        if (ContiState::secondDistribution)
            std::snprintf(line, sizeof line, "%.8e %.8e %.8e\n", ContiState::sValues[p],
                          ContiState::distribution[p], ContiState::secondDistribution[p]);
        else
            std::snprintf(line, sizeof line, "%.8e %.8e\n", ContiState::sValues[p],
                          ContiState::distribution[p]);
        text += line;
    }
    return text;
}

bool SaveDistributionFile(const std::string& path) {
    const std::string text = DistributionText();
    if (text.empty())
        return false;
    return plat::WriteFileAtomically(path, text);
}

bool LoadDistributionFromFile(const char* path) {
    std::ifstream in(path ? path : "");
    if (!in)
        return false;
    std::vector<float> x, c;
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        fields.imbue(std::locale::classic());
        double a = 0.0, b = 0.0;
        if (!(fields >> a)) {
            // blank lines are allowed; any other text is not a distribution file
            if (line.find_first_not_of(" \t\r") != std::string::npos)
                return false;
            continue;
        }
        // Kept in single precision: 1e39 would become infinity there.
        if (!(fields >> b) || !FitsFloat(a) || !FitsFloat(b))
            return false;
        x.push_back(static_cast<float>(a));
        c.push_back(static_cast<float>(b));
        if (x.size() > 1000000)
            return false;
    }
    const int n = static_cast<int>(x.size());
    if (n < 2)
        return false;
    for (int p = 1; p < n; ++p)
        if (!(x[p] > x[p - 1]))
            return false; // the abscissa must ascend
    // The integrals are kept in single precision: values near the largest float over a wide
    // abscissa would have an area of infinity. Over the whole grid, the integral of |c| bounds
    // the area of every range.
    std::vector<float> xs(1, 0.0f), magnitude(1, 0.0f);
    xs.insert(xs.end(), x.begin(), x.end());
    for (const float v : c)
        magnitude.push_back(std::fabs(v));
    if (!FitsFloat(IntegrateCurve(xs.data(), magnitude.data(), n, x.front(), x.back()).area))
        return false;
    FreeDistributionArrays();
    ContiState::gridPoints = n;
    ContiState::sValues = vector(1, n);
    ContiState::mValues = vector(1, n);
    ContiState::distribution = vector(1, n);
    for (int p = 1; p <= n; ++p) {
        ContiState::sValues[p] = x[p - 1];
        ContiState::distribution[p] = c[p - 1];
    }
    ContiState::heldAbscissa = HeldAbscissa::S; // a saved distribution is read as one over s
    WindowServices::CreateDistributionPlot();
    return true;
}
