// The time a sedimentation equilibrium takes, estimated and simulated.
#include "equilibrium/approach_to_eq.h"

#include "foundations/key_pending.h"
#include "lamm/lamm_ideal.h"
#include "lamm/lamm_result.h"
#include "state/run_switches.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kAcceleration = 280.0; // rpm/s

bool NoKey() {
    return false;
}

// The most scans, radial points, and values of all scans together one simulation holds.
constexpr double kMaxCount = 1e6, kMaxValues = 1e8;
} // namespace

bool SimulatedHoursHeld(double hours) {
    return hours > 0.0 && hours <= kMaxSimulatedHours;
}

// The slowest mode of the Lamm equation in a sector cell decays with the rate D pi^2 beta /
// (b - m)^2; the time follows from the amplitude that mode must fall to, as the closed form of
// the equilibrium literature gives it. Checked against the simulated approach in the tests.
float EstimateTimeToEq(float speed, float temperature, float M, float density, float vbar,
                       float bottom, float meniscus, float D, float epsilon) {
    const double omega = speed * kPi / 30.0;
    const double alpha = (temperature + 273.15) * 166290200.0 /
                         ((double(bottom) * bottom - double(meniscus) * meniscus) *
                          (1.0 - double(density) * vbar) * M * omega * omega);
    const double beta = 1.0 + 1.0 / (4.0 * kPi * kPi * alpha * alpha);
    const double width = double(bottom) - meniscus;
    return static_cast<float>(-(1.0 / 3600.0) * width * width / (D * kPi * kPi * beta) *
                              std::log(kPi * kPi * epsilon * beta * beta /
                                       (4.0 * (1.0 + std::cosh(1.0 / (2.0 * alpha))))));
}

bool CApproachToEqSim::Setup(TXLAWindow* window, float simulatedHours, float bottomCm,
                             float meniscusCm, float right, float left, int species,
                             const float* loadings, const float* sS, const float* dCm2s,
                             float vbarValue, float temperatureC, float speed) {
    const double scansAsked = double(simulatedHours) * 3600.0 / scanInterval;
    const double pointsAsked = (double(bottomCm) - meniscusCm) / radialStep;
    if (!SimulatedHoursHeld(simulatedHours) || !(scanInterval > 0.0f) || !(radialStep > 0.0f) ||
        !(scansAsked <= kMaxCount) || !(pointsAsked <= kMaxCount) ||
        !((scansAsked + 2.0) * (std::max(pointsAsked, 0.0) + 2.0) <= kMaxValues)) {
        scanCount = 0;
        return false;
    }
    window_ = window;
    speciesCount = std::max(species, 0);
    loading.assign(static_cast<std::size_t>(speciesCount) + 1, 0.0);
    s = D = loading;
    for (int k = 1; k <= speciesCount; ++k) {
        loading[static_cast<std::size_t>(k)] = loadings[k];
        s[static_cast<std::size_t>(k)] = sS[k];
        D[static_cast<std::size_t>(k)] = dCm2s[k];
    }
    vbar = vbarValue;
    temperature = temperatureC;
    finalSpeed = speed;
    meniscus = meniscusCm;
    bottom = bottomCm;
    scanCount = 0;
    for (double t = 0.0; t < simulatedHours * 3600.0; t += scanInterval)
        ++scanCount;
    if (right < left)
        std::swap(left, right);
    leftLimit = left < meniscus ? meniscus + 0.01f : left;
    rightLimit = right > bottom ? bottom - 0.05f : right;
    pointCount = 1;
    while (meniscus + float(pointCount - 1) * radialStep < bottom)
        ++pointCount;
    radius.assign(static_cast<std::size_t>(pointCount) + 1, 0.0f);
    for (int i = 1; i <= pointCount; ++i)
        radius[static_cast<std::size_t>(i)] = meniscus + float(i - 1) * radialStep;
    leftIndex = rightIndex = 0;
    for (int i = 1; i <= pointCount; ++i) {
        if (!leftIndex && radius[static_cast<std::size_t>(i)] > leftLimit)
            leftIndex = i;
        if (radius[static_cast<std::size_t>(i)] > rightLimit && !rightIndex)
            rightIndex = i - 1;
    }
    if (!rightIndex)
        rightIndex = pointCount;
    scans.assign(static_cast<std::size_t>(scanCount) + 1,
                 std::vector<float>(static_cast<std::size_t>(pointCount) + 1, 0.0f));
    headers.assign(static_cast<std::size_t>(scanCount) + 1, ScanHeader{});
    const double w2 = double(speed) * speed * 4.0 * kPi * kPi / 3600.0;
    for (int i = 1; i <= scanCount; ++i) {
        ScanHeader& h = headers[static_cast<std::size_t>(i)];
        h.dataType = 'R';
        h.cell = 1;
        h.temperature = temperature;
        h.rotorSpeed = speed;
        h.wavelength = 0.0f;
        h.accelerationRate = kAcceleration;
        const double t = i * double(scanInterval);
        h.time = h.originalTime = t;
        double ta = speed / kAcceleration;
        if (t >= ta) {
            h.omega2t = (t - ta) * w2 + w2 * ta / 3.0;
        } else {
            const double reached = kAcceleration * t;
            ta = t;
            h.omega2t = reached * reached * t / 3.0 * 4.0 * kPi * kPi / 3600.0;
        }
        h.accelerationTime = ta;
    }
    // The final profile: each species exponential in r^2 at unit loading, weighted.
    equilibrium.assign(static_cast<std::size_t>(pointCount) + 1, 0.0f);
    const double b2 = double(bottom) * bottom, m2 = double(meniscus) * meniscus;
    for (int k = 1; k <= speciesCount; ++k) {
        const double a = s[std::size_t(k)] / D[std::size_t(k)] * 1e-13 * 0.5 * w2;
        const double e = std::exp((m2 - b2) * a);
        for (int i = 1; i <= pointCount; ++i) {
            const double r = radius[static_cast<std::size_t>(i)];
            equilibrium[static_cast<std::size_t>(i)] += static_cast<float>(
                std::exp((r * r - b2) * a) * (b2 - m2) * loading[std::size_t(k)] * a / (1.0 - e));
        }
    }
    return true;
}

