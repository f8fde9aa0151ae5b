// The calculators refuse entries that leave their results without meaning: each refused number
// is named and asked again, a pair that cannot describe a particle (s against its buoyancy, a
// bottom before the meniscus) ends the command with a box, and no result shows nan or inf.
#include "foundations/input_boxes.h"
#include "plat/msgbox.hpp"
#include "state/model_parameters.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <regex>
#include <string>
#include <vector>

namespace {

// One question: the text first typed (refused) when given, then the accepted answer. A refused
// text that is no finite number never leaves the box; a refused number is named in a box of its
// own.
struct Entry {
    const char* prompt;
    const char* answer;
    const char* refused = nullptr;
};

struct Case {
    const char* name;
    int id;
    const char* caption;
    std::vector<Entry> entries;
    const char* endCaption; // the result box, or the refusal that ends the command
    const char* endText;
};

const char* kShape = "CALCULATE SHAPE FROM AXIAL RATIOS";
const char* kForce = "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE";
const char* kRatios = "CALCULATE FRICTIONAL AND AXIAL RATIOS";
const char* kBroad = "BOUNDARY BROADENING ANALYSIS";
const char* kSphere = "CALCULATE SEDCOEFFICIENT OF SPHERE";
const char* kRadius = "CALCULATE RADIUS OF SPHERE";
const char* kMofS = "CALCULATE M FROM S";
const char* kS20w = "CALCULATE s(xp) TO s(20,w)";

std::vector<Entry> Solvent(const char* vbar, const char* density) {
    return {{"enter partial specific volume [ml/g]", vbar, "0"},
            {"enter temperature [C]", "20", "-273.15"},
            {"enter buffer density [g/ml]", density, "inf"},
            {"enter absolute viscosity (Poise)", "0.01002", "-0.01002"}};
}

std::vector<Entry> Join(std::vector<Entry> first, const std::vector<Entry>& rest) {
    first.insert(first.end(), rest.begin(), rest.end());
    return first;
}

std::vector<Entry> RatioEntries(const char* s, const char* vbar) {
    return {{"enter molar mass [Da]", "100000", "-100000"},
            {"enter sedimentation coefficient [S]", s, "nan"},
            {"enter partial specific volume [ml/g]", vbar, "-0.73"},
            {"enter hydration [g/g]", "0.3", "-0.3"},
            {"enter temperature [C]", "20", "-300"},
            {"enter buffer density [g/ml]", "1", "0"},
            {"enter absolute viscosity (Poise)", "0.01002", "0"}};
}

std::vector<Case> Cases() {
    return {
        {"shape",
         547,
         kShape,
         {{"enter frictional ratio", "1.5", "0"},
          {"enter partial specific volume (ml/g)", "0.73", "-0.73"},
          {"enter hydration (g/g)", "0.3", "-0.1"}},
         kShape,
         "for f/fo =1.500, v-bar =0.730 ml/g, hydration =0.30 g/g:"},
        {"friction force",
         578,
         kForce,
         {{"enter s-value [S]", "5", "1e40"},
          {"enter radius position [cm]", "7", "0"},
          {"enter frictional ratio", "1.2", "-1.2"},
          {"enter rotor speed [rpm]", "50000", "-50000"},
          {"enter molar mass [Da]", "100000", "0"},
          {"enter part.-spec. volume [ml/g]", "0.73", "0"},
          {"enter solution relative viscosity", "1", "0"}},
         kForce,
         "at 50000 rpm and 7.00 cm --> F = "},
        {"axial ratios", 270, kRatios, RatioEntries("7", "0.73"),
         "CALCUALTE FRICTIONAL AND AXIAL RATIOS", " f/f0 = "},
        {"axial ratios of a sedimenting particle with a negative s", 270, kRatios,
         RatioEntries("-7", "0.73"), kRatios, "the particle sediments: s = -7 S must be positive"},
        {"axial ratios of a floating particle with a positive s", 270, kRatios,
         RatioEntries("7", "1.2"), kRatios, "the particle floats: s = 7 S must be negative"},
        {"broadening",
         889,
         kBroad,
         {{"enter meniscus (cm)", "6.2", "-6.2"},
          {"enter bottom (cm)", "7.2", "0"},
          {"enter rotor speed (rpm)", "50000", "0"},
          {"enter molar mass [kDa]", "1000", "0"},
          {"enter partial specific volume [ml/g]", "0.73", "0"},
          {"enter buffer density [g/ml]", "1", "-1"},
          {"enter temperature [C]", "20", "-274"},
          {"enter s-value [S]", "100", "0"},
          {"enter ratio delta-s/s", "0.01", "0"}},
         kBroad,
         " ratio (diff-broadening)/(heterogeneous s-value broadending) = "},
        {"broadening with the bottom before the meniscus",
         889,
         kBroad,
         {{"enter meniscus (cm)", "7.2"}, {"enter bottom (cm)", "6.2"}},
         kBroad,
         "must lie beyond the meniscus"},
        {"sphere of a mass", 276, kSphere,
         Join({{"enter molar mass [Da]", "100000", "0"}}, Solvent("0.73", "1")),
         "CALCUALTE SEDCOEFFICIENT OF SPHERE", "has the following properties:\n s="},
        {"sphere of a radius", 830, kSphere,
         Join({{"enter particle radius [nm]", "10", "-10"}}, Solvent("0.73", "1")),
         "CALCUALTE SEDCOEFFICIENT OF SPHERE", "it will sediment with \n s="},
        {"floating sphere of a radius", 830, kSphere,
         Join({{"enter particle radius [nm]", "10"}}, Solvent("1.1", "1")),
         "CALCUALTE SEDCOEFFICIENT OF SPHERE", "it will sediment with \n s=-"},
        {"floating sphere of an s", 831, kRadius,
         Join({{"enter s-value [S]", "-10"}}, Solvent("1.1", "1")), "CALCUALTE RADIUS OF SPHERE",
         "has a mass of M="},
        {"sphere of an s of 0", 831, kRadius,
         Join({{"enter s-value [S]", "0"}}, Solvent("0.73", "1")), kRadius,
         "s = 0 S describes no particle"},
        {"sphere of an s against its buoyancy", 831, kRadius,
         Join({{"enter s-value [S]", "100"}}, Solvent("1.1", "1")), kRadius,
         "the particle floats: s = 100 S must be negative"},
        {"mass of an s",
         606,
         kMofS,
         {{"enter s-value [S]", "7", "inf"}, {"enter hydrated frictional ratio", "1.2", "0"}},
         kMofS,
         "for s=7.000 S, f/f0(hydrated) = 1.200 "},
        {"s(20,w) in a buffer where the particle neither sediments nor floats",
         582,
         kS20w,
         {{"enter experimental s-value", "5"},
          {"partial specific volume at (xp) [ml/g]", "0.5", "0"},
          {"enter partial specific volume at (20,w) [ml/g]", "0.72", "-0.72"},
          {"enter buffer density [g/ml]", "2", "0"},
          {"enter absolute viscosity (Poise)", "0.01002", "0"}},
         kS20w,
         "neither sediments nor floats: its s does not convert"},
    };
}

TEST(CalculatorEntries, NonPhysicalEntriesAreRefusedAndNoResultIsNotFinite) {
    MainWindowFixture f;
    const std::regex notFinite("(^|[^a-z])-?(nan|inf)", std::regex::icase);
    for (const Case& c : Cases()) {
        ModelParameters::meniscus = 0.0f;
        ModelParameters::bottom = 0.0f;
        plat::test::Script script;
        for (const Entry& e : c.entries) {
            if (e.refused) {
                script.expectInput().title(c.caption).prompt(e.prompt).answer(e.refused);
                if (IsFloatText(e.refused)) // the box takes it; the command refuses it
                    script.expectBox().caption(c.caption).textHas(e.prompt).textHas(
                        "cannot be used: enter a number");
            }
            script.expectInput().title(c.caption).prompt(e.prompt).answer(e.answer);
        }
        script.expectBox().caption(c.endCaption).textHas(c.endText);
        plat::test::command(f.window.get(), c.id);
        script.pumpUntilIdle();
        EXPECT_TRUE(script.done()) << c.name << script.logText();
        for (const plat::test::PromptRecord& r : script.log())
            EXPECT_FALSE(std::regex_search(r.text, notFinite)) << c.name << ": " << r.text;
    }
}

// The sequence calculator: conditions out of range are asked again; a text without residues
// says so instead of showing the 0/0 of its volumes.
TEST(CalculatorEntries, SequenceConditionsAndAnEmptySequence) {
    MainWindowFixture f;
    const char* caption = "CALCULATE VBAR, EXT280 AND DNDC FROM SEQUENCE";
    const Entry entries[] = {{"percent cysteines in disulfide bond", "100", "150"},
                             {"enter temperature (C)", "20", "-300"},
                             {"enter refractive index of buffer at 25 C", "1.334", "0"},
                             {"enter wavelength (nm)", "580", "-580"}};
    f.script.expectEdit().answer("MKCC");
    for (const Entry& e : entries) {
        f.script.expectInput().title(caption).prompt(e.prompt).answer(e.refused);
        f.script.expectBox().caption(caption).textHas(e.prompt).textHas("cannot be used");
        f.script.expectInput().title(caption).prompt(e.prompt).answer(e.answer);
    }
    f.script.expectBox().caption(caption).textHas("4 amino acids read:\nmass = ");
    plat::test::command(f.window.get(), 895);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();

    for (const char* text : {"", "12 x\n"}) {
        plat::test::Script script;
        script.onUnexpected(plat::test::Unexpected::DefaultButton); // the notice of X
        script.expectEdit().answer(text);
        plat::test::command(f.window.get(), 895);
        script.pumpUntilIdle();
        const plat::test::PromptRecord& last = script.log().back();
        EXPECT_EQ(last.text, "0 amino acids read:\nmass = 18.0 Da\nwithout residues vbar, dndc "
                             "and the fringes are not defined")
            << script.logText();
    }
}

// The store's own v-bar and density enter M(s): a floating store refuses a positive s.
TEST(CalculatorEntries, MassOfAnSUsesTheBuoyancyOfTheStore) {
    MainWindowFixture f;
    ScanStore::vbar = 1.1f;
    ScanStore::density = 1.0f;
    f.script.expectInput().title(kMofS).prompt("enter s-value [S]").answer("7");
    f.script.expectInput().title(kMofS).prompt("enter hydrated frictional ratio").answer("1.2");
    f.script.expectBox().caption(kMofS).textHas("the particle floats: s = 7 S must be negative");
    plat::test::command(f.window.get(), 606);
    f.script.pumpUntilIdle();
    EXPECT_TRUE(f.script.done()) << f.script.logText();
    ScanStore::vbar = 0.73f;
}

} // namespace
