// The saved analysis "~tmppars": every stored field comes back bit for bit, short, foreign or
// damaged files are refused without a box and without touching the state, an older shorter
// file restores what it holds, and the restore question is driven as a user answers it.
#include "fitting/param_files.h"
#include "fitting/restore_analysis.h"
#include "foundations/error_box_log.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/buffer_sedimentation.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/fluorophore.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/serial_fit_state.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <bit>
#include <cstdint>
#include <cstdio>
#include <gtest/gtest.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

using M = ModelParameters;
using C = ModelChoice;
using F = FitControl;
using D = DetectionCorrections;
using plat::test::Script;

void ResetEverything() {
    ResetAllState();
    D::ResetToDefaults();
}

// Every field the file keeps, as the bit patterns a comparison needs.
std::vector<std::uint64_t> Snapshot() {
    std::vector<std::uint64_t> out;
    auto f = [&](float v) { out.push_back(std::bit_cast<std::uint32_t>(v)); };
    auto i = [&](std::int64_t v) { out.push_back(static_cast<std::uint64_t>(v)); };
    for (int k = 1; k <= M::kFitSlots; ++k) {
        f(M::fitValues[k]);
        i(M::fitFloat[k]);
    }
    for (int k = 1; k <= M::maxSpecies; ++k) {
        f(M::concentration[k]);
        f(M::speciesS[k]);
        f(M::speciesDOrM[k]);
        i(M::speciesOn[k]);
    }
    for (float v : {M::meniscus,
                    M::bottom,
                    M::baseline,
                    M::zoneLayerThickness,
                    M::startTime,
                    M::pointsPerSigma,
                    F::meniscusMin,
                    F::meniscusMax,
                    F::bottomMin,
                    F::bottomMax,
                    F::tolerance,
                    ScanStore::leftFitLimit,
                    ScanStore::rightFitLimit,
                    ScanStore::vbar,
                    ScanStore::density,
                    ScanStore::viscosity,
                    gFrictionalRatio,
                    D::convolutionWidth,
                    D::convolutionCutoff,
                    D::coneRadius,
                    D::linearDriftRate,
                    D::exponentialDriftRate,
                    D::driftPlateau,
                    D::magnificationFactor,
                    D::nonlinearPower,
                    D::nonlinearBaseline})
        f(v);
    using IS = InhomogeneousSolvent;
    for (float v : {IS::solvatedVbar, IS::bufferDensity, IS::bufferViscosity, IS::relativeViscosity,
                    IS::savedVbarEntry, IS::savedFirstEntry, float(IS::compressibility),
                    float(IS::loadingConcentration), float(IS::apparentS), float(IS::apparentD)})
        f(v);
    for (bool v : {F::fitVbar, IS::compressibleSolvent, IS::sedimentingCosolute,
                   IS::dynamicGradient, IS::addWaterCompressibility, IS::nonidealCosolute,
                   IS::cesiumChloride, IS::convertedToStandard})
        i(v);
    i(IS::gridSize);
    out.push_back(std::bit_cast<std::uint64_t>(BufferSedimentation::meniscusDiff));
    using B = BufferSedimentation;
    for (double v : {B::signalSign, B::sampleD, B::sampleMb, B::sampleS, B::signal,
                     B::relativeConcentration, B::referenceD, B::referenceMb, B::referenceS})
        out.push_back(std::bit_cast<std::uint64_t>(v));
    for (bool v : {B::excessInSample, B::excessInReference, B::differentReference, B::floatSampleD,
                   B::floatSampleS, B::floatSignal, B::floatMeniscusDifference,
                   B::floatRelativeConcentration, B::floatReferenceD, B::floatReferenceS})
        i(v);
    for (bool b : {C::fitTINoise,
                   C::fitRINoise,
                   M::fitBaseline,
                   C::equilibriumMs,
                   M::experimentalInitialDistribution,
                   ContiState::maxEntRegularization,
                   ContiState::secondDerivativeRegularization,
                   ContiState::showBothRegularizations,
                   ContiState::suppressBaselineCorrelation,
                   BufferSedimentation::on,
                   BufferSedimentation::meniscusDiffOn,
                   D::convolutionOn,
                   D::coneOn,
                   D::driftOn,
                   D::linearDriftOn,
                   D::exponentialDriftOn,
                   D::magnificationOn,
                   D::nonlinearDetectionOn,
                   D::nonlinearDomain,
                   M::startTimeOn,
                   M::constantInitialDistribution,
                   M::autoGridSize,
                   M::userMeniscusBottomLimits,
                   M::variationLimitsSet,
                   F::simplex,
                   F::simulatedAnnealing,
                   F::marquardtLevenberg,
                   C::linearLamm,
                   C::externalLoadingCell,
                   C::thirdGeometry,
                   C::electrophoresis,
                   C::equilibriumModel,
                   C::equilibriumAssociationModel,
                   C::differenceData,
                   C::contiMode,
                   C::gStarFamily,
                   C::simulationSwitch223,
                   C::lsgExtrapolation,
                   C::dlsIRhTimeCourse,
                   C::zoneCentrifugation,
                   C::zoneInverted,
                   C::inhomogeneousSolvent,
                   C::automaticAlgorithm,
                   C::movingHatAlgorithm,
                   C::claverieAlgorithm,
                   C::fixedTimeStep})
        i(b);
    for (bool b : {D::convolutionFit, D::shadowFit, D::exponentialRateFit, D::limitingLevelFit,
                   D::linearDriftFit, D::gradientFit, D::nonlinearPowerFit, D::depletionOn,
                   D::depletionFitS, D::depletionFitD, D::depletionFitAmplitude, D::depletionFitKs})
        i(b);
    for (float v : {D::depletionS, D::depletionD, D::depletionAmplitude, D::depletionLogKs})
        f(v);
    for (std::int64_t v : {std::int64_t{M::maxGridSize}, std::int64_t{M::minGridSize},
                           std::int64_t{ContiState::gridPoints}, std::int64_t{D::driftMode}})
        i(v);
    return out;
}

