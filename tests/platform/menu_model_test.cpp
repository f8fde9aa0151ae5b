// The menu model: run-time edits by command and the check that every menu or accelerator names
// a command the window handles.
#include "plat/menu.hpp"

#include <gtest/gtest.h>

namespace {

using plat::MenuItem;
using plat::MenuModel;

MenuModel SmallMenu() {
    return MenuModel({
        MenuItem::Popup("Data", {MenuItem::Command(200, "&Load New Files\t^L"),
                                 MenuItem::Command(226, "Add More Files\t^A"),
                                 MenuItem::Separator(), MenuItem::Command(230, "Exit")}),
        MenuItem::Popup("Options", {MenuItem::Popup("Loading Options and Tools",
                                                    {MenuItem::Command(552, "Buffer Mismatch"),
                                                     MenuItem::Command(231, "Undo", false, true)}),
                                    MenuItem::Command(594, "Sound", true)}),
        MenuItem::Command(212, "&Parameters"),
    });
}

TEST(MenuModel, CheckAndEnableReturnThePreviousState) {
    MenuModel m = SmallMenu();
    EXPECT_EQ(m.CheckMenuItem(594, MF_UNCHECKED), int(MF_CHECKED));
    EXPECT_FALSE(m.IsChecked(594));
    EXPECT_EQ(m.CheckMenuItem(552, MF_CHECKED), int(MF_UNCHECKED));
    EXPECT_TRUE(m.IsChecked(552));
    EXPECT_EQ(m.EnableMenuItem(231, MF_ENABLED), int(MF_GRAYED));
    EXPECT_FALSE(m.IsGrayed(231));
    EXPECT_EQ(m.CheckMenuItem(999, MF_CHECKED), -1);
}

TEST(MenuModel, InsertGoesBeforeTheCommandInItsPopupAndDeleteRemovesIt) {
    MenuModel m = SmallMenu();
    ASSERT_TRUE(m.InsertMenu(552, MF_BYCOMMAND | MF_STRING, 915, "FloTools"));
    const auto& popup = m.Items()[1].children[0].children;
    ASSERT_EQ(popup.size(), 3u);
    EXPECT_EQ(popup[0].id, 915);
    EXPECT_EQ(popup[1].id, 552);
    EXPECT_TRUE(m.DeleteMenu(915, MF_BYCOMMAND));
    EXPECT_FALSE(m.Contains(915));
    EXPECT_FALSE(m.DeleteMenu(915, MF_BYCOMMAND));
    EXPECT_FALSE(m.InsertMenu(4711, MF_BYCOMMAND, 916, "x"));
}

TEST(MenuModel, EveryEditNotifiesTheMirror) {
    MenuModel m = SmallMenu();
    int calls = 0;
    m.SetChangeHook([&] { ++calls; });
    m.CheckMenuItem(594, MF_CHECKED); // already checked: nothing changes
    m.CheckMenuItem(594, MF_UNCHECKED);
    m.EnableMenuItem(226, MF_GRAYED);
    m.InsertMenu(552, MF_BYCOMMAND, 918, "x");
    m.DeleteMenu(918);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(m.Revision(), 4u);
}

TEST(MenuModel, CommandsNobodyHandlesAreListed) {
    MenuModel m = SmallMenu();
    auto known = [](int id) { return id != 226 && id != 231; };
    EXPECT_EQ(m.UnknownCommands(known), (std::vector<int>{226, 231}));
    EXPECT_EQ(m.CommandIds(), (std::vector<int>{200, 226, 230, 552, 231, 594, 212}));
}

TEST(Accelerators, MatchNeedsTheExactModifiers) {
    plat::AcceleratorTable t({{FVIRTKEY | FCONTROL, 'F', 215}, {FVIRTKEY | FALT, 'F', 915}});
    struct Case {
        UINT key, state;
        std::optional<int> command;
    };
    const Case cases[] = {
        {'F', MK_CONTROL, 215},          {'F', KS_ALT, 915},
        {'F', 0, std::nullopt},          {'F', MK_CONTROL | MK_SHIFT, std::nullopt},
        {'G', MK_CONTROL, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(t.Match(c.key, c.state), c.command) << c.key << " " << c.state;
}

} // namespace
