// The sedimenting buffer inside c(s): data made of one species plus the signal of a sedimenting
// buffer component. With the buffer's column the species and the buffer's signal come back; the
// plain c(s) cannot describe the buffer and misplaces the signal. A Fit moves the buffer's own s.
#include "distributions/conti_fit.h"
#include "distributions/conti_run.h"
#include "distributions/integrate_distribution.h"
#include "distributions/monte_carlo.h"
#include "foundations/error_box_log.h"
#include "scandata/scan_store_alloc.h"
#include "simulation/buffer_sedimentation_model.h"
#include "simulation/conti_kernel.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/monte_carlo_state.h"
#include "support/conti_data_store.h"

#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

using B = BufferSedimentation;

constexpr double kSpeciesS = 5.0, kLoading = 0.5, kBufferSignal = 0.4, kNoise = 0.003;

ContiStoreCase TenScans() {
    ContiStoreCase c;
    c.scans = 10;
    c.points = 300;
    c.firstTimeS = 600.0;
    c.intervalS = 500.0;
    return c;
}

// One species at 5 S plus a buffer of 0.8 S and 20e-7 cm^2/s in excess in the reference sector
// (its signal enters negative), with normal noise.
void FillSpeciesOnBuffer(ContiDataStore& store) {
    store.Fill({{kSpeciesS, 1.25, kLoading}}, {}, {}, kNoise, 5);
    B::on = true;
    B::signalSign = -1.0;
    ModelChoice::equilibriumMs = false; // the buffer's D as given, not from an Mb
    B::sampleS = 0.8;
    B::sampleD = 20.0;
    const BufferSignal buffer = ComputeBufferSignal(kBufferSignal);
    for (int k = 1; k <= store.c.scans; ++k)
        AddBufferSignal(buffer, k, store.radii.data(), store.c.points, store.signal[k].data());
}

void ChooseCs() {
    ChooseCsOver(2.0f, 12.0f, 61.0f, 0.5f); // no regularization: the plain c(s) compared as it fits
    ModelChoice::equilibriumMs = false;
    ContiState::ff0 = 1.25f;
}

double Rmsd(const ContiDataStore& store) {
    double ss = 0.0, count = 0.0;
    for (int k = 1; k <= store.c.scans; ++k)
        for (int i = 1; i <= store.c.points; ++i) {
            if (store.radii[i] < ScanStore::leftFitLimit ||
                store.radii[i] > ScanStore::rightFitLimit)
                continue;
            ss += std::pow(store.residuals[k][i], 2);
            count += 1.0;
        }
    return std::sqrt(ss / count);
}

} // namespace

// With the buffer's column the peak sits at 5 S with its loading, the buffer's signal is the
// column's weight and the residuals are the noise; without it the rmsd is several times the noise
// and the species' loading is off.
TEST(BufferKernelColumn, CsRecoversTheSpeciesAndTheBufferWhereThePlainCsDoesNot) {
    ContiDataStore store(TenScans());
    FillSpeciesOnBuffer(store);
    ChooseCs();

    B::on = true;
    B::floatSignal = true;
    B::signal = 1.0;
    const bool ran = RunContiSed(nullptr, SilentObserver());
    for (const ErrorBoxEntry& e : TakeErrorBoxes())
        ADD_FAILURE() << e.text;
    ASSERT_TRUE(ran);
    float area = 0, sw = 0;
    IntegrateDistribution(3.0f, 7.0f, &area, &sw, nullptr, nullptr);
    EXPECT_NEAR(sw, kSpeciesS, 0.02 * kSpeciesS);
    EXPECT_NEAR(area, kLoading, 0.02 * kLoading);
    EXPECT_NEAR(B::signal, kBufferSignal, 0.02 * kBufferSignal);
    EXPECT_EQ(ContiState::distribution[1], 0.0f) << "the buffer is no species";
    const double withBuffer = Rmsd(store);
    EXPECT_LT(withBuffer, 1.2 * kNoise);

    B::on = false;
    const bool plainRan = RunContiSed(nullptr, SilentObserver());
    for (const ErrorBoxEntry& e : TakeErrorBoxes())
        ADD_FAILURE() << e.text;
    ASSERT_TRUE(plainRan);
    const double plain = Rmsd(store);
    float plainArea = 0;
    IntegrateDistribution(3.0f, 7.0f, &plainArea, nullptr, nullptr, nullptr);
    EXPECT_GT(plain, 3.0 * kNoise) << "plain c(s) rmsd " << plain;
    EXPECT_GT(std::abs(plainArea - kLoading), 0.05 * kLoading) << "plain c(s) area " << plainArea;
    FreeDistributionArrays();
}

