// Check boxes, and option words shown as check boxes by a table.
#include "tests/wingui/test_window.h"
#include "wingui/buttons.h"

namespace {

constexpr CheckBit rows[] = {
    {IDC_FIRST_BOX, 0x1},
    {IDC_SECOND_BOX, 0x40},
    {IDC_THIRD_BOX, 0x1000},
};

}  // namespace

using ButtonTest = WindowTest;

TEST_F(ButtonTest, CheckedState) {
    check_button(dialog, IDC_SECOND_BOX, true);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SECOND_BOX), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FIRST_BOX), BST_UNCHECKED);
    check_button(dialog, IDC_SECOND_BOX, false);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SECOND_BOX), BST_UNCHECKED);

    CheckDlgButton(dialog, IDC_THIRD_BOX, BST_CHECKED);
    EXPECT_TRUE(button_checked(dialog, IDC_THIRD_BOX));
    EXPECT_FALSE(button_checked(dialog, IDC_FIRST_BOX));
}

TEST_F(ButtonTest, OptionBitsToBoxesAndBack) {
    show_bits(dialog, rows, 0x1000 | 0x1 | 0x8);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_FIRST_BOX), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_SECOND_BOX), BST_UNCHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_THIRD_BOX), BST_CHECKED);

    // The user ticks the second and clears the first; 0x8 and 0x4000 have no
    // box and keep their value.
    CheckDlgButton(dialog, IDC_FIRST_BOX, BST_UNCHECKED);
    CheckDlgButton(dialog, IDC_SECOND_BOX, BST_CHECKED);
    EXPECT_EQ(read_bits(dialog, rows, 0x1000 | 0x1 | 0x8 | 0x4000), 0x1000u | 0x40u | 0x8u | 0x4000u);

    show_bits(dialog, rows, 0);
    EXPECT_FALSE(button_checked(dialog, IDC_FIRST_BOX) || button_checked(dialog, IDC_SECOND_BOX) ||
                 button_checked(dialog, IDC_THIRD_BOX));
    EXPECT_EQ(read_bits(dialog, rows, 0xFFFFFFFFu), 0xFFFFFFFFu & ~(0x1u | 0x40u | 0x1000u));
}
