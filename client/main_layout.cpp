#include "client/main_layout.h"

#include <algorithm>

#include "client/main_window_ids.h"
#include "client/splitter_bars.h"

namespace {

int across(const LayoutInput& in, int units) { return units * in.base_x / 4; }
int down(const LayoutInput& in, int units) { return units * in.base_y / 8; }

// The near margin wins where the panes are too small for both; where they
// have no room even for that, the bar stays between their edges.
int keep_inside(const LayoutInput& in, int offset, int near_edge, int far_edge) {
    const int margin = dpi_scale(bar_margin, in.dpi), thickness = dpi_scale(bar_thickness, in.dpi);
    int kept = std::max(near_edge + margin, std::min(offset, far_edge - margin - thickness));
    return std::clamp(kept, near_edge, std::max(near_edge, far_edge - thickness));
}

}  // namespace

int layout_button_height(const LayoutInput& in) { return down(in, 14); }

void layout_main_boxes(const LayoutInput& in, LayoutBox out[layout_box_count]) {
    const int gap = across(in, 3);
    const int button_height = layout_button_height(in);
    const int line_height = down(in, 12);
    const int top = gap + button_height + gap;
    int n = 0;

    // Along the top: the account box (its list drops 100 units), then the
    // buttons; all of them fit the narrowest window, 700 pixels at 96 dpi.
    int x = gap;
    out[n++] = {IDC_ACCOUNTS, x, gap, across(in, 110), down(in, 100)};
    x += across(in, 110) + gap;
    for (int id : {IDC_RECEIVE, IDC_NEW_EMAIL, IDC_DELETE, IDC_VIEW, IDC_SAVE, IDC_REPLY, IDC_FORWARD}) {
        int w = across(in, id == IDC_RECEIVE || id == IDC_NEW_EMAIL ? 56 : 44);
        out[n++] = {id, x, gap, w, button_height};
        x += w + gap;
    }

    // Below them everything ends one gap above the bottom; in a window too
    // small for a pane the pane shrinks to nothing rather than overlap.
    const int bottom = std::max(top, in.height - gap);
    // A bar stays 5 pixels inside the panes it divides, as a drag leaves
    // it: a position of 0 % or 99 % would otherwise close a pane entirely.
    const int bar_x = keep_inside(in, in.bar_x, gap, in.width - gap);
    const int thickness = dpi_scale(bar_thickness, in.dpi);
    const int right = bar_x + thickness;
    const int right_width = std::max(0, in.width - gap - right);
    out[n++] = {IDC_FOLDER_TREE, gap, top, bar_x - gap, bottom - top};

    const int status_y = std::max(top, bottom - line_height);
    const int attachments_y = std::max(top, status_y - gap - line_height);
    const int attachments_height = std::max(0, std::min(line_height, status_y - gap - attachments_y));
    const int panes_bottom = std::max(top, attachments_y - gap);
    const int bar_y = keep_inside(in, in.bar_y, top, panes_bottom);
    const int lower = std::min(bar_y + thickness, panes_bottom);
    out[n++] = {IDC_MESSAGE_LIST, right, top, right_width, bar_y - top};
    out[n++] = {IDC_PREVIEW, right, lower, right_width, panes_bottom - lower};
    out[n++] = {IDC_ATTACHMENTS, right, attachments_y, right_width, attachments_height};
    out[n++] = {IDC_STATUS, right, status_y, right_width, bottom - status_y};

    out[n++] = {BAR_ID_VERTICAL, bar_x, top, thickness, bottom - top};
    out[n++] = {BAR_ID_HORIZONTAL, right, bar_y, right_width, lower - bar_y};
}

LayoutMinimum layout_minimum(const LayoutInput& in, LayoutMinimum room, LayoutMinimum work) {
    // The bars are where the layout puts them, inside the window; a bar
    // far right would otherwise ask for more width than the window has and
    // the window would grow with each resize, past the screen.
    LayoutBox boxes[layout_box_count];
    layout_main_boxes(in, boxes);
    int bar_x = 0, bar_y = 0;
    for (const LayoutBox& b : boxes) {
        if (b.id == BAR_ID_VERTICAL) bar_x = b.x;
        if (b.id == BAR_ID_HORIZONTAL) bar_y = b.y;
    }
    int width = std::max(dpi_scale(700, in.dpi), bar_x + room.width);
    int height = bar_y + room.height;
    // Never larger than the screen's work area, where the window must fit.
    if (work.width > 0) width = std::min(width, work.width);
    if (work.height > 0) height = std::min(height, work.height);
    return {width, height};
}
