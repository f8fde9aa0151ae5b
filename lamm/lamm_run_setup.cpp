// Set-up of one Lamm solution: rotor speed, algorithm, first step, grid size, arrays, loading.
#include "foundations/vector_unit.h"
#include "foundations/whole_number.h"
#include "lamm/lamm_ideal.h"
#include "scandata/scan_header.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

namespace {

constexpr double kGasConstant = 8.31451e7;
constexpr double kTwoPiOver60 = 2.0 * M_PI / 60.0;
constexpr int kLargestGrid = 100000;
// A bottom pile-up within this many of its widths of the outer fit limit is seen in the data,
// and is resolved with this many times the points per sigma of a boundary. At three widths its
// excess at the limit is still 5%: a pile-up of a few times the plateau is then far above the
// noise, and a grid that does not resolve it misfits the last fitted points.
constexpr double kPileUpReach = 6.0;
constexpr double kPileUpRefinement = 4.0;
// The fixed grid resolves such a pile-up in a layer of this many of its widths at the bottom,
// and its elements grow from there to the boundary's spacing by at most this ratio each.
constexpr double kPileUpLayer = 4.0;
constexpr double kGradingRatio = 1.1;
// A pile-up forms in about the time the boundary needs to cross its width; a run shorter than
// this many of those times keeps the uniform grid.
constexpr double kPileUpForming = 3.0;
// s0 (1 - ks c) with ks negative: from this |ks| times the loading on, the pile-up at the bottom
// speeds itself up until it is a pellet.
constexpr double kRunawayNonideality = 1e-3;

// Doubles in a 64-byte line, and the first line boundary at or after p (the blocks that hold the
// work vectors have room for one line more).
constexpr size_t kLineDoubles = 8;
double* OnLine(double* p) {
    const auto address = reinterpret_cast<std::uintptr_t>(p);
    return p + (-address / sizeof(double)) % kLineDoubles;
}

} // namespace

const ScanHeader& CLammIdeal::FirstScanHeader() const {
    return headers[scanOrder[1]];
}

const ScanHeader& CLammIdeal::LastScanHeader() const {
    return headers[scanOrder[scanCount]];
}

// The ramp comes from the first scan's header (rate and duration inferred from time and
// omega^2 t) or from the loaded speed profile. A recorded rate that is zero or not a number is
// replaced by the one that the duration implies, so the ramp still reaches the final speed.
void CLammIdeal::SetUpRotorSpeed() {
    accelerationPhaseActive = rampRotorSpeed || profileLoaded;
    firstTimeStep = 10.0;
    const ScanHeader& first = FirstScanHeader();
    finalRotorSpeed = LastScanHeader().rotorSpeed;
    currentRotorSpeed = finalRotorSpeed;
    accelerationRate = first.accelerationRate;
    accelerationDuration = 0.0;
    if (!rampRotorSpeed) {
        accelerationPhaseActive = profileLoaded;
    } else {
        accelerationDuration = first.accelerationTime;
        if (!std::isfinite(accelerationDuration) || accelerationDuration < 10.0) {
            accelerationDuration = 0.0;
            accelerationPhaseActive = profileLoaded;
        } else if (!(accelerationRate > 0.0) || !std::isfinite(accelerationRate)) {
            accelerationRate = finalRotorSpeed / accelerationDuration;
        }
    }
    if (profileLoaded && speedStepCount > 0) {
        accelerationDuration = stepEnd[1];
        accelerationRate = stepAcceleration[1];
        finalRotorSpeed = stepSpeed[speedStepCount];
        currentStep = 1;
        if (stepEnd[1] - stepStart[1] < 10.0)
            accelerationDuration = 0.0;
        currentRotorSpeed = std::sqrt(0.5) * RotorSpeedAt(firstTimeStep);
    }
    const double omega = finalRotorSpeed * kTwoPiOver60;
    sOmega2 = omega * omega * s * 1e-13;
}

