#include "client/splitter_bars.h"

bool bar_creation_allowed(bool has_parent, int position, unsigned style) {
    if (!has_parent || position < 0) return false;
    return position <= 99 || (style & BAR_FIXED) != 0;
}

BarPlace bar_place(unsigned style, int position, int client_width, int client_height, int dpi) {
    const int thickness = dpi_scale(bar_thickness, dpi);
    if (style & BAR_HORIZONTAL) return {0, position * client_height / 100, client_width, thickness};
    return {position * client_width / 100, 0, thickness, client_height};
}

int bar_drag_offset(int cursor, int near_edge, int far_edge, int dpi) {
    int low = near_edge + dpi_scale(bar_margin, dpi);
    int high = far_edge - dpi_scale(bar_margin, dpi) - dpi_scale(bar_thickness, dpi);
    if (cursor > high) cursor = high;
    if (cursor < low) cursor = low;
    return cursor;
}

int bar_position_of(int offset, int extent) {
    if (extent <= 0) return 0;
    int position = offset * 100 / extent;
    return position < 0 ? 0 : position > 99 ? 99 : position;
}

int bar_double_click_position(bool to_near) { return to_near ? 1 : 99; }

int bar_double_click_offset(bool to_near, int extent, int dpi) {
    return to_near ? 1 : extent - dpi_scale(bar_thickness, dpi);
}
