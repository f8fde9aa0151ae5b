// The solvent's "fit vbar" box in a distribution Fit: it floats vbar only where the kernel is
// made of Lamm solutions in the solvent; elsewhere a vbar floated would move nothing the kernel
// holds, and a Fit without another floated parameter says there is nothing to fit.
#include "distributions/conti_fit.h"
#include "distributions/conti_grid.h"
#include "distributions/conti_run.h"
#include "foundations/error_box_log.h"
#include "plat/testing.hpp"
#include "plat/window.hpp"
#include "scandata/scan_store_alloc.h"
#include "simulation/inhomogeneous_solvent.h"
#include "state/conti_state.h"
#include "state/fit_control.h"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "state/result_table.h"
#include "support/conti_data_store.h"
#include "support/reset_all_state.h"

#include <gtest/gtest.h>

namespace {

using C = ContiState;
using M = ModelChoice;

void ExpectRefusalsWithTheSolventOn() {
    plat::test::Script script;
    TFrameWindow window{nullptr, "test"};
    window.Create();
    script.pumpUntilIdle();
    ContiDataStore store;
    store.Fill({{5.0, 1.25, 0.5}});
    M::nonInteractingSpecies = false;
    M::contiMode = true;
    M::inhomogeneousSolvent = true;
    C::confidenceLevel = 0.68f;
    C::rangeMin = 1.0f;
    C::rangeMax = 10.0f;
    C::resolution = 20.0f;
    C::ff0Float = 0;
    ModelParameters::meniscusFloat = ModelParameters::bottomFloat = 0;
    struct Case {
        const char* name;
        bool* model;
        ContiVariant variant;
        bool box;
        const char* refusal; // nullptr: vbar floats, no refusal
    };
    const char* const kNothing =
        "No kernel parameter (meniscus, bottom, f/f0) is floated: use Run to compute the "
        "distribution.";
    const Case cases[] = {
        {"ls-g*(s), box checked", &M::lsGStar, ContiVariant::LsGStar, true, kNothing},
        {"c(s), box unchecked", &M::contiCs, ContiVariant::Cs, false, kNothing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        M::lsGStar = M::contiCs = false;
        *c.model = true;
        ASSERT_EQ(CurrentContiVariant(), c.variant);
        FitControl::fitVbar = c.box;
        const float vbar = ScanStore::vbar;
        script.expectBox().caption("Error").text(c.refusal).answer(IDOK);
        EXPECT_FALSE(ContiFit(nullptr, SilentObserver()));
        EXPECT_TRUE(script.done()) << script.logText();
        EXPECT_EQ(ScanStore::vbar, vbar);
    }
    TakeErrorBoxes();
    FreeDistributionArrays();
    FreeResultTable();
}

TEST(ContiSolventVbar, FloatedOnlyWhereTheKernelIsSolvedInTheSolvent) {
    ExpectRefusalsWithTheSolventOn();
    ResetAllState();
}

} // namespace
