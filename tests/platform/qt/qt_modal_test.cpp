// Modal windows of the desktop backend, answered ahead of time: result codes, length limits,
// template dialogs with their transfer record, file selections, the editor, and that the queue
// keeps moving (repaints) while a modal window is open.
#include "plat/dialog.hpp"
#include "plat/filedlg.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "qt_test_frame.hpp"
#include "support/temp_folder.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

namespace {

using namespace qt_test;
namespace probe = plat::qtprobe;

TEST_F(QtTest, MessageBoxReturnsTheCodeOfThePressedButton) {
    struct Case {
        UINT flags;
        int press;
        int expected;
    };
    const Case cases[] = {
        {MB_YESNO | MB_ICONQUESTION, IDYES, 6},
        {MB_YESNO, IDNO, 7},
        {MB_OKCANCEL, IDCANCEL, 2},
        {MB_OKCANCEL, IDOK, 1},
        {MB_OK | MB_ICONINFORMATION, IDOK, 1},
        {MB_OK | MB_ICONSTOP, IDOK, 1},
    };
    for (const Case& c : cases) {
        probe::AnswerBox(c.press);
        EXPECT_EQ(MessageBox(nullptr, "restore previous data?", "LOAD", c.flags), c.expected)
            << "flags " << c.flags;
    }
    EXPECT_FALSE(probe::AnswersPending());
    ASSERT_FALSE(probe::ShownLog().empty());
    EXPECT_EQ(probe::ShownLog().back().caption, "LOAD");
    EXPECT_EQ(probe::ShownLog().back().text, "restore previous data?");
}

TEST_F(QtTest, MessageBoxShowsBellTextWithoutTheControlCharacter) {
    probe::ClearShownLog();
    probe::AnswerBox(IDOK);
    MessageBox(nullptr, "fit done\a", "INFO", MB_OK);
    ASSERT_EQ(probe::ShownLog().size(), 1u);
    EXPECT_EQ(probe::ShownLog()[0].text, "fit done");
}

TEST_F(QtTest, RepaintRequestedWhileABoxIsOpenHappensThen) {
    auto frame = MakeFrame();
    const int before = frame->paints;
    probe::ClearShownLog();
    probe::AnswerBoxAfterRepaint(*frame, IDOK);
    EXPECT_EQ(frame->MessageBox("could not find mirovan", "ERROR", MB_OK), IDOK);
    EXPECT_EQ(frame->paints, before + 1);
    ASSERT_EQ(probe::ShownLog().size(), 1u);
    EXPECT_TRUE(probe::ShownLog()[0].hadOwner);
}

TEST_F(QtTest, QuitPostedBeforeABoxEndsItAndStaysForTheLoop) {
    PostQuitMessage(3);
    MessageBox(nullptr, "never answered", "ERROR", MB_OK);
    MSG m;
    EXPECT_FALSE(GetMessage(&m, nullptr, 0, 0)) << "the quit request was lost";
    EXPECT_EQ(m.message, WM_QUIT);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(QtTest, InputBoxKeepsWithinTheBufferAndCancelLeavesIt) {
    char buffer[15] = "1.5";
    probe::ClearShownLog();
    probe::AnswerInput("0.123456789012345678", true);
    TInputDialog ask(nullptr, "SET DISPLAY RANGE", "smallest r", buffer, sizeof buffer);
    EXPECT_EQ(ask.Execute(), IDOK);
    EXPECT_STREQ(buffer, "0.123456789012");
    ASSERT_EQ(probe::ShownLog().size(), 1u);
    EXPECT_EQ(probe::ShownLog()[0].caption, "SET DISPLAY RANGE");
    EXPECT_EQ(probe::ShownLog()[0].text, "smallest r");

    probe::AnswerInput("7", false);
    EXPECT_EQ(ask.Execute(), IDCANCEL);
    EXPECT_STREQ(buffer, "0.123456789012");
}

// Two edits, a check box and two radio groups; OK refuses while the first edit says "bad".
constexpr int kDialogId = 9901;

#pragma pack(push, 1)
struct Record {
    char first[15];
    char second[15];
    std::uint32_t check;
    std::uint32_t radio[4];
};
#pragma pack(pop)
static_assert(sizeof(Record) == 15 + 15 + 4 + 16);

void RegisterTestDialog() {
    using plat::ControlKind;
    plat::DialogTemplate t;
    t.id = kDialogId;
    t.caption = "Test Parameters";
    t.w = 200;
    t.h = 120;
    t.controls = {
        {-1, ControlKind::Static, "&first", 5, 5, 0, 8},
        {101, ControlKind::Edit, "", 60, 5, 60, 12},
        {102, ControlKind::Edit, "", 60, 20, 60, 12},
        {201, ControlKind::Check, "float", 5, 35, 60, 10},
        {-1, ControlKind::Group, "model", 5, 48, 90, 50, true},
        {301, ControlKind::Radio, "one", 10, 58, 60, 10, true},
        {302, ControlKind::Radio, "two", 10, 70, 60, 10},
        {303, ControlKind::Radio, "three", 110, 58, 60, 10, true},
        {304, ControlKind::Radio, "four", 110, 70, 60, 10},
        {IDOK, ControlKind::DefButton, "OK", 40, 100, 50, 14, true},
        {IDCANCEL, ControlKind::Button, "Cancel", 110, 100, 50, 14},
    };
    plat::RegisterDialogTemplate(t);
}

class TestDialog : public TDialog {
  public:
    TestDialog(TWindow* parent, Record* record)
        : TDialog(parent, kDialogId, record, sizeof(Record)) {
        first_ = new TEdit(this, 101, 15);
        new TEdit(this, 102, 15);
        new TCheckBox(this, 201);
        for (int id : {301, 302, 303, 304})
            new TRadioButton(this, id);
    }
    bool CanClose() override {
        ++canCloseCalls;
        if (first_->GetText() != "bad")
            return true;
        plat::ShowInvalidEntry(this, false);
        return false;
    }
    int canCloseCalls = 0;

  private:
    TEdit* first_;
};

TEST_F(QtTest, TemplateDialogTransfersAndStaysOpenWhenCanCloseRefuses) {
    RegisterTestDialog();
    auto frame = MakeFrame();
    Record rec{};
    std::strcpy(rec.first, "1");
    std::strcpy(rec.second, "2");
    rec.check = 1;
    rec.radio[0] = 1;
    rec.radio[2] = 1;

    probe::ClearShownLog();
    probe::AnswerDialog({{101, "bad"}}, {{302, true}}, IDOK);
    probe::AnswerBox(IDOK); // "Invalid Entry"
    probe::AnswerDialog({{101, "0.123456789012345678"}}, {{201, false}}, IDOK);
    TestDialog dialog(frame.get(), &rec);
    EXPECT_EQ(dialog.Execute(), IDOK);
    EXPECT_EQ(dialog.canCloseCalls, 2);
    EXPECT_FALSE(probe::AnswersPending());

    EXPECT_STREQ(rec.first, "0.123456789012") << "the edit holds limit - 1 characters";
    EXPECT_STREQ(rec.second, "2");
    // Copies: the packed fields are not aligned for a reference.
    const std::uint32_t check = rec.check;
    std::uint32_t radio[4];
    std::memcpy(radio, rec.radio, sizeof radio);
    EXPECT_EQ(check, 0u);
    // 302 took over its own group only.
    EXPECT_EQ(radio[0], 0u);
    EXPECT_EQ(radio[1], 1u);
    EXPECT_EQ(radio[2], 1u);
    EXPECT_EQ(radio[3], 0u);

    ASSERT_EQ(probe::ShownLog().size(), 3u);
    EXPECT_EQ(probe::ShownLog()[0].caption, "Test Parameters");
    EXPECT_EQ(probe::ShownLog()[0].dialogEditLimits, (std::vector<std::string>{"101:14"}));
    EXPECT_EQ(probe::ShownLog()[1].caption, "Input Error");
    EXPECT_EQ(probe::ShownLog()[1].text, "Invalid Entry");
    EXPECT_TRUE(probe::ShownLog()[1].hadOwner) << "the refusal box belongs to the dialog";
}

TEST_F(QtTest, TemplateDialogCancelLeavesTheRecord) {
    RegisterTestDialog();
    Record rec{};
    std::strcpy(rec.first, "1");
    probe::AnswerDialog({{101, "changed"}}, {}, IDCANCEL);
    TestDialog dialog(nullptr, &rec);
    EXPECT_EQ(dialog.Execute(), IDCANCEL);
    EXPECT_STREQ(rec.first, "1");
    EXPECT_EQ(dialog.canCloseCalls, 0);
}

TEST_F(QtTest, MultiSelectOpenDialogFillsFolderThenNames) {
    TempFolder folder;
    folder.write("00001.RA1", "x\n");
    folder.write("00002.ra1", "x\n");
    std::vector<char> buffer(4096, '\0');
    OpenFileRecord rec;
    rec.lpstrFile = buffer.data();
    rec.nMaxFile = DWORD(buffer.size());
    rec.lpstrTitle = "select files";
    rec.lpstrInitialDir = folder.path();
    rec.filters = {{"All AUC Files (*.IP*;*.RA*)", "*.IP*;*.RA*"}};
    rec.Flags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST;

    probe::ClearShownLog();
    probe::AnswerFiles(folder.path(), {"00001.RA1", "00002.ra1"}, true);
    ASSERT_TRUE(GetOpenFileName(&rec));
    const std::string expected =
        folder.path() + '\0' + "00001.RA1" + '\0' + "00002.ra1" + '\0' + '\0';
    EXPECT_EQ(std::string(buffer.data(), expected.size()), expected);
    ASSERT_EQ(probe::ShownLog().size(), 1u);
    EXPECT_EQ(probe::ShownLog()[0].caption, "select files");

    probe::AnswerFiles(folder.path(), {"00002.ra1"}, true);
    ASSERT_TRUE(GetOpenFileName(&rec));
    EXPECT_STREQ(buffer.data(), (folder.path() + "/00002.ra1").c_str());

    probe::AnswerFiles(folder.path(), {}, false);
    EXPECT_FALSE(GetOpenFileName(&rec));
    EXPECT_EQ(CommDlgExtendedError(), 0u);
}

TEST_F(QtTest, EditorGivesBackItsTextCutToTheBuffer) {
    std::string text = "results";
    probe::ClearShownLog();
    probe::AnswerEditor("abcdefghij");
    plat::EditTextModal(text, 5);
    EXPECT_EQ(text, "abcd");
    ASSERT_EQ(probe::ShownLog().size(), 1u);
    EXPECT_EQ(probe::ShownLog()[0].text, "results");
}

} // namespace