// Sets every stored field to a value no default has, drawn from a seeded generator.
void Randomise(unsigned seed) {
    std::mt19937 rng(seed);
    auto u = [&](float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); };
    auto b = [&] { return (rng() & 1u) != 0; };
    for (int k = 1; k <= M::maxSpecies; ++k) {
        M::concentration[k] = u(0.01f, 3.0f);
        M::speciesS[k] = u(0.5f, 40.0f);
        M::speciesDOrM[k] = u(1e3f, 1e6f);
        M::concentrationFloat[k] = b();
        M::speciesSFloat[k] = b();
        M::speciesDOrMFloat[k] = b();
        M::speciesOn[k] = b();
    }
    M::meniscus = u(5.9f, 6.2f);
    M::bottom = u(7.1f, 7.3f);
    M::baseline = u(-0.1f, 0.1f);
    M::meniscusFloat = b();
    M::bottomFloat = b();
    M::baselineFloat = b();
    for (int k = 16; k <= M::kFitSlots; ++k) {
        M::fitValues[k] = u(-1e4f, 1e4f) * 1.0e-3f;
        M::fitFloat[k] = b();
    }
    for (float* v : {&M::zoneLayerThickness,
                     &M::startTime,
                     &M::pointsPerSigma,
                     &F::tolerance,
                     &F::meniscusMin,
                     &F::meniscusMax,
                     &F::bottomMin,
                     &F::bottomMax,
                     &ScanStore::leftFitLimit,
                     &ScanStore::rightFitLimit,
                     &ScanStore::vbar,
                     &ScanStore::density,
                     &ScanStore::viscosity,
                     &gFrictionalRatio,
                     &D::convolutionWidth,
                     &D::convolutionCutoff,
                     &D::coneRadius,
                     &D::linearDriftRate,
                     &D::exponentialDriftRate,
                     &D::driftPlateau,
                     &D::magnificationFactor,
                     &D::nonlinearPower,
                     &D::nonlinearBaseline})
        *v = u(0.1f, 1.9f);
    using IS = InhomogeneousSolvent;
    for (float* v : {&IS::solvatedVbar, &IS::bufferDensity, &IS::bufferViscosity,
                     &IS::relativeViscosity, &IS::savedVbarEntry, &IS::savedFirstEntry})
        *v = u(0.1f, 1.9f);
    for (double* v :
         {&IS::compressibility, &IS::loadingConcentration, &IS::apparentS, &IS::apparentD})
        *v = u(0.1f, 1.9f);
    for (bool* v : {&F::fitVbar, &IS::compressibleSolvent, &IS::sedimentingCosolute,
                    &IS::dynamicGradient, &IS::addWaterCompressibility, &IS::nonidealCosolute,
                    &IS::cesiumChloride, &IS::convertedToStandard})
        *v = b();
    IS::gridSize = 10 + static_cast<int>(rng() % 1000);
    BufferSedimentation::meniscusDiff = u(0.01f, 0.5f);
    // the buffer's values, as a fit leaves them
    using B = BufferSedimentation;
    for (double* v : {&B::sampleD, &B::sampleMb, &B::sampleS, &B::signal, &B::relativeConcentration,
                      &B::referenceD, &B::referenceMb, &B::referenceS})
        *v = u(0.05f, 300.0f);
    B::signalSign = b() ? 1.0 : -1.0;
    for (bool* v :
         {&B::excessInSample, &B::excessInReference, &B::differentReference, &B::floatSampleD,
          &B::floatSampleS, &B::floatSignal, &B::floatMeniscusDifference,
          &B::floatRelativeConcentration, &B::floatReferenceD, &B::floatReferenceS})
        *v = b();
    for (bool* v : {&C::fitTINoise,
                    &C::fitRINoise,
                    &M::fitBaseline,
                    &C::equilibriumMs,
                    &M::experimentalInitialDistribution,
                    &ContiState::suppressBaselineCorrelation,
                    &BufferSedimentation::on,
                    &BufferSedimentation::meniscusDiffOn,
                    &D::convolutionOn,
                    &D::coneOn,
                    &D::driftOn,
                    &D::linearDriftOn,
                    &D::exponentialDriftOn,
                    &D::magnificationOn,
                    &D::nonlinearDetectionOn,
                    &D::nonlinearDomain,
                    &M::startTimeOn,
                    &M::constantInitialDistribution,
                    &M::autoGridSize,
                    &M::userMeniscusBottomLimits,
                    &M::variationLimitsSet,
                    &F::simplex,
                    &F::simulatedAnnealing,
                    &F::marquardtLevenberg,
                    &C::linearLamm,
                    &C::externalLoadingCell,
                    &C::thirdGeometry,
                    &C::electrophoresis,
                    &C::equilibriumModel,
                    &C::equilibriumAssociationModel,
                    &C::differenceData,
                    &C::contiMode,
                    &C::gStarFamily,
                    &C::simulationSwitch223,
                    &C::lsgExtrapolation,
                    &C::dlsIRhTimeCourse,
                    &C::zoneCentrifugation,
                    &C::zoneInverted,
                    &C::inhomogeneousSolvent,
                    &C::automaticAlgorithm,
                    &C::movingHatAlgorithm,
                    &C::claverieAlgorithm,
                    &C::fixedTimeStep})
        *v = b();
    for (bool* v :
         {&D::convolutionFit, &D::shadowFit, &D::exponentialRateFit, &D::limitingLevelFit,
          &D::linearDriftFit, &D::gradientFit, &D::nonlinearPowerFit, &D::depletionOn,
          &D::depletionFitS, &D::depletionFitD, &D::depletionFitAmplitude, &D::depletionFitKs})
        *v = b();
    for (float* v : {&D::depletionS, &D::depletionAmplitude, &D::depletionLogKs})
        *v = u(0.1f, 9.0f);
    D::depletionD = u(0.1f, 9.0f) * 1e-7f;
    int regularization = static_cast<int>(rng() % 3);
    ContiState::maxEntRegularization = regularization == 0;
    ContiState::secondDerivativeRegularization = regularization == 1;
    ContiState::showBothRegularizations = regularization == 2;
    M::maxGridSize = 1000 + static_cast<int>(rng() % 5000);
    M::minGridSize = 10 + static_cast<int>(rng() % 100);
    ContiState::gridPoints = 20 + static_cast<int>(rng() % 300);
    D::driftMode = static_cast<unsigned char>(rng() % 3);
}

