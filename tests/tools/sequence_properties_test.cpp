// The sequence calculator: residue counting with its ambiguous letters, and the properties of a
// protein of known composition.
#include "tools/sequence_properties.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

double Count(const ResidueCounts& c, char letter) {
    return c.count[letter - 'A' + 1];
}

TEST(SequenceProperties, CountsLettersAndSplitsTheAmbiguousOnes) {
    const ResidueCounts mab = CountResidues("MAB");
    EXPECT_EQ(mab.read, 3);
    EXPECT_EQ(Count(mab, 'M'), 1.0);
    EXPECT_EQ(Count(mab, 'N'), 0.5);
    EXPECT_EQ(Count(mab, 'D'), 0.5);
    EXPECT_EQ(mab.notices, std::vector<char>{'B'});

    const ResidueCounts lower = CountResidues("ma b\n12,j-z.ouxX");
    EXPECT_EQ(lower.read, 5); // m a b j z; o u x X are ignored
    EXPECT_EQ(Count(lower, 'I'), 0.5);
    EXPECT_NEAR(Count(lower, 'G'), 1.0 / 3.0, 1e-15);
    EXPECT_EQ(lower.notices, (std::vector<char>{'B', 'J', 'Z', 'O', 'U', 'X', 'X'}));
    for (char c : lower.notices)
        EXPECT_STRNE(ResidueNotice(c), "");

    const ResidueCounts none = CountResidues("");
    const SequenceProperties p = ComputeSequenceProperties(none, {});
    EXPECT_EQ(none.read, 0);
    EXPECT_EQ(p.mass, 18.0);
    EXPECT_EQ(p.extinction280, 0.0);
    EXPECT_NE(SequenceReport(none, {}, p).find("0 amino acids read"), std::string::npos);
}

// Hen egg-white lysozyme: 129 residues, 6 W, 3 Y, 8 C in four disulfides; 14,305 Da with them.
TEST(SequenceProperties, LysozymeHasItsKnownMassAndExtinction) {
    const char* lysozyme = "KVFGRCELAAAMKRHGLDNYRGYSLGNWVCAAKFESNFNTQATNRNTDGSTDYGILQINSRWWCNDG"
                           "RTPGSRNLCNIPCSALLSSDITASVNCAKKIVSDGNGMNAWVAWRNRCKGTDVQAWIRGCRL";
    const ResidueCounts c = CountResidues(lysozyme);
    EXPECT_EQ(c.read, 129);
    SequenceConditions all;
    all.disulfideFraction = 1.0;
    all.temperature = 25.0;
    const SequenceProperties p = ComputeSequenceProperties(c, all);
    EXPECT_NEAR(p.mass, 14305, 15);
    EXPECT_EQ(p.extinction280, 6 * 5500 + 3 * 1490 + 4 * 125); // four cystines, not eight

    EXPECT_NEAR(p.vbarCohnEdsall, 0.71, 0.02);
    EXPECT_NEAR(p.vbarPerkins, 0.71, 0.02);
    EXPECT_NEAR(p.dndc590, 0.19, 0.01); // proteins lie near 0.185-0.19 ml/g

    // At 590 nm and 25 C the wavelength and temperature corrections are the factor alone.
    SequenceConditions at590 = all;
    at590.wavelength = 590.0;
    const SequenceProperties q = ComputeSequenceProperties(c, at590);
    EXPECT_NEAR(q.dndcWavelength, q.dndc590 * (0.94 + 20000.0 / (590.0 * 590.0)) * 1.0023555,
                1e-15);
    EXPECT_EQ(q.dndcEstimated, q.dndcWavelength);
    // Warmer: larger volume, smaller refractive increment.
    SequenceConditions warm = at590;
    warm.temperature = 37.0;
    const SequenceProperties h = ComputeSequenceProperties(c, warm);
    EXPECT_GT(h.vbarCohnEdsall, q.vbarCohnEdsall);
    EXPECT_GT(h.vbarPerkins, q.vbarPerkins);
    EXPECT_LT(h.dndcEstimated, q.dndcEstimated);
}

// Each bond costs two hydrogens and adds one cystine's absorbance, whatever the cysteine count.
TEST(SequenceProperties, DisulfideBondsCountOncePerPairOfCysteines) {
    const ResidueCounts c = CountResidues("CCCC");
    const SequenceProperties free = ComputeSequenceProperties(c, {});
    for (const double fraction : {0.5, 1.0}) {
        SequenceConditions bonded;
        bonded.disulfideFraction = fraction;
        const double bonds = 4 * fraction / 2;
        const SequenceProperties p = ComputeSequenceProperties(c, bonded);
        EXPECT_NEAR(free.mass - p.mass, bonds * 2.016, 1e-9) << fraction;
        EXPECT_NEAR(p.extinction280 - free.extinction280, bonds * 125.0, 1e-9) << fraction;
    }
}

} // namespace
