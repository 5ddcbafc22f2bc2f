#include "ui/main_window.h"

#include <commctrl.h>
#include <richedit.h>

#include <cstring>

#include "client/client_accounts.h"
#include "client/client_settings.h"
#include "client/main_command_list.h"
#include "client/main_commands.h"
#include "client/main_window_ids.h"
#include "client/search.h"
#include "client/settings_platform.h"
#include "client/settings_platform_win32.h"
#include "client/view_state.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/quit.h"
#include "core/settings.h"
#include "core/ui_services.h"
#include "transport/send_queued.h"
#include "ui/attachment_box.h"
#include "ui/colours.h"
#include "ui/command_states.h"
#include "ui/folder_tree.h"
#include "ui/fonts.h"
#include "ui/list_commands.h"
#include "ui/mail_commands.h"
#include "ui/main_window_input.h"
#include "ui/main_window_layout.h"
#include "ui/message_list.h"
#include "ui/program_commands.h"
#include "ui/send_window.h"
#include "ui/splitter_window.h"
#include "ui/status_window.h"
#include "ui/thread_commands.h"
#include "ui/transfer_jobs.h"
#include "ui/tray.h"
#include "ui/window_loops.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/edit.h"
#include "wingui/list_box.h"
#include "wingui/list_view.h"
#include "wingui/menus.h"
#include "wingui/tree_view.h"
#include "wingui/virtual_list.h"