void CApproachToEqSim::SetSpeedSchedule(int n, const float* start, const float* speed,
                                        const float* rate, int mode) {
    stepStart.assign(start, start + n + 1);
    stepSpeed.assign(speed, speed + n + 1);
    stepRate.assign(rate, rate + n + 1);
    scheduleMode = mode;
    scheduleOn = n > 0;
}

// Each species is solved at unit loading on the output radii, from rest with the rotor's
// acceleration; the total is their loading-weighted sum.
bool CApproachToEqSim::Run() {
    status = LammResult::Solved;
    stoppedByKey = false;
    std::vector<std::vector<float>> rows(static_cast<std::size_t>(scanCount) + 1,
                                         std::vector<float>(std::size_t(pointCount) + 1, 0.0f));
    std::vector<float*> targets(static_cast<std::size_t>(scanCount) + 1);
    for (auto& row : scans)
        std::fill(row.begin(), row.end(), 0.0f);
    for (int k = 1; k <= speciesCount && status == LammResult::Solved; ++k) {
        for (int i = 0; i <= scanCount; ++i) {
            std::fill(rows[std::size_t(i)].begin(), rows[std::size_t(i)].end(), 0.0f);
            targets[std::size_t(i)] = rows[std::size_t(i)].data();
        }
        CLammIdeal solver;
        solver.SetIdealModel();
        solver.LoadSedParameters(s[std::size_t(k)], D[std::size_t(k)], meniscus, bottom, 1.0,
                                 leftLimit, rightLimit);
        solver.LoadOutputParameters(nullptr, false, headers.data(), targets.data(), radius.data(),
                                    pointCount, nullptr, nullptr, true, nullptr, scanCount, 1, true,
                                    true, false, 2.43f, false, 0.008f, false);
        solver.LoadDiscretization(gridCount / 2, gridCount * 2, 5.0f, false, 1e-4, false, false,
                                  false, 1.0f, true, false, 0, 1e-6, 1.0, true, false, false, 1.0,
                                  0.05, 0.2, 1.0, 500, 500, false, true, 1e-4f, 1e-6, false, 1.0,
                                  2.0, 5.0, 60.0);
        solver.LoadSpeciesProperties(temperature, vbar, 1.0, 1.0);
        solver.frictionalRatio = 1.0f;
        if (scheduleOn)
            solver.CheckRotorSpeeds(static_cast<int>(stepStart.size()) - 1, stepStart.data(),
                                    stepSpeed.data(), stepRate.data(), scheduleMode);
        solver.keyPoll = keyStops ? &KeyPending : &NoKey;
        status = solver.Run();
        if (solver.stopRequested) {
            // Scans after the stop were never computed: the run failed, and the key that ended
            // it is left for the caller to read.
            stoppedByKey = true;
            gUserInterrupt.store(false);
            return false;
        }
        for (int i = 1; i <= scanCount; ++i)
            for (int j = 1; j <= pointCount; ++j)
                scans[std::size_t(i)][std::size_t(j)] +=
                    static_cast<float>(loading[std::size_t(k)]) *
                    rows[std::size_t(i)][std::size_t(j)];
    }
    return status == LammResult::Solved;
}

