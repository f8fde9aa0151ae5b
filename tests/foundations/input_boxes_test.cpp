// Number input boxes on a scripted box: default texts, the validators (leading zero rule,
// negatives, non-finite values), repetition after a refused text, and Cancel.
#include "foundations/input_boxes.h"
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <string>

TEST(InputBoxes, DefaultTexts) {
    struct Case {
        float value;
        const char* text;
    };
    const Case cases[] = {
        {0.02f, "0.020000"},    {0.01f, "1.000000e-02"}, // the float below 0.01
        {0.0f, "0.000000e+00"}, {0.5f, "0.500000"},         {-3.0f, "-3.000000e+00"},
        {1e8f, "1.000000e+08"}, {12345.5f, "12345.500000"},
    };
    for (const Case& c : cases) {
        char text[15];
        FormatInputDefault(c.value, text, sizeof text);
        EXPECT_STREQ(text, c.text) << c.value;
    }
}

// A box takes a text only when it is wholly one finite number; every zero is a number.
TEST(InputBoxes, Validators) {
    struct Case {
        const char* text;
        bool any, positive;
    };
    const Case cases[] = {
        {"0", true, true},     {"0.0", true, true},     {"-3", true, false},
        {"1e3", true, true},   {" 7 ", true, true},     {"-0", true, true},
        {" 0", true, true},    {"1e-50", true, true},   {"-1.5E2", true, false},
        {".5", true, true},    {"5 kDa", false, false}, {"5abc", false, false},
        {"1,5", false, false}, {"abc", false, false},   {"", false, false},
        {"  ", false, false},  {"1e40", false, false},  {"-1e40", false, false},
        {"inf", false, false}, {"nan", false, false},   {"0x10", false, false},
        {"1e", false, false},  {"--1", false, false},   {"1 2", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsFloatText(c.text), c.any) << '"' << c.text << '"';
        EXPECT_EQ(IsPositiveFloatText(c.text), c.positive) << '"' << c.text << '"';
    }
}

namespace {
class ScriptedBox : public ::testing::Test {
  protected:
    plat::test::Script script;
    void SetUp() override {
        ResetAllState();
        plat::test::clearRecords();
    }
};
} // namespace

TEST_F(ScriptedBox, StoresTheTypedNumber) {
    script.expectInput().title("SERIALIZE FIT").prompt("minimum cell number value").answer("1e3");
    float result = 5.0f;
    EXPECT_TRUE(InputFloat(&result, 2.0f, true, "minimum cell number value", "SERIALIZE FIT"));
    EXPECT_EQ(result, 1000.0f);
    EXPECT_TRUE(script.done());
}

// A refused text beeps and asks again; only a real number ends the box.
TEST_F(ScriptedBox, PositiveBoxRefusesNegativesAndNonNumbers) {
    for (const char* refused : {"1,5", "-3", "1e40", "abc", "5abc"})
        script.expectInput().title("enter positive float").answer(refused);
    script.expectInput().title("enter positive float").answer("-0");
    float result = 9.0f;
    EXPECT_TRUE(AskPositiveFloat(&result, 1.0f, true, "loading", nullptr));
    EXPECT_EQ(result, 0.0f);
    EXPECT_EQ(plat::test::beeps().size(), 5u);
    EXPECT_TRUE(script.done());
}

TEST_F(ScriptedBox, CancelLeavesTheResultEvenAfterARefusal) {
    script.expectInput().title("enter float").answer("letters");
    script.expectInput().title("enter float").cancel();
    float result = 4.0f;
    EXPECT_FALSE(InputFloat(&result, 1.0f, false, nullptr, nullptr));
    EXPECT_EQ(result, 4.0f);
    EXPECT_EQ(plat::test::beeps().size(), 1u);
    ASSERT_EQ(script.log().size(), 2u);
    EXPECT_EQ(script.log()[0].text, "");
}

TEST_F(ScriptedBox, WindowFormsAndText) {
    script.expectInput().title("enter float").answer("-2.5");
    script.expectInput().title("enter positive float").answer("2.5");
    script.expectInput().title("enter float").answer("free text");
    float a = 0, b = 0;
    EXPECT_TRUE(InputFloatForWindow(nullptr, &a, 0, false, "x", nullptr));
    EXPECT_TRUE(InputPositiveFloat(nullptr, &b, 0, false, "y", nullptr));
    EXPECT_EQ(a, -2.5f);
    EXPECT_EQ(b, 2.5f);
    char text[8];
    EXPECT_TRUE(InputText(text, sizeof text, "name", nullptr));
    EXPECT_STREQ(text, "free te");
}
