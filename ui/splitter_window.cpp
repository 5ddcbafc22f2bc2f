#include "ui/splitter_window.h"

#include <cstdlib>

#include "client/splitter_bars.h"
#include "core/arrays.h"
#include "wingui/dpi.h"

namespace {

bool horizontal(const SplitterBar* bar) { return (bar->style & BAR_HORIZONTAL) != 0; }

const char* class_for(unsigned style) {
    if (style & BAR_FIXED) return "fxdspliter";
    return style & BAR_HORIZONTAL ? "nsspliter" : "wespliter";
}

int client_extent(const SplitterBar* bar) {
    RECT client;
    GetClientRect(bar->parent, &client);
    return horizontal(bar) ? client.bottom : client.right;
}

void notify_parent(SplitterBar* bar) {
    SendMessageA(bar->parent, WM_SPLITTER_MOVED, static_cast<WPARAM>(bar->left), static_cast<LPARAM>(bar->top));
}

void move_to(SplitterBar* bar, int offset) {
    if (horizontal(bar))
        bar->top = offset;
    else
        bar->left = offset;
    SetWindowPos(bar->window, nullptr, bar->left, bar->top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The panes' edges in the parent's client pixels.
void pane_edges(const SplitterBar* bar, int* near_edge, int* far_edge) {
    RECT near_box{}, far_box{};
    HWND near_pane = GetDlgItem(bar->parent, bar->near_pane);
    HWND far_pane = GetDlgItem(bar->parent, bar->far_pane);
    if (near_pane) GetWindowRect(near_pane, &near_box);
    if (far_pane) GetWindowRect(far_pane, &far_box);
    MapWindowPoints(nullptr, bar->parent, reinterpret_cast<POINT*>(&near_box), 2);
    MapWindowPoints(nullptr, bar->parent, reinterpret_cast<POINT*>(&far_box), 2);
    *near_edge = horizontal(bar) ? near_box.top : near_box.left;
    *far_edge = horizontal(bar) ? far_box.bottom : far_box.right;
}

void drag(SplitterBar* bar, LPARAM at) {
    POINT cursor{static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    MapWindowPoints(bar->window, bar->parent, &cursor, 1);
    int near_edge = 0, far_edge = 0;
    pane_edges(bar, &near_edge, &far_edge);
    move_to(bar, bar_drag_offset(horizontal(bar) ? cursor.y : cursor.x, near_edge, far_edge, window_dpi(bar->parent)));
}

void settle(SplitterBar* bar, int offset, int position) {
    bar->position = position;
    move_to(bar, offset);
    notify_parent(bar);
}

void double_click(SplitterBar* bar, bool to_near) {
    settle(bar, bar_double_click_offset(to_near, client_extent(bar), window_dpi(bar->parent)),
           bar_double_click_position(to_near));
}

LRESULT CALLBACK splitter_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    SplitterBar* bar = splitter_of(window);
    if (!bar) return DefWindowProcA(window, message, wparam, lparam);
    switch (message) {
    case WM_LBUTTONDBLCLK:
        // The class always reports double clicks; a bar without the bit
        // takes the second click as the start of a drag.
        if (bar->style & BAR_LEFT_DOUBLE_CLICK) {
            double_click(bar, true);
            return 0;
        }
        [[fallthrough]];
    case WM_LBUTTONDOWN:
        if (bar->fixed) return 0;
        bar->dragging = true;
        SetCapture(window);
        return 0;
    case WM_RBUTTONDBLCLK:
        if (bar->style & BAR_RIGHT_DOUBLE_CLICK) double_click(bar, false);
        return 0;
    case WM_MOUSEMOVE:
        if (bar->dragging && (wparam & MK_LBUTTON)) drag(bar, lparam);
        return 0;
    case WM_LBUTTONUP:
        if (bar->dragging) ReleaseCapture();
        return 0;
    case WM_CAPTURECHANGED:
        if (bar->dragging) {
            bar->dragging = false;
            int offset = horizontal(bar) ? bar->top : bar->left;
            settle(bar, offset, bar_position_of(offset, client_extent(bar)));
        }
        return 0;
    case WM_WINDOWPOSCHANGED: {
        // The parent's layout moves the bar too; the record follows.
        auto* place = reinterpret_cast<WINDOWPOS*>(lparam);
        if (!(place->flags & SWP_NOMOVE)) bar->left = place->x, bar->top = place->y;
        if (!(place->flags & SWP_NOSIZE)) bar->width = place->cx, bar->height = place->cy;
        return 0;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        std::free(bar);
        return 0;
    default:
        return DefWindowProcA(window, message, wparam, lparam);
    }
}

void register_class(HINSTANCE instance, const char* name, unsigned style) {
    WNDCLASSA existing;
    if (GetClassInfoA(instance, name, &existing)) return;
    WNDCLASSA c{};
    c.style = CS_DBLCLKS;
    c.lpfnWndProc = splitter_procedure;
    c.hInstance = instance;
    LPCSTR cursor = style & BAR_FIXED ? IDC_ARROW : style & BAR_HORIZONTAL ? IDC_SIZENS : IDC_SIZEWE;
    c.hCursor = LoadCursorA(nullptr, cursor);
    c.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    c.lpszClassName = name;
    RegisterClassA(&c);
}

}  // namespace

SplitterBar* splitter_of(HWND bar) {
    return reinterpret_cast<SplitterBar*>(GetWindowLongPtrA(bar, GWLP_USERDATA));
}

SplitterBar* create_splitter(HWND parent, HINSTANCE instance, int position, unsigned style, int near_pane,
                             int far_pane) {
    if (!bar_creation_allowed(parent != nullptr, position, style)) return nullptr;
    const char* name = class_for(style);
    register_class(instance, name, style);
    RECT client;
    GetClientRect(parent, &client);
    BarPlace place = bar_place(style, position, client.right, client.bottom, window_dpi(parent));
    auto* bar = static_cast<SplitterBar*>(xmalloc(sizeof(SplitterBar)));
    *bar = SplitterBar{position, nullptr, place.left, place.top, place.width, place.height, false, style,
                       (style & BAR_FIXED) != 0, parent, instance, near_pane, far_pane};
    int id = style & BAR_HORIZONTAL ? BAR_ID_HORIZONTAL : BAR_ID_VERTICAL;
    HWND window = CreateWindowExA(0, name, "", WS_CHILD | WS_VISIBLE, place.left, place.top, place.width,
                                  place.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                                  nullptr);
    if (!window) {
        std::free(bar);
        return nullptr;
    }
    bar->window = window;
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(bar));
    notify_parent(bar);
    return bar;
}