void CApproachToEqSim::Analyse(float rms, float max) {
    rmsThreshold = rms;
    maxThreshold = max;
    scanTime.assign(static_cast<std::size_t>(scanCount) + 1, 0.0f);
    scanHours = maxDifference = rmsDifference = scanTime;
    rmsCriterionIndex = maxCriterionIndex = scanCount;
    bool rmsMet = false, maxMet = false;
    for (int i = 1; i <= scanCount; ++i) {
        const auto k = static_cast<std::size_t>(i);
        scanTime[k] = static_cast<float>(headers[k].time);
        scanHours[k] = scanTime[k] / 3600.0f;
        double sum = 0.0, largest = 0.0;
        int count = 0;
        for (int j = 1; j <= pointCount; ++j) {
            const float r = radius[std::size_t(j)];
            if (r <= leftLimit || r >= rightLimit)
                continue;
            const double d = double(scans[k][std::size_t(j)]) - equilibrium[std::size_t(j)];
            sum += d * d;
            largest = std::max(largest, std::fabs(d));
            ++count;
        }
        rmsDifference[k] = count ? static_cast<float>(std::sqrt(sum / count)) : 0.0f;
        maxDifference[k] = static_cast<float>(largest);
        if (!rmsMet && i < scanCount && rmsDifference[k] < rmsThreshold) {
            rmsMet = true;
            rmsCriterionIndex = i;
        }
        if (!maxMet && i < scanCount && maxDifference[k] < maxThreshold) {
            maxMet = true;
            maxCriterionIndex = i;
        }
    }
    timeToEquilibrium = scanCount ? scanTime[static_cast<std::size_t>(rmsCriterionIndex)] : -1.0f;
    timeToMaxCriterion = scanCount ? scanTime[static_cast<std::size_t>(maxCriterionIndex)] : -1.0f;
}

float CApproachToEqSim::MaxBottomOverconcentration() const {
    const float last = pointCount >= 1 ? equilibrium[std::size_t(pointCount)] : 0.0f;
    float largest = 0.0f;
    for (int i = 1; i <= scanCount; ++i)
        largest = std::max(largest, scans[std::size_t(i)][std::size_t(pointCount)]);
    return last > 0.0f ? largest / last : 0.0f;
}

// The ramp of step k is drawn as long as the rotor needs to reach that speed from rest at the
// step's rate; on the scale of hours it is a steep edge of the staircase.
bool CApproachToEqSim::BuildSpeedStaircase(std::vector<float>& hours,
                                           std::vector<float>& rpm) const {
    const int n = scheduleOn ? static_cast<int>(stepStart.size()) - 1 : 0;
    if (n < 1 || scanCount < 1)
        return false;
    hours.assign(1, 0.0f);
    rpm.assign(1, 0.0f);
    auto add = [&](double t, float speed) {
        hours.push_back(static_cast<float>(t / 3600.0));
        rpm.push_back(speed);
    };
    add(0.0, 0.0f);
    add(0.0, stepSpeed[1]);
    for (int k = 2; k <= n; ++k) {
        const auto i = static_cast<std::size_t>(k);
        const double ramp =
            stepRate[i] != 0.0f ? std::fabs(double(stepSpeed[i]) / stepRate[i]) : 0.0;
        add(stepStart[i], stepSpeed[i - 1]);
        add(stepStart[i] + ramp, stepSpeed[i]);
    }
    add(headers[static_cast<std::size_t>(scanCount)].time, stepSpeed[std::size_t(n)]);
    return true;
}
