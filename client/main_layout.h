// Where the main window's controls and bars go for a client size and the
// bars' offsets: the account box and the buttons along the top, the folder
// tree left of the vertical bar, the list right of it above the horizontal
// bar, and the preview, attachments line and status field below that.
#pragma once

#include "core/dpi_scale.h"

struct LayoutBox {
    int id;
    int x, y, width, height;
};

struct LayoutInput {
    int width, height;  // the client area
    int bar_x;          // the vertical bar's offset
    int bar_y;          // the horizontal bar's offset
    // The dialog font's base units: a dialog unit is base_x / 4 pixels
    // across and base_y / 8 down.
    int base_x, base_y;
    // The window's DPI: the bars' thickness and margins and the narrowest
    // width are 96-dpi pixel sizes scaled to it.
    int dpi = base_dpi;
};

constexpr int layout_box_count = 15;

// Fills `out` with the 13 controls and then the two bars (identifiers 20
// and 10). Nothing is negative; at any size the boxes do not overlap (the
// account box counts with the height of a button, its list drops over the
// others only while open).
void layout_main_boxes(const LayoutInput& in, LayoutBox out[layout_box_count]);
// The height the account box shows when closed.
int layout_button_height(const LayoutInput& in);

struct LayoutMinimum {
    int width, height;
};

// The smallest frame the window may be dragged to: the vertical bar's x
// plus `room` (100 dialog units in pixels) across, at least 700 pixels (at
// 96 dpi), and
// the horizontal bar's y plus `room` down, with the bars as the layout
// places them; neither larger than the work area (0: unknown).
LayoutMinimum layout_minimum(const LayoutInput& in, LayoutMinimum room, LayoutMinimum work);