std::string Join(const std::vector<std::string>& lines) {
    std::string out;
    for (const std::string& l : lines)
        out += l + "\n";
    return out;
}

class ParamFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetEverything();
        path = data.file("~tmppars.RA1");
        ScanPaths::gDataPath = path;
    }
    void TearDown() override { ResetEverything(); }
    // Saves the state of seed and returns its snapshot; the state is then reset to defaults.
    std::vector<std::uint64_t> SaveRandom(unsigned seed) {
        Randomise(seed);
        EXPECT_TRUE(TmpSaveBestParams(nullptr, 0));
        std::vector<std::uint64_t> saved = Snapshot();
        ResetEverything();
        ScanPaths::gDataPath = path;
        return saved;
    }

    TempFolder data;
    std::string path;
};

TEST_F(ParamFiles, EveryStoredFieldComesBackBitForBit) {
    for (unsigned seed : {1u, 2u, 3u, 4u, 5u}) {
        std::vector<std::uint64_t> saved = SaveRandom(seed);
        ASSERT_NE(Snapshot(), saved);
        EXPECT_TRUE(ReloadParameters(nullptr, path.c_str()));
        EXPECT_EQ(Snapshot(), saved) << "seed " << seed;
        EXPECT_FLOAT_EQ(ScanStore::vbarRho, ScanStore::vbar * ScanStore::density);
    }
}

