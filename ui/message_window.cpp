// "View" (346): the selected message in a "Mail Message" window of its own,
// on a thread of its own, with the header block in front of its text.
#include <string>

#include "client/main_window_ids.h"
#include "client/message_details.h"
#include "client/settings_platform_win32.h"
#include "core/app_state.h"
#include "core/arrays.h"
#include "store/message_files.h"
#include "store/message_summary.h"
#include "ui/colours.h"
#include "ui/mail_commands.h"
#include "ui/message_list.h"
#include "ui/viewer.h"
#include "ui/viewer_pane.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/dpi_change.h"
#include "wingui/list_view.h"

namespace {

struct MessageWindow {
    HWND main_window = nullptr;
    std::string path;  // taken when the command ran: the selection may change
    ViewerPane pane;
    bool done = false;
};

void lay_out(HWND dialog, MessageWindow* state) {
    RECT client;
    GetClientRect(dialog, &client);
    int height = client.bottom - dialog_units_y(dialog, 5);
    place_control(dialog, IDC_PREVIEW, 0, 0, client.right, height);
    place_browser(&state->pane, 0, 0, client.right, height);
}

INT_PTR CALLBACK message_window_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    MessageWindow* state = dialog_state<MessageWindow>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<MessageWindow>(dialog, lparam);
        return TRUE;
    case WM_SIZE:
        if (state) lay_out(dialog, state);
        return TRUE;
    case WM_ACTIVATE:
        if (LOWORD(wparam) != WA_INACTIVE) redraw_whole(dialog);
        return FALSE;
    case WM_DPICHANGED:
        // The pane's new font may have reset its colours.
        colour_message_pane(control(dialog, IDC_PREVIEW));
        return TRUE;
    case WM_CLOSE:
        if (state) {
            close_viewer_pane(&state->pane);
            state->done = true;
        }
        DestroyWindow(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

void run_message_window(void* argument) {
    auto* state = static_cast<MessageWindow*>(argument);
    HINSTANCE instance = window_instance(state->main_window);
    HWND dialog = create_dialog(instance, IDD_MAIL_MESSAGE, nullptr, message_window_procedure, state);
    if (dialog) {
        HWND pane = create_control(dialog, IDC_PREVIEW, "RichEdit20W",
                                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                                   WS_EX_CLIENTEDGE, RECT{0, 0, 100, 100});
        colour_message_pane(pane);
        set_display_font(dialog, IDC_PREVIEW, settings_font(MESSAGE_FONT));
        state->pane.window = dialog;
        state->pane.pane_id = IDC_PREVIEW;
        ShowWindow(dialog, SW_SHOWMAXIMIZED);
        lay_out(dialog, state);
        MessageSummary* summary = summary_new();
        read_summary(0, summary, state->path.c_str());
        display_message(&state->pane, state->path.c_str(), 0, header_block(summary, false), state->main_window);
        summary_delete(summary);
        DialogLoop loop;
        loop.dialog = dialog;
        loop.done = &state->done;
        run_dialog_loop(loop);
    }
    delete state;
}

}  // namespace

void view_message(HWND window, int) {
    Array* path = array_new(message_path_capacity);
    if (selected_message(window, path) < 0) {
        delete_arrays(path);
        return;
    }
    auto* state = new MessageWindow;
    state->main_window = window;
    state->path = path->text;
    delete_arrays(path);
    if (!start_dialog_thread(run_message_window, state)) delete state;
}
