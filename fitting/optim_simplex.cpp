// Downhill simplex (Nelder-Mead) and its annealing variant over a fit objective.
#include "fitting/optim_simplex.h"

#include "foundations/analysis_failure.h"
#include "foundations/random_numbers.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// The simplex p[1..n+1][1..n] as row pointers into one block, with values and column sums.
struct Simplex {
    int n;
    std::vector<double> block;
    std::vector<double*> rows;
    std::vector<double> y, psum;
    explicit Simplex(int n)
        : n(n), block(static_cast<std::size_t>(n + 2) * (n + 1)), rows(n + 2), y(n + 2),
          psum(n + 1) {
        for (int i = 0; i <= n + 1; ++i)
            rows[i] = &block[static_cast<std::size_t>(i) * (n + 1)];
    }
    double** p() { return rows.data(); }
    void Sums() {
        for (int j = 1; j <= n; ++j) {
            double s = 0.0;
            for (int i = 1; i <= n + 1; ++i)
                s += rows[i][j];
            psum[j] = s;
        }
    }
};

double Evaluate(const FitObjective& objective, const double* p, OptimControl& control) {
    ++control.evaluations;
    double v = objective(p);
    return std::isfinite(v) ? v : kFailedEvaluation;
}

// The best vector seen by any evaluation of a run, so an abort or a fluctuation never loses it.
struct BestSeen {
    std::vector<double> p;
    double y = 0.0;
    bool set = false;
    void Offer(const double* q, int n, double v) {
        if (set && v >= y)
            return;
        p.assign(q, q + n + 1);
        y = v;
        set = true;
    }
};

// Vertex 1 is the start; vertex k+1 moves parameter k by a fraction of itself (a small absolute
// step where it is 0). The fraction comes from the shuffled generator, so a fit is reproducible.
// A step that would leave the bounds goes the other way: a parameter starting on its bound moves
// inward.
int Build(Simplex& s, const double* start, double randomization, const FitObjective& objective,
          BestSeen& best, const ParameterBounds& bounds, OptimControl& control) {
    const int n = s.n;
    int seed = -1;
    ran1(&seed);
    for (int i = 1; i <= n + 1; ++i)
        for (int j = 1; j <= n; ++j)
            s.rows[i][j] = bounds.Clamp(j, start[j]);
    for (int k = 1; k <= n; ++k) {
        double u = 2.0 * ran1(&seed) - 1.0;
        if (std::fabs(u) < 0.25)
            u = u < 0 ? -0.25 : 0.25;
        double step = randomization * u * start[k];
        if (step == 0.0)
            step = 1e-3 * (randomization > 0 ? randomization / 0.01 : 1.0);
        const double from = s.rows[1][k];
        double v = from + step;
        if (v > bounds.Upper(k) || v < bounds.Lower(k))
            v = from - step;
        s.rows[k + 1][k] = bounds.Clamp(k, v);
    }
    for (int i = 1; i <= n + 1; ++i) {
        s.y[i] = Evaluate(objective, s.rows[i], control);
        best.Offer(s.rows[i], n, s.y[i]);
        if (control.Stopped())
            return i;
    }
    s.Sums();
    return n + 1;
}

// Shared move of the plain and the thermal simplex: a trial through the centroid, judged against
// the worst vertex with the fluctuation (trial lowered by fluct, vertex value as given). A trial
// beyond a bound is mirrored into the box, and the vertex kept is the point evaluated.
double Try(double** p, double* y, double* psum, int n, const FitObjective& objective, int worst,
           double factor, double yWorstJudged, double trialFluct, BestSeen* best,
           const ParameterBounds& bounds, OptimControl& control, bool* replaced = nullptr) {
    std::vector<double> trial(n + 1);
    const double fac1 = (1.0 - factor) / n;
    const double fac2 = fac1 - factor;
    for (int j = 1; j <= n; ++j)
        trial[j] = bounds.Reflect(j, psum[j] * fac1 - p[worst][j] * fac2);
    double ytry = Evaluate(objective, trial.data(), control);
    if (best)
        best->Offer(trial.data(), n, ytry);
    if (replaced)
        *replaced = false;
    if (ytry - trialFluct < yWorstJudged) {
        if (replaced)
            *replaced = true;
        y[worst] = ytry;
        for (int j = 1; j <= n; ++j) {
            psum[j] += trial[j] - p[worst][j];
            p[worst][j] = trial[j];
        }
    }
    return ytry;
}

