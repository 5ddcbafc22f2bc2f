#include "ui/send_commands.h"

#include <string>

#include "client/client_settings.h"
#include "client/file_dialog_uses.h"
#include "client/status_window_ids.h"
#include "client/viewer_rules.h"
#include "core/app_state.h"
#include "core/settings.h"
#include "core/shell_programs.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/attachment_files.h"
#include "format/attachment_forward.h"
#include "format/message_builder.h"
#include "format/message_text.h"
#include "format/temp_files.h"
#include "format/unindent.h"
#include "ui/address_book_window.h"
#include "ui/picker_bridge.h"
#include "ui/printing.h"
#include "ui/send_fields.h"
#include "ui/send_job.h"
#include "ui/send_window_ids.h"
#include "ui/text_loader.h"
#include "ui/window_loops.h"
#include "wingui/controls.h"
#include "wingui/edit.h"
#include "wingui/menus.h"

namespace {

using Handler = void (*)(HWND window, SendWindow* state, LPARAM argument);

HWND editor_of(HWND window) { return control(window, IDC_SEND_EDITOR); }

void new_message(HWND window, SendWindow* state, LPARAM) {
    for (int id : {IDC_SEND_SERVER, IDC_SEND_FROM, IDC_SEND_TO, IDC_SEND_SUBJECT, IDC_SEND_ATTACHMENTS})
        set_control_text(window, id, "");
    set_pane_text(editor_of(window), std::string());
    state->attachment_count = 0;
    state->file_path.clear();
    state->reply_reference.clear();
    state->reply_references.clear();
    set_send_title(state);
}

void open_message(HWND window, SendWindow* state, LPARAM) {
    Array* path = array_new(1100);
    if (pick_for_use(window, DIALOG_OPEN_EMAIL, "", path) == 1) load_message(window, state, path->text);
    delete_arrays(path);
}

void load_named(HWND window, SendWindow* state, LPARAM argument) {
    if (argument) load_message(window, state, reinterpret_cast<const char*>(argument));
}

void save(HWND window, SendWindow* state, LPARAM) { save_message(window, state, state->file_path.c_str(), true); }
void save_as(HWND window, SendWindow* state, LPARAM) { save_message(window, state, nullptr, true); }
void save_draft(HWND window, SendWindow* state, LPARAM) { save_into_folder(window, state, "maildir\\drafts"); }
void send_later(HWND window, SendWindow* state, LPARAM) { save_into_folder(window, state, "maildir\\outbox"); }
void send_now(HWND window, SendWindow* state, LPARAM) {
    if (IsWindowEnabled(control(window, IDC_SEND_BUTTON))) start_send(window, state);
}

// The message as it would be saved, printed from a scratch file that goes
// afterwards.
void print_composed(HWND window, SendWindow* state, LPARAM) {
    SendFields fields;
    read_compose_fields(window, state, &fields);
    Array* scratch = array_new(100);
    temp_file_name(scratch, "printer", fields.fields.window_number);
    if (build_message_file(&fields.fields, scratch->text, true) == 0) {
        print_files({scratch->text});
        sys_remove_file(scratch->text);
    }
    delete_arrays(scratch);
}

// A reply or forward: the fields, the text, the attachments taken over and
// the encryption they need.
void fill_from(HWND window, SendWindow* state, LPARAM argument) {
    const auto* fill = reinterpret_cast<const SendFill*>(argument);
    if (!fill) return;
    SetWindowTextW(control(window, IDC_SEND_TO), utf8_to_wide(fill->to).c_str());
    SetWindowTextW(control(window, IDC_SEND_SUBJECT), utf8_to_wide(fill->subject).c_str());
    if (fill->with_text) load_text_file(editor_of(window), fill->text_path.c_str(), fill->code_page, fill->lead);
    HMENU menu = GetMenu(window);
    bool encrypt = fill->encrypt && menu_item_enabled(menu, SEND_ENCRYPT);
    if (!fill->forward_path.empty()) {
        AttachmentLine line = send_attachment_line(window);
        bool message_encrypted = false;
        state->attachment_count = forward_attachments(fill->forward_path.c_str(), window, &line,
                                                      menu_item_checked(menu, SEND_ENCRYPT), &message_encrypted);
        encrypt = encrypt || message_encrypted;
    }
    // Attachments kept enciphered, or a reply to an enciphered message:
    // the window encrypts too, or nobody could read them.
    if (encrypt) {
        check_menu_item(menu, SEND_ENCRYPT, true);
        refresh_indicator(window);
    }
    state->reply_reference = fill->reference;
    state->reply_references = fill->references;
    set_send_title(state);
}

void unindent_editor(HWND window, SendWindow*, LPARAM) {
    std::wstring text = window_text_wide(editor_of(window));
    std::u16string plain = unindent_text(std::u16string(text.begin(), text.end()));
    set_pane_text(editor_of(window), wide_to_utf8(std::wstring(plain.begin(), plain.end())));
}

void toggle_encryption(HWND window, SendWindow* state, LPARAM) {
    HMENU menu = GetMenu(window);
    bool now = menu_item_checked(menu, SEND_ENCRYPT);
    if (toggle_attachment_encryption(window, static_cast<int>(reinterpret_cast<uintptr_t>(window)),
                                     state->attachment_count, now) != 0) {
        show_message("Could not change encryption state.");
        return;
    }
    check_menu_item(menu, SEND_ENCRYPT, !now);
    refresh_indicator(window);
}

void open_book(HWND window, SendWindow* state, LPARAM) { open_address_book(state->main_window, window); }

void add_one_attachment(HWND window, SendWindow* state, LPARAM) {
    Array* path = array_new(1100);
    Array* name = array_new(1100);
    if (pick_for_use(window, DIALOG_ADD_ATTACHMENT, "", path) == 1 &&
        add_attachment(window, static_cast<int>(reinterpret_cast<uintptr_t>(window)), &state->attachment_count,
                       path->text, menu_item_checked(GetMenu(window), SEND_ENCRYPT), name) == 0)
        append_pane_text(control(window, IDC_SEND_ATTACHMENTS), std::string(name->text) + "  ");
    delete_arrays(path, name);
}

void remove_attachments(HWND window, SendWindow* state, LPARAM) {
    state->attachment_count = 0;
    set_control_text(window, IDC_SEND_ATTACHMENTS, "");
}

// A text file: UTF-8 when it is that, else the system's code page.
void read_text(HWND window, SendWindow*, LPARAM) {
    Array* path = array_new(1100);
    std::u16string text;
    if (pick_for_use(window, DIALOG_READ_MESSAGE, "", path) == 1) {
        if (read_wide_text(path->text, &text) != 0)
            show_message("setmessagetext error");
        else
            set_pane_text(editor_of(window), wide_to_utf8(std::wstring(text.begin(), text.end())));
    }
    delete_arrays(path);
}

void write_text(HWND window, SendWindow*, LPARAM) {
    Array* scratch = array_new(100);
    Array* path = array_new(1100);
    temp_file_name(scratch, "message", static_cast<int>(reinterpret_cast<uintptr_t>(window)));
    if (write_editor_text(window, scratch->text, false) < 0) {
        show_message("getmessagetext error");
    } else if (pick_for_use(window, DIALOG_WRITE_MESSAGE, "", path) == 1 && sys_copy_file(scratch->text, path->text, false) != 0) {
        show_message("getmessagetext error");
    }
    delete_arrays(scratch, path);
}

void clear_text(HWND window, SendWindow*, LPARAM) { set_pane_text(editor_of(window), std::string()); }

void custom_text(HWND window, SendWindow*, LPARAM) {
    std::u16string text;
    if (read_wide_text("customtext.txt", &text) != 0) {
        show_message("Cannot find customtext.txt");
        return;
    }
    std::wstring wide(text.begin(), text.end());
    SendMessageW(editor_of(window), EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(wide.c_str()));
}

void toggle_setting(HWND window, int command, int bit) {
    HMENU menu = GetMenu(window);
    bool on = !menu_item_checked(menu, command);
    check_menu_item(menu, command, on);
    if (on)
        settings_flags.fetch_or(bit);
    else
        settings_flags.fetch_and(~bit);
    settings_save();
}

void save_sent(HWND window, SendWindow*, LPARAM) { toggle_setting(window, SEND_SAVE_SENT, SETTING_SAVE_SENT); }
void use_bcc(HWND window, SendWindow*, LPARAM) { toggle_setting(window, SEND_USE_BCC, SETTING_BCC); }

void help(HWND window, SendWindow*, LPARAM) {
    if (shell_open("readme.html", app.program_folder->text) <= 32)
        set_control_text(window, IDC_STATUS, "Could not open the help file readme.html.");
}

void about(HWND window, SendWindow*, LPARAM) { show_about(window); }
void cut(HWND, SendWindow*, LPARAM) { send_to_focus(WM_CUT); }
void copy(HWND, SendWindow*, LPARAM) { send_to_focus(WM_COPY); }
void paste(HWND, SendWindow*, LPARAM) { send_to_focus(WM_PASTE); }
void erase(HWND, SendWindow*, LPARAM) { send_to_focus(WM_CLEAR); }
void select_all(HWND window, SendWindow*, LPARAM) {
    SetFocus(editor_of(window));
    edit_select(editor_of(window), 0, -1);
}

struct Row {
    int id;
    Handler handler;
};

const Row rows[] = {
    {SEND_NEW, new_message},        {SEND_OPEN, open_message},
    {SEND_SAVE, save},              {SEND_SAVE_AS, save_as},
    {SEND_SAVE_DRAFT, save_draft},  {SEND_LATER, send_later},
    {IDC_SEND_BUTTON, send_now},    {SEND_ADD_ATTACHMENT, add_one_attachment},
    {SEND_REMOVE_ATTACHMENTS, remove_attachments}, {SEND_READ, read_text},
    {SEND_WRITE, write_text},       {SEND_CLEAR, clear_text},
    {SEND_CUSTOM_TEXT, custom_text}, {SEND_SAVE_SENT, save_sent},
    {SEND_USE_BCC, use_bcc},        {SEND_HELP, help},
    {SEND_ABOUT, about},            {SEND_CUT, cut},
    {SEND_COPY, copy},              {SEND_PASTE, paste},
    {SEND_DELETE, erase},           {SEND_SELECT_ALL, select_all},
    {SEND_LOAD_FILE, load_named},   {SEND_PRINT, print_composed},
    {SEND_ADDRESS_BOOK, open_book}, {SEND_FILL, fill_from},
    {SEND_UNINDENT, unindent_editor},      {SEND_ENCRYPT, toggle_encryption},
};

}  // namespace

bool send_command_run(HWND window, SendWindow* state, int id, LPARAM argument) {
    for (const Row& row : rows) {
        if (row.id == id) {
            row.handler(window, state, argument);
            return true;
        }
    }
    return false;
}

void open_editor_link(HWND window, ENLINK* link) {
    if (link->msg != WM_LBUTTONDOWN) return;
    std::string url = wide_to_utf8(rich_edit_range_wide(link->nmhdr.hwndFrom, link->chrg.cpMin, link->chrg.cpMax));
    SendMessageW(link->nmhdr.hwndFrom, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&link->chrg));
    if (!link_may_open(url.c_str())) return;
    if (shell_open(url.c_str(), app.program_folder->text) <= 32)
        set_control_text(window, IDC_STATUS, "Could not open the link.");
}

bool editor_menu(HWND window) {
    return show_edit_menu_at_cursor(window, editor_of(window), GetSubMenu(GetMenu(window), 1));
}