// Fast species go to the moving hat, whose grid travels with the boundary; slow ones to the
// fixed grid with an active region. The threshold scales with 1 / rpm^2.
void CLammIdeal::ChooseAlgorithm() {
    hatForSharpness = false;
    if (ConcentrationDependent()) {
        claverieAlgorithm = true;
        movingHatAlgorithm = false;
        fixTimestep = false;
        optimizeSpacing = autoDynamicGridSize = false;
        return;
    }
    if (profileLoaded) {
        // the moving grid's frame is fixed by one rotor speed: speed steps need the fixed grid
        claverieAlgorithm = true;
        movingHatAlgorithm = false;
        fixTimestep = false;
        return;
    }
    if (SolventTurnsTheSpeciesAround()) {
        // the moving hat's grid travels the way the sign of s says; a species the solvent turns
        // around would leave it behind and the solution would run away
        claverieAlgorithm = true;
        movingHatAlgorithm = false;
        fixTimestep = false;
        return;
    }
    if (!automaticAlgorithm)
        return;
    double threshold = normalizedS;
    if (optimizeSpacing && autoDynamicGridSize && !zoneLoading && !initialStep)
        threshold = normalizedSOptimized;
    if (s < 0.0 && D < 1e-8)
        threshold *= 0.1;
    const double rpm = LastScanHeader().rotorSpeed;
    const double scale = (rpm / 30000.0) * (rpm / 30000.0);
    // A boundary too sharp for the largest fixed grid it may have goes to the moving hat too:
    // on the fixed grid it would need millions of steps and still oscillate.
    const int fixedNodes = SizedAutomatically() ? upperGridLimit : defaultGridSize;
    const double sigma = BoundaryWidthAtFitLimit();
    const bool tooSharp = !zoneLoading && !initialStep && sigma > 0.0 &&
                          (bottom - meniscus) * pointsPerSigma / sigma > fixedNodes;
    const bool fast = std::fabs(s) * scale >= threshold;
    if (fast || tooSharp) {
        hatForSharpness = !fast;
        movingHatAlgorithm = true;
        automaticSGrid = true;
        claverieAlgorithm = false;
    } else {
        claverieAlgorithm = true;
        movingHatAlgorithm = false;
        fixTimestep = false;
    }
}

void CLammIdeal::ChooseFirstTimeStep() {
    if (!rampRotorSpeed || claverieAlgorithm || automaticAlgorithm)
        return;
    double threshold = normalizedS;
    if (optimizeSpacing && autoDynamicGridSize)
        threshold = normalizedSOptimized;
    const double rpm = LastScanHeader().rotorSpeed;
    if (std::fabs(s) * (rpm / 30000.0) * (rpm / 30000.0) > threshold)
        firstTimeStep = 1.0;
}

// True when the grid size follows the boundary width rather than the default FE grid size.
bool CLammIdeal::SizedAutomatically() const {
    return autoDynamicGridSize && !zoneLoading && !initialStep && D > 0.0 &&
           frictionalRatio >= 0.5f;
}

// Width sigma = sqrt(D tau) of the boundary when it passes the inner fit limit (tau includes the
// ramp), at least 0.001 cm; 0 when it cannot be formed.
double CLammIdeal::BoundaryWidthAtFitLimit() const {
    if (!(D > 0.0) || s == 0.0)
        return 0.0;
    const double rF = std::max<double>(lowerFitLimit, meniscus + 0.001);
    const double w = accelerationRate * kTwoPiOver60;
    const double ramp = std::fabs(s) / 3.0 * 1e-13 * w * w * meniscus * accelerationDuration *
                        accelerationDuration * accelerationDuration;
    const double rate = std::fabs(sOmega2) * rF;
    const double tau = (rF - meniscus <= ramp)
                           ? (rF - meniscus) / rate
                           : (rF - ramp - meniscus) / rate + accelerationDuration;
    const double sigma = std::sqrt(D * tau);
    if (!std::isfinite(sigma))
        return 0.0;
    return std::max(sigma, 0.001);
}

