// Monte Carlo of a distribution. Only the data change between replicates, so the normal matrix
// and the kernel of the original are kept and each replicate needs its right-hand side and a
// regularized solve.
#include "distributions/monte_carlo.h"

#include "distributions/buffer_kernel_column.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "foundations/key_polling.h"
#include "foundations/notice_boxes.h"
#include "foundations/random_numbers.h"
#include "foundations/resampling.h"
#include "foundations/show_error.h"
#include "lamm/kept_thread_pool.h"
#include "plat/atomic_file.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/conti_kernel.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/monte_carlo_state.h"
#include "state/run_switches.h"
#include "state/window_services.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>

namespace {

struct MCJob {
    const MonteCarloProblem* problem;
    const std::vector<std::vector<double>>* y;
    ContiNormalEquations* eq;
    // b*(p) for p with (p - 1) mod count = k - 1, each summed over scans and points in order.
    // Eight rows go through the points together: eight independent sums share each load of y.
    void ComputeRows(int k, int count) const {
        const MonteCarloProblem& pr = *problem;
        const ContiDataSet& set = pr.set;
        const NoiseTerms noise = set.Noise();
        constexpr int W = 8;
        for (int p0 = k; p0 <= pr.n; p0 += W * count) {
            int rows[W];
            int w = 0;
            for (int p = p0; p <= pr.n && w < W; p += count)
                rows[w++] = p;
            double sb[W] = {};
            for (int s = 0; s < set.Scans(); ++s) {
                const float* x[W];
                for (int u = 0; u < w; ++u)
                    x[u] = pr.column(rows[u], s);
                const double* ys = (*y)[s].data();
                if (w == W) {
                    for (int i = set.first; i <= set.last; ++i)
                        for (int u = 0; u < W; ++u)
                            sb[u] += double(x[u][i]) * ys[i];
                    continue;
                }
                for (int i = set.first; i <= set.last; ++i)
                    for (int u = 0; u < w; ++u)
                        sb[u] += double(x[u][i]) * ys[i];
            }
            for (int u = 0; u < w; ++u)
                eq->b[rows[u]] =
                    CentredProduct(sb[u], eq->columnMeans[rows[u]], eq->dataMeans, noise);
        }
    }
};

} // namespace

namespace {

// The right-hand side with its rows dealt out to `threads` shares.
void RightHandSide(const MonteCarloProblem& problem, const std::vector<std::vector<double>>& y,
                   ContiNormalEquations& eq, int threads) {
    const ContiDataSet& set = problem.set;
    eq.dataMeans = set.Means([&](int s) { return y[s].data(); });
    double yy = 0.0;
    for (int s = 0; s < set.Scans(); ++s)
        for (int i = set.first; i <= set.last; ++i)
            yy += y[s][i] * y[s][i];
    eq.yy = CentredProduct(yy, eq.dataMeans, eq.dataMeans, set.Noise());
    eq.b.assign(problem.n + 1, 0.0);
    MCJob job{&problem, &y, &eq};
    const int count = std::clamp(threads, 1, std::max(1, problem.n));
    RunContiShares(count, [&job](int k, int m) { job.ComputeRows(k, m); });
}

} // namespace

void MonteCarloRightHandSide(const MonteCarloProblem& problem,
                             const std::vector<std::vector<double>>& y, ContiNormalEquations& eq) {
    RightHandSide(problem, y, eq, problem.threads);
}

double MeasuredPointNoise(const MonteCarloProblem& problem) {
    const ContiDataSet& set = problem.set;
    if (problem.measuredRadii.empty())
        return problem.rmsd;
    // A grid value between two measured points is (1 - w) y0 + w y1, and its noise variance is
    // ((1 - w)^2 + w^2) sigma^2. The two weights are read off by resampling the combs of the
    // even and of the odd points: each grid value has one neighbour of each.
    const int g = static_cast<int>(problem.gridRadius.size()) - 1;
    std::vector<float> even, odd, a(std::size_t(g) + 1), b(std::size_t(g) + 1);
    double sum = 0.0;
    long count = 0;
    for (int s = 0; s < set.Scans(); ++s) {
        const std::vector<float>& r = problem.measuredRadii[std::size_t(s)];
        const int m = static_cast<int>(r.size()) - 1;
        even.assign(r.size(), 0.0f);
        odd.assign(r.size(), 0.0f);
        for (int j = 1; j <= m; ++j)
            (j % 2 ? odd : even)[std::size_t(j)] = 1.0f;
        std::fill(a.begin(), a.end(), 0.0f);
        std::fill(b.begin(), b.end(), 0.0f);
        ResampleCurve(g, problem.gridRadius.data(), a.data(), m, r.data(), even.data());
        ResampleCurve(g, problem.gridRadius.data(), b.data(), m, r.data(), odd.data());
        for (int i = set.first; i <= set.last && i <= g; ++i) {
            sum += double(a[std::size_t(i)]) * a[std::size_t(i)] +
                   double(b[std::size_t(i)]) * b[std::size_t(i)];
            ++count;
        }
    }
    const double share = count > 0 ? sum / double(count) : 1.0;
    return share > 0.0 ? problem.rmsd / std::sqrt(share) : problem.rmsd;
}

