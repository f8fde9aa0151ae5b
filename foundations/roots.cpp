// Root searches of the distribution analysis.
#include "foundations/roots.h"

#include "foundations/analysis_failure.h"
#include "foundations/brent_root.h"
#include "foundations/shape_models.h"
#include "foundations/show_error.h"

namespace {
constexpr int kMaxIterations = 100;
}

double Zbrent(double (*f)(double), double lower, double upper, double tolerance) {
    BrentResult r = BrentRoot(f, lower, upper, tolerance, kMaxIterations);
    if (!r.bracketed)
        ShowError(AnalysisFailureText(AnalysisFailure::RootNotBracketed), 0);
    else if (!r.converged)
        ShowError(AnalysisFailureText(AnalysisFailure::ZbrentIterations), 0);
    return r.root;
}

double FindRootBrent(double (*f)(double), double lower, double upper, double tolerance) {
    double fl = f(lower), fu = f(upper);
    if ((fl > 0.0 && fu > 0.0) || (fl < 0.0 && fu < 0.0)) {
        if (ShapeModels::wormChainSearch)
            ShowError("problem in finding M(s) for low Mw in worm-like chain model", 0);
        return lower;
    }
    return BrentRoot(f, lower, upper, tolerance, kMaxIterations).root;
}
