// Loaders of the Lamm solver: validation, derived values, and the object's own copies of what
// the caller passes.
#include "lamm/lamm_ideal.h"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

class LammLoaders : public ::testing::Test {
  protected:
    void SetUp() override { ResetAllState(); }
};

// Loaders: limits in reverse order are swapped; the frictional ratio comes from the Svedberg
// molar mass and is 0 when it cannot be formed.
TEST_F(LammLoaders, ValidateAndDerive) {
    CLammIdeal o;
    o.LoadSedParameters(4.5, 6e-7, 6.0, 7.2, 1.0, 7.1f, 6.1f);
    EXPECT_FLOAT_EQ(o.lowerFitLimit, 6.1f);
    EXPECT_FLOAT_EQ(o.upperFitLimit, 7.1f);
    EXPECT_TRUE(o.geometryValid);
    o.LoadSpeciesProperties(20.0, 0.73, 1.0, 1.0);
    // M = 293.15 R 4.5e-13 / (0.27 x 6e-7) = 67,700 g/mol; anhydrous sphere f0 for that mass
    const double m = 293.15 * 8.31451e7 * 4.5e-13 / (0.27 * 6e-7);
    const double radius = std::cbrt(3.0 * m * 0.73 / 6.02214076e23 / (4.0 * M_PI));
    const double f = m * 0.27 / 6.02214076e23 / 4.5e-13;
    EXPECT_NEAR(o.frictionalRatio, f / (6.0 * M_PI * 0.01002 * radius), 1e-4);
    o.LoadSedParameters(0.0, 6e-7, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    o.LoadSpeciesProperties(20.0, 0.73, 1.0, 1.0);
    EXPECT_EQ(o.frictionalRatio, 0.0f);
    o.LoadSedParameters(4.5, 0.0, 6.0, 7.2, 1.0, 6.1f, 7.1f);
    o.LoadSpeciesProperties(20.0, 0.73, 1.0, 1.0);
    EXPECT_EQ(o.frictionalRatio, 0.0f);

    const double v1[] = {0, 1.0, 2.0, 0.0, 0.0}, v2[] = {0, 1, 1, 1, 1}, v3[] = {0, 1, 1, 1, 1};
    o.LoadNonIdeality(false, false, true, false, true, 4, v1, v2, v3, nullptr, -8.0f, -8.0f, true,
                      true, 3.3, 4.5, 6e-7, 1.0);
    EXPECT_EQ(o.speciesCount, 2); // trailing species of zero amount dropped
    EXPECT_EQ(o.species4[2], 1.0);
    EXPECT_TRUE(o.nonIdealityLoaded);
    const double bad3[] = {0, 1, 0, 1, 1};
    o.LoadNonIdeality(false, false, true, false, true, 4, v1, v2, bad3, nullptr, -8.0f, -8.0f, true,
                      true, 3.3, 4.5, 6e-7, 1.0);
    EXPECT_FALSE(o.nonIdealityLoaded);
}

// Coefficient tables are read from their files; paths of any length and the arrays are copied,
// and a worker's copy of the template holds its own.
TEST_F(LammLoaders, SolventGradientKeepsItsOwnCopies) {
    TempFolder folder;
    const std::string deep = folder.path() + "/" + std::string(300, 'd');
    ASSERT_TRUE(WriteTextFile(folder.file("snonid.dat"), "1.5\n-0.25 note\n0.125\n"));
    ASSERT_TRUE(WriteTextFile(folder.file("dnonid.dat"), "2.0\n"));
    const double array1[] = {0.0, 1.0, 2.0, 3.0};
    CLammIdeal o;
    o.LoadSolventGradient(true, true, false, 0.2, 1e-5, true, 50, true, true, 1.0, true, false, 0.0,
                          deep.c_str(), false, folder.file("snonid.dat").c_str(),
                          folder.file("dnonid.dat").c_str(), array1, 3, nullptr, 0);
    ASSERT_EQ(o.sCoefficients.size(), 4u);
    EXPECT_DOUBLE_EQ(o.sCoefficients[2], -0.25);
    ASSERT_EQ(o.dCoefficients.size(), 2u);
    EXPECT_EQ(o.outputFolder, deep);
    EXPECT_EQ(o.cosolventArray1.size(), 4u);
    EXPECT_TRUE(o.cosolventArray2.empty());
    CLammIdeal copy;
    copy.CopySettingsFrom(o);
    o.sCoefficients.clear();
    EXPECT_EQ(copy.sCoefficients.size(), 4u);
    EXPECT_EQ(copy.outputFolder, deep);
    EXPECT_TRUE(copy.cosolventGradient);
}

} // namespace
