// Dialogs with packed transfer records: the field walk over real record layouts, the OK path
// (transfer out, then CanClose), Cancel leaving the record untouched, and template checks.
#include "plat/dialog.hpp"
#include "plat/testing.hpp"

#include <cstdint>
#include <cstring>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using plat::ControlKind;
using Kind = ControlKind;
constexpr Kind E = Kind::Edit, C = Kind::Check, R = Kind::Radio;

struct Field {
    int id;
    Kind kind;
};

#pragma pack(push, 1)
// The rotor-speed planning dialog: 22 edits and 11 states.
struct Record926 {
    char bottom[15], meniscus[15], rightLimit[15], initialSpeed[15], finalSpeed[15],
        temperature[15], density[15], viscosity[15];
    std::uint32_t givenDistribution;
    char s1[15], m1[15], vbar1[15], ff01[15];
    std::uint32_t useS1, useFf01, secondSpecies;
    char fraction2[15], s2[15], m2[15], vbar2[15], ff02[15];
    std::uint32_t useS2, useFf02;
    char maxOverconc[15], epsilon[15], overspeed[15], parameterCount[15];
    std::uint32_t exponential;
    char repeats[15];
    std::uint32_t fromLoaded, saveScans, saveMethods, justRunSpeedFile;
};
// The fluorescence tools dialog: 13 edits and 19 states.
struct Record916 {
    std::uint32_t c613;
    char e612[15];
    std::uint32_t c615, c621, c620;
    char e614[15];
    std::uint32_t c835;
    char e834[15], e450[15];
    std::uint32_t c832, c449, c622;
    char e616[15];
    std::uint32_t c623, c624;
    char e617[15], e619[15];
    std::uint32_t c625, c626;
    char e618[15], e627[15];
    std::uint32_t c630, c640, c401;
    char e414[15], e413[15], e405[15], e412[15];
    std::uint32_t c404, c403, c402, c409;
};
#pragma pack(pop)
static_assert(sizeof(Record926) == 374);
static_assert(sizeof(Record916) == 271);

const std::vector<Field> k926 = {
    {628, E}, {627, E}, {616, E}, {612, E}, {639, E}, {629, E}, {834, E}, {835, E}, {832, C},
    {412, E}, {428, E}, {426, E}, {413, E}, {621, R}, {620, R}, {615, C}, {406, E}, {405, E},
    {414, E}, {420, E}, {427, E}, {624, R}, {625, R}, {614, E}, {617, E}, {643, E}, {619, E},
    {626, C}, {618, E}, {924, C}, {623, C}, {833, C}, {640, C}};
const std::vector<Field> k916 = {
    {613, C}, {612, E}, {615, C}, {621, C}, {620, C}, {614, E}, {835, C}, {834, E},
    {450, E}, {832, C}, {449, C}, {622, C}, {616, E}, {623, C}, {624, C}, {617, E},
    {619, E}, {625, C}, {626, C}, {618, E}, {627, E}, {630, C}, {640, C}, {401, C},
    {414, E}, {413, E}, {405, E}, {412, E}, {404, C}, {403, C}, {402, C}, {409, C}};

// Packed fields are read by value: a reference to one would be misaligned.
std::uint32_t State(std::uint32_t v) {
    return v;
}

void Register(int id, const std::vector<Field>& fields) {
    plat::DialogTemplate t;
    t.id = id;
    t.caption = "dialog " + std::to_string(id);
    bool firstRadio = true;
    for (const Field& f : fields) {
        plat::ControlSpec c;
        c.id = f.id;
        c.kind = f.kind;
        c.groupStart = f.kind == R && firstRadio;
        firstRadio = f.kind != R;
        t.controls.push_back(c);
    }
    t.controls.push_back({IDOK, Kind::DefButton, "OK"});
    t.controls.push_back({IDCANCEL, Kind::Button, "Cancel"});
    plat::RegisterDialogTemplate(t);
}

// A dialog that makes its controls from a field list, as the program's dialogs do by hand.
class TableDialog : public TDialog {
  public:
    TableDialog(int id, const std::vector<Field>& fields, void* record, std::size_t size)
        : TDialog(nullptr, id, record, size) {
        for (const Field& f : fields) {
            if (f.kind == E)
                new TEdit(this, f.id, 15);
            else if (f.kind == R)
                new TRadioButton(this, f.id);
            else
                new TCheckBox(this, f.id);
        }
    }
    // Positive numbers only; a refusal shows the input-error box.
    bool CanClose() override {
        if (!validate)
            return true;
        for (TControl* c : Controls()) {
            auto* e = dynamic_cast<TEdit*>(c);
            if (e && !e->GetText().empty() && std::atof(e->GetText().c_str()) <= 0) {
                plat::ShowInvalidEntry(this);
                return false;
            }
        }
        return true;
    }
    bool validate = false;
};

class DialogTransfer : public ::testing::Test {
  protected:
    void SetUp() override {
        Register(926, k926);
        Register(916, k916);
    }
    plat::test::Script script;
};

