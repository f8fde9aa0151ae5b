// Crank-Nicolson finite elements for one buffer component on a uniform 200-point grid.
#include "simulation/buffer_sed_solver.h"

#include "foundations/show_error.h"
#include "lamm/tridiagonal.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kRpmToRad = 2.0 * std::numbers::pi / 60.0;

struct Tridiagonal {
    std::vector<double> sub, diag, sup;
    explicit Tridiagonal(int n = 0)
        : sub(std::size_t(n)), diag(std::size_t(n)), sup(std::size_t(n)) {}
};

// The side's state: the dc/dt = (1/r) d/dr (r D dc/dr - w^2 s r^2 c) problem with linear hat
// functions, the r-weighted mass matrix and the sedimentation-diffusion matrix exact on each
// element. The amount is conserved by the matrices' columns, which the buffer tests check.
class Side {
  public:
    // at least four points, which the two-ended elimination of the steps needs
    explicit Side(const BufferSideProblem& p) : p_(p), n_(std::max(p.n, 4)) {
        r_.resize(std::size_t(n_));
        h_ = (p.bottom - p.meniscus) / (n_ - 1);
        for (int i = 0; i < n_; ++i)
            r_[std::size_t(i)] = p.meniscus + i * h_;
        c_.assign(std::size_t(n_), p.loading);
        cOld_ = c_;
        mass_ = Tridiagonal(n_);
        stiff_ = Tridiagonal(n_);
        rpm_ = p.rpm;
        accelerating_ = p.ramp;
        if (accelerating_ && p.accelerationEnd < 10.0)
            accelerating_ = false;
        if (accelerating_)
            rpm_ = RotorSpeed(0.0, 1.0);
        Assemble();
        maxStep_ = p.s == 0.0 ? 1000.0 : 0.5 * p.rpm * p.rpm * p.d / p.s;
        maxStep_ = std::clamp(maxStep_, 10.0, 1000.0);
    }

    BufferSideResult Run(const std::function<bool()>& stop) {
        BufferSideResult out;
        out.r = r_;
        const std::size_t scans = p_.scanTimes.size();
        out.profiles.resize(scans);
        if (p_.loading == 0.0 || scans == 0 || !(h_ > 0.0))
            return out;
        nextScan_ = 0;
        nextTime_ = p_.scanTimes[0];
        pending_ = true;
        int quiet = 0;
        bool running = true;
        while (running) {
            if (singular_ || retryFailure_)
                break;
            const double dt0 = dt_ == 0.0 ? 1.0 : dt_;
            const double change = AdaptiveStep();
            running = Deliver(out);
            if (stop && stop()) {
                out.interrupted = true;
                break;
            }
            const double rate = change / dt0;
            quiet = dt0 >= 30.0 && rate < 1e-6 ? quiet + 1 : 0;
            if (quiet > 10 && running) {
                out.equilibrium = true;
                break;
            }
        }
        // The scans after an equilibrium stop see the profile that no longer changes.
        if (out.equilibrium)
            for (std::size_t k = std::size_t(nextScan_); k < scans; ++k)
                out.profiles[k] = c_;
        out.singular = singular_;
        out.retryFailure = retryFailure_;
        out.steps = steps_;
        return out;
    }

  private:
    double RotorSpeed(double t, double dt) {
        const double end = p_.accelerationEnd, a = p_.accelerationRate, w = p_.rpm;
        if (end < 10.0 || t >= end) {
            accelerating_ = false;
            return w;
        }
        return std::min(w, std::sqrt((std::pow(a * t, 2) + std::pow(a * (t + dt), 2)) / 2.0));
    }

