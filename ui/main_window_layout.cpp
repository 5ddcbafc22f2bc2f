#include "ui/main_window_layout.h"

#include <algorithm>

#include "ui/main_layout.h"
#include "ui/main_window_ids.h"
#include "ui/splitter_bars.h"
#include "ui/splitter_window.h"
#include "ui/viewer.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"

namespace {

// The numbers 0x2 and 0x20 of the two styles are kept as they came; no
// code reads them.
constexpr unsigned vertical_style = 0x22, horizontal_style = 0x21;
constexpr int vertical_percent = 20, horizontal_percent = 50;

int bar_position(HWND window, int id, int fallback) {
    SplitterBar* bar = splitter_of(control(window, id));
    return bar ? bar->position : fallback;
}

}  // namespace

void create_main_splitters(HWND window) {
    HINSTANCE instance = window_instance(window);
    create_splitter(window, instance, vertical_percent, vertical_style, IDC_FOLDER_TREE, IDC_PREVIEW);
    create_splitter(window, instance, horizontal_percent, horizontal_style, IDC_MESSAGE_LIST, IDC_PREVIEW);
}

void layout_main_window(HWND window, int width, int height) {
    if (width <= 0 || height <= 0) return;
    LayoutInput in{width,
                   height,
                   bar_position(window, BAR_ID_VERTICAL, vertical_percent) * width / 100,
                   bar_position(window, BAR_ID_HORIZONTAL, horizontal_percent) * height / 100,
                   dialog_units_x(window, 4),
                   dialog_units_y(window, 8)};
    LayoutBox boxes[layout_box_count];
    layout_main_boxes(in, boxes);
    for (const LayoutBox& box : boxes) {
        place_control(window, box.id, box.x, box.y, box.width, box.height);
        if (box.id == IDC_PREVIEW) place_main_browser(window, box.x, box.y, box.width, box.height);
    }
    // The panes repaint together: a list made narrower repaints only what
    // it newly shows and keeps pieces of its old rows.
    redraw_whole(window);
}

void main_window_min_size(HWND window, MINMAXINFO* info) {
    RECT client;
    GetClientRect(window, &client);
    int bar_x = bar_position(window, BAR_ID_VERTICAL, vertical_percent) * client.right / 100;
    int bar_y = bar_position(window, BAR_ID_HORIZONTAL, horizontal_percent) * client.bottom / 100;
    info->ptMinTrackSize.x = std::max(700, bar_x + dialog_units_x(window, 100));
    info->ptMinTrackSize.y = bar_y + dialog_units_y(window, 100);
}
