// The planner's parameters and their preferences file.
#include "equilibrium/time_to_eq_parameters.h"

#include "foundations/c_locale.h"
#include "foundations/cvector.h"
#include "foundations/decimal_number.h"
#include "foundations/hydrodynamics.h"
#include "foundations/text_lines.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_store_alloc.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

namespace {

using P = TimeToEqParameters;

// The file's lines in order; booleans as 1/0, counts as written by %f, D in 1e-7 cm^2/s.
struct Line {
    float* f = nullptr;
    bool* b = nullptr;
    int* i = nullptr;
    double scale = 1.0;
};

std::vector<Line> Lines() {
    return {{&P::finalSpeed},
            {&P::initialSpeed},
            {&P::acceleration},
            {&P::deceleration},
            {&P::stepTime},
            {&P::overspeedTime},
            {&P::bottom},
            {&P::meniscus},
            {&P::rightLimit},
            {&P::leftLimit},
            {nullptr, nullptr, &P::speciesCount},
            {&P::vbar1},
            {&P::temperature},
            {&P::epsilon},
            {nullptr, nullptr, &P::parameterCount},
            {&P::maxOverconcentration},
            {nullptr, &P::givenDistribution},
            {nullptr, &P::fromLoadedData},
            {nullptr, nullptr, &P::repeats},
            {nullptr, &P::saveScanFiles},
            {nullptr, &P::saveMethodsFormat},
            {&P::density},
            {&P::viscosity},
            {&P::s1},
            {&P::M1},
            {&P::ff01},
            {nullptr, &P::useFf01},
            {nullptr, &P::secondSpecies},
            {&P::fraction2},
            {&P::s2},
            {&P::M2},
            {&P::vbar2},
            {&P::ff02},
            {nullptr, &P::useFf02},
            {&P::D1, nullptr, nullptr, 1e7},
            {&P::D2, nullptr, nullptr, 1e7},
            {&P::bestValue},
            {&P::speedRoundingStep},
            {nullptr, &P::exponentialParameterization}};
}

} // namespace

void TimeToEqParameters::ResetToDefaults() {
    preferencesSaved = false;
    finalSpeed = 15000.0f;
    initialSpeed = 0.0f;
    simulationHorizon = 50000.0f;
    acceleration = deceleration = 280.0f;
    stepTime = 900.0f;
    overspeedTime = 30000.0f;
    bottom = 7.2f;
    meniscus = 6.8f;
    rightLimit = 7.15f;
    leftLimit = 6.82f;
    speciesCount = 1;
    vbar1 = 0.0f;
    temperature = 4.0f;
    epsilon = 0.001f;
    parameterCount = 5;
    maxOverconcentration = 1.5f;
    givenDistribution = fromLoadedData = false;
    repeats = 1;
    saveScanFiles = saveMethodsFormat = true;
    justRunSpeedFile = false;
    density = viscosity = 0.0f;
    s1 = 4.31f;
    M1 = 65000.0f;
    ff01 = 1.4f;
    useFf01 = true;
    secondSpecies = false;
    fraction2 = 0.0f;
    s2 = 6.5f;
    M2 = 130000.0f;
    vbar2 = 0.0f;
    ff02 = 1.4f;
    useFf02 = true;
    D1 = D2 = 0.0f;
    bestValue = 0.0f;
    speedRoundingStep = 1.0f;
    exponentialParameterization = true;
    outputPath.clear();
}

bool SaveTimeToEqParameterPreferences(const std::string& path) {
    plat::AtomicFile out(path);
    std::FILE* f = out.file();
    if (!f)
        return false;
    CLocaleScope c;
    for (const Line& l : Lines()) {
        const double v = l.f ? *l.f * l.scale : l.b ? (*l.b ? 1.0 : 0.0) : double(*l.i);
        std::fprintf(f, "%f\n", v);
    }
    return out.Commit();
}

bool LoadTimeToEqParameterPreferences(const std::string& path, std::string* refused) {
    auto say = [&](const char* format, auto... values) {
        if (refused) {
            char text[300];
            std::snprintf(text, sizeof text, format, values...);
            *refused = text;
        }
        return false;
    };
    std::ifstream in(path);
    if (!in) {
        std::error_code unknown;
        return std::filesystem::exists(path, unknown) && say("the file cannot be opened");
    }
    std::stringstream text;
    text << in.rdbuf();
    const std::vector<Line> lines = Lines();
    auto refuse = [&](std::size_t k, double v) {
        return say("number %zu of the file (%g) is not a value its setting can hold", k + 1, v);
    };
    // Read as every vector file is: the first number of each line, blank lines passed over, the
    // rest of the line not read; the reading stops at a line without a number. What follows the
    // settings is not read.
    CVector values(static_cast<std::uint32_t>(lines.size()), 1);
    std::fill(values.data, values.data + values.length, std::nanf(""));
    values.Read(path.c_str());
    const std::size_t read =
        static_cast<std::size_t>(std::find_if(values.data, values.data + values.length,
                                              [](float v) { return std::isnan(v); }) -
                                 values.data);
    // The line of each setting begins with its number as written: a typo, a decimal comma or a
    // unit right after the number is not taken for the number it starts with.
    std::size_t k = 0;
    int lineNumber = 0;
    for (const std::string& line : TextLines(text.str())) {
        ++lineNumber;
        if (k > read || k == lines.size())
            break;
        if (!HasContent(line))
            continue;
        std::string first;
        std::istringstream(line) >> first;
        const std::optional<double> v = DecimalNumber(first);
        if (!v)
            return say("line %d of the file (%.20s) is not a number", lineNumber,
                       std::string(WithoutBlanks(line)).c_str());
        if (k == read)
            return refuse(k, *v); // a number beyond single precision
        ++k;
    }
    if (read == 0)
        return say("the file holds no numbers");
    if (read < lines.size())
        return say("the file ends after %zu of the %zu numbers", read, lines.size());
    // A count beyond int is refused with the file: the settings stay as they were. A count
    // written as a float is read back rounded down.
    for (k = 0; k < lines.size(); ++k) {
        const double v = std::floor(double(values.data[k]));
        if (lines[k].i &&
            !(v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max()))
            return refuse(k, values.data[k]);
    }
    for (k = 0; k < lines.size(); ++k) {
        const Line& l = lines[k];
        const double v = values.data[k];
        if (l.f)
            *l.f = static_cast<float>(v / l.scale);
        else if (l.b)
            *l.b = v > 0.0;
        else
            *l.i = static_cast<int>(std::floor(v));
    }
    return true;
}

void CompleteTimeToEqSpecies() {
    const float relativeViscosity = P::viscosity / 0.001002f;
    auto complete = [&](float M, float vbar, float& s, float& ff0, bool useFf0, float& D) {
        const double sphere = SFromMandFf0(M, vbar, P::temperature, P::density, relativeViscosity);
        if (useFf0 && ff0 > 0.0f)
            s = static_cast<float>(sphere / ff0);
        else if (!useFf0 && s != 0.0f)
            ff0 = static_cast<float>(sphere / s);
        // DFromSandM applies the scan store's buoyancy: the mass is scaled to carry this one.
        const double buoyancy = 1.0 - double(vbar) * P::density;
        const double storeBuoyancy = 1.0 - double(ScanStore::vbarRho);
        D = static_cast<float>(DFromSandM(float(M * buoyancy / storeBuoyancy), s, P::temperature));
    };
    complete(P::M1, P::vbar1, P::s1, P::ff01, P::useFf01, P::D1);
    complete(P::M2, P::vbar2, P::s2, P::ff02, P::useFf02, P::D2);
}
