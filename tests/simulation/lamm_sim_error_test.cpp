// The user's report of a Lamm solver's result code: one box per code with its caption, the
// error words of the simulation grid, and one discretisation warning per fit.
#include "plat/msgbox.hpp"
#include "plat/testing.hpp"
#include "simulation/lamm_sim_error.h"
#include "state/fit_control.h"
#include "state/lamm_grid.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>
#include <string>

using plat::test::Script;

namespace {

struct Case {
    int code;
    const char* caption; // null: no box
    const char* text;    // the whole text
    UINT icon;
    int discretizationError, singularMatrix;
};

} // namespace

TEST(ReportLammSimError, OneBoxPerCode) {
    const Case cases[] = {
        {-1, nullptr, "", 0, 0, 0},
        {0, nullptr, "", 0, 0, 0},
        {1, "ERROR in simulation", "could not allocate Lamm simulation arrays", 0, 0, 0},
        {2, "DISCRETIZATION ERROR", "change grid size and readjust max dc/c", MB_ICONEXCLAMATION, 1,
         0},
        {3, "ERROR in simulation", "singular tridiagonal matrix!", 0, 0, 1},
        {4, nullptr, "", 0, 0, 0},
        {5, "ERROR in simulation",
         "possible error in setup: temperature equilibration at 3000 rpm (please refer to "
         "experimental protocol)\n --> please switch to \"times from wwt\" in Lamm equation "
         "parameters (Options menu)\n(this is suboptimal and prohibits simulating of the rotor "
         "acceleration phase, but is a fix to analyze this data)",
         MB_ICONEXCLAMATION, 0, 0},
        {6, "ERROR in simulation",
         "possible error in setupof Lamm eq. solution, nonideal parameters", MB_ICONEXCLAMATION, 0,
         0},
        {7, nullptr, "", 0, 0, 0},
    };
    for (const Case& c : cases) {
        ResetAllState();
        Script script;
        if (c.caption != nullptr)
            script.expectBox().caption(c.caption).answer(IDOK);
        ReportLammSimError(nullptr, static_cast<LammResult>(c.code));
        EXPECT_TRUE(script.done()) << "code " << c.code;
        if (c.caption != nullptr && !script.log().empty()) {
            EXPECT_EQ(script.log().front().text, c.text) << "code " << c.code;
            EXPECT_EQ(script.log().front().flags & MB_ICONMASK, c.icon) << "code " << c.code;
        }
        EXPECT_EQ(LammGrid::discretizationError, c.discretizationError) << "code " << c.code;
        EXPECT_EQ(LammGrid::singularMatrix, c.singularMatrix) << "code " << c.code;
    }
}

// Every evaluation of a fit may fail the same way: the warning comes once per fit, and every
// time outside a fit.
TEST(ReportLammSimError, DiscretizationWarningOncePerFit) {
    ResetAllState();
    {
        Script script;
        script.expectBox().caption("DISCRETIZATION ERROR").answer(IDOK);
        script.expectBox().caption("DISCRETIZATION ERROR").answer(IDOK);
        ReportLammSimError(nullptr, LammResult::DiscretizationError);
        ReportLammSimError(nullptr, LammResult::DiscretizationError);
        EXPECT_TRUE(script.done());
    }
    FitControl::fitInProgress = true;
    {
        Script script;
        script.expectBox().caption("DISCRETIZATION ERROR").answer(IDOK);
        ReportLammSimError(nullptr, LammResult::DiscretizationError);
        ReportLammSimError(nullptr, LammResult::DiscretizationError);
        EXPECT_TRUE(script.done());
        EXPECT_TRUE(LammGrid::simErrorShown);
        EXPECT_EQ(LammGrid::discretizationError, 1);
    }
    ResetAllState();
}
