// Key polling on the thread's queue: a key found behind other messages, which stay; a held key
// returns after its release; quit and close requests survive polling; the abort request, waits,
// single characters and the error box.
#include "foundations/error_box_log.h"
#include "foundations/key_polling.h"
#include "foundations/show_error.h"
#include "plat/app.hpp"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "support/reset_all_state.h"
#include "support/temp_folder.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class KeyPolling : public ::testing::Test {
  protected:
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    void SetUp() override {
        ResetAllState();
        window.Create();
        script.pumpUntilIdle();
    }
    bool QuitPending() {
        MSG msg;
        // The range selects nothing but the quit request, which ignores filters.
        return PeekMessage(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) && msg.message == WM_QUIT;
    }
};

} // namespace

// A poll used to take one message and look no further: behind a steady stream of mouse moves
// (the user moving the mouse over a fit that refreshes its view) a key was never reached, and the
// messages it took were lost.
TEST_F(KeyPolling, KeyBehindOtherMessagesIsFoundAndTheyStay) {
    EXPECT_FALSE(KeyPressed(&window));
    EXPECT_FALSE(KeyPressed(nullptr));
    plat::test::mouse(&window, WM_LBUTTONDOWN, 3, 4);
    for (int i = 0; i < 20; ++i)
        plat::test::mouse(&window, WM_MOUSEMOVE, i, 4);
    plat::test::command(&window, 215);
    plat::test::key(&window, VK_ESCAPE, 27);
    plat::test::mouse(&window, WM_MOUSEMOVE, 30, 4);
    EXPECT_FALSE(KeyPressed()); // the click, dropped
    EXPECT_TRUE(KeyPressed());  // the key
    EXPECT_FALSE(KeyPressed());
    std::vector<UINT> left;
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        left.push_back(msg.message);
    std::vector<UINT> expected(22, WM_MOUSEMOVE);
    expected[20] = WM_COMMAND;
    EXPECT_EQ(left, expected);
}

// The release of the accelerator that started a computation, and the repeats of a key held
// since, are no new key; a key pressed after them is.
TEST_F(KeyPolling, ReleasesAndRepeatsOfAnEarlierKeyDoNotCount) {
    plat::test::keyUp(&window, 'F', MK_CONTROL);
    PostMessage(&window, WM_KEYDOWN, 'F', LPARAM(0x40000001)); // auto-repeat
    EXPECT_FALSE(KeyPressed());
    plat::test::key(&window, VK_SPACE, ' ');
    EXPECT_TRUE(KeyPressed(&window));
    EXPECT_FALSE(KeyPressed(&window));
}

TEST_F(KeyPolling, HeldKeyCountsOnceDroppingRepeatsAndRelease) {
    plat::test::keyDown(&window, 'A', 'a');
    PostMessage(&window, WM_KEYDOWN, 'A', LPARAM(0x40000001)); // auto-repeat
    plat::test::keyUp(&window, 'A');
    plat::test::key(&window, 'B', 'b');
    EXPECT_TRUE(KeyPressed(&window));
    EXPECT_TRUE(KeyPressed(&window)); // B is still there
    EXPECT_FALSE(KeyPressed(&window));
}

// What stops, by road. A system key going down (Alt alone, F10, a key with Alt) stopped a
// computation on the poll's road and at the command's end; it is lost there as a click is, ending
// the poll, and a key behind it still stops. Handed on by a box's loop it keeps stopping. A key
// handed on while stops are held off was lost; it is counted for what runs the fit, as no stop.
TEST_F(KeyPolling, WhatStopsByRoad) {
    const struct {
        const char* name;
        UINT message;
        WPARAM wParam;
        bool polled;
    } cases[] = {{"key", WM_KEYDOWN, 'Q', true},
                 {"Alt alone", WM_SYSKEYDOWN, VK_MENU, false},
                 {"Tab with Alt", WM_SYSKEYDOWN, VK_TAB, false},
                 {"F10", WM_SYSKEYDOWN, VK_F10, false},
                 {"click", WM_LBUTTONDOWN, MK_LBUTTON, false}};
    for (const auto& c : cases) {
        MSG msg{};
        msg.hwnd = &window;
        msg.message = c.message;
        msg.wParam = c.wParam;
        msg.lParam = 1;
        EXPECT_EQ(StopsComputation(msg, InputRoad::Polled), c.polled) << c.name;
        EXPECT_TRUE(StopsComputation(msg, InputRoad::HandedToWindow)) << c.name;
        PostMessage(&window, c.message, c.wParam, 1);
        plat::test::key(&window, 'B', 'b');
        EXPECT_EQ(KeyPressed(), c.polled) << c.name;
        EXPECT_TRUE(KeyPressed()) << c.name << ": the key behind it";
        PostMessage(&window, c.message, c.wParam, 1);
        EXPECT_EQ(DropInputOfComputation(&window), c.polled) << c.name;
        const StopsHeldOff ending;
        const int stops = StopsCounted();
        EXPECT_FALSE(CountStopHandedToWindow(msg)) << c.name;
        EXPECT_EQ(StopsCounted() - stops, c.polled ? 1 : 0) << c.name;
    }
}

