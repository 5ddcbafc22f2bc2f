#include "wingui/buttons.h"

bool button_checked(HWND window, int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; }

void check_button(HWND window, int id, bool checked) {
    CheckDlgButton(window, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void show_bits(HWND window, std::span<const CheckBit> rows, unsigned bits) {
    for (const CheckBit& row : rows) check_button(window, row.control, (bits & row.bit) != 0);
}

unsigned read_bits(HWND window, std::span<const CheckBit> rows, unsigned bits) {
    for (const CheckBit& row : rows) bits = button_checked(window, row.control) ? bits | row.bit : bits & ~row.bit;
    return bits;
}
