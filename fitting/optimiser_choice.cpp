// The optimiser choice of FitControl and the road that runs it.
#include "fitting/optimiser_choice.h"

#include "state/fit_control.h"
#include "state/held_discretisation.h"

OptimiserChoice ChosenOptimiser() {
    using Choice = OptimiserChoice;
    Choice c;
    c.method = FitControl::marquardtLevenberg   ? Choice::Method::MarquardtLevenberg
               : FitControl::simulatedAnnealing ? Choice::Method::Annealing
                                                : Choice::Method::Simplex;
    c.afterAnnealing = FitControl::annealingFinalML        ? Choice::FinalStep::MarquardtLevenberg
                       : FitControl::annealingFinalSimplex ? Choice::FinalStep::Simplex
                                                           : Choice::FinalStep::None;
    c.simplex.tolerance = FitControl::simplexTolerance;
    c.simplex.randomization = FitControl::simplexRandomization;
    // Annealing starts from the start temperature; the running one is only its current level.
    c.annealing.startTemperature = FitControl::annealingStartTemperature;
    c.annealing.steps = FitControl::annealingSteps;
    c.annealing.iterationsPerStep = FitControl::annealingIterations;
    c.annealing.randomization = FitControl::simplexRandomization;
    if (c.afterAnnealing != Choice::FinalStep::None)
        c.annealing.endWithoutGain = FitControl::simplexTolerance;
    c.ml.tolerance = FitControl::tolerance;
    return c;
}

namespace {

OptimResult RunML(CComputeObserver& observer, const OptimiserChoice& choice, double* p, int n,
                  const FitObjective& objective, const ParameterBounds& bounds,
                  OptimControl& control) {
    // The progress line is shown for this optimiser only and removed on every way out.
    MLProgressLineScope line(observer);
    const auto previous = control.progress;
    control.progress = line.Sink();
    const OptimResult r = MLOptimize(p, n, objective, choice.ml, bounds, control);
    control.progress = previous;
    return r;
}

// A stage whose trials needed finer grids than the held ones runs again from its best vector, on
// grids sized there, at most this many times.
constexpr int kResizings = 2;

// One optimiser stage on discretisations held from its first evaluation (see
// state/held_discretisation.h): the objective it searches is smooth in the parameters. The
// grids are sized again only between stages, never within one, and only when the best trial
// of the stage needed finer ones than held: a trial far from it (a meniscus at its bound next
// to the fit limit, say) leaves the result on grids fine enough for it.
template <class Stage>
OptimResult RunHeld(const FitObjective& objective, OptimControl& control, Stage stage,
                    int resizings = kResizings) {
    double best = 0.0;
    bool bestOutgrown = false, any = false;
    FitObjective held;
    held.evaluate = [&](const double* q, std::vector<double>* r) {
        HeldDiscretisation::BeginEvaluation();
        const double value = objective.evaluate(q, r);
        if (!any || value < best) {
            any = true;
            best = value;
            bestOutgrown = HeldDiscretisation::EvaluationOutgrown();
        }
        return value;
    };
    const HeldDiscretisation::Scope scope;
    OptimResult r;
    for (int pass = 0;; ++pass) {
        any = bestOutgrown = false;
        r = stage(held);
        // A failed stage is not run again: from its end the failure would look like a start.
        if (control.Stopped() || r.status == OptimStatus::Failed || !bestOutgrown ||
            pass == resizings)
            break;
        HeldDiscretisation::Resize();
    }
    return r;
}

} // namespace

OptimResult RunChosenOptimiser(CComputeObserver& observer, const OptimiserChoice& choice, double* p,
                               int n, const FitObjective& objective, const ParameterBounds& bounds,
                               OptimControl& control) {
    using Choice = OptimiserChoice;
    const int first = control.evaluations;
    auto ml = [&](const FitObjective& o) {
        return RunML(observer, choice, p, n, o, bounds, control);
    };
    auto simplex = [&](const FitObjective& o) {
        return SimplexOptimize(p, n, o, choice.simplex, bounds, control);
    };
    auto annealing = [&](const FitObjective& o) {
        return AnnealingOptimize(p, n, o, choice.annealing, bounds, control);
    };
    OptimResult r;
    switch (choice.method) {
    case Choice::Method::MarquardtLevenberg:
        r = RunHeld(objective, control, ml);
        break;
    case Choice::Method::Simplex:
        r = RunHeld(objective, control, simplex);
        break;
    case Choice::Method::Annealing:
        // Its wandering trials outgrow the held grids as a rule: with a final step, which sizes
        // them at its own start, it is not run again.
        r = RunHeld(objective, control, annealing,
                    choice.afterAnnealing == Choice::FinalStep::None ? kResizings : 0);
        if (control.Stopped())
            break;
        if (choice.afterAnnealing == Choice::FinalStep::MarquardtLevenberg)
            r = RunHeld(objective, control, ml);
        else if (choice.afterAnnealing == Choice::FinalStep::Simplex)
            r = RunHeld(objective, control, simplex);
        break;
    }
    r.evaluations = control.evaluations - first;
    return r;
}
