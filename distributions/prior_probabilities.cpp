// The prior probability curve, its reading and resampling, and the one prior block of the
// program. The regularization takes the resampled values as relative probabilities of the grid
// points (conti_regularization.cpp); the file checks and the resampling are tested beside the
// prior commands, the effect on the solution in the regularization tests.
#include "distributions/prior_probabilities.h"

#include "foundations/ascending_pairs.h"
#include "foundations/nr_arrays.h"
#include "state/conti_state.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <locale>
#include <sstream>

namespace {

PriorCurve gCurve;                    // of "Use Prior Probabilities"
std::vector<double> gDiscreteSpecies; // of "Prior Knowledge of Discrete Species"

std::string Refusal(int line, const char* what) {
    char text[200];
    std::snprintf(text, sizeof text, "line %d of the prior probability file %s.", line, what);
    return text;
}

} // namespace

std::string ParsePriorText(const std::string& text, PriorCurve& out) {
    AscendingPairs rows;
    const PairReadOutcome read = ReadAscendingPairs(text, rows);
    const char* refused = "The prior probability is refused: ";
    switch (read.fault) {
    case PairFault::None:
        break;
    case PairFault::NotTwoNumbers:
        return refused + Refusal(read.line, "has not two numbers");
    case PairFault::NotFinite:
        return refused + Refusal(read.line, "holds a value that is not a finite number");
    case PairFault::NotAscending:
        return refused + Refusal(read.line, "does not continue the ascending abscissae");
    case PairFault::TooManyRows:
        return "The prior probability is refused: it holds more than 1000000 rows.";
    }
    for (std::size_t i = 0; i < rows.y.size(); ++i)
        if (rows.y[i] < 0.0)
            return refused + Refusal(rows.line[i], "holds a negative probability");
    PriorCurve curve;
    curve.x = std::move(rows.x);
    curve.p = std::move(rows.y);
    if (curve.x.size() < 2) {
        char text2[200];
        std::snprintf(text2, sizeof text2,
                      "The prior probability is refused: it holds %zu row(s) of abscissa and "
                      "probability, at least 2 are needed.",
                      curve.x.size());
        return text2;
    }
    if (!std::any_of(curve.p.begin(), curve.p.end(), [](double p) { return p > 0.0; }))
        return "The prior probability is refused: every probability in it is zero.";
    out = std::move(curve);
    return {};
}

std::string ReadPriorFile(const std::string& path, PriorCurve& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "The prior probability file " + path + " cannot be read.";
    std::ostringstream text;
    text << in.rdbuf();
    const std::string why = ParsePriorText(text.str(), out);
    return why.empty() ? why : why + "\n(" + path + ")";
}

std::vector<double> ResamplePrior(const PriorCurve& curve, const std::vector<double>& x) {
    std::vector<double> out(x.size(), 0.0);
    const std::size_t m = curve.x.size();
    if (m < 2)
        return out;
    for (std::size_t i = 1; i < x.size(); ++i) {
        const double v = x[i];
        if (!(v >= curve.x.front() && v <= curve.x.back()))
            continue;
        const std::size_t hi = std::max<std::size_t>(
            1, std::min<std::size_t>(m - 1, std::upper_bound(curve.x.begin(), curve.x.end(), v) -
                                                curve.x.begin()));
        const std::size_t lo = hi - 1;
        // halves, so that abscissae near the ends of double's range do not overflow
        double t = (0.5 * v - 0.5 * curve.x[lo]) / (0.5 * curve.x[hi] - 0.5 * curve.x[lo]);
        t = t >= 0.0 ? std::min(t, 1.0) : 0.0;
        out[i] = curve.p[lo] + t * (curve.p[hi] - curve.p[lo]);
    }
    return out;
}

std::vector<double> DiscretePrior(const std::vector<double>& x,
                                  const std::vector<double>& species) {
    const std::size_t n = x.size() - 1;
    std::vector<double> out(x.size(), 0.01);
    if (x.size() < 3)
        return out;
    for (double s : species) {
        // the grid step where the species sits sets the width
        const std::size_t at =
            std::clamp<std::size_t>(std::lower_bound(x.begin() + 1, x.end(), s) - x.begin(), 1, n);
        const std::size_t a = std::max<std::size_t>(1, at - 1), b = std::min(n, at + 1);
        const double sigma = 2.0 * (x[b] - x[a]) / double(b - a);
        if (!(sigma > 0.0) || !std::isfinite(s))
            continue;
        for (std::size_t p = 1; p <= n; ++p) {
            const double z = (x[p] - s) / sigma;
            out[p] += std::exp(-0.5 * z * z);
        }
    }
    return out;
}

void UsePriorCurve(PriorCurve curve) {
    gCurve = std::move(curve);
    ContiState::priorInUse = true;
}

void UseDiscreteSpecies(std::vector<double> species) {
    gDiscreteSpecies = std::move(species);
    ContiState::discretePrior = true;
}

std::vector<double> PriorForGrid(const std::vector<double>& x) {
    std::vector<double> prior;
    if (ContiState::discretePrior && !gDiscreteSpecies.empty())
        prior = DiscretePrior(x, gDiscreteSpecies);
    else if (ContiState::priorInUse && !gCurve.x.empty())
        prior = ResamplePrior(gCurve, x);
    const bool positive = std::any_of(prior.begin() + std::min<std::size_t>(1, prior.size()),
                                      prior.end(), [](double p) { return p > 0.0; });
    return positive ? prior : std::vector<double>{};
}

void FreePriorArrays(int n) {
    if (ContiState::priorValues)
        free_dvector(ContiState::priorValues, 1, n);
    if (ContiState::priorAbscissa)
        free_vector(ContiState::priorAbscissa, 1, n);
    ContiState::priorValues = nullptr;
    ContiState::priorAbscissa = nullptr;
}

void KeepPriorOfDistribution(const std::vector<double>& prior) {
    const int n = ContiState::gridPoints;
    FreePriorArrays(n);
    ContiState::priorInUse2 = false;
    if (static_cast<int>(prior.size()) != n + 1 || !ContiState::sValues)
        return;
    ContiState::priorValues = dvector(1, n);
    ContiState::priorAbscissa = vector(1, n);
    for (int p = 1; p <= n; ++p) {
        ContiState::priorValues[p] = prior[std::size_t(p)];
        ContiState::priorAbscissa[p] = ContiState::sValues[p];
    }
    // the discrete species shaped this distribution: their prior is shown with it
    ContiState::priorInUse2 = ContiState::discretePrior;
}

void ClearPriorParams() {
    FreePriorArrays(ContiState::gridPoints);
    gCurve = PriorCurve{};
    gDiscreteSpecies.clear();
    ContiState::priorInUse = ContiState::priorInUse2 = false;
    ContiState::discretePrior = ContiState::discretePriorOneShot = false;
}