    void Assemble() {
        const double w = rpm_ * kRpmToRad;
        const double a = w * w * p_.s * 1e-13;
        const double d = p_.d, h = h_;
        Tridiagonal& m = mass_;
        Tridiagonal& k = stiff_;
        for (int i = 0; i < n_; ++i) {
            const double ri = r_[std::size_t(i)];
            const std::size_t u = std::size_t(i);
            if (i == 0) {
                m.sub[u] = 0.0;
                m.diag[u] = (ri + h / 4) * h / 3;
                m.sup[u] = (ri + h / 2) * h / 6;
                k.sub[u] = 0.0;
                k.diag[u] = -a * (ri * ri / 2 + ri * h / 3 + h * h / 12) - d * (ri + h / 2) / h;
                k.sup[u] = -a * (ri * ri / 2 + 2 * ri * h / 3 + h * h / 4) + d * (ri + h / 2) / h;
            } else if (i == n_ - 1) {
                m.sub[u] = (ri - h / 2) * h / 6;
                m.diag[u] = (ri - h / 4) * h / 3;
                m.sup[u] = 0.0;
                k.sub[u] = a * (ri * ri / 2 - 2 * ri * h / 3 + h * h / 4) + d * (ri - h / 2) / h;
                k.diag[u] = a * (ri * ri / 2 - ri * h / 3 + h * h / 12) - d * (ri - h / 2) / h;
                k.sup[u] = 0.0;
            } else {
                m.sub[u] = (ri - h / 2) * h / 6;
                m.diag[u] = 2 * ri * h / 3;
                m.sup[u] = (ri + h / 2) * h / 6;
                k.sub[u] = a * (ri * ri / 2 - 2 * ri * h / 3 + h * h / 4) + d * (ri - h / 2) / h;
                k.diag[u] = -a * (2.0 / 3.0) * ri * h - 2 * d * ri / h;
                k.sup[u] = -a * (ri * ri / 2 + 2 * ri * h / 3 + h * h / 4) + d * (ri + h / 2) / h;
            }
        }
        factorisedDt_ = 0.0;
    }

    // (M - dt/2 K) c = (M + dt/2 K) c_old; the elimination of the left matrix and the right
    // matrix are kept for the next step of the same size. The left matrix is eliminated from both
    // ends, and the right-hand side is formed inside the two substitutions that run side by side.
    void TimeStep(double dt) {
        if (accelerating_) {
            rpm_ = RotorSpeed(t_, dt);
            Assemble();
        }
        const std::size_t n = std::size_t(n_);
        if (dt != factorisedDt_ || accelerating_) {
            factorisedDt_ = dt;
            for (std::vector<double>* v :
                 {&la_, &lb_, &lc_, &ra_, &rb_, &rc_, &invBet_, &scaled_, &back_})
                v->assign(n, 0.0);
            for (std::size_t i = 0; i < n; ++i) {
                la_[i] = mass_.sub[i] - dt / 2 * stiff_.sub[i];
                lb_[i] = mass_.diag[i] - dt / 2 * stiff_.diag[i];
                lc_[i] = mass_.sup[i] - dt / 2 * stiff_.sup[i];
                ra_[i] = mass_.sub[i] + dt / 2 * stiff_.sub[i];
                rb_[i] = mass_.diag[i] + dt / 2 * stiff_.diag[i];
                rc_[i] = mass_.sup[i] + dt / 2 * stiff_.sup[i];
            }
            const TridiagStatus status =
                TwistedFactor(la_.data(), lb_.data(), lc_.data(), invBet_.data(), scaled_.data(),
                              back_.data(), meet_, 0, n_ - 1);
            if (status != TridiagStatus::Ok) {
                ShowError(status == TridiagStatus::FirstPivotZero ? "Error 1 in tridag"
                                                                  : "Error 2 in tridag",
                          0);
                singular_ = true;
                factorisedDt_ = 0.0;
                c_ = cOld_;
                return;
            }
        }
        TwistedSubstituteProduct(ra_.data(), rb_.data(), rc_.data(), cOld_.data(), invBet_.data(),
                                 scaled_.data(), back_.data(), meet_, c_.data(), 0, n_ - 1);
    }

    // The largest relative change of the step; a negative value early in the run asks for a
    // smaller step.
    double Change() {
        const std::size_t n = std::size_t(n_);
        const double cmax = *std::max_element(c_.begin(), c_.end());
        const double threshold = 1e-4 * cmax;
        double change = 0.0;
        if (c_[n - 1] > threshold && cOld_[n - 1] >= threshold)
            change = std::abs((c_[n - 1] - cOld_[n - 1]) / cOld_[n - 1]);
        for (std::size_t i = n - 1; i-- > 0;) {
            if (c_[i] < -1e-8 && t_ < 10.0) {
                ++retries_;
                return 2.0 * tolerance_;
            }
            double reference = cOld_[i];
            if (reference <= threshold) {
                if (c_[i] - cOld_[i] <= threshold)
                    continue;
                reference = cOld_[i + 1];
                if (reference <= threshold) {
                    if (i < 1 || cOld_[i - 1] <= threshold)
                        continue;
                    reference = cOld_[i - 1];
                }
            }
            change = std::max(change, std::abs(c_[i] - cOld_[i]) / reference);
        }
        return change;
    }

