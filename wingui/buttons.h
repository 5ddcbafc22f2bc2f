// Check boxes and radio buttons, and option words shown as check boxes: the
// options program and the account manager are mostly tables of these rows.
#pragma once

#include <windows.h>

#include <span>

#include "core/check_bit.h"

bool button_checked(HWND window, int id);
void check_button(HWND window, int id, bool checked);

// Ticks each row's box when its bit is set in `bits`, clears it otherwise.
void show_bits(HWND window, std::span<const CheckBit> rows, unsigned bits);
// `bits` with each row's bit set or cleared as its box is ticked; bits
// that no row names keep their value.
unsigned read_bits(HWND window, std::span<const CheckBit> rows, unsigned bits);
