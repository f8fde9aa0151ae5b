// The thread's message queue as long computations poll it: which messages a poll consumes, which
// survive it (paint, quit, close, timers), and where translated characters land.
#include "plat/app.hpp"
#include "plat/testing.hpp"
#include "plat/window.hpp"

#include <gtest/gtest.h>
#include <thread>

namespace {

// The key polling of long loops: remove one message; on a key-down, drain up to its key-up.
bool PollKey() {
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        return false;
    if (msg.message != WM_KEYDOWN)
        return false;
    do {
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
            continue;
    } while (msg.message != WM_KEYUP);
    return true;
}

class CountingWindow : public TFrameWindow {
  public:
    CountingWindow() : TFrameWindow(nullptr, "test") {}
    void Paint(TDC&, bool, TRect&) override { ++paints; }
    int paints = 0;
};

class MessageQueue : public ::testing::Test {
  protected:
    plat::test::Script script;
    CountingWindow win;
    void SetUp() override {
        win.Create();
        script.pumpUntilIdle();
    }
};

TEST_F(MessageQueue, ClickAheadOfKeyIsDroppedByFirstPoll) {
    EXPECT_FALSE(PollKey()); // empty queue
    plat::test::click(&win, 10, 10);
    plat::test::key(&win, VK_ESCAPE, 27);
    EXPECT_FALSE(PollKey()); // button down, dropped
    EXPECT_FALSE(PollKey()); // button up, dropped
    EXPECT_TRUE(PollKey());  // the key, drained to its release
    EXPECT_FALSE(PollKey());
}

TEST_F(MessageQueue, HeldKeyReturnsAfterReleaseDroppingRepeats) {
    plat::test::keyDown(&win, 'A', 'a');
    plat::test::keyDown(&win, 'A', 'a');
    plat::test::keyDown(&win, 'A', 'a');
    plat::test::keyUp(&win, 'A');
    plat::test::key(&win, 'B', 'b');
    EXPECT_TRUE(PollKey());
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_EQ(msg.wParam, WPARAM('B'));
}

TEST_F(MessageQueue, PollReturnsPaintButLeavesTheWindowInvalid) {
    const int paintsBefore = win.paints;
    win.Invalidate(true);
    MSG msg;
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
        EXPECT_EQ(msg.message, WM_PAINT);
    }
    EXPECT_TRUE(win.IsInvalid());
    EXPECT_EQ(win.paints, paintsBefore);
    script.pumpUntilIdle();
    EXPECT_FALSE(win.IsInvalid());
    EXPECT_EQ(win.paints, paintsBefore + 1);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, QuitSurvivesPollsAndEndsTheLoopOnce) {
    PostQuitMessage(3);
    for (int i = 0; i < 5; ++i)
        EXPECT_FALSE(PollKey());
    MSG msg;
    EXPECT_EQ(GetMessage(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, WM_QUIT);
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, KeyBehindQuitIsStillSeen) {
    PostQuitMessage(0);
    plat::test::key(&win, VK_RETURN, '\r');
    EXPECT_TRUE(PollKey());
}

TEST_F(MessageQueue, CloseRequestSurvivesAPollWithoutBlockingLaterKeys) {
    plat::test::closeBox(&win);
    plat::test::key(&win, VK_SPACE, ' ');
    EXPECT_FALSE(PollKey()); // sees the close, sets it aside
    EXPECT_TRUE(PollKey());
    MSG msg;
    ASSERT_EQ(GetMessage(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_CLOSE);
    EXPECT_EQ(msg.hwnd, &win);
}

TEST_F(MessageQueue, TimerExpiriesCoalesceIntoOneMessage) {
    ASSERT_TRUE(win.SetTimer(13, 60000));
    plat::test::advanceTimers(59999);
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    plat::test::advanceTimers(3 * 60000);
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_EQ(msg.wParam, 13u);
    // A poll leaves the tick for the loop; the loop takes it once.
    ASSERT_EQ(GetMessage(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, WM_TIMER);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    win.KillTimer(13);
    plat::test::advanceTimers(120000);
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(MessageQueue, TranslatedCharacterComesBeforeTheKeyUp) {
    plat::test::key(&win, 'Q', 'q');
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    ASSERT_EQ(msg.message, WM_KEYDOWN);
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_CHAR);
    EXPECT_EQ(msg.wParam, WPARAM('q'));
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_KEYUP);
    plat::test::key(&win, VK_F5); // no character: nothing to translate
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_FALSE(TranslateMessage(&msg));
}

TEST_F(MessageQueue, FiltersSelectKeyboardMessagesOfOneWindow) {
    CountingWindow other;
    other.Create();
    script.pumpUntilIdle();
    plat::test::click(&win, 1, 1);
    plat::test::key(&other, 'X', 'x');
    plat::test::key(&win, 'Y', 'y');
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, &win, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM('Y'));
    // The click stays; only the removed key is gone.
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, WM_LBUTTONDOWN);
}

TEST_F(MessageQueue, WorkerThreadPollsItsOwnEmptyQueue) {
    plat::test::key(&win, VK_ESCAPE, 27);
    bool workerSaw = true;
    std::thread([&] { workerSaw = PollKey(); }).join();
    EXPECT_FALSE(workerSaw);
    EXPECT_TRUE(PollKey());
}

TEST_F(MessageQueue, WorkerPostReachesTheWindowsThread) {
    std::thread([&] { PostMessage(&win, WM_USER + 5, 7, 0); }).join();
    MSG msg;
    ASSERT_TRUE(PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, WM_USER + 5);
    EXPECT_EQ(msg.hwnd, &win);
}

TEST_F(MessageQueue, DestroyedWindowTakesItsMessagesAlong) {
    {
        CountingWindow gone;
        gone.Create();
        plat::test::key(&gone, 'A', 'a');
        gone.SetTimer(1, 10);
        plat::test::advanceTimers(20);
    }
    script.pumpUntilIdle();
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

} // namespace