// The grid resolves the boundary width sigma reached when the boundary passes the inner fit
// limit with a set number of points per sigma. A grid the user set (automatic size off) is also
// the one every retry uses.
void CLammIdeal::SizeGrid() {
    backDiffusionShutOff = false;
    twoPartRadii.clear();
    if (ConcentrationDependent()) {
        gridEstimateUniform = gridEstimateOptimized = static_cast<float>(defaultGridSize);
        Regrid(defaultGridSize);
        backDiffusionShutOff = BackDiffusionTest(assocValues[1], assocValues[3]);
        return;
    }
    int n = defaultGridSize;
    bool bdTest = false;
    const double rF = std::max<double>(lowerFitLimit, meniscus + 0.001);
    fitLimitForSpacing = static_cast<float>(rF);
    gridEstimateUniform = gridEstimateOptimized = static_cast<float>(defaultGridSize);
    if (SizedAutomatically()) {
        bdTest = BackDiffusionTest(s, D);
        double sigma = BoundaryWidthAtFitLimit();
        // A closed bottom piles the species up within D / (s omega^2 b); where that pile-up
        // reaches into the fitted data (slow runs toward equilibrium), its exponential needs
        // finer steps than a boundary of the same width.
        const double pileUp = D / (std::fabs(sOmega2) * bottom);
        const double boundarySigma = sigma;
        if (!bdTest && s > 0.0 && sigma > 0.0 && bottom - upperFitLimit < kPileUpReach * pileUp)
            sigma = std::min(sigma, pileUp / kPileUpRefinement);
        // On the fixed grid only the layer at the bottom needs the pile-up's spacing, once the
        // run is long enough for the pile-up to form.
        const double forming = pileUp / (std::fabs(sOmega2) * bottom);
        if (sigma < boundarySigma && ScanTimeAt(scanCount) > kPileUpForming * forming &&
            claverieAlgorithm && !movingHatAlgorithm && !inhomogeneousSolvent &&
            !secondComponentOn &&
            RegridGradedBottom(boundarySigma / pointsPerSigma, sigma / pointsPerSigma,
                               kPileUpLayer * pileUp)) {
            gridEstimateUniform = static_cast<float>(
                std::min(std::floor((bottom - meniscus) * pointsPerSigma / sigma),
                         static_cast<double>(upperGridLimit) + 1.0));
            gridEstimateOptimized = gridEstimateUniform;
            return;
        }
        double estimate =
            sigma > 0.0 ? std::floor((bottom - meniscus) * pointsPerSigma / sigma) : 0.0;
        if (!std::isfinite(estimate))
            estimate = 0.0;
        estimate = std::min(estimate, static_cast<double>(upperGridLimit) + 1.0);
        gridEstimateUniform = static_cast<float>(estimate);
        // geometric spacing of the moving grid: the same resolution needs fewer points
        const double q = bottom / meniscus;
        double e = estimate;
        while (e > lowerGridLimit) {
            if (sigma / pointsPerSigma <
                meniscus * (std::pow(q, 1.5 / (e - 1.0)) - std::pow(q, 0.5 / (e - 1.0)))) {
                e += 1.0;
                break;
            }
            e -= 1.0;
        }
        gridEstimateOptimized = static_cast<float>(e);
        n = FloorToInt(movingHatAlgorithm ? gridEstimateOptimized : gridEstimateUniform,
                       lowerGridLimit, upperGridLimit);
    }
    // a grid in two parts is made from this one's size alone: its arrays are made once, for it
    const bool floating = D != 0.0 &&
                          (temperature + 273.15) * kGasConstant * s * 1e-13 / D < -1e7 &&
                          D < 1e-8 && s < -10.0;
    const bool twoPart = D != 0.0 && !floating && claverieAlgorithm && optimizeSpacing && bdTest &&
                         !zoneLoading && !initialStep;
    if (twoPart && std::clamp(n, 0, kLargestGrid) >= 3) {
        FreeVectors();
        N = std::clamp(n, 0, kLargestGrid);
    } else {
        Regrid(n);
        if (setupSucceeded == 0)
            return;
    }
    backDiffusionShutOff = D != 0.0 && (floating || bdTest);
    if (twoPart)
        RegridTwoPart(rF);
}

