// The pages of the parameters dialog as the desktop lays them out: dialog units turn into pixels
// by the dialog font's average letter (DejaVu Sans at 11 pixels), every number box shows the
// longest text it is filled with whole, sign and exponent included, and no two controls of a page
// lie on each other or beyond its edge.
#include "app/params_box.h"
#include "plat/gdi.hpp"
#include "plat/surface.hpp"
#include "state/model_choice.h"
#include "support/main_window_fixture.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace {

using MC = ModelChoice;

TEST(ParamsPageLayout, NumberBoxesShowWholeValuesAndControlsKeepApart) {
    plat::Surface surface(200, 50);
    TSurfaceDC dc(surface);
    dc.SelectObject(TFont(-11, 0, FW_NORMAL, DEFAULT_PITCH | FF_SWISS, "DejaVu Sans"));
    // The dialog unit: a quarter of the average of the 52 letters' widths.
    const int letters = dc.GetTextExtent("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz").cx;
    const int baseX = (letters / 26 + 1) / 2;
    ASSERT_GT(baseX, 3);
    auto pixels = [&](int du) { return (du * baseX + 2) / 4; };
    // The longest texts a box is filled with; the frame and the text margins take 10 pixels.
    int widest = 0;
    for (const char* text : {"-1.17549435e-38", "-5.4212967e-05", "-0.0012345678", "-123456.79"})
        widest = std::max(widest, int(dc.GetTextExtent(text).cx));
    const int needed = widest + 10;

    struct Page {
        const char* name;
        ParamsPage page;
        std::function<void()> choose;
    };
    const Page pages[] = {
        {"discrete", ParamsPage::Discrete, [] {}},
        {"self-association", ParamsPage::Discrete, [] { MC::singleSpecies = true; }},
        {"cumulants", ParamsPage::Discrete, [] { MC::dlsCumulants = true; }},
        {"c(s)", ParamsPage::Distribution, [] { MC::contiMode = MC::contiCs = true; }},
        {"I(D)", ParamsPage::Distribution, [] { MC::contiMode = MC::dlsID = true; }},
        {"bimodal with component", ParamsPage::Distribution,
         [] { MC::contiMode = MC::csBimodalDiscrete = true; }},
        {"wormlike chain, vbar", ParamsPage::Distribution,
         [] { MC::contiMode = MC::csWormlikeChain = MC::csFloatingVbar = true; }},
        {"equilibrium", ParamsPage::Equilibrium, [] { MC::equilibriumModel = true; }},
    };
    for (const Page& p : pages) {
        SCOPED_TRACE(p.name);
        MainWindowFixture f;
        p.choose();
        const plat::DialogTemplate page = ParamsDialogTemplate(p.page);
        std::vector<const plat::ControlSpec*> placed;
        for (const plat::ControlSpec& c : page.controls) {
            if (c.kind == plat::ControlKind::Edit)
                EXPECT_GE(pixels(c.w), needed) << "box " << c.id;
            EXPECT_LE(c.x + c.w, page.w) << c.id << " " << c.text;
            if (c.kind == plat::ControlKind::Group || c.w == 0)
                continue;
            for (const plat::ControlSpec* o : placed)
                EXPECT_FALSE(c.x < o->x + o->w && o->x < c.x + c.w && c.y < o->y + o->h &&
                             o->y < c.y + c.h)
                    << c.id << " \"" << c.text << "\" on " << o->id << " \"" << o->text << "\"";
            placed.push_back(&c);
        }
    }
}

} // namespace