namespace {

// One replicate: its data y, drawn on the calling thread, and what its solve gave.
struct Replicate {
    std::vector<std::vector<double>> y;
    ContiRegularizedSolution solution;
    AnalysisFailure failure = AnalysisFailure::None;
};

// Solves a replicate alone on its thread: the right-hand side row by row, then the regularization
// on its own copy of the normal equations.
void SolveReplicate(const MonteCarloProblem& problem, Replicate& r) {
    ContiNormalEquations eq = problem.eq;
    RightHandSide(problem, r.y, eq, 1);
    r.solution = ContiRegularizedSolution{};
    r.failure =
        RegularizeDistribution(eq, problem.kind, problem.P, problem.nu, r.solution, problem.prior);
}

} // namespace

MonteCarloOutcome RunMonteCarloReplicates(const MonteCarloProblem& problem, int count,
                                          const MonteCarloNoise& noise) {
    MonteCarloOutcome out;
    if (count < 1)
        return out;
    const ContiDataSet& set = problem.set;
    const bool measured = !problem.measuredRadii.empty();
    const double sigma = MeasuredPointNoise(problem);
    std::vector<float> drawn, resampled(measured ? problem.gridRadius.size() : 0);
    // The data of replicate r: the best fit plus noise, drawn in the order scans, points.
    auto draw = [&](Replicate& r) {
        for (int s = 0; s < set.Scans(); ++s) {
            std::vector<double>& y = r.y[std::size_t(s)];
            if (!measured) {
                for (int i = set.first; i <= set.last; ++i)
                    y[i] = problem.fit[s][i] + noise(sigma);
                continue;
            }
            const std::vector<float>& radii = problem.measuredRadii[std::size_t(s)];
            drawn.assign(radii.size(), 0.0f);
            for (std::size_t j = 1; j < radii.size(); ++j)
                drawn[j] = static_cast<float>(noise(sigma));
            std::fill(resampled.begin(), resampled.end(), 0.0f);
            ResampleCurve(static_cast<int>(resampled.size()) - 1, problem.gridRadius.data(),
                          resampled.data(), static_cast<int>(radii.size()) - 1, radii.data(),
                          drawn.data());
            for (int i = set.first; i <= set.last; ++i)
                y[i] = problem.fit[s][i] + resampled[std::size_t(i)];
        }
    };
    // The replicates go in batches of one per thread on the kept threads, each solved whole by
    // one thread. The noise is drawn by the calling thread alone, in replicate order: share 1 of
    // a batch's call (always the caller's) draws the next batch while the kept threads solve this
    // one. So the replicates are the same for any thread count.
    const int threads = std::max(1, problem.threads);
    const int size = std::min(threads, count);
    std::vector<Replicate> slots(2 * static_cast<std::size_t>(size));
    for (Replicate& r : slots)
        r.y.assign(set.Scans(), std::vector<double>(set.last + 1, 0.0));
    for (int r = 0; r < size; ++r)
        draw(slots[std::size_t(r)]);
    for (int done = 0, batch = 0; done < count; ++batch) {
        const int now = std::min(size, count - done);
        const int next = std::min(size, count - done - now);
        Replicate* solving = &slots[std::size_t(batch % 2) * std::size_t(size)];
        Replicate* drawing = &slots[std::size_t((batch + 1) % 2) * std::size_t(size)];
        RunOnKeptThreads(now + 1, threads - 1, [&](int k, bool) {
            if (k == 1)
                for (int r = 0; r < next; ++r)
                    draw(drawing[r]);
            else
                SolveReplicate(problem, solving[k - 2]);
        });
        // In replicate order: the replicates before a failed one are kept.
        for (int r = 0; r < now; ++r) {
            Replicate& rep = solving[r];
            if (rep.failure != AnalysisFailure::None) {
                out.failure = rep.failure;
                out.failureDetail = rep.solution.failureDetail;
                return out;
            }
            out.amplitudes.push_back(std::move(rep.solution.c));
        }
        done += now;
        if (KeyPressed()) {
            gUserInterrupt.store(true);
            out.stopped = true;
            return out;
        }
    }
    return out;
}