// True when the bottom region may be opened: the species piles up there so steeply (or so
// little material comes back) that the data never see it. A rapidly associating mixture opens
// it only when every one of its species would: an open bottom lets material flow out, and a
// pile-up the data see must be solved. A mixture whose s rises with the concentration
// (s0 (1 - ks c) with ks negative) is the exception: its pile-up speeds itself up and collapses
// into a layer no grid resolves, a pellet, which the open bottom takes out.
bool CLammIdeal::BackDiffusionTest(double sS, double dCm2s) const {
    if (rapidAssociationGrid && speciesCount > 0 &&
        static_cast<int>(std::min(
            {species1.size(), species2.size(), species3.size(), species4.size()})) > speciesCount) {
        double total = 0.0;
        for (int k = 1; k <= speciesCount; ++k)
            total += species4[k] * species1[k];
        const double ksMagnitude = std::pow(10.0, static_cast<double>(logKs)) / nonIdealityScale;
        if (!nonidealSwitch1 && ksMagnitude * std::fabs(total) >= kRunawayNonideality)
            return true;
        for (int k = 1; k <= speciesCount; ++k)
            if (!PileUpUnseen(species2[k], species3[k]))
                return false;
        return true;
    }
    return PileUpUnseen(sS, dCm2s);
}

bool CLammIdeal::PileUpUnseen(double sS, double dCm2s) const {
    if (!shutOffBackDiffusionOption || sS <= 0.0 || dCm2s <= 0.0)
        return false;
    const ScanHeader& last = LastScanHeader();
    const double kelvin = last.temperature + 273.15;
    const double omega = last.rotorSpeed * kTwoPiOver60;
    const double bM = kelvin * sS * 1e-13 * kGasConstant / dCm2s;
    const double a = omega * omega / (kelvin * 1.6628944e8);
    const double rU = upperFitLimit;
    const double bma = bM * a;
    if (bma > 100.0 || (bottom * bottom - rU * rU) * bma > 100.0)
        return true;
    const double integral = (std::exp((bottom * bottom - rU * rU) * bma) -
                             std::exp((meniscus * meniscus - rU * rU) * bma)) /
                            (2.0 * a * bM);
    return backDiffusionLevel > 1.0 / (integral / ((bottom * bottom - meniscus * meniscus) / 2.0));
}

void CLammIdeal::SetInitialConcentration() {
    if (setupSucceeded == 0)
        return;
    // a rapidly associating mixture is loaded species by species, each seen with its weight
    const bool mixture = rapidSelfAssociation && speciesCount > 0;
    for (int i = 1; i <= N; ++i) {
        if (!mixture) {
            c[i] = InitialLoadingAt(i, c0);
            continue;
        }
        c[i] = 0.0;
        for (int k = 1; k <= speciesCount; ++k)
            c[i] += species4[k] * InitialLoadingAt(i, species1[k]);
    }
}

void CLammIdeal::FreeArrays() {
    FreeVectors();
    if (secondComponentOn)
        FreeBlock();
}

void CLammIdeal::FreeVectors() {
    work.clear();
    work.shrink_to_fit();
    c = r = x = cOld = rhs = gam = bet = invBet = outProfileStore = nullptr;
    Ma = Mb = Mc = Ka = Kb = Kc = Sa = Sb = Sc = Ta = Tb = Tc = nullptr;
    La = Lb = Lc = Ba = Bb = Bc = LTa = gamT = Fra = Frb = Frc = changeRatio = nullptr;
    betPairs = gamPairs = scanForward = scanBackward = nullptr;
    scanUses = 0;
    for (KeptFactorisation& kept : keptFactors)
        kept = KeptFactorisation();
    changeRatiosValid = solvedLargestValid = false;
    outputProfile = nullptr;
    setupSucceeded = 0;
}

