// "Copy Distribution" read back from the clipboard: the abscissa of each model family, the
// questions of a result with both regularizations and of the ls-g*(s) area extrapolation, six
// significant digits, and nothing at all without scans or after two No answers.
#include "app/txla_window.h"
#include "distributions/conti_run.h"
#include "foundations/nr_arrays.h"
#include "plat/testing.hpp"
#include "state/boundary_analysis.h"
#include "state/conti_state.h"
#include "state/model_choice.h"
#include "state/scan_store.h"
#include "support/main_window_fixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using C = ContiState;
using M = ModelChoice;

float* Vector(std::initializer_list<float> values) {
    float* v = vector(1, static_cast<long>(values.size()));
    int i = 1;
    for (float x : values)
        v[i++] = x;
    return v;
}

// Three grid points over s 1 to 3 S (M 1000 to 3000 Da), both regularizations held.
void HoldDistribution() {
    C::gridPoints = 3;
    C::sValues = Vector({1.0f, 2.0f, 3.0f});
    C::mValues = Vector({1000.0f, 2000.0f, 3000.0f});
    C::distribution = Vector({0.5f, 1.0f, 0.123456789f});
    C::secondDistribution = Vector({0.4f, 0.9f, 0.3f});
}

std::string Clipboard() {
    return plat::test::clipboard().text.value_or("<nothing>");
}

} // namespace

TEST(CopyDistribution, TableOfEachModelAndAnswer) {
    struct Answer {
        const char* question;
        int answer;
    };
    struct Case {
        const char* name;
        std::function<void()> choose;
        std::vector<Answer> answers;
        const char* table; // "<nothing>": the clipboard is left alone
    };
    const Case cases[] = {
        {"c(s)", [] { M::contiCs = true; }, {}, "1\t0.5\n2\t1\n3\t0.123457\n"},
        {"c(s) with a discrete component",
         [] { M::csDiscreteSD = true; },
         {},
         "1\t0.5\n2\t1\n3\t0.123457\n"},
        {"c(M)", [] {}, {}, "1000\t0.5\n2000\t1\n3000\t0.123457\n"},
        {"both, maximum entropy",
         [] { M::contiCs = C::showBothRegularizations = true; },
         {{"Max Ent distribution?", IDYES}},
         "1\t0.5\n2\t1\n3\t0.123457\n"},
        {"both, Tikhonov",
         [] { M::contiCs = C::showBothRegularizations = true; },
         {{"Max Ent distribution?", IDNO}, {"Tikhonov distribution?", IDYES}},
         "1\t0.4\n2\t0.9\n3\t0.3\n"},
        {"both, neither",
         [] { M::contiCs = C::showBothRegularizations = true; },
         {{"Max Ent distribution?", IDNO}, {"Tikhonov distribution?", IDNO}},
         "<nothing>"},
        {"ls-g*(s) area extrapolation, its curves",
         [] {
             M::lsgExtrapolation = M::gStarFamily = true;
             BoundaryAnalysis::lsgGrid = {0.5, 1.5};
             BoundaryAnalysis::lsgCurves = {{0.1, 0.2}, {0.3, 0.4}};
         },
         {{"ls-g*(s) distributions?", IDYES}},
         "0.5\t0.1\t0.3\n1.5\t0.2\t0.4\n"},
        {"ls-g*(s) area extrapolation, the distribution",
         [] {
             M::lsgExtrapolation = M::gStarFamily = true;
             BoundaryAnalysis::lsgGrid = {0.5, 1.5};
             BoundaryAnalysis::lsgCurves = {{0.1, 0.2}};
         },
         {{"ls-g*(s) distributions?", IDNO}},
         "1\t0.5\n2\t1\n3\t0.123457\n"},
        {"no scans", [] { ScanStore::scanCount = 0; }, {}, "<nothing>"},
    };
    for (const Case& c : cases) {
        MainWindowFixture f;
        M::nonInteractingSpecies = false;
        M::contiMode = true;
        // Fit limits set: the copy leaves them.
        ScanStore::scanCount = 2;
        ScanStore::leftFitLimit = 6.05f;
        ScanStore::rightFitLimit = 7.1f;
        HoldDistribution();
        c.choose();
        for (const Answer& a : c.answers)
            f.script.expectBox().caption("").text(a.question).answer(a.answer);
        plat::test::clearRecords();
        SendMessage(f.window.get(), WM_COMMAND, WPARAM(274), 0);
        EXPECT_TRUE(f.script.done()) << c.name << "\n" << f.script.logText();
        EXPECT_EQ(Clipboard(), c.table) << c.name;
        EXPECT_EQ(ScanStore::leftFitLimit, 6.05f) << c.name;
        // The wait cursor of the copy is gone again, whatever was answered.
        const std::vector<int> cursors = plat::test::cursorHistory(f.window.get());
        if (!cursors.empty()) {
            EXPECT_EQ(cursors.back(), IDC_ARROW) << c.name;
        }
        ScanStore::scanCount = 0;
        FreeDistributionArrays();
    }
}