double Quantile(std::vector<double> v, double q) {
    if (v.empty())
        return 0.0;
    std::sort(v.begin(), v.end());
    const double at = std::clamp(q, 0.0, 1.0) * double(v.size() - 1);
    const size_t lo = static_cast<size_t>(std::floor(at));
    const size_t hi = std::min(lo + 1, v.size() - 1);
    return v[lo] + (at - double(lo)) * (v[hi] - v[lo]);
}

void MonteCarloLimits(const std::vector<std::vector<float>>& replicates, double P,
                      std::vector<float>& lower, std::vector<float>& upper) {
    lower.clear();
    upper.clear();
    if (replicates.empty())
        return;
    const size_t n = replicates.front().size();
    lower.assign(n, 0.0f);
    upper.assign(n, 0.0f);
    std::vector<double> column(replicates.size());
    for (size_t p = 1; p < n; ++p) {
        for (size_t r = 0; r < replicates.size(); ++r)
            column[r] = replicates[r][p];
        lower[p] = static_cast<float>(Quantile(column, (1.0 - P) / 2.0));
        upper[p] = static_cast<float>(Quantile(column, (1.0 + P) / 2.0));
    }
}

namespace {

void MeanStd(const std::vector<double>& v, float& mean, float& stdDev) {
    double m = 0.0;
    for (double x : v)
        m += x;
    m /= double(v.size());
    double ss = 0.0;
    for (double x : v)
        ss += (x - m) * (x - m);
    mean = static_cast<float>(m);
    stdDev = v.size() > 1 ? static_cast<float>(std::sqrt(ss / double(v.size() - 1))) : 0.0f;
}

constexpr double kLowQuantile = 0.1587, kHighQuantile = 0.8413;

} // namespace

MonteCarloStatistics ComputeMonteCarloStatistics(const float* x, int n,
                                                 const std::vector<std::vector<float>>& replicates,
                                                 double smin, double smax) {
    MonteCarloStatistics st;
    if (replicates.empty())
        return st;
    std::vector<double> c, sw;
    for (const auto& r : replicates) {
        const DistributionIntegral in = IntegrateCurve(x, r.data(), n, smin, smax);
        c.push_back(in.area);
        sw.push_back(in.weightAverage);
    }
    MeanStd(sw, st.savg, st.sstd);
    MeanStd(c, st.cavg, st.cstd);
    st.slow = static_cast<float>(Quantile(sw, kLowQuantile));
    st.sup = static_cast<float>(Quantile(sw, kHighQuantile));
    st.clow = static_cast<float>(Quantile(c, kLowQuantile));
    st.cup = static_cast<float>(Quantile(c, kHighQuantile));
    return st;
}

