// The command table and what is built from it: every id once, the menu "MENU_1" with its
// popups and initial states, and the accelerator table 303.
#include "app/command_table.h"
#include "app/menu_1.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <string>

namespace {

int CountIf(bool (*pred)(const CommandRow&)) {
    auto rows = CommandTable();
    return int(std::count_if(rows.begin(), rows.end(), pred));
}

const plat::MenuItem* TopLevel(const plat::MenuModel& menu, const std::string& text) {
    for (const plat::MenuItem& item : menu.Items())
        if (item.text == text)
            return &item;
    return nullptr;
}

} // namespace

TEST(CommandTable, HoldsEveryCommandOnce) {
    std::set<int> ids;
    for (const CommandRow& row : CommandTable()) {
        EXPECT_TRUE(ids.insert(row.id).second) << "id " << row.id << " twice";
        EXPECT_NE(row.handler, nullptr) << row.id;
        EXPECT_EQ(row.menuPath == nullptr, row.text == nullptr) << row.id;
        EXPECT_EQ(FindCommand(row.id), &row);
    }
    EXPECT_EQ(ids.size(), 247u);
    EXPECT_EQ(CountIf([](const CommandRow& r) { return r.menuPath != nullptr; }), 208);
    EXPECT_EQ(CountIf([](const CommandRow& r) { return r.help != HelpTest::None; }), 108);
    EXPECT_EQ(FindCommand(12345), nullptr);
}

TEST(CommandTable, OnlyParametersAndFitLimitsAskTheHelpEngine) {
    EXPECT_EQ(FindCommand(212)->help, HelpTest::Context320);
    EXPECT_EQ(FindCommand(240)->help, HelpTest::Context321);
    EXPECT_EQ(CountIf([](const CommandRow& r) { return r.help == HelpTest::Offer; }), 106);
}

TEST(Menu1, ShowsEveryMenuCommandOnceInItsPopup) {
    plat::MenuModel menu = BuildMenu1();
    std::vector<int> ids = menu.CommandIds();
    EXPECT_EQ(ids.size(), 208u);
    EXPECT_EQ(std::set<int>(ids.begin(), ids.end()).size(), 208u);
    for (const CommandRow& row : CommandTable()) {
        const plat::MenuItem* item = menu.Find(row.id);
        if (!row.menuPath) {
            EXPECT_EQ(item, nullptr) << row.id;
            continue;
        }
        ASSERT_NE(item, nullptr) << row.id;
        EXPECT_EQ(item->text, row.text);
    }
}

TEST(Menu1, MenuBarInOrder) {
    plat::MenuModel menu = BuildMenu1();
    std::vector<std::string> bar;
    for (const plat::MenuItem& item : menu.Items())
        bar.push_back(item.text);
    std::vector<std::string> expected = {"&Data",       "Copy",     "Display", "M&odel",
                                         "&Parameters", "&Run",     "&Fit",    "&Generate",
                                         "Statistics",  "&Options", "Plot",    "Help"};
    EXPECT_EQ(bar, expected);
    EXPECT_FALSE(TopLevel(menu, "&Run")->popup);
    EXPECT_EQ(TopLevel(menu, "&Run")->id, 213);
}

TEST(Menu1, NestedPopupsHoldTheirItems) {
    plat::MenuModel menu = BuildMenu1();
    const plat::MenuItem* options = TopLevel(menu, "&Options");
    ASSERT_NE(options, nullptr);
    std::map<std::string, std::size_t> popupSizes;
    for (const plat::MenuItem& item : options->children)
        if (item.popup)
            popupSizes[item.text] = item.children.size();
    EXPECT_EQ(popupSizes["Loading Options and Tools"], 24u);
    EXPECT_EQ(popupSizes["Calculator"], 17u);
    EXPECT_EQ(popupSizes["Size-Distribution Options"], 16u);
    // The second level: DLS Tools holds the converters' popup.
    const plat::MenuItem* dls = nullptr;
    for (const plat::MenuItem& item : options->children)
        if (item.text == "DLS Tools")
            dls = &item;
    ASSERT_NE(dls, nullptr);
    EXPECT_EQ(dls->children.size(), 4u);
    EXPECT_EQ(dls->children.back().text, "Convert DLS Data To TARNIX format");
    EXPECT_EQ(dls->children.back().children.size(), 11u);
    // "Sound" comes after the popups, on the Options menu itself.
    EXPECT_EQ(options->children.back().id, 594);
}

TEST(Menu1, InitialStatesOfTheResource) {
    plat::MenuModel menu = BuildMenu1();
    std::set<int> checked;
    for (int id : menu.CommandIds())
        if (menu.IsChecked(id))
            checked.insert(id);
    EXPECT_EQ(checked,
              (std::set<int>{232, 209, 504, 198, 217, 295, 247, 868, 505, 506, 609, 594, 610}));
    std::vector<int> grayed;
    for (int id : menu.CommandIds())
        if (menu.IsGrayed(id))
            grayed.push_back(id);
    EXPECT_EQ(grayed, std::vector<int>{231});
}

TEST(Accelerators303, MatchTheirCommands) {
    plat::AcceleratorTable table = BuildAcceleratorTable303();
    struct Case {
        UINT key;
        bool alt;
        int command;
    };
    const Case cases[] = {
        {'A', false, 226}, {'B', false, 552}, {'D', false, 518}, {'C', false, 646},
        {'E', false, 579}, {'F', false, 215}, {'F', true, 915},  {'G', false, 901},
        {'G', true, 611},  {'I', false, 456}, {'L', false, 200}, {'M', false, 608},
        {'N', false, 519}, {'O', false, 517}, {'P', false, 212}, {'R', false, 213},
        {'S', false, 203}, {'U', false, 827}, {'X', false, 633}, {'W', false, 529},
        {'M', true, 837},  {'I', true, 542},
    };
    EXPECT_EQ(table.Entries().size(), std::size(cases));
    for (const Case& c : cases) {
        std::optional<int> command = table.Match(c.key, c.alt ? KS_ALT : MK_CONTROL);
        ASSERT_TRUE(command.has_value()) << char(c.key) << (c.alt ? " alt" : " ctrl");
        EXPECT_EQ(*command, c.command) << char(c.key);
    }
    EXPECT_FALSE(table.Match('Q', MK_CONTROL).has_value());
}
