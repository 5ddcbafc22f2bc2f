#include "ui/viewer_pane.h"

#include "client/viewer_rules.h"
#include "core/app_state.h"
#include "format/message_display.h"
#include "ui/text_loader.h"
#include "wingui/controls.h"

namespace {

bool show_in_browser(ViewerPane* pane, const DisplayResult& result) {
    if (!pane->host) pane->host = open_browser(pane->window, pane->pane_id);
    if (!pane->host) return false;
    Array* address = array_new(1100);
    bool shown = navigation_address(app.program_folder->text, result.shown_path->text, result.whole_message, address) &&
                 navigate(pane->host, address->text);
    delete_arrays(address);
    if (!shown) return false;
    // The host shows only once it holds the document: never an empty view.
    ShowWindow(browser_window(pane->host), SW_SHOW);
    show_control(pane->window, pane->pane_id, false);
    return true;
}

bool show_as_text(ViewerPane* pane, const DisplayResult& result, const std::string& lead) {
    show_pane(pane);
    return load_text_file(control(pane->window, pane->pane_id), result.shown_path->text, result.code_page, lead);
}

}  // namespace

void show_pane(ViewerPane* pane) {
    if (pane->host) ShowWindow(browser_window(pane->host), SW_HIDE);
    show_control(pane->window, pane->pane_id, true);
}

bool display_message(ViewerPane* pane, const char* path, int force, const std::string& lead, HWND status_window) {
    DisplayRequest request;
    request.path = path;
    request.window = pane->window;
    request.status_window = status_window;
    request.force = force;
    request.no_browser = pane->html_failed;
    DisplayResult result;
    display_result_init(&result);
    bool shown = false;
    if (prepare_display(&request, &result) == 0) {
        if (!result.as_html) {
            shown = show_as_text(pane, result, lead);
        } else if (show_in_browser(pane, result)) {
            shown = true;
        } else {
            // No document came: the same message as text, and this window
            // does not try its browser again.
            pane->html_failed = true;
            request.no_browser = true;
            shown = prepare_display(&request, &result) == 0 && show_as_text(pane, result, lead);
        }
    }
    if (!shown) {
        show_pane(pane);
        set_pane_text(control(pane->window, pane->pane_id), std::string());
    }
    display_result_release(&result);
    return shown;
}

void place_browser(ViewerPane* pane, int x, int y, int width, int height) {
    if (pane->host) MoveWindow(browser_window(pane->host), x, y, width, height, TRUE);
}

void close_viewer_pane(ViewerPane* pane) {
    close_browser(pane->host);
    pane->host = nullptr;
}