namespace {

int ThreadCount() {
    return ContiState::multiThreading ? std::max(1, gDistributionThreadCount) : 1;
}

// The replicate's two columns as the distribution file has them.
bool WriteReplicateFile(const std::string& folder, int index, const std::vector<float>& values) {
    char name[32];
    std::snprintf(name, sizeof name, "MC%d.dat", index);
    std::string text;
    char line[64];
    for (size_t p = 1; p < values.size(); ++p) {
        std::snprintf(line, sizeof line, "%.8e %.8e\n", double(ContiState::sValues[p]),
                      double(values[p]));
        text += line;
    }
    return plat::WriteFileAtomically((std::filesystem::path(folder) / name).string(), text);
}

// The problem of the current settings: the distribution is computed anew (the kernel is reused)
// and stored, so the replicates scatter around what is shown.
bool BuildProblem(TXLAWindow* window, CComputeObserver& observer, double P, MonteCarloProblem& pr,
                  std::vector<double>& weight) {
    ContiSolution sol;
    if (ComputeContiSolution(window, observer, sol) != ContiStatus::Done)
        return false;
    if (sol.failure != AnalysisFailure::None) {
        ReportAnalysisFailure(sol.failure, sol.failureDetail);
        return false;
    }
    if (!SolutionFinite(sol))
        return false;
    StoreContiSolution(sol);
    weight = sol.grid.weight;
    const ContiDataSet& set = sol.set;
    // Every column, a discrete component's after the distribution's points.
    pr.n = sol.grid.Columns();
    pr.set = set;
    const ContiDataSet* ps = &pr.set;
    pr.column = [ps](int p, int s) { return gContiKernel.Row(p, ps->scans[s]); };
    ContiDataRow data = [ps](int s) { return ScanStore::gridSignal[ps->scans[s]]; };
    // the noise part of the columns' products, when the entropy holds the noise, made beside them
    const bool holdNoise = EntropyHoldsNoise(set, P, set.Values() - pr.n - set.NoiseParameters());
    if (!BuildContiNormalEquations(pr.n, pr.set, pr.column, data, ThreadCount(), pr.eq,
                                   {nullptr, nullptr, holdNoise}))
        return false;
    pr.eq.discreteColumns = sol.grid.discrete;
    // A buffer signal that is not fitted stays as entered in every replicate, as in the fit: its
    // column is held and left out of the replicates' data, which are the model less that column.
    // (Only the right-hand side depends on the data, and it is made per replicate.)
    const bool fixedBuffer = BufferColumnFixed() && pr.n >= 1 && gContiKernel.Solved(1);
    if (fixedBuffer)
        pr.eq.held[1] = 1;
    HoldColumnsWithoutOwnSignal(pr.eq);
    // The replicates hold what the data's solution held; each measures its regularization from
    // its own best solution.
    HoldSlowAmplitudesWithinTheNoise(pr.eq, P);
    pr.eq.chiSquareBeforeSlowHolds = 0.0;
    pr.fit.assign(set.Scans(), std::vector<double>(set.last + 1, 0.0));
    for (int s = 0; s < set.Scans(); ++s)
        for (int i = set.first; i <= set.last; ++i) {
            double v = sol.ti.empty() ? 0.0 : sol.ti[i - set.first];
            v += sol.ri.empty() ? 0.0 : sol.ri[s];
            for (int p = fixedBuffer ? 2 : 1; p <= pr.n; ++p)
                if (sol.c[p] != 0.0)
                    v += sol.c[p] * pr.column(p, s)[i];
            pr.fit[s][i] = v;
        }
    pr.rmsd = sol.rmsd;
    pr.kind = ContiState::maxEntRegularization || ContiState::showBothRegularizations
                  ? ContiRegularizationKind::MaximumEntropy
                  : ContiRegularizationKind::SecondDerivative;
    pr.P = P;
    pr.nu = set.Values() - pr.n - set.NoiseParameters();
    pr.prior = sol.prior;
    pr.threads = ThreadCount();
    if (ScanStore::gridSignalAllocated && ScanStore::gridRadius) {
        // The grid was resampled from the scans: their noise is drawn where they were measured.
        // Arrays are 1-based: element 0 is not read.
        auto copy = [](const float* from, int n) {
            std::vector<float> to(std::size_t(n) + 1, 0.0f);
            std::copy(from + 1, from + n + 1, to.begin() + 1);
            return to;
        };
        pr.gridRadius = copy(ScanStore::gridRadius, ScanStore::gridCount);
        for (int k : set.scans)
            pr.measuredRadii.push_back(copy(ScanStore::radius[k], ScanStore::pointCount[k]));
    }
    return true;
}

bool RunMonteCarlo(TXLAWindow* window, CComputeObserver& observer, int count,
                   double regularizationP, double displayP, const std::string& folder,
                   bool writeEach) {
    FinishMonteCarlo(nullptr);
    if (count < 1)
        return false;
    const std::string problem = CheckContiRun(CurrentContiVariant());
    if (!problem.empty()) {
        ShowError(problem.c_str(), 0);
        return false;
    }
    if (writeEach) {
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        if (!std::filesystem::is_directory(folder)) {
            ReportAnalysisFailure(AnalysisFailure::MonteCarloFolder, folder);
            return false;
        }
    }
    gUserInterrupt.store(false);
    ContiState::monteCarloRunning = true;
    MonteCarloOutcome outcome;
    std::vector<double> weight;
    try {
        MonteCarloProblem pr;
        if (!BuildProblem(window, observer, regularizationP, pr, weight)) {
            ContiState::monteCarloRunning = false;
            return false;
        }
        outcome = RunMonteCarloReplicates(
            pr, count, [](double sigma) { return GaussRandom(static_cast<float>(sigma)); });
    } catch (const std::bad_alloc&) {
        ContiState::monteCarloRunning = false;
        ShowError(NotEnoughMemoryText().c_str(), 0);
        return false;
    }
    ContiState::monteCarloRunning = false;
    if (outcome.failure != AnalysisFailure::None) {
        char p[32];
        std::snprintf(p, sizeof p, "%g", regularizationP);
        ReportAnalysisFailure(AnalysisFailure::RegularizationCaught,
                              p + (outcome.failureDetail.empty()
                                       ? std::string()
                                       : " (" + outcome.failureDetail + ")"));
    }
    // Distribution values are amplitude / quadrature weight, as the stored result. With the
    // buffer's column the first point holds the buffer and no species: it reads 0 as there.
    const int n = ContiState::gridPoints;
    const int first = BufferSedimentation::on ? 2 : 1;
    for (const auto& a : outcome.amplitudes) {
        std::vector<float> values(n + 1, 0.0f);
        for (int p = first; p <= n; ++p)
            values[p] = static_cast<float>(a[p] / weight[p]);
        MonteCarloState::replicates.push_back(std::move(values));
    }
    if (writeEach)
        for (size_t r = 0; r < MonteCarloState::replicates.size(); ++r)
            if (!WriteReplicateFile(folder, int(r) + 1, MonteCarloState::replicates[r])) {
                char text[600];
                std::snprintf(text, sizeof text,
                              "The Monte-Carlo file MC%d.dat cannot be written in %s: the "
                              "remaining replicates are not written.",
                              int(r) + 1, folder.c_str());
                ShowError(text, 0);
                break;
            }
    MonteCarloLimitTable(static_cast<float>(displayP));
    return !MonteCarloState::replicates.empty();
}

} // namespace

