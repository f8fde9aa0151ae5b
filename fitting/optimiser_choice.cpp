// The optimiser choice of FitControl and the road that runs it.
#include "fitting/optimiser_choice.h"

#include "state/fit_control.h"

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
    c.ml.tolerance = FitControl::tolerance;
    return c;
}

namespace {

OptimResult RunML(TXLAWindow* window, const OptimiserChoice& choice, double* p, int n,
                  const FitObjective& objective, const ParameterBounds& bounds,
                  OptimControl& control) {
    // The progress line is shown for this optimiser only and removed on every way out.
    const MLProgressLineScope line(window);
    const auto previous = control.progress;
    control.progress = line.Sink();
    const OptimResult r = MLOptimize(p, n, objective, choice.ml, bounds, control);
    control.progress = previous;
    return r;
}

} // namespace

OptimResult RunChosenOptimiser(TXLAWindow* window, const OptimiserChoice& choice, double* p, int n,
                               const FitObjective& objective, const ParameterBounds& bounds,
                               OptimControl& control) {
    using Choice = OptimiserChoice;
    const int first = control.evaluations;
    OptimResult r;
    switch (choice.method) {
    case Choice::Method::MarquardtLevenberg:
        r = RunML(window, choice, p, n, objective, bounds, control);
        break;
    case Choice::Method::Simplex:
        r = SimplexOptimize(p, n, objective, choice.simplex, bounds, control);
        break;
    case Choice::Method::Annealing:
        r = AnnealingOptimize(p, n, objective, choice.annealing, bounds, control);
        if (control.Stopped())
            break;
        if (choice.afterAnnealing == Choice::FinalStep::MarquardtLevenberg)
            r = RunML(window, choice, p, n, objective, bounds, control);
        else if (choice.afterAnnealing == Choice::FinalStep::Simplex)
            r = SimplexOptimize(p, n, objective, choice.simplex, bounds, control);
        break;
    }
    r.evaluations = control.evaluations - first;
    return r;
}