void CLammIdeal::Regrid(int n) {
    FreeVectors();
    N = std::clamp(n, 0, kLargestGrid);
    if (sizingOnly) {
        setupSucceeded = N >= 3 ? 1 : 0;
        return;
    }
    AllocateArrays();
}

// All work vectors live in one zero-filled block of at least (N + 1) doubles each; a failed
// allocation leaves the object without arrays and set-up succeeded at 0. Each vector begins on a
// 64-byte line, so the rows that the solvers take eight a vector from multiples of eight are
// whole lines, never one split over two.
bool CLammIdeal::AllocateArrays() {
    if (N < 3)
        return false;
    if (!work.empty())
        return true;
    constexpr int kVectors = 33 + 6 * kKeptFactorisations;
    const size_t stride = (static_cast<size_t>(N) + kLineDoubles) / kLineDoubles * kLineDoubles;
    // the products of adjacent factors are written before they are read: their block is kept
    // from one grid to the next and only grows, so a new grid's solution finds it in the cache
    constexpr int kPairVectors = 2 + 2 * kKeptFactorisations;
    try {
        work.assign(stride * kVectors + kLineDoubles, 0.0);
        if (pairsWork.size() < stride * kPairVectors + kLineDoubles)
            pairsWork.resize(stride * kPairVectors + kLineDoubles);
    } catch (const std::bad_alloc&) {
        FreeVectors();
        return false;
    }
    double* p = OnLine(work.data());
    double** slots[kVectors] = {
        &c,   &r,    &x,   &cOld, &rhs, &gam,        &bet, &invBet, &outProfileStore,
        &Ma,  &Mb,   &Mc,  &Ka,   &Kb,  &Kc,         &Sa,  &Sb,     &Sc,
        &Ta,  &Tb,   &Tc,  &La,   &Lb,  &Lc,         &Ba,  &Bb,     &Bc,
        &LTa, &gamT, &Fra, &Frb,  &Frc, &changeRatio};
    for (int k = 0; k < kKeptFactorisations; ++k) {
        KeptFactorisation& kept = keptFactors[k];
        double** keptSlots[6] = {&kept.Ba, &kept.Bb, &kept.Bc, &kept.invBet, &kept.bet, &kept.gam};
        std::copy(keptSlots, keptSlots + 6, slots + 33 + 6 * k);
    }
    for (int k = 0; k < kVectors; ++k)
        *slots[k] = p + k * stride;
    double** pairSlots[kPairVectors] = {&betPairs, &gamPairs};
    for (int k = 0; k < kKeptFactorisations; ++k) {
        pairSlots[2 + 2 * k] = &keptFactors[k].betPairs;
        pairSlots[3 + 2 * k] = &keptFactors[k].gamPairs;
    }
    for (int k = 0; k < kPairVectors; ++k)
        *pairSlots[k] = OnLine(pairsWork.data()) + k * stride;
    if (UsableFma()) {
        // like the products, written before they are read and kept from one grid to the next
        const size_t scanStride = 4 * stride;
        try {
            const size_t scanSize = scanStride * kPairVectors + kLineDoubles;
            if (scanWorkSize < scanSize) {
                scanWork.reset();
                scanWorkSize = 0;
                scanWork.reset(new double[scanSize]);
                scanWorkSize = scanSize;
            }
        } catch (const std::bad_alloc&) {
            FreeVectors();
            return false;
        }
        double** scanSlots[kPairVectors] = {&scanForward, &scanBackward};
        for (int k = 0; k < kKeptFactorisations; ++k) {
            scanSlots[2 + 2 * k] = &keptFactors[k].scanForward;
            scanSlots[3 + 2 * k] = &keptFactors[k].scanBackward;
        }
        for (int k = 0; k < kPairVectors; ++k)
            *scanSlots[k] = OnLine(scanWork.get()) + k * scanStride;
    }
    outputProfile = outProfileStore;
    allocatedGridSize = N;
    setupSucceeded = 1;
    BuildRadialGrid();
    return true;
}