bool RunMonteCarloDistributions(TXLAWindow* window, CComputeObserver& observer, int n, float P,
                                const std::string& folder, bool writeEach) {
    const bool kept =
        RunMonteCarlo(window, observer, n, ContiState::confidenceLevel, P, folder, writeEach);
    observer.RequestRepaint();
    return kept;
}

bool RunMonteCarloIntegratedS(TXLAWindow* window, CComputeObserver& observer, int n, float P,
                              float smin, float smax, const std::string& folder, bool writeEach) {
    const bool kept = RunMonteCarlo(window, observer, n, P, P, folder, writeEach);
    observer.RequestRepaint();
    if (kept)
        ReportMonteCarloStatistics(window, smin, smax);
    return kept;
}

void MonteCarloLimitTable(float P) {
    MonteCarloLimits(MonteCarloState::replicates, P, MonteCarloState::lower,
                     MonteCarloState::upper);
    if (ContiState::distributionPlot)
        WindowServices::CreateDistributionPlot();
}

void ReportMonteCarloStatistics(TXLAWindow* window, float smin, float smax) {
    if (MonteCarloState::replicates.empty() || !ContiState::sValues)
        return;
    const MonteCarloStatistics st = ComputeMonteCarloStatistics(
        ContiState::sValues, ContiState::gridPoints, MonteCarloState::replicates, smin, smax);
    if (SerialFitState::serializing) {
        SerialFitState::mcStatistics = st;
        return;
    }
    char text[400];
    std::snprintf(text, sizeof text,
                  "Monte Carlo over %zu replicates, range %g to %g:\n"
                  "sw = %g +/- %g (68%% limits %g, %g)\n"
                  "c = %g +/- %g (68%% limits %g, %g)",
                  MonteCarloState::replicates.size(), double(smin), double(smax), double(st.savg),
                  double(st.sstd), double(st.slow), double(st.sup), double(st.cavg),
                  double(st.cstd), double(st.clow), double(st.cup));
    if (WindowServices::PlatformWindow(window))
        ShowNotice(window, text, "Monte Carlo statistics");
}

void FinishMonteCarlo(TXLAWindow* window) {
    const bool hadLimits = !MonteCarloState::lower.empty();
    MonteCarloState::Clear();
    if (hadLimits && ContiState::distributionPlot)
        WindowServices::CreateDistributionPlot();
    WindowServices::RequestRepaint(window);
}
