// Menu items by command number, and pop-up menus from a resource.
#include "tests/wingui/test_window.h"
#include "wingui/menus.h"

namespace {

class MenuTest : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDM_TEST));
        ASSERT_NE(menu, nullptr);
    }
    void TearDown() override {
        DestroyMenu(menu);
        WindowTest::TearDown();
    }
    UINT raw_state(int id) { return GetMenuState(menu, static_cast<UINT>(id), MF_BYCOMMAND); }

    HMENU menu = nullptr;
};

}  // namespace

TEST_F(MenuTest, GreyingAndEnablingASet) {
    enable_menu_items(menu, {CMD_FIRST, CMD_SECOND}, false);
    EXPECT_TRUE(raw_state(CMD_FIRST) & MF_GRAYED);
    EXPECT_TRUE(raw_state(CMD_SECOND) & MF_GRAYED);
    EXPECT_FALSE(menu_item_enabled(menu, CMD_FIRST));

    enable_menu_items(menu, {CMD_SECOND, CMD_THIRD}, true);
    EXPECT_FALSE(raw_state(CMD_SECOND) & (MF_GRAYED | MF_DISABLED));
    EXPECT_FALSE(raw_state(CMD_THIRD) & (MF_GRAYED | MF_DISABLED));
    EXPECT_TRUE(raw_state(CMD_FIRST) & MF_GRAYED);
    EXPECT_TRUE(menu_item_enabled(menu, CMD_THIRD));

    enable_menu_item(menu, CMD_FIRST, true);
    EXPECT_TRUE(menu_item_enabled(menu, CMD_FIRST));
    enable_menu_item(menu, CMD_FIRST, false);
    EXPECT_TRUE(raw_state(CMD_FIRST) & MF_GRAYED);
    // No such item: neither enabled nor checked.
    EXPECT_FALSE(menu_item_enabled(menu, 4711));
    EXPECT_FALSE(menu_item_checked(menu, 4711));
}

TEST_F(MenuTest, CheckMarks) {
    check_menu_item(menu, CMD_SECOND, true);
    EXPECT_TRUE(raw_state(CMD_SECOND) & MF_CHECKED);
    EXPECT_FALSE(raw_state(CMD_FIRST) & MF_CHECKED);
    EXPECT_TRUE(menu_item_checked(menu, CMD_SECOND));
    EXPECT_FALSE(menu_item_checked(menu, CMD_FIRST));

    check_menu_items(menu, {CMD_FIRST, CMD_THIRD}, true);
    EXPECT_TRUE(raw_state(CMD_FIRST) & MF_CHECKED);
    EXPECT_TRUE(raw_state(CMD_THIRD) & MF_CHECKED);
    check_menu_items(menu, {CMD_FIRST, CMD_SECOND}, false);
    EXPECT_FALSE(raw_state(CMD_FIRST) & MF_CHECKED);
    EXPECT_FALSE(raw_state(CMD_SECOND) & MF_CHECKED);
    EXPECT_TRUE(raw_state(CMD_THIRD) & MF_CHECKED);
}

TEST_F(MenuTest, APopUpShowsTheResourcesFirstMenuToItsOwner) {
    // The test dialog closes the menu as soon as it is told it opens.
    show_popup_menu(dialog, GetModuleHandleA(nullptr), IDM_TEST, POINT{50, 50}, TPM_LEFTALIGN | TPM_RIGHTBUTTON);
    EXPECT_EQ(state.popup_first_item, CMD_FIRST);
    state.popup_first_item = 0;
    // A resource that does not exist shows nothing.
    show_popup_menu(dialog, GetModuleHandleA(nullptr), 4711, POINT{50, 50}, TPM_LEFTALIGN);
    EXPECT_EQ(state.popup_first_item, 0);
}