// The buffer's s floated from a wrong start in the c(s) Fit comes back, and only the buffer's
// column is made again for each trial.
TEST(BufferKernelColumn, FitRecoversTheBufferSedimentationCoefficient) {
    ContiDataStore store(TenScans());
    FillSpeciesOnBuffer(store);
    ChooseCs();
    B::on = true;
    B::floatSignal = true;
    B::floatSampleS = true;
    B::sampleS = 0.5;
    FitControl::simplexTolerance = 1e-6;
    ASSERT_TRUE(ContiFit(nullptr, SilentObserver()));
    EXPECT_NEAR(B::sampleS, 0.8, 0.03 * 0.8);
    EXPECT_NEAR(B::signal, kBufferSignal, 0.03 * kBufferSignal);
    EXPECT_LT(FitControl::bestRmsd, 1.2 * kNoise);
    FreeDistributionArrays();
}

// A Run after the buffer's s or signal moved (its column made again, the other columns kept)
// gives the distribution and fit that a Run on a kernel made whole gives, bit for bit: with the
// signal floated (column of unit amplitude) and entered (column taken out of the data).
TEST(BufferKernelColumn, RunAfterTheBufferMovedEqualsARunOnANewKernel) {
    for (bool floated : {true, false}) {
        SCOPED_TRACE(floated ? "floated signal" : "entered signal");
        ContiDataStore store(TenScans());
        FillSpeciesOnBuffer(store);
        ChooseCs();
        ContiState::confidenceLevel = 0.68f;
        ModelChoice::fitTINoise = ModelChoice::fitRINoise = true;
        ContiState::calledFromFit = true; // the noise stays in the data between the Runs
        B::floatSignal = floated;
        B::signal = floated ? 1.0 : kBufferSignal;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        const unsigned long generation = gContiKernel.Generation();
        B::sampleS = 0.7;
        B::signal = floated ? 1.0 : 0.9 * kBufferSignal;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        ASSERT_EQ(gContiKernel.Generation(), generation) << "the other columns were kept";
        const int n = ContiState::gridPoints;
        const std::vector<float> kept(ContiState::distribution + 1,
                                      ContiState::distribution + n + 1);
        const std::vector<float> keptFit(store.fit[3].begin(), store.fit[3].end());
        gContiKernel.Free();
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        ASSERT_NE(gContiKernel.Generation(), generation);
        EXPECT_EQ(
            std::vector<float>(ContiState::distribution + 1, ContiState::distribution + n + 1),
            kept);
        EXPECT_EQ(std::vector<float>(store.fit[3].begin(), store.fit[3].end()), keptFit);
        for (const ErrorBoxEntry& e : TakeErrorBoxes())
            ADD_FAILURE() << e.text;
        B::sampleS = 0.8;
        ContiState::calledFromFit = false;
        FreeDistributionArrays();
    }
}

// Monte Carlo replicates are solved as the c(s) was: a floated buffer signal is the column's
// weight again in each, a fixed one is held as entered. Either way the buffer's point reads 0 in
// every replicate as in the distribution, and the species' loading scatters around its value
// with a spread of the order the noise gives.
TEST(BufferKernelColumn, MonteCarloReplicatesTreatTheBufferAsTheRunDid) {
    struct Case {
        const char* name;
        bool floated;
    } cases[] = {{"floated signal", true}, {"fixed signal", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContiDataStore store(TenScans());
        FillSpeciesOnBuffer(store);
        ChooseCs();
        ContiState::confidenceLevel = 0.68f;
        B::floatSignal = c.floated;
        B::signal = c.floated ? 1.0 : kBufferSignal;
        ASSERT_TRUE(RunContiSed(nullptr, SilentObserver()));
        float area = 0;
        IntegrateDistribution(3.0f, 7.0f, &area, nullptr, nullptr, nullptr);
        ASSERT_NEAR(area, kLoading, 0.02 * kLoading);

        ASSERT_TRUE(RunMonteCarloDistributions(nullptr, SilentObserver(), 8, 0.68f, "", false));
        for (const ErrorBoxEntry& e : TakeErrorBoxes())
            ADD_FAILURE() << e.text;
        ASSERT_EQ(MonteCarloState::replicates.size(), 8u);
        const int n = ContiState::gridPoints;
        for (const std::vector<float>& r : MonteCarloState::replicates) {
            EXPECT_EQ(r[1], 0.0f) << "the buffer is no species";
            EXPECT_NEAR(IntegrateCurve(ContiState::sValues, r.data(), n, 3.0, 7.0).area, area,
                        0.02 * kLoading);
        }
        if (!c.floated) {
            EXPECT_EQ(B::signal, kBufferSignal) << "the entered signal is kept";
        }
        FinishMonteCarlo(nullptr);
        FreeDistributionArrays();
    }
}
