// The test script: prompts matched in order, answers returned, and every surprise reported as a
// test failure that names the prompt.
#include "plat/app.hpp"
#include "plat/dialog.hpp"
#include "plat/testing.hpp"

#include <algorithm>
#include <cstring>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

namespace {

using plat::test::Script;
using plat::test::Unexpected;

TEST(PromptScript, AnswersBoxesAndInputsInOrder) {
    Script s;
    s.expectBox().caption("SET PREFERENCE").textHas("save as default").answer(IDNO);
    s.expectInput().caption("SET DISPLAY RANGE").prompt("smallest r").answer("6.0");
    EXPECT_EQ(MessageBox(nullptr, "save as default setting?", "SET PREFERENCE", MB_YESNO), IDNO);
    char buf[15] = "1.000000";
    TInputDialog in(nullptr, "SET DISPLAY RANGE", "smallest r", buf, sizeof buf);
    EXPECT_EQ(in.Execute(), IDOK);
    EXPECT_STREQ(buf, "6.0");
    EXPECT_TRUE(s.done());
    EXPECT_EQ(s.logText(), "message box \"SET PREFERENCE\": \"save as default setting?\" -> No\n"
                           "input box \"SET DISPLAY RANGE\": \"smallest r\" -> OK \"6.0\"\n");
}

TEST(PromptScript, UnexpectedBoxFailsTheTestNamingItsText) {
    Script s;
    EXPECT_NONFATAL_FAILURE(
        MessageBox(nullptr, "could not find /opt/x/mirovan.exe", "ERROR", MB_OK),
        "could not find /opt/x/mirovan.exe");
}

TEST(PromptScript, MismatchingBoxFailsAndTheScriptStaysInPlace) {
    Script s;
    s.expectBox().caption("HELP").answer(IDYES);
    EXPECT_NONFATAL_FAILURE(MessageBox(nullptr, "other", "ERROR", MB_OK),
                            "expected caption \"HELP\"");
    EXPECT_EQ(MessageBox(nullptr, "Connect?", "HELP", MB_YESNO), IDYES);
    EXPECT_TRUE(s.done());
}

TEST(PromptScript, UnusedStepsAreReportedWhenTheScriptEnds) {
    EXPECT_NONFATAL_FAILURE(
        {
            Script s;
            s.expectFileOpen().title("select files");
        },
        "1 scripted prompt(s) never shown, the first a open dialog");
}

TEST(PromptScript, CancelledInputLeavesTheBufferAlone) {
    Script s;
    s.expectInput().cancel();
    char buf[15] = "keep";
    TInputDialog in(nullptr, "enter float", "x", buf, sizeof buf);
    EXPECT_EQ(in.Execute(), IDCANCEL);
    EXPECT_STREQ(buf, "keep");
}

TEST(PromptScript, TypedTextIsCutToTheBuffer) {
    Script s;
    s.expectInput().answer("123456789012345678");
    char buf[15] = "";
    TInputDialog in(nullptr, "t", "p", buf, sizeof buf);
    ASSERT_EQ(in.Execute(), IDOK);
    EXPECT_STREQ(buf, "12345678901234");
}

TEST(PromptScript, PoliciesForUnscriptedBoxes) {
    struct Case {
        Unexpected policy;
        UINT flags;
        int expected;
    };
    const Case cases[] = {
        {Unexpected::DefaultButton, MB_YESNO, IDYES},
        {Unexpected::DefaultButton, MB_YESNO | MB_DEFBUTTON2, IDNO},
        {Unexpected::DefaultButton, MB_OKCANCEL, IDOK},
        {Unexpected::Cancel, MB_YESNO, IDNO},
        {Unexpected::Cancel, MB_OKCANCEL, IDCANCEL},
        {Unexpected::Cancel, MB_OK, IDOK},
    };
    for (const Case& c : cases) {
        Script s;
        s.onUnexpected(c.policy);
        EXPECT_EQ(MessageBox(nullptr, "t", "c", c.flags), c.expected) << c.flags;
    }
}

TEST(PromptScript, CaptionDefaultsToTheApplicationName) {
    Script s;
    TApplication app("DEVUvirovav");
    s.expectBox().caption("DEVUvirovav").answer(IDOK);
    app.MessageBox(nullptr, "hello");
    EXPECT_TRUE(s.done());
}

TEST(PromptScript, AlertCharacterRingsInsteadOfShowing) {
    Script s;
    s.expectBox().text("\nAttention: could not open x");
    MessageBox(nullptr, "\n\aAttention: could not open x", "Error", MB_OK);
    EXPECT_EQ(plat::test::beeps().size(), 1u);
}

TEST(PromptScript, EditTextReturnsTheScriptedTextCut) {
    Script s;
    s.expectEdit().answer("MKVLAAGIVG");
    std::string text = "delete this text";
    plat::EditTextModal(text, 6);
    EXPECT_EQ(text, "MKVLA");
}

// The commands' editor entry: the caller's buffer gets at most size - 1 characters and a
// terminator; a buffer it cannot write to is refused untouched.
TEST(PromptScript, EditorWritesAtMostTheCallersBuffer) {
    struct Case {
        const char* what;
        unsigned size;
        bool hasInitial;
        const char* initial;
        std::optional<std::string> typed; // empty: closed without a change
        bool accepted;
        std::string expected;
    };
    const std::string longText(40, 'Q');
    const Case cases[] = {
        {"edited text comes back", 32, true, "delete this text", "MKVLAAGIVG", true, "MKVLAAGIVG"},
        {"unchanged keeps the initial text", 32, true, "initial", std::nullopt, true, "initial"},
        {"no initial text gives an empty control", 32, false, "ignored", std::nullopt, true, ""},
        {"a pasted text longer than the buffer is cut", 6, true, "", "ABCDEFGHIJ", true, "ABCDE"},
        {"an initial text longer than the buffer is cut", 8, true, longText.c_str(), std::nullopt,
         true, "QQQQQQQ"},
        {"a size of 1 holds the terminator only", 1, true, "abc", std::nullopt, true, ""},
        {"a size of 0 is refused", 0, true, "abc", std::nullopt, false, ""},
    };
    for (const Case& c : cases) {
        Script s;
        if (c.accepted) {
            if (c.typed)
                s.expectEdit().answer(*c.typed);
            else
                s.expectEdit();
        }
        std::vector<char> buffer(c.size + 16, '#');
        EXPECT_EQ(EditTextModal(buffer.data(), c.size, c.hasInitial, c.initial), c.accepted)
            << c.what;
        if (c.accepted) {
            EXPECT_EQ(std::string(buffer.data()), c.expected) << c.what;
        }
        const auto firstUntouched = c.accepted ? c.size : 0u;
        EXPECT_TRUE(std::all_of(buffer.begin() + firstUntouched, buffer.end(),
                                [](char x) { return x == '#'; }))
            << c.what << ": written outside the buffer";
        EXPECT_TRUE(s.done()) << c.what;
    }
    EXPECT_FALSE(EditTextModal(nullptr, 10, true, "abc"));
}

TEST(PromptScript, ClosingTheEditorUnchangedKeepsTheInitialText) {
    Script s;
    s.expectEdit();
    std::string text = "initial";
    plat::EditTextModal(text, 100);
    EXPECT_EQ(text, "initial");
}

} // namespace

namespace {

// A box asked for on a worker thread must neither touch the desktop nor wait for the window's
// thread, which may be blocked joining that worker.
TEST(PromptScript, BoxFromAWorkerThreadTakesTheDefaultButtonWithoutAPrompt) {
    Script s;
    int ok = 0, yes = 0, no = 0;
    std::thread([&] {
        ok = MessageBox(nullptr, "Error 1 in tridag", "Error", MB_OK | MB_ICONINFORMATION);
        yes = MessageBox(nullptr, "go on?", "ATTENTION", MB_YESNO);
        no = MessageBox(nullptr, "go on?", "ATTENTION", MB_YESNO | MB_DEFBUTTON2);
    }).join();
    EXPECT_EQ(ok, IDOK);
    EXPECT_EQ(yes, IDYES);
    EXPECT_EQ(no, IDNO);
    EXPECT_TRUE(s.log().empty());
}

} // namespace
