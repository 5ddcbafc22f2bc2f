#include "ui/main_window_layout.h"

#include <algorithm>

#include "client/main_layout.h"
#include "client/main_window_ids.h"
#include "client/splitter_bars.h"
#include "ui/splitter_window.h"
#include "ui/viewer.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/dpi.h"

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

namespace {

LayoutInput layout_input(HWND window, int width, int height) {
    return LayoutInput{width,
                       height,
                       bar_position(window, BAR_ID_VERTICAL, vertical_percent) * width / 100,
                       bar_position(window, BAR_ID_HORIZONTAL, horizontal_percent) * height / 100,
                       dialog_units_x(window, 4),
                       dialog_units_y(window, 8),
                       window_dpi(window)};
}

}  // namespace

void layout_main_window(HWND window, int width, int height) {
    if (width <= 0 || height <= 0) return;
    LayoutBox boxes[layout_box_count];
    layout_main_boxes(layout_input(window, width, height), boxes);
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
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    RECT work{};
    if (GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST), &monitor)) work = monitor.rcWork;
    LayoutMinimum room{dialog_units_x(window, 100), dialog_units_y(window, 100)};
    LayoutMinimum least = layout_minimum(layout_input(window, client.right, client.bottom), room,
                                         {work.right - work.left, work.bottom - work.top});
    info->ptMinTrackSize.x = least.width;
    info->ptMinTrackSize.y = least.height;
}