TEST_F(DialogTransfer, RecordFieldsReachTheirControlsAndComeBack) {
    Record926 r{};
    std::strcpy(r.bottom, "7.200");
    std::strcpy(r.fraction2, "0.50");
    std::strcpy(r.repeats, "3");
    r.givenDistribution = 1;
    r.useFf02 = 1;
    r.justRunSpeedFile = 1;
    script.expectDialog(926).set(406, "0.75").check(832, false).check(624).ok();
    TableDialog d(926, k926, &r, sizeof r);
    ASSERT_EQ(d.Execute(), IDOK);
    EXPECT_STREQ(r.bottom, "7.200");
    EXPECT_STREQ(r.fraction2, "0.75");
    EXPECT_STREQ(r.repeats, "3");
    EXPECT_EQ(State(r.givenDistribution), 0u);
    // Checking radio 624 cleared 625, its partner in the group.
    EXPECT_EQ(State(r.useS2), 1u);
    EXPECT_EQ(State(r.useFf02), 0u);
    EXPECT_EQ(State(r.justRunSpeedFile), 1u);
}

TEST_F(DialogTransfer, SecondLayoutWalksStatesAndTextsInControlOrder) {
    Record916 r{};
    r.c613 = 1;
    r.c409 = 1;
    std::strcpy(r.e412, "12345678901234");
    script.expectDialog(916).set(627, "0.01").check(402).ok();
    TableDialog d(916, k916, &r, sizeof r);
    EXPECT_EQ(d.TransferRecordSize(), 271u);
    ASSERT_EQ(d.Execute(), IDOK);
    EXPECT_EQ(State(r.c613), 1u);
    EXPECT_EQ(State(r.c402), 1u);
    EXPECT_EQ(State(r.c409), 1u);
    EXPECT_STREQ(r.e627, "0.01");
    EXPECT_STREQ(r.e412, "12345678901234");
}

TEST_F(DialogTransfer, TypedTextLongerThanTheFieldIsCutToFourteen) {
    Record916 r{};
    script.expectDialog(916).set(612, "123456789012345678").ok();
    TableDialog d(916, k916, &r, sizeof r);
    ASSERT_EQ(d.Execute(), IDOK);
    EXPECT_EQ(std::string(r.e612, strnlen(r.e612, 15)), "12345678901234");
    EXPECT_EQ(State(r.c615), 0u); // the next field is untouched
}

TEST_F(DialogTransfer, RefusedOkKeepsTheDialogOpenUntilAValidEntry) {
    Record916 r{};
    std::strcpy(r.e612, "1");
    script.expectDialog(916).set(612, "-2").ok();
    script.expectBox().caption("Input Error").text("Invalid Entry").answer(IDOK);
    script.expectDialog(916).set(612, "2.5").ok();
    TableDialog d(916, k916, &r, sizeof r);
    d.validate = true;
    ASSERT_EQ(d.Execute(), IDOK);
    EXPECT_STREQ(r.e612, "2.5");
    EXPECT_TRUE(script.done());
    ASSERT_EQ(script.log().size(), 3u);
    EXPECT_EQ(script.log()[0].answer, "stayed open");
    EXPECT_EQ(script.log()[1].caption, "Input Error");
    EXPECT_EQ(plat::test::beeps().size(), 1u);
}

// A refused OK writes the typed text into the record before CanClose reads it; a Cancel after
// that used to leave the rejected text in the record that the window keeps between uses.
TEST_F(DialogTransfer, CancelAfterARefusedOkRestoresTheRecord) {
    Record916 r{};
    std::strcpy(r.e612, "1");
    script.expectDialog(916).set(612, "-2").ok();
    script.expectBox().caption("Input Error");
    script.expectDialog(916).cancel();
    TableDialog d(916, k916, &r, sizeof r);
    d.validate = true;
    EXPECT_EQ(d.Execute(), IDCANCEL);
    EXPECT_STREQ(r.e612, "1");
}

TEST_F(DialogTransfer, TemplateMismatchesAreFaults) {
    std::vector<Field> shifted = k916;
    shifted[3].id = 999;
    struct Case {
        int id;
        const std::vector<Field>& fields;
        std::size_t size;
        const char* message;
    };
    const Case cases[] = {
        {916, shifted, sizeof(Record916), "dialog 916 has no check box 999"},
        {916, k916, sizeof(Record916) - 1, "transfer record of 270 bytes, controls take 271"},
        {4242, {}, 0, "dialog resource 4242 does not exist"},
    };
    for (const Case& c : cases) {
        Record916 r{};
        TableDialog d(c.id, c.fields, c.size ? &r : nullptr, c.size);
        int result = 0;
        EXPECT_NONFATAL_FAILURE(result = d.Execute(), c.message);
        EXPECT_EQ(result, -1) << c.message;
    }
}

TEST_F(DialogTransfer, DialogLeftOpenWithoutFurtherStepsFailsTheTest) {
    Record916 r{};
    script.expectDialog(916).set(612, "-1").ok();
    script.onUnexpected(
        plat::test::Unexpected::Cancel); // the input-error box itself is not scripted
    TableDialog d(916, k916, &r, sizeof r);
    d.validate = true;
    int result = 0;
    EXPECT_NONFATAL_FAILURE(result = d.Execute(), "stayed open after OK");
    EXPECT_EQ(result, IDCANCEL);
}

} // namespace
