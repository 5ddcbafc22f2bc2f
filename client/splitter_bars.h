// The arithmetic of the main window's splitter bars, apart from their
// windows: where a bar of a position lies, how far a drag may take it, and
// the position it is left at.
#pragma once

#include "core/dpi_scale.h"

// Style bits of a bar. The main window's bars also carry 0x2 and 0x20,
// which mean nothing and are kept as given.
constexpr unsigned BAR_HORIZONTAL = 0x1;             // else vertical
constexpr unsigned BAR_FIXED = 0x4;                  // cannot be dragged; any position
constexpr unsigned BAR_RIGHT_DOUBLE_CLICK = 0x8;     // right double click: to the far edge
constexpr unsigned BAR_LEFT_DOUBLE_CLICK = 0x10;     // left double click: to the near edge

// At 96 dpi; both are scaled to the window's DPI.
constexpr int bar_thickness = 4;
// A dragged bar stays this far inside the panes it divides.
constexpr int bar_margin = 5;
// The bars' window identifiers.
constexpr int BAR_ID_HORIZONTAL = 10, BAR_ID_VERTICAL = 20;

struct BarPlace {
    int left, top, width, height;
};

// A bar needs a parent window and a position from 0; up to 99 unless it is
// fixed.
bool bar_creation_allowed(bool has_parent, int position, unsigned style);
// Where a bar of that position lies in a client area of that size: a
// vertical one at x = position × width / 100, full height; a horizontal one
// at y = position × height / 100, full width.
BarPlace bar_place(unsigned style, int position, int client_width, int client_height, int dpi = base_dpi);
// The offset (x of a vertical bar, y of a horizontal one) a drag gives for
// the cursor at `cursor`, kept 5 pixels inside the near edge and 5 pixels
// (and the bar) inside the far edge; the near limit wins when they cross.
int bar_drag_offset(int cursor, int near_edge, int far_edge, int dpi = base_dpi);
// The position in percent (0 to 99) of a bar left at `offset` of `extent`
// pixels; 0 for an empty client area.
int bar_position_of(int offset, int extent);
// A double click's position (1 near, 99 far) and offset: 1 pixel from the
// near edge, or 4 pixels from the far one.
int bar_double_click_position(bool to_near);
int bar_double_click_offset(bool to_near, int extent, int dpi = base_dpi);
