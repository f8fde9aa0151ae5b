// The packed fit vector: each slot mirrors its field in both directions, a negative D is made
// simulable, and the distribution models keep their own slots without touching the species.
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/reset_all_state.h"

#include <bit>
#include <cstdint>
#include <gtest/gtest.h>
#include <vector>

namespace {

using M = ModelParameters;

std::vector<std::uint32_t> DiscreteFields() {
    std::vector<std::uint32_t> out;
    for (int k = 1; k <= M::maxSpecies; ++k)
        for (float v :
             {M::speciesDOrM[k], M::speciesS[k], M::concentration[k], M::speciesExponent[k]})
            out.push_back(std::bit_cast<std::uint32_t>(v));
    for (float v : {M::meniscus, M::bottom, M::baseline, M::timeOffset, M::electrophoresisLength})
        out.push_back(std::bit_cast<std::uint32_t>(v));
    for (int k = 1; k <= M::maxSpecies; ++k)
        for (std::int32_t f : {M::speciesDOrMFloat[k], M::speciesSFloat[k],
                               M::concentrationFloat[k], M::speciesExponentFloat[k]})
            out.push_back(static_cast<std::uint32_t>(f));
    for (std::int32_t f : {M::meniscusFloat, M::bottomFloat, M::baselineFloat})
        out.push_back(static_cast<std::uint32_t>(f));
    out.push_back(M::fitT0);
    return out;
}

TEST(FitVector, DiscreteSlotsMirrorTheirFieldsBothWays) {
    ResetAllState();
    ModelChoice::equilibriumMs = false;
    for (int k = 1; k <= M::maxSpecies; ++k) {
        M::speciesDOrM[k] = 10.0f * k + 1;
        M::speciesS[k] = 10.0f * k + 2;
        M::concentration[k] = 10.0f * k + 3;
        M::speciesExponent[k] = 10.0f * k + 4;
        M::speciesSFloat[k] = k % 2;
        M::concentrationFloat[k] = 1;
    }
    M::meniscus = 6.01f, M::bottom = 7.19f, M::baseline = 0.02f;
    M::bottomFloat = 1;
    M::timeOffset = 33.5f, M::fitT0 = true;
    M::electrophoresisLength = 0.55f;
    PackFitParameters();
    for (int k = 1; k <= M::maxSpecies; ++k) {
        EXPECT_EQ(M::fitValues[k], 10.0f * k + 1);
        EXPECT_EQ(M::fitValues[4 + k], 10.0f * k + 2);
        EXPECT_EQ(M::fitValues[8 + k], 10.0f * k + 3);
        EXPECT_EQ(M::fitValues[15 + k], 10.0f * k + 4);
        EXPECT_EQ(M::fitFloat[4 + k], k % 2);
        EXPECT_EQ(M::fitFloat[8 + k], 1);
    }
    EXPECT_EQ(M::fitValues[13], 6.01f);
    EXPECT_EQ(M::fitValues[14], 7.19f);
    EXPECT_EQ(M::fitValues[15], 0.02f);
    EXPECT_EQ(M::fitFloat[14], 1);
    EXPECT_EQ(M::fitValues[kSlotTimeOffset], 33.5f);
    EXPECT_EQ(M::fitFloat[kSlotTimeOffset], 1);
    EXPECT_EQ(M::fitValues[kSlotElectrophoresisLength], 0.55f);

    const std::vector<std::uint32_t> packed = DiscreteFields();
    for (int k = 1; k <= M::maxSpecies; ++k) {
        M::speciesDOrM[k] = M::speciesS[k] = M::concentration[k] = M::speciesExponent[k] = 0.0f;
        M::speciesDOrMFloat[k] = M::speciesSFloat[k] = M::concentrationFloat[k] = 0;
    }
    M::meniscus = M::bottom = M::baseline = M::timeOffset = M::electrophoresisLength = 0.0f;
    M::bottomFloat = 0;
    M::fitT0 = false;
    UnpackFitParameters();
    EXPECT_EQ(DiscreteFields(), packed);

    // A negative D cannot be simulated; D = 0 is a species that does not diffuse.
    M::fitValues[1] = -1.0f;
    M::fitValues[2] = 0.0f;
    UnpackFitParameters();
    EXPECT_EQ(M::speciesDOrM[1], 1e-10f);
    EXPECT_EQ(M::speciesDOrM[2], 0.0f);
    // In the M form a molar mass is copied as it is.
    ModelChoice::equilibriumMs = true;
    UnpackFitParameters();
    EXPECT_EQ(M::speciesDOrM[1], -1.0f);
}

// f/f0 has one home under two names: the c(s) kernel's ContiState::ff0 and the shell's
// gFrictionalRatio of the hydrodynamic formulas. Before, they were copies kept equal at three
// sites, and the fit slot wrote one while its float flag belonged to the other.
TEST(FitVector, FrictionalRatioIsOneValueUnderBothNames) {
    struct Case {
        const char* name;
        void (*write)();
        float expected;
    } const cases[] = {
        {"shell name", [] { gFrictionalRatio = 1.3f; }, 1.3f},
        {"c(s) name", [] { ContiState::ff0 = 1.35f; }, 1.35f},
        {"fit slot in c(s)",
         [] {
             ModelChoice::contiMode = true;
             PackFitParameters();
             M::fitValues[kSlotFrictionalRatio] = 1.6f;
             UnpackFitParameters();
         },
         1.6f},
        {"fit slot outside c(s), not the model's",
         [] {
             ModelChoice::contiMode = false;
             PackFitParameters();
             M::fitValues[kSlotFrictionalRatio] = 1.7f;
             UnpackFitParameters();
         },
         1.2f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetAllState();
        c.write();
        EXPECT_EQ(ContiState::ff0, c.expected);
        EXPECT_EQ(gFrictionalRatio, c.expected);
    }
    ResetAllState();
}

TEST(FitVector, DistributionSlotsLeaveTheSpeciesAlone) {
    ResetAllState();
    ModelChoice::contiMode = true;
    M::speciesS[1] = 3.25f;
    ContiState::rangeMin = 0.5f, ContiState::rangeMax = 15.0f, ContiState::resolution = 150.0f;
    ContiState::confidenceLevel = 0.68f;
    ScanStore::vbar = 0.72f, ScanStore::density = 1.005f, ScanStore::viscosity = 1.02f;
    gFrictionalRatio = 1.4f;
    ContiState::ff0Float = 1;
    M::meniscus = 6.05f;
    PackFitParameters();
    EXPECT_EQ(M::fitValues[kSlotRangeMin], 0.5f);
    EXPECT_EQ(M::fitValues[kSlotConfidenceLevel], 0.68f);
    EXPECT_EQ(M::fitValues[kSlotVbar], 0.72f);
    EXPECT_EQ(M::fitValues[kSlotResolution], 150.0f);
    EXPECT_EQ(M::fitValues[kSlotRangeMax], 15.0f);
    EXPECT_EQ(M::fitValues[kSlotFrictionalRatio], 1.4f);
    EXPECT_EQ(M::fitFloat[kSlotFrictionalRatio], 1);
    EXPECT_EQ(M::fitValues[kSlotDensity], 1.005f);
    EXPECT_FLOAT_EQ(M::fitValues[kSlotViscosity], 1.02f * 0.01002f);
    EXPECT_EQ(M::fitValues[kSlotMeniscus], 6.05f);

    // An unchanged viscosity comes back exactly; a moved one in relative units.
    UnpackFitParameters();
    EXPECT_EQ(ScanStore::viscosity, 1.02f);
    M::fitValues[kSlotFrictionalRatio] = 1.6f;
    M::fitValues[kSlotVbar] = 0.75f;
    M::fitValues[kSlotViscosity] = 0.02004f;
    UnpackFitParameters();
    EXPECT_EQ(gFrictionalRatio, 1.6f);
    EXPECT_EQ(ContiState::ff0, 1.6f);
    EXPECT_FLOAT_EQ(ScanStore::viscosity, 2.0f);
    EXPECT_FLOAT_EQ(ScanStore::vbarRho, 0.75f * 1.005f);
    EXPECT_EQ(M::speciesS[1], 3.25f);
    ResetAllState();
}

} // namespace
