// Reading boundary-element model output and extrapolating its diffusion coefficients.
#include "tools/best_models.h"

#include "foundations/c_locale.h"
#include "foundations/straight_line_fit.h"
#include "foundations/text_lines.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace {

constexpr std::string_view kPatches = "Number of Surface Patches";
constexpr std::string_view kDiffusion = "DTT(EXACT) =";
constexpr std::size_t kDiffusionSkip = 13; // the key and the character after it
constexpr std::size_t kMaxWord = 99;
constexpr double kGasConstant = 8.31451e7;  // erg/(mol K)
constexpr double kWaterDensity20 = 0.99823; // g/ml
constexpr double kStandardKelvin = 293.15;

// The leading number of the first whitespace-separated word from pos; 0 without one.
double WordNumber(std::string_view text, std::size_t pos) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos])))
        ++pos;
    std::size_t end = pos;
    while (end < text.size() && end - pos < kMaxWord &&
           !std::isspace(static_cast<unsigned char>(text[end])) && text[end] != '\0')
        ++end;
    const std::string word(text.substr(pos, end - pos));
    return std::strtod(word.c_str(), nullptr);
}

bool Usable(double v) {
    return std::isfinite(v) && v > 0.0;
}

} // namespace

std::vector<BestModel> ReadBestModels(std::string_view text) {
    CLocaleScope cLocale;
    std::vector<BestModel> models;
    std::size_t patch = text.find(kPatches);
    while (patch != std::string_view::npos && models.size() < kMaxBestModels) {
        const double n = WordNumber(text, patch + kPatches.size());
        const std::size_t dtt = text.find(kDiffusion, patch);
        if (dtt == std::string_view::npos)
            break;
        const double d = WordNumber(text, std::min(text.size(), dtt + kDiffusionSkip));
        if (Usable(n) && Usable(d))
            models.push_back({n, d});
        patch = text.find(kPatches, dtt);
    }
    return models;
}

BestExtrapolation ExtrapolateBestModels(std::vector<BestModel> models) {
    BestExtrapolation e;
    std::stable_sort(models.begin(), models.end(), [](const BestModel& a, const BestModel& b) {
        return a.triangles > b.triangles;
    });
    e.models = models;
    const int c = static_cast<int>(models.size());
    if (c == 0)
        return e;
    if (c == 1) {
        e.ok = true;
        e.used = 1;
        e.d0 = models[0].d;
        return e;
    }
    std::vector<double> x, y;
    for (const BestModel& m : models) {
        x.push_back(1.0 / m.triangles);
        y.push_back(m.d);
    }
    int n = c;
    StraightLineFit fit = FitStraightLine(x, y, n);
    while (n >= 4) {
        const StraightLineFit fewer = FitStraightLine(x, y, n - 1);
        if (!(fewer.ok && fit.ok && 0.3 * fit.residualSum > fewer.residualSum))
            break;
        --n;
        fit = fewer;
    }
    if (!fit.ok)
        return e;
    e.ok = true;
    e.used = n;
    e.d0 = fit.intercept;
    e.slope = fit.slope;
    return e;
}

double StandardSFromD(double molarMass, double d, double vbar) {
    return 1e13 * molarMass * d * (1.0 - vbar * kWaterDensity20) / (kGasConstant * kStandardKelvin);
}

std::string BestReportText(const std::string& fileName, const BestExtrapolation& e,
                           double molarMass, double vbar, double s) {
    CLocaleScope cLocale;
    std::string text;
    AppendFormat(text, "reading %s\nfound %d D-values:\n", fileName.c_str(),
                 static_cast<int>(e.models.size()));
    for (const BestModel& m : e.models)
        AppendFormat(text, "%.0f triangles - D = %e\n", m.triangles, m.d);
    if (e.used < static_cast<int>(e.models.size()))
        AppendFormat(text,
                     "\nextrapolation of %d largest models to 1/N = 0 gives D = %e cm^2/sec\n",
                     e.used, e.d0);
    else
        AppendFormat(text, "\nextrapolation to 1/N = 0 gives D = %e cm^2/sec\n", e.d0);
    AppendFormat(text,
                 "\nunder standard conditions, with Mw = %f Da and vbar = %f ml/g, this results in "
                 "an s-value of %f S",
                 molarMass, vbar, s);
    text += "\n\n show extrapolation plot?";
    return text;
}