bool Collapsed(Simplex& s, int best) {
    for (int i = 1; i <= s.n + 1; ++i)
        for (int j = 1; j <= s.n; ++j) {
            double ref = s.rows[best][j];
            double tol = ref != 0.0 ? 1e-10 * std::fabs(ref) : 1e-14;
            if (std::fabs(s.rows[i][j] - ref) > tol)
                return false;
        }
    return true;
}

// Shrinks every vertex halfway towards vertex lo and re-evaluates them.
void Shrink(Simplex& s, int lo, const FitObjective& objective, BestSeen& best,
            OptimControl& control) {
    for (int i = 1; i <= s.n + 1; ++i) {
        if (i == lo)
            continue;
        for (int j = 1; j <= s.n; ++j)
            s.rows[i][j] = 0.5 * (s.rows[i][j] + s.rows[lo][j]);
        s.y[i] = Evaluate(objective, s.rows[i], control);
        best.Offer(s.rows[i], s.n, s.y[i]);
        if (control.Stopped())
            break;
    }
    s.Sums();
}

// Nelder-Mead moves until the values agree within tolerance, the simplex collapses, the
// evaluation budget is used, `settled` evaluations in a row found no better vector (0: never) or
// the fit is aborted. temperature 0 is the plain simplex; above 0 every comparison carries the
// thermal fluctuation, of that size relative to the best value so far. Returns false when the
// budget ran out.
bool Descend(Simplex& s, const FitObjective& objective, double tolerance, int budget,
             double temperature, int* seed, BestSeen& best, const ParameterBounds& bounds,
             OptimControl& control, int settled = 0) {
    const int n = s.n;
    const int stopAt = control.evaluations + budget;
    double lastBest = best.y;
    int lastGain = control.evaluations;
    double t = 0.0;
    auto fluct = [&]() { return t > 0 ? -t * std::log(ran1(seed)) : 0.0; };
    std::vector<double> yj(n + 2);
    for (;;) {
        if (control.Stopped())
            return true;
        t = temperature * best.y;
        for (int i = 1; i <= n + 1; ++i)
            yj[i] = s.y[i] + fluct();
        int lo = 1, hi = yj[1] > yj[2] ? 1 : 2, nhi = hi == 1 ? 2 : 1;
        for (int i = 1; i <= n + 1; ++i) {
            if (yj[i] <= yj[lo])
                lo = i;
            if (yj[i] > yj[hi]) {
                nhi = hi;
                hi = i;
            } else if (yj[i] > yj[nhi] && i != hi) {
                nhi = i;
            }
        }
        const double rtol =
            2.0 * std::fabs(yj[hi] - yj[lo]) / (std::fabs(yj[hi]) + std::fabs(yj[lo]) + 1e-20);
        if (rtol < tolerance || Collapsed(s, lo))
            return true;
        if (control.evaluations >= stopAt)
            return false;
        if (best.y < lastBest) {
            lastBest = best.y;
            lastGain = control.evaluations;
        }
        if (settled > 0 && control.evaluations - lastGain >= settled)
            return true;
        ++control.iterations;
        // Reflect; expand when it beat the best, contract when it is still the worst but one,
        // shrink when the contraction failed too. Judged values carry the fluctuation.
        bool replaced = false;
        double f = fluct();
        double yjudged = Try(s.p(), s.y.data(), s.psum.data(), n, objective, hi, -1.0, yj[hi], f,
                             &best, bounds, control, &replaced) -
                         f;
        if (replaced)
            yj[hi] = yjudged;
        if (control.Stopped())
            return true;
        if (yjudged <= yj[lo]) {
            f = fluct();
            Try(s.p(), s.y.data(), s.psum.data(), n, objective, hi, 2.0, yj[hi], f, &best, bounds,
                control);
        } else if (yjudged >= yj[nhi]) {
            const double ysave = yj[hi];
            f = fluct();
            yjudged = Try(s.p(), s.y.data(), s.psum.data(), n, objective, hi, 0.5, ysave, f, &best,
                          bounds, control) -
                      f;
            if (control.Stopped())
                return true;
            if (yjudged >= ysave)
                Shrink(s, lo, objective, best, control);
        }
    }
}

} // namespace

