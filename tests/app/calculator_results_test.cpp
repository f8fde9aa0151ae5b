// The numbers the calculators show, against values worked by hand with N_A = 6.02214e23,
// k = 1.380649e-23 J/K and water at 20 C (0.01002 Poise, 0.99823 g/ml):
//   a sphere of 100 kDa at v-bar 0.73: r0 = (3 M vbar / (4 pi N_A))^(1/3) = 3.0702 nm,
//   s = M (1 - vbar rho) / (N_A 6 pi eta r0) = 7.7688 S, D = k T / (6 pi eta r0) = 6.9798e-7;
//   a sphere of 10 nm: M = 4/3 pi R^3 N_A / vbar = 3.4555e6 Da, s = 82.420 S, D = 2.1429e-7;
//   a sphere of 100 S: M = 4.6181e6 Da, radius 11.015 nm, D = 1.9455e-7;
//   at s = 7.7688 / 1.2 the same mass has f/f0 = 1.2, rh = 1.2 r0 and D / 1.2;
//   5 S at 7 cm and 50,000 rpm: v = s w^2 r = 9.5954e-7 m/s, with f/f0 1.2 f = 6.9584e-11 Ns/m,
//   F = 6.6769e-17 N;
//   5 S at v-bar 0.73 in density 1.02 and 0.012 Poise, v-bar 0.72 in water:
//   s(20,w) = 5 (1 - 0.72 x 0.99823) / (1 - 0.73 x 1.02) x 0.012 / 0.01002 = 6.5947 S;
//   the F ratio of 2 and 2 degrees of freedom at 75 % is 3 (Q = 1 / (1 + F)).
#include "plat/msgbox.hpp"
#include "support/main_window_fixture.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>
#include <utility>
#include <vector>

namespace {

struct Expected {
    const char* label; // the text just before the number in the result box
    double value;
    double tolerance; // relative
};

struct Case {
    int id;
    const char* caption;
    std::vector<std::pair<const char*, const char*>> answers;
    std::vector<Expected> shown;
};

// The number after label in text; nan when the label is missing.
double NumberAfter(const std::string& text, const char* label) {
    const std::size_t at = text.find(label);
    if (at == std::string::npos)
        return std::nan("");
    return std::strtod(text.c_str() + at + std::string(label).size(), nullptr);
}

std::vector<std::pair<const char*, const char*>> Water(const char* vbar) {
    return {{"enter partial specific volume [ml/g]", vbar},
            {"enter temperature [C]", "20"},
            {"enter buffer density [g/ml]", "0.99823"},
            {"enter absolute viscosity (Poise)", "0.01002"}};
}

std::vector<std::pair<const char*, const char*>> With(const char* prompt, const char* answer,
                                                      const char* vbar) {
    std::vector<std::pair<const char*, const char*>> all = {{prompt, answer}};
    for (const auto& a : Water(vbar))
        all.push_back(a);
    return all;
}

TEST(CalculatorResults, WorkedNumbersThroughTheMenu) {
    const Case cases[] = {
        {276,
         "CALCULATE SEDCOEFFICIENT OF SPHERE",
         With("enter molar mass [Da]", "100000", "0.73"),
         {{" s=", 7.7688, 2e-4}, {"r0 = ", 3.07, 2e-3}, {"D= ", 6.980e-7, 1e-3}}},
        {830,
         "CALCULATE SEDCOEFFICIENT OF SPHERE",
         With("enter particle radius [nm]", "10", "0.73"),
         {{"mass of M=", 3.45555e6, 2e-5}, {" s=", 82.420, 2e-4}, {"D= ", 2.143e-7, 1e-3}}},
        {831,
         "CALCULATE RADIUS OF SPHERE",
         With("enter s-value [S]", "100", "0.73"),
         {{"mass of M=", 4.6181e6, 2e-4}, {"radius of ", 11.0, 1e-2}, {"D= ", 1.945e-7, 1e-3}}},
        {270,
         "CALCULATE FRICTIONAL AND AXIAL RATIOS",
         {{"enter molar mass [Da]", "100000"},
          {"enter sedimentation coefficient [S]", "6.47403"},
          {"enter partial specific volume [ml/g]", "0.73"},
          {"enter hydration [g/g]", "0.3"},
          {"enter temperature [C]", "20"},
          {"enter buffer density [g/ml]", "0.99823"},
          {"enter absolute viscosity (Poise)", "0.01002"}},
         {{"f/f0 = ", 1.20, 1e-3},
          {"r0 = ", 3.07, 2e-3},
          {"rh = ", 3.68, 2e-3},
          {"D= ", 5.817e-7, 1e-3}}},
        {578,
         "CALCULATE HYDRODYNAMIC FRICTIONAL FORCE",
         {{"enter s-value [S]", "5"},
          {"enter radius position [cm]", "7"},
          {"enter frictional ratio", "1.2"},
          {"enter rotor speed [rpm]", "50000"},
          {"enter molar mass [Da]", "100000"},
          {"enter part.-spec. volume [ml/g]", "0.73"},
          {"enter solution relative viscosity", "1"}},
         {{"F = ", 6.677e-17, 1e-3},
          {"Rs = ", 3.070, 1e-3},
          {"v = ", 9.595e-7, 1e-3},
          {"f = ", 6.958e-11, 1e-3}}},
        {582,
         "CALCULATE s(xp) TO s(20,w)",
         {{"enter experimental s-value", "5"},
          {"partial specific volume at (xp) [ml/g]", "0.73"},
          {"enter partial specific volume at (20,w) [ml/g]", "0.72"},
          {"enter buffer density [g/ml]", "1.02"},
          {"enter absolute viscosity (Poise)", "0.012"}},
         {{"converts to s(20,w) = ", 6.5947, 2e-4}}},
        {272,
         "CALCULATE SOSQ RATIO",
         {{"enter desired confidence level", "0.75"},
          {"enter first degree of freedom", "2"},
          {"enter second degree of freedom", "2"}},
         {{"n2=2) is ", 3.0, 1e-6}, {"increase is a factor of ", std::sqrt(3.0), 1e-6}}},
    };
    MainWindowFixture f;
    for (const Case& c : cases) {
        plat::test::Script script;
        for (const auto& [prompt, answer] : c.answers)
            script.expectInput().title(c.caption).prompt(prompt).answer(answer);
        script.expectBox();
        if (c.id == 582)
            script.expectBox()
                .text("transform another s-value under same conditions?")
                .answer(IDNO);
        plat::test::command(f.window.get(), c.id);
        script.pumpUntilIdle();
        std::string shown;
        for (const plat::test::PromptRecord& r : script.log())
            if (r.kind == plat::test::PromptKind::Box && shown.empty())
                shown = r.text;
        ASSERT_FALSE(shown.empty()) << c.id << script.logText();
        for (const Expected& e : c.shown)
            EXPECT_NEAR(NumberAfter(shown, e.label), e.value, e.tolerance * e.value)
                << c.id << " " << e.label << "\n"
                << shown;
    }
}

} // namespace
