// The window's observer shows a computation through the window's services: each report reaches
// its entry of the table (the silent observer's none), and the progress lines shown are known by
// their place until they go.
#include "app/txla_window.h"
#include "state/window_services.h"
#include "support/main_window_fixture.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> gCalls;

TEST(WindowObserver, ReportsReachTheirEntriesOfTheWindowsServices) {
    MainWindowFixture f;
    const WindowServiceTable kept = WindowServices::table;
    WindowServiceTable& t = WindowServices::table;
    t.requestRepaint = [](TXLAWindow*) { gCalls.push_back("repaint"); };
    t.drawResidualsView = [](TXLAWindow*) { gCalls.push_back("live view"); };
    t.showTrialDistribution = [](TXLAWindow*, const std::vector<float>& x,
                                 const std::vector<float>& c) {
        gCalls.push_back("trial " + std::to_string(x.size()) + " " + std::to_string(int(c[2])));
    };
    t.endTrialDistribution = [](TXLAWindow*) { gCalls.push_back("end trial"); };
    struct Case {
        void (*report)(CComputeObserver&);
        const char* expected;
    };
    const Case cases[] = {
        {[](CComputeObserver& o) { o.RequestRepaint(); }, "repaint"},
        {[](CComputeObserver& o) { o.LiveView(); }, "live view"},
        {[](CComputeObserver& o) {
             o.TrialDistribution({0, 1, 2}, {0, 5, 7});
         },
         "trial 3 7"},
        {[](CComputeObserver& o) { o.EndTrialDistribution(); }, "end trial"},
    };
    for (const Case& c : cases) {
        gCalls.clear();
        c.report(f.window->computeObserver);
        EXPECT_EQ(gCalls, std::vector<std::string>{c.expected});
        gCalls.clear();
        c.report(SilentObserver());
        EXPECT_TRUE(gCalls.empty()) << c.expected;
    }
    WindowServices::table = kept;
}

TEST(WindowObserver, ProgressLinesAreKnownByTheirPlaceUntilTheyGo) {
    MainWindowFixture f;
    TWindowObserver& o = f.window->computeObserver;
    EXPECT_LT(o.LineFraction(10, 10), 0.0f);
    CProgress first(o, 10, 10);
    first.Advance(0.25f);
    {
        CProgress other(o, 10, 65, ProgressBarColour::blue);
        CProgress second(o, 10, 10);
        second.Advance(0.5f);
        other.Advance(0.75f);
        EXPECT_EQ(o.LineFraction(10, 10), 0.5f); // the newest at its place
        EXPECT_EQ(o.LineFraction(10, 65), 0.75f);
        second.Hide();
        other.Hide();
    }
    EXPECT_EQ(o.LineFraction(10, 10), 0.25f);
    EXPECT_LT(o.LineFraction(10, 65), 0.0f);
    first.Hide();
}

} // namespace