float NelderMeadTry(TXLAWindow* window, double** p, double* y, double* psum, int n,
                    const FitObjective& objective, int worst, double factor) {
    (void)window; // the move draws nothing
    OptimControl control;
    return static_cast<float>(Try(p, y, psum, n, objective, worst, factor, y[worst], 0.0, nullptr,
                                  ParameterBounds{}, control));
}

OptimResult SimplexOptimize(double* p, int n, const FitObjective& objective,
                            const SimplexOptions& options, const ParameterBounds& bounds,
                            OptimControl& control) {
    OptimResult result;
    const int first = control.evaluations;
    BestSeen best;
    if (n < 1) {
        result.value = Evaluate(objective, p, control);
        result.evaluations = 1;
        return result;
    }
    const int cap = options.maxEvaluations > 0 ? options.maxEvaluations : 500 * n;
    Simplex s(n);
    bool withinBudget = true;
    for (int pass = 0; pass < (options.restart ? 2 : 1) && !control.Stopped(); ++pass) {
        const double* start = pass == 0 ? p : best.p.data();
        std::vector<double> from(start, start + n + 1);
        if (Build(s, from.data(), options.randomization, objective, best, bounds, control) <= n ||
            control.Stopped())
            break;
        int left = cap - (control.evaluations - first);
        withinBudget = left > 0 && Descend(s, objective, options.tolerance, left, 0.0, nullptr,
                                           best, bounds, control);
        if (!withinBudget)
            break;
    }
    for (int j = 1; j <= n; ++j)
        p[j] = best.p[j];
    result.value = best.y;
    result.evaluations = control.evaluations - first;
    if (control.Stopped()) {
        result.status = OptimStatus::Aborted;
    } else if (!withinBudget) {
        result.status = OptimStatus::NotConverged;
        ReportAnalysisFailure(AnalysisFailure::SimplexNotConverged);
    }
    return result;
}

OptimResult AnnealingOptimize(double* p, int n, const FitObjective& objective,
                              const AnnealingOptions& options, const ParameterBounds& bounds,
                              OptimControl& control) {
    OptimResult result;
    const int first = control.evaluations;
    BestSeen best;
    int seed = -3;
    ran1(&seed);
    Simplex s(n);
    if (n < 1 || Build(s, p, options.randomization, objective, best, bounds, control) <= n) {
        if (!best.set)
            best.Offer(p, n, Evaluate(objective, p, control));
    } else {
        // The thermal moves draw from the generator seeded here (Build re-seeds its own use). The
        // temperature is relative to the best value so far, so the path does not depend on the
        // scale of the objective, and the fluctuations shrink with the misfit as the fit
        // improves: a hot search far from the best is not kept up near it. A level ends once a
        // quarter of its evaluations in a row found no better vector: the walk has settled at its
        // temperature, and the rest of the level would wander the same neighbourhood without a
        // gain.
        seed = -3;
        ran1(&seed);
        const int steps = options.steps > 0 ? options.steps : 1;
        for (int k = 0; k < steps && !control.Stopped(); ++k) {
            const double level = 1.0 - static_cast<double>(k) / steps;
            const double before = best.y;
            Descend(s, objective, 1e-12, options.iterationsPerStep,
                    options.startTemperature * level, &seed, best, bounds, control,
                    std::max(options.iterationsPerStep / 4, 1));
            if (k > 0 && options.endWithoutGain > 0.0 &&
                !(best.y < before * (1.0 - options.endWithoutGain)))
                break;
        }
    }
    for (int j = 1; j <= n; ++j)
        p[j] = best.p[j];
    result.value = best.y;
    result.evaluations = control.evaluations - first;
    if (control.Stopped())
        result.status = OptimStatus::Aborted;
    return result;
}