    void LimitToAcceleration() {
        if (!accelerating_)
            return;
        dt_ = std::min(dt_, 10.0);
        if (t_ + dt_ > p_.accelerationEnd)
            dt_ = p_.accelerationEnd - t_;
    }

    void Limit(double old) {
        dt_ = std::min({dt_, 10.0 * old, maxStep_});
        dt_ = std::max({dt_, 1e-15, 0.1 * old});
        LimitToAcceleration();
    }

    void Accept() {
        t_ += dt_;
        ++steps_;
        if (accelerating_ && t_ >= p_.accelerationEnd) {
            accelerating_ = false;
            rpm_ = p_.rpm;
            Assemble();
        }
    }

    double AdaptiveStep() {
        cOld_ = c_;
        LimitToAcceleration();
        if (pending_ && t_ + dt_ > nextTime_) {
            dt_ = nextTime_ - t_;
            pending_ = false;
        }
        if (dt_ <= 0.0) {
            dt_ = 1.0;
            return 1.0;
        }
        TimeStep(dt_);
        if (singular_)
            return 0.0;
        if (t_ + dt_ == nextTime_ && steps_ > 0) {
            Accept();
            return 1.0;
        }
        if (steps_ == 0) {
            const double first = dt_;
            Accept();
            return first;
        }
        double change = Change();
        while (change > tolerance_) {
            if (singular_)
                break;
            if (retries_ > 10) {
                retryFailure_ = true;
                break;
            }
            const double old = dt_;
            const double target = change == 0.0 ? 0.0 : (0.2 * tolerance_ / change) * dt_;
            dt_ = dt_ / 2 + (target - dt_ / 2);
            if (dt_ >= 0.8 * old && dt_ <= 1.2 * old)
                dt_ /= 2;
            Limit(old);
            TimeStep(dt_);
            change = Change();
        }
        if (singular_ || retryFailure_) {
            c_ = cOld_;
            return 0.0;
        }
        retries_ = 1;
        Accept();
        if (change == 0.0)
            dt_ *= 10.0;
        if (change < 0.05 * tolerance_) {
            const double old = dt_;
            const double target = change == 0.0 ? 0.0 : (0.2 * tolerance_ / change) * dt_;
            dt_ = 2 * dt_ + (target - 2 * dt_);
            if (dt_ >= 0.9 * old && dt_ <= 1.1 * old)
                dt_ *= 2;
            Limit(old);
        }
        if (pending_ && t_ + dt_ > nextTime_)
            dt_ = nextTime_ - t_;
        LimitToAcceleration();
        return change;
    }

    // Hands the profile to every scan whose time has come; false after the last scan.
    bool Deliver(BufferSideResult& out) {
        const std::size_t scans = p_.scanTimes.size();
        while (std::size_t(nextScan_) < scans && t_ >= nextTime_) {
            out.profiles[std::size_t(nextScan_)] = c_;
            ++nextScan_;
            if (std::size_t(nextScan_) >= scans)
                return false;
            nextTime_ = p_.scanTimes[std::size_t(nextScan_)];
            pending_ = true;
            if (t_ < nextTime_)
                break;
        }
        return std::size_t(nextScan_) < scans;
    }

    const BufferSideProblem& p_;
    int n_;
    double h_ = 0.0;
    std::vector<double> r_, c_, cOld_;
    Tridiagonal mass_, stiff_;
    std::vector<double> la_, lb_, lc_, ra_, rb_, rc_; // the step's left and right matrices
    std::vector<double> invBet_, scaled_, back_;      // the left one's two-ended factors
    TwistedMeeting meet_;
    double rpm_ = 0.0, maxStep_ = 1000.0;
    bool accelerating_ = false;
    double t_ = 0.0, dt_ = 1.0, factorisedDt_ = 0.0;
    double tolerance_ = 1.0;
    int nextScan_ = 0;
    double nextTime_ = 0.0;
    bool pending_ = false;
    bool singular_ = false, retryFailure_ = false;
    int retries_ = 1, steps_ = 0;
};

} // namespace

BufferSideResult SimulateBufferSide(const BufferSideProblem& problem,
                                    const std::function<bool()>& stop) {
    Side side(problem);
    return side.Run(stop);
}
