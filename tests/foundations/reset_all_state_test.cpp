// What one test leaves in the program-wide records never reaches the next one run in the same
// process.
#include "foundations/error_box_log.h"
#include "foundations/show_error.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <thread>

TEST(ResetAllState, ForgetsTheBoxesATestLeftBehind) {
    struct Case {
        const char* what;
        bool onWorker; // a worker's box waits for the window's thread
    } cases[] = {{"a box shown", false}, {"a box still waiting", true}};
    for (const Case& c : cases) {
        ResetAllState();
        if (c.onWorker)
            std::thread([] { ShowError("left by a worker", 0); }).join();
        else
            ShowError("left by the test before", 0);
        ResetAllState();
        ShowPendingErrors();
        EXPECT_TRUE(TakeErrorBoxes().empty()) << c.what;
    }
}