// The single-key reader waited for the key's release, which may never come: it reads the
// character at the key-down, and the release, when it comes, reads as no key.
TEST_F(KeyPolling, SingleKeyReadingDoesNotWaitForTheRelease) {
    plat::test::keyDown(&window, 'R', 'r');
    int c = 0;
    ASSERT_TRUE(ReadKeyChar(&c));
    EXPECT_EQ(c, 'r');
    plat::test::keyUp(&window, 'R');
    EXPECT_FALSE(ReadKeyChar(&c));
    EXPECT_FALSE(KeyPressed(&window));
}

// Polling used to discard whatever it removed, the quit request and a close request included, so
// a fatal error's quit or the close box was lost while a long loop polled.
TEST_F(KeyPolling, QuitAndCloseRequestsSurvivePolling) {
    plat::test::closeBox(&window);
    PostQuitMessage(0);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(KeyPressed());
    EXPECT_TRUE(QuitPending());
    MSG msg;
    ASSERT_TRUE(GetMessage(&msg, nullptr, 0, 0));
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_FALSE(GetMessage(&msg, nullptr, 0, 0)); // then the quit
}

TEST_F(KeyPolling, UserAbortReportsKeysAndTheAbortRequestOnce) {
    EXPECT_FALSE(UserAbort(&window));
    gAbortRequest = true;
    EXPECT_TRUE(UserAbort(&window));
    EXPECT_FALSE(gAbortRequest);
    EXPECT_FALSE(UserAbort(&window));
    plat::test::keyUp(&window, 'Q'); // any keyboard message counts
    EXPECT_TRUE(UserAbort(&window));
    EXPECT_FALSE(UserAbort(nullptr));
    PostQuitMessage(0); // not a keyboard message
    EXPECT_FALSE(UserAbort(&window));
    EXPECT_TRUE(QuitPending());
}

TEST_F(KeyPolling, ReadsTypedCharactersAndEchoesKeyCodes) {
    int c = 0;
    EXPECT_FALSE(ReadKeyChar(&c));
    plat::test::key(&window, 'X', 'x');
    ASSERT_TRUE(ReadKeyChar(&c));
    EXPECT_EQ(c, 'x');
    EXPECT_FALSE(KeyPressed());
    // A key that types no character used to leave the reader waiting for one for ever.
    plat::test::key(&window, VK_LEFT);
    ASSERT_TRUE(ReadKeyChar(&c));
    EXPECT_EQ(c, 0);
    EXPECT_FALSE(KeyPressed());

    EXPECT_EQ(EchoKeyCode(&window), -1);
    plat::test::key(&window, '7', '7');
    EXPECT_EQ(EchoKeyCode(&window), '7');
    EXPECT_EQ(EchoKeyCode(nullptr), -1);
}

TEST_F(KeyPolling, WaitsReturnAtOnceForNoTimeAndSeeKeys) {
    auto start = std::chrono::steady_clock::now();
    WaitSeconds(0.0005f);
    WaitSeconds(-1.0f);
    EXPECT_FALSE(WaitForKey(&window, 0.0f));
    // A generous bound: it only has to tell "returns" from "waits for ever".
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    plat::test::key(&window, 'K', 'k');
    EXPECT_TRUE(WaitForKey(&window, 1.0f));
    EXPECT_TRUE(KeyPressed()); // WaitForKey left it queued
    EXPECT_FALSE(WaitForKey(&window, 0.01f));
}

TEST_F(KeyPolling, FileExists) {
    TempFolder dir;
    EXPECT_TRUE(FileExists(dir.write("f.txt", "x").c_str()));
    EXPECT_FALSE(FileExists(dir.file("missing.txt").c_str()));
    EXPECT_FALSE(FileExists(nullptr));
}

TEST_F(KeyPolling, ErrorBoxIsCaptionedErrorAndFatalPostsQuit) {
    script.expectBox().caption("Error").text("VBAR <= 0 in function CalculateM").answer(IDOK);
    ShowError("VBAR <= 0 in function CalculateM", 0);
    EXPECT_FALSE(QuitPending());
    script.expectBox().caption("Error").text("Error 1 in tridag").answer(IDOK);
    ShowError("Error 1 in tridag", 1);
    EXPECT_TRUE(QuitPending());
    EXPECT_TRUE(script.done());
    ASSERT_EQ(script.log().size(), 2u);
    EXPECT_EQ(script.log()[1].flags, MB_OK | MB_ICONINFORMATION);
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_FALSE(boxes[0].fatal);
    EXPECT_TRUE(boxes[1].fatal);
}

// A worker thread's error box used to go straight to the desktop from the worker; it now waits
// for the window's thread, which shows it at its next key poll.
TEST_F(KeyPolling, WorkerErrorBoxesWaitForTheWindowThread) {
    TakeErrorBoxes();
    std::thread worker([] { ShowError("Singular matrix in routine ludcmp", 1); });
    worker.join();
    EXPECT_TRUE(TakeErrorBoxes().empty());
    EXPECT_FALSE(QuitPending());
    script.expectBox().caption("Error").text("Singular matrix in routine ludcmp").answer(IDOK);
    EXPECT_FALSE(KeyPressed());
    auto boxes = TakeErrorBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(boxes[0].fatal);
    EXPECT_TRUE(QuitPending());
    EXPECT_TRUE(script.done());
}