namespace {

void add_list_columns(HWND window) {
    // Widths in dialog units; "Attachments" needs 60 for its heading whole.
    ListColumn columns[] = {{"From", 100}, {"To", 100},          {"Subject", 120},
                            {"Sent", 100}, {"Attachments", 60}, {"Size (KB)", 50}};
    for (ListColumn& c : columns) c.width = dialog_units_x(window, c.width);
    list_add_columns(control(window, IDC_MESSAGE_LIST), columns, 6);
    // The rows hold UTF-8: names and subjects in any script.
    list_use_wide_texts(control(window, IDC_MESSAGE_LIST));
}

void create_preview(HWND window) {
    create_control(window, IDC_PREVIEW, "RichEdit20W",
                   WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                   WS_EX_CLIENTEDGE, RECT{0, 0, 10, 10});
}

void fill_account_box(HWND window) {
    HWND box = control(window, IDC_ACCOUNTS);
    for (int i = 0; i < account_count(); i++) combo_add(box, account_field(i, ACCOUNT_NAME));
}

void initialise(HWND window) {
    settings_use_menu(GetMenu(window));
    build_colour_menu(window);
    accounts_load();
    setup_folder_images(window);
    add_list_columns(window);
    create_preview(window);
    fill_account_box(window);
}

void reopen_folder_on_show(HWND window) {
    HWND tree = control(window, IDC_FOLDER_TREE);
    HTREEITEM item = tree_selection(tree);
    if (!item) return;
    Array* path = array_new(2000);
    folder_item_path(tree, item, nullptr, path);
    open_folder(window, path->text);
    delete_arrays(path);
}

// The private commands come from other threads with an argument; their
// answer is the window procedure's result.
bool thread_command(HWND window, int command, LPARAM argument) {
    LRESULT result;
    switch (command) {
    case CMD_OPEN_STATUS_WINDOW:
        result = create_status_window(argument);
        break;
    case CMD_LIST_ROWS:
        take_list_rows(window, reinterpret_cast<const RowBatch*>(argument));
        result = 0;
        break;
    case CMD_OPEN_SEND_WINDOW:
        result = open_send_window(window, argument);
        break;
    case CMD_SEARCH_ROWS:
        copy_rows_for_search(window, reinterpret_cast<SearchRequest*>(argument));
        result = 0;
        break;
    case CMD_ADD_RESULT_FOLDER: {
        const char* label = reinterpret_cast<const char*>(argument);
        add_folder_item(window, label + 1, label[0] == '1');
        result = 0;
        break;
    }
    case CMD_REMOVE_SENT_ROW:
        if (std::strcmp(app.current_folder->text, "maildir\\outbox") == 0)
            remove_message_row(window, static_cast<int>(argument));
        result = 0;
        break;
    default:
        return false;
    }
    set_dialog_result(window, result);
    return true;
}

// The handlers of the command table, each given the window and the command.
void receive_mail(HWND window, int) { receive_mail_command(window); }
void check_all_accounts(HWND window, int) { check_all_accounts_command(window); }
void download_from_server(HWND window, int) { download_from_server_command(window); }
void delete_from_server(HWND window, int) { delete_from_server_command(window); }
void send_queued(HWND window, int) { send_queued_command(window); }
void enter_tray(HWND window, int) { enter_tray_mode(window); }
void wake(HWND window, int) { leave_tray_mode(window); }
void refresh_folder(HWND window, int) { reopen_folder_on_show(window); }
void sort_by_name(HWND window, int) { sort_by_file_name(window); }
void toggle_mark_of_selected(HWND window, int) { toggle_mark(window); }
void exit_client(HWND, int) { request_quit(); }
void paste(HWND, int) { send_to_focus(WM_PASTE); }
void copy(HWND, int) { send_to_focus(WM_COPY); }
void clear(HWND, int) { send_to_focus(WM_CLEAR); }
void cut(HWND, int) { send_to_focus(WM_CUT); }
void select_all(HWND window, int) {
    focus_control(window, IDC_PREVIEW);
    edit_select(control(window, IDC_PREVIEW), 0, -1);
}
void about(HWND window, int) { show_about(window); }
void system_colours(HWND window, int command) { colour_command(window, command); }
void choose_message_font(HWND window, int) { choose_font(window, MESSAGE_FONT); }
void choose_printer_font(HWND window, int) { choose_font(window, PRINTER_FONT); }
// The check mark is the option itself; the file follows it at once.
void toggle_option(HWND, int command) {
    settings_set_menu_check(command, !settings_menu_checked(command));
    settings_save();
}

using CommandHandler = void (*)(HWND window, int command);

struct HandlerRow {
    int id;
    CommandHandler handler;
};
#define ZM_HANDLER_ROW(id, handler, refused, greying, where, menu, text, accelerator) {id, handler},
const HandlerRow handlers[] = {MAIN_COMMANDS(ZM_HANDLER_ROW)};
#undef ZM_HANDLER_ROW

void on_command(HWND window, int command) {
    // A job's request to show what it changed, never refused.
    if (command == CMD_REDISPLAY) {
        if (!list_filling) start_list_fill(window);
        return;
    }
    // The move worker's files have gone: the folder on show is listed again.
    if (command == CMD_REFILL_AFTER_MOVE) {
        refill_after_move(window);
        return;
    }
    // The schemes of the "Colors" menu are as many as the files found.
    if (command >= first_scheme_command && colour_command(window, command)) return;
    const CommandRow* row = find_main_command(command);
    if (!row) return;
    // Commands that would touch the list while it fills, or a folder a
    // transfer writes into, wait; in the server's header list only the
    // server commands make sense.
    if (command_refused(*row, current_command_view(false))) {
        status_set(window, "This option is currently unavailable. Please try later.\r\n");
        return;
    }
    for (const HandlerRow& h : handlers)
        if (h.id == command) h.handler(window, command);
}

INT_PTR CALLBACK main_window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(window);
        // The folder tree starts with the focus, not the empty account box.
        focus_control(window, IDC_FOLDER_TREE);
        return FALSE;
    case WM_SIZE:
        layout_main_window(window, LOWORD(lparam), HIWORD(lparam));
        return TRUE;
    case WM_SPLITTER_MOVED: {
        RECT client;
        GetClientRect(window, &client);
        layout_main_window(window, client.right, client.bottom);
        return TRUE;
    }
    case WM_GETMINMAXINFO:
        main_window_min_size(window, reinterpret_cast<MINMAXINFO*>(lparam));
        return TRUE;
    case WM_DPICHANGED:
        // The controls have their fonts at the new DPI (follow_dpi_change,
        // which then lays the window out and draws it): what the window made
        // for the old DPI is made again, and the panes' colours, which a new
        // font may reset.
        setup_folder_images(window);
        tray_icon_follow_dpi(window);
        recolour_main_window(window);
        return TRUE;
    case WM_ACTIVATE:
        // Coming back to the front: the panes repaint together, not one by one.
        if (LOWORD(wparam) != WA_INACTIVE) redraw_whole(window);
        return FALSE;
    case WM_KEYDOWN:
        main_window_key(window, wparam);
        return TRUE;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONUP:
        set_dialog_result(window, main_window_mouse(window, message) ? 1 : 0);
        return TRUE;
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORDLG:
        // A dialog procedure answers these with the brush itself.
        return reinterpret_cast<INT_PTR>(
            control_colour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam)));
    case WM_HOTKEY:
        if (wparam == 0) SendMessageA(window, WM_CLOSE, 0, 0);
        return TRUE;
    case WM_CLOSE:
        if (open_status_window_count() > 0 &&
            MessageBoxA(window,
                        "There is a status window open. Closing this program will end any file tranfers. Continue?",
                        "Zenth Mail", MB_YESNO | MB_ICONQUESTION) != IDYES)
            return TRUE;
        request_quit();
        return TRUE;
    case WM_TRAY_ICON:
        tray_icon_message(window, lparam);
        return TRUE;
    case WM_DESTROY:
        remove_tray_icon(window);
        return FALSE;
    case WM_COMMAND:
        if ((lparam || LOWORD(wparam) == CMD_OPEN_SEND_WINDOW) && thread_command(window, LOWORD(wparam), lparam))
            return TRUE;
        on_command(window, LOWORD(wparam));
        return TRUE;
    case WM_NOTIFY: {
        LRESULT result = 0;
        auto* header = reinterpret_cast<NMHDR*>(lparam);
        if (main_window_notify(window, header, &result) || folder_tree_notify(window, header, &result) ||
            message_list_notify(window, header, &result)) {
            set_dialog_result(window, result);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

}  // namespace

// Send Queued takes each sent message's row out of the outbox list; the
// job asks the window's own thread to do it.
int remove_sent_row(const char*, int number) {
    if (HWND window = main_window.load())
        send_command(window, CMD_REMOVE_SENT_ROW, static_cast<LPARAM>(number));
    return 0;
}

HWND create_main_window(HINSTANCE instance) {
    set_sent_row_remover(remove_sent_row);
    HWND window = create_dialog(instance, IDD_MAIN, nullptr, main_window_procedure, nullptr);
    main_window.store(window);
    return window;
}