void CLammIdeal::BuildRadialGrid() {
    outputGridKept = false;
    const double m = meniscus, b = bottom;
    nonUniformGrid = false;
    if (movingHatAlgorithm) {
        const double q = b / m;
        r[1] = m;
        r[2] = m * std::pow(q, (sGridValue < 0.0 ? 1.5 : 0.5) / (N - 1));
        const double step = std::pow(q, 1.0 / (N - 1));
        for (int i = 3; i < N; ++i)
            r[i] = r[i - 1] * step;
        r[N] = b;
    } else if (claverieAlgorithm) {
        if (static_cast<int>(twoPartRadii.size()) == N + 1) {
            for (int i = 1; i <= N; ++i)
                r[i] = twoPartRadii[i];
            nonUniformGrid = true;
        } else {
            for (int i = 1; i <= N; ++i)
                r[i] = m + (i - 1) * (b - m) / (N - 1);
        }
    } else {
        for (int i = 1; i <= N; ++i)
            r[i] = m + (i - 0.5) * (b - m) / N;
    }
}

// Uniform spacing hBulk from the meniscus, then elements shrinking geometrically to hFine, which
// covers the layer at the bottom: a pile-up thinner than the boundary is resolved there without
// the boundary's grid paying for it. False (grid unchanged) when grading gains nothing.
bool CLammIdeal::RegridGradedBottom(double hBulk, double hFine, double layer) {
    const double m = meniscus, b = bottom;
    // never coarser than the smallest uniform grid
    hBulk = std::min(hBulk, (b - m) / (lowerGridLimit - 1));
    if (!(hFine > 0.0) || !(hBulk > kGradingRatio * hFine) || !(layer > 0.0) ||
        !(b - m > 2.0 * layer))
        return false;
    // from the bottom inward: the layer, then the growing elements
    std::vector<double> inward(1, b);
    double rad = b, h = hFine;
    while (rad - hFine > b - layer) {
        rad -= hFine;
        inward.push_back(rad);
    }
    while (h * kGradingRatio < hBulk && rad - h * kGradingRatio > m + hBulk) {
        h *= kGradingRatio;
        rad -= h;
        inward.push_back(rad);
    }
    const int uniform = CeilToInt((rad - m) / hBulk, 1, upperGridLimit + 1);
    const int n = uniform + static_cast<int>(inward.size());
    if (n > upperGridLimit || static_cast<double>(n) > 0.8 * (b - m) / hFine)
        return false;
    std::vector<double> radii(1, 0.0);
    for (int i = 0; i < uniform; ++i)
        radii.push_back(m + i * (rad - m) / uniform);
    radii.insert(radii.end(), inward.rbegin(), inward.rend());
    twoPartRadii = std::move(radii);
    Regrid(n);
    return setupSucceeded != 0;
}

// Uniform spacing up to r*, where the data begin, then steps that grow with the distance the
// boundary still has to travel: the plateau region needs fewer points.
void CLammIdeal::RegridTwoPart(double rStar) {
    const double m = meniscus, b = bottom;
    if (m == 0.0 || b == 0.0 || rStar <= m || rStar >= b || N < 50) {
        twoPartRadii.clear();
        Regrid(N);
        return;
    }
    if (!claverieAlgorithm)
        return;
    const double h = (b - m) / (N - 1);
    std::vector<double> radii(1, 0.0);
    double rad = m;
    while (rad < rStar) {
        radii.push_back(rad);
        rad = m + static_cast<double>(radii.size() - 1) * h;
    }
    rad = radii.back();
    while (true) {
        const double step = std::sqrt((rStar / rad) * ((rad - m) / (rStar - m))) * h;
        if (rad + 1.3 * step >= b)
            break;
        rad += step;
        radii.push_back(rad);
    }
    radii.push_back(b);
    const int n = static_cast<int>(radii.size()) - 1;
    if (n < 50) {
        twoPartRadii.clear();
        Regrid(50);
        return;
    }
    twoPartRadii = std::move(radii);
    Regrid(n);
}