TEST_F(ParamFiles, FileHoldsTheTaggedLayoutOneValuePerLine) {
    SaveRandom(7);
    std::vector<std::string> lines = SplitLines(ReadTextFile(path));
    ASSERT_GE(lines.size(), 95u);
    EXPECT_EQ(static_cast<int>(lines.size()), SavedParameterCount());
    EXPECT_EQ(lines[0], "1.00100000e+03");
    for (const std::string& line : lines)
        EXPECT_NE(line.find('e'), std::string::npos) << line;
}

TEST_F(ParamFiles, WithoutADataFolderNothingIsWritten) {
    ScanPaths::gDataPath.clear();
    EXPECT_FALSE(TmpSaveBestParams(nullptr, 0));
}

// Each damaged file is refused by both entry points; no box, no field changed.
TEST_F(ParamFiles, DamagedFilesAreRefusedWithoutChangingState) {
    SaveRandom(11);
    const std::vector<std::string> good = SplitLines(ReadTextFile(path));
    struct Case {
        const char* what;
        std::vector<std::string> lines;
    };
    auto with = [&](std::size_t index, std::string text) {
        std::vector<std::string> l = good;
        l[index] = std::move(text);
        return l;
    };
    std::vector<Case> cases = {
        {"94 values", {good.begin(), good.begin() + 94}},
        {"empty", {}},
        {"a word in the fit vector", with(20, "meniscus")},
        {"a number with trailing text", with(20, "1.5e+00x")},
        {"NaN", with(5, "nan")},
        {"infinity", with(40, "inf")},
        {"a float flag of one half", with(40, "5.0e-01")},
        {"the tag of another layout", with(0, "2.001e+03")},
        {"a switch of an older program", with(0, "9.5e+01")},
        {"a negative grid size", with(88, "-5")},
    };
    for (const Case& c : cases) {
        WriteTextFile(path, Join(c.lines));
        Randomise(99);
        std::vector<std::uint64_t> before = Snapshot();
        Script script; // fails on any box but the refusal of a line that is not a number
        const bool notANumber = !SavedAnalysisRefusal(path.c_str()).empty();
        if (notANumber)
            script.expectBox().textHas("is not restored").answer(IDOK);
        EXPECT_FALSE(ReloadParameters(nullptr, path.c_str())) << c.what;
        EXPECT_FALSE(RestorePreviousAnalysis(nullptr, true)) << c.what;
        EXPECT_TRUE(script.done()) << c.what << "\n" << script.logText();
        EXPECT_EQ(script.log().size(), notANumber ? 1u : 0u) << c.what;
        TakeErrorBoxes();
        EXPECT_EQ(Snapshot(), before) << c.what;
    }
    std::remove(path.c_str());
    Script script;
    EXPECT_FALSE(RestorePreviousAnalysis(nullptr, true));
    EXPECT_FALSE(ReloadParameters(nullptr, path.c_str()));
    EXPECT_TRUE(script.log().empty()) << script.logText();
}

