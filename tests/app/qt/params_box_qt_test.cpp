// The parameters dialog on the desktop backend (offscreen): each family's page as a picture
// (written beside the tests as params_page_<family>.png), its Tab order following the page,
// Enter as OK and Escape as Cancel.
#include "app/params_box.h"
#include "app/txla_window.h"
#include "plat/backend.hpp"
#include "plat/png.hpp"
#include "plat/qt_backend.hpp"
#include "platform/src/qt/qt_probe.hpp"
#include "state/model_choice.h"
#include "state/model_parameters.h"
#include "support/desktop_window.h"
#include "support/reset_all_state.h"

#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace {

namespace probe = plat::qtprobe;
using M = ModelParameters;

class ParamsBoxOnDesktop : public DesktopWindowTest {};

// The controls that take the Tab key, in the order the template lists them.
std::vector<int> TemplateTabOrder(ParamsPage page) {
    std::vector<int> ids;
    for (const plat::ControlSpec& c : ParamsDialogTemplate(page).controls)
        if (c.id > 0 && c.kind != plat::ControlKind::Static && c.kind != plat::ControlKind::Group)
            ids.push_back(c.id);
    return ids;
}

TEST_F(ParamsBoxOnDesktop, EachPageShowsItsFieldsInPageOrderAndEnterIsOk) {
    struct Page {
        const char* file;
        ParamsPage page;
        std::function<void()> choose;
    } pages[] = {
        {"discrete", ParamsPage::Discrete, [] {}},
        {"distribution", ParamsPage::Distribution,
         [] { ModelChoice::contiMode = ModelChoice::contiCs = true; }},
        {"equilibrium", ParamsPage::Equilibrium, [] { ModelChoice::equilibriumModel = true; }},
        // log10 K after the cell's boxes
        {"association", ParamsPage::Equilibrium,
         [] { ModelChoice::equilibriumAssociationModel = true; }},
        // the discrete component's boxes and the second f/f0's after them
        {"bimodal_discrete", ParamsPage::Distribution,
         [] { ModelChoice::contiMode = ModelChoice::csBimodalDiscrete = true; }},
    };
    for (const Page& p : pages) {
        ModelChoice::ResetToDefaults();
        p.choose();
        M::speciesOn[2] = 1;
        M::speciesS[2] = 7.0f;
        M::speciesDOrM[2] = 150000.0f;
        M::speciesSFloat[2] = M::speciesDOrMFloat[2] = 1;
        M::meniscus = 6.0f;
        M::bottom = 7.2f;
        M::meniscusFloat = 1;
        probe::DialogLook look;
        probe::LookAtDialogThenPress(look, "Return");
        EXPECT_TRUE(window->RunParameters()) << p.file;
        EXPECT_FALSE(probe::AnswersPending()) << p.file;
        EXPECT_EQ(M::speciesS[2], 7.0f) << p.file;
        ASSERT_FALSE(look.picture.Empty()) << p.file;
        EXPECT_GT(look.picture.Width(), 300) << p.file;
        EXPECT_TRUE(plat::WritePng(look.picture, std::string("params_page_") + p.file + ".png"));
        // The walk goes along the rows, top to bottom, then the noise and initial-distribution
        // choices, then OK and Cancel.
        const std::vector<int> expected = TemplateTabOrder(p.page);
        EXPECT_EQ(look.tabOrder, expected) << p.file;
        if (p.page != ParamsPage::Distribution) {
            ASSERT_GE(look.tabOrder.size(), 3u);
            EXPECT_EQ(look.tabOrder[0], SpeciesControlId(1, kIncludedItem));
            EXPECT_EQ(look.tabOrder[1], SpeciesControlId(1, kLoadingItem));
            EXPECT_EQ(look.tabOrder[2], SpeciesControlId(1, kLoadingItem + 1));
        }
        EXPECT_EQ(look.tabOrder.back(), IDCANCEL);
    }
}

TEST_F(ParamsBoxOnDesktop, EscapeIsCancel) {
    probe::DialogLook look;
    probe::LookAtDialogThenPress(look, "Escape");
    M::speciesS[1] = 3.5f;
    EXPECT_FALSE(window->RunParameters());
    EXPECT_FALSE(probe::AnswersPending());
    EXPECT_EQ(M::speciesS[1], 3.5f);
}

} // namespace