// A file of an older layout stops early: what it holds is restored, the tail keeps its values.
TEST_F(ParamFiles, OlderShorterFileLeavesTheTailUnchanged) {
    Randomise(21);
    // Files of the older layout kept the species in the fit vector, as a discrete model does.
    C::contiMode = false;
    ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
    const float savedS2 = M::speciesS[2];
    const float savedVbar = ScanStore::vbar;
    std::vector<std::string> lines = SplitLines(ReadTextFile(path));
    lines.resize(100);
    WriteTextFile(path, Join(lines));
    Randomise(22);
    C::contiMode = false;
    const float tailPlateau = D::driftPlateau;
    const std::int32_t tailSpecies = M::speciesOn[3];
    const bool tailContiMode = C::contiMode;
    const float tailTolerance = F::tolerance;
    ASSERT_TRUE(ReloadParameters(nullptr, path.c_str()));
    EXPECT_EQ(M::speciesS[2], savedS2);
    EXPECT_EQ(ScanStore::vbar, savedVbar);
    EXPECT_EQ(D::driftPlateau, tailPlateau);
    EXPECT_EQ(M::speciesOn[3], tailSpecies);
    EXPECT_EQ(C::contiMode, tailContiMode);
    EXPECT_EQ(F::tolerance, tailTolerance);
}

// A file written before the detection fit flags were saved: the analysis it restores never
// varied a detection value, so the flags (and the depletion saved with them) start as initially
// rather than as the session left them; what the file holds still comes back.
TEST_F(ParamFiles, FileWithoutDetectionFitFlagsRestoresThemAsInitially) {
    Randomise(41);
    D::coneRadius = 0.25f;
    ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
    std::vector<std::string> lines = SplitLines(ReadTextFile(path));
    // the 12 flags and 4 depletion values, and the 11 shape values, the invariant D and the 20
    // values of the inhomogeneous solvent saved after them
    lines.resize(lines.size() - 16 - 11 - 1 - 20);
    WriteTextFile(path, Join(lines));
    ResetEverything();
    ScanPaths::gDataPath = path;
    D::nonlinearPowerFit = D::shadowFit = D::depletionOn = D::depletionFitKs = true;
    D::depletionS = 7.0f;
    D::depletionLogKs = -1.0f;
    ASSERT_TRUE(ReloadParameters(nullptr, path.c_str()));
    EXPECT_FALSE(D::nonlinearPowerFit || D::shadowFit || D::depletionOn || D::depletionFitKs);
    EXPECT_EQ(D::depletionS, 3.0f);
    EXPECT_EQ(D::depletionD, 3.0e-7f);
    EXPECT_EQ(D::depletionAmplitude, 0.5f);
    EXPECT_EQ(D::depletionLogKs, -3.0f);
    EXPECT_EQ(D::coneRadius, 0.25f);
}

// The buoyancy vbar of the inhomogeneous solvent: over a sedimenting cosolute it is the fitted vbar
// including solvation, kept by the file; otherwise it is the store's vbar, and follows the
// restored one, also from a file written before the solvent's values were kept. A stale value
// would convert s back to the buffer with the wrong vbar once the model is switched off.
TEST_F(ParamFiles, BuoyancyVbarOfTheSolventFollowsTheRestoredFile) {
    using IS = InhomogeneousSolvent;
    struct Case {
        const char* what;
        bool cosolute, olderFile;
        float expected;
    };
    const Case cases[] = {
        {"cosolute", true, false, 0.81f},
        {"compressible", false, false, 0.74f},
        {"cosolute, older file", true, true, 0.6f},
        {"compressible, older file", false, true, 0.74f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetEverything();
        ScanPaths::gDataPath = path;
        IS::dynamicGradient = IS::sedimentingCosolute = c.cosolute;
        ScanStore::vbar = 0.74f;
        IS::solvatedVbar = IS::macromoleculeVbar = c.cosolute ? 0.81f : 0.74f;
        F::fitVbar = true;
        ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
        if (c.olderFile) {
            std::vector<std::string> lines = SplitLines(ReadTextFile(path));
            lines.resize(lines.size() - 20);
            WriteTextFile(path, Join(lines));
        }
        ScanStore::vbar = IS::solvatedVbar = IS::macromoleculeVbar = 0.6f;
        F::fitVbar = false;
        ASSERT_TRUE(ReloadParameters(nullptr, path.c_str()));
        EXPECT_EQ(ScanStore::vbar, 0.74f);
        EXPECT_EQ(IS::macromoleculeVbar, c.expected);
        EXPECT_EQ(F::fitVbar, !c.olderFile);
    }
}

TEST_F(ParamFiles, BatchWithRestorePreviousReloadsWithoutAQuestion) {
    std::vector<std::uint64_t> saved = SaveRandom(31);
    SerialFitState::serializing = true;
    SerialFitState::restorePrevious = true;
    Script script;
    EXPECT_TRUE(RestorePreviousAnalysis(nullptr, true));
    EXPECT_TRUE(script.log().empty()) << script.logText();
    EXPECT_EQ(Snapshot(), saved);
}

TEST_F(ParamFiles, BatchWithoutRestorePreviousStillAsks) {
    SaveRandom(32);
    SerialFitState::serializing = true;
    std::vector<std::uint64_t> before = Snapshot();
    Script script;
    script.expectBox().text("restore previous data?").answer(IDNO);
    EXPECT_FALSE(RestorePreviousAnalysis(nullptr, true));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(Snapshot(), before);
}

// A saved analysis of another model: the second question chooses between switching to it and
// keeping the current model with the saved cell geometry only.
TEST_F(ParamFiles, AnotherModelAsksWhetherToLoadTheAnalysis) {
    for (int answer : {IDYES, IDNO}) {
        Randomise(41);
        C::contiMode = true;
        ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
        const float meniscus = M::meniscus;
        const float leftLimit = ScanStore::leftFitLimit;
        const float vbar = ScanStore::vbar;
        ResetEverything();
        ScanPaths::gDataPath = path;
        Script script;
        script.expectBox().text("restore previous data?").answer(IDYES);
        script.expectBox().text("load previous analysis?").answer(answer);
        EXPECT_TRUE(RestorePreviousAnalysis(nullptr, true));
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(M::meniscus, meniscus);
        EXPECT_EQ(ScanStore::leftFitLimit, leftLimit);
        EXPECT_EQ(C::contiMode, answer == IDYES);
        EXPECT_EQ(ScanStore::vbar == vbar, answer == IDYES);
    }
}

TEST_F(ParamFiles, SameModelAsksOnce) {
    std::vector<std::uint64_t> saved = SaveRandom(51);
    // The reset state and the saved one differ in their switches; make the model the same.
    ASSERT_TRUE(ReloadParameters(nullptr, path.c_str()));
    ScanStore::vbar = 0.5f;
    Script script;
    script.expectBox().text("restore previous data?").answer(IDYES);
    EXPECT_TRUE(RestorePreviousAnalysis(nullptr, true));
    EXPECT_TRUE(script.done()) << script.logText();
    EXPECT_EQ(Snapshot(), saved);
}

} // namespace

// The floating-vbar c(s) keeps its vbar float box in the flag of the vbar slot: a saved analysis
// brings it back, and a file of an older program (that flag always 0) restores vbar fixed.
TEST_F(ParamFiles, FloatedVbarOfTheFloatingVbarModelComesBack) {
    for (bool older : {false, true}) {
        C::contiMode = C::csFloatingVbar = true;
        C::nonInteractingSpecies = false;
        ScanStore::vbar = 0.7512f;
        ContiState::vbarFloat = 1;
        PackFitParameters();
        ASSERT_TRUE(TmpSaveBestParams(nullptr, 0));
        if (older) {
            std::vector<std::string> lines = SplitLines(ReadTextFile(path));
            lines[1 + M::kFitSlots + kSlotVbar - 1] = "0.00000000e+00";
            WriteTextFile(path, Join(lines));
        }
        ResetEverything();
        ScanPaths::gDataPath = path;
        ASSERT_TRUE(ReloadParameters(nullptr, path.c_str())) << older;
        EXPECT_TRUE(C::csFloatingVbar) << older;
        EXPECT_EQ(ScanStore::vbar, 0.7512f) << older;
        EXPECT_EQ(ContiState::vbarFloat, older ? 0 : 1) << older;
        ResetEverything();
        ScanPaths::gDataPath = path;
    }
}
