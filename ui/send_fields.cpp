#include "ui/send_fields.h"

#include <cstring>

#include "client/file_dialog_uses.h"
#include "client/reply_text.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/address_list.h"
#include "format/attachment_forward.h"
#include "format/charsets.h"
#include "format/encoded_words.h"
#include "format/encryption.h"
#include "format/header_fields.h"
#include "format/message_builder.h"
#include "format/message_id.h"
#include "format/message_text.h"
#include "format/temp_files.h"
#include "store/folder_numbers.h"
#include "store/list_mirror.h"
#include "store/message_summary.h"
#include "ui/picker_bridge.h"
#include "ui/send_window_ids.h"
#include "ui/text_loader.h"
#include "wingui/controls.h"
#include "wingui/edit.h"
#include "wingui/list_box.h"
#include "wingui/menus.h"

namespace {

std::string field_text(HWND window, int id) { return wide_to_utf8(window_text_wide(control(window, id))); }

void set_field(HWND window, int id, const std::string& utf8) {
    SetWindowTextW(control(window, id), utf8_to_wide(utf8).c_str());
}

// The path as the window keeps it: relative to the program folder when it
// lies inside it.
std::string kept_path(const char* path) {
    size_t folder = std::strlen(app.program_folder->text);
    if (std::strncmp(path, app.program_folder->text, folder) == 0 && path[folder] == '\\')
        return std::string(path + folder + 1).substr(0, 1000);
    return std::string(path).substr(0, 1000);
}

void remember_file(SendWindow* state, const char* path) {
    state->file_path = kept_path(path);
    Array* reference = array_new(1024);
    read_header_field(path, nullptr, "In-Reply-To", reference, 1023, FIELD_FIRST, SCOPE_HEADER);
    state->reply_reference = reference->text;
    delete_arrays(reference);
    // A saved reply keeps its thread.
    Array* references = array_new(4096);
    if (read_header_field(path, nullptr, "References", references, 4095, FIELD_FIRST, SCOPE_HEADER) == -1)
        array_clear(references);
    state->reply_references = message_ids_of(references->text);
    delete_arrays(references);
    set_send_title(state);
    // A message of a store folder saved anew shows its new line in the list.
    if (state->file_path.rfind("maildir\\", 0) == 0) {
        std::string folder = state->file_path.substr(0, state->file_path.rfind('\\'));
        ListMirror mirror;
        mirror_open(&mirror, folder.c_str());
        mirror_refresh(&mirror, state->file_path.c_str());
    }
}

// Names come as UTF-8 (added files) or in the system's code page (the
// names of a forwarded message's parts as they are on disk).
void append_attachment_name(void* context, const char* name) {
    HWND line = control(static_cast<HWND>(context), IDC_SEND_ATTACHMENTS);
    append_pane_text(line, raw_header_text_to_utf8(name));
}

void clear_attachment_names(void* context) { set_control_text(static_cast<HWND>(context), IDC_SEND_ATTACHMENTS, ""); }

}  // namespace

AttachmentLine send_attachment_line(HWND window) { return AttachmentLine{clear_attachment_names, append_attachment_name, window}; }

void read_compose_fields(HWND window, const SendWindow* state, SendFields* out) {
    out->server = field_text(window, IDC_SEND_SERVER);
    out->from = field_text(window, IDC_SEND_FROM);
    out->to = field_text(window, IDC_SEND_TO);
    out->subject = field_text(window, IDC_SEND_SUBJECT);
    out->reply_reference = state->reply_reference;
    out->reply_references = state->reply_references;
    std::wstring text = window_text_wide(control(window, IDC_SEND_EDITOR));
    out->text.assign(text.begin(), text.end());
    out->compose_text = ComposeText{out->text.data(), out->text.size(), false};
    HMENU menu = GetMenu(window);
    ComposeFields& f = out->fields;
    f = ComposeFields{};
    f.window = window;
    f.window_number = static_cast<int>(reinterpret_cast<uintptr_t>(window));
    f.account = combo_selection(control(window, IDC_SEND_ACCOUNT));
    f.server = out->server.c_str();
    f.from = out->from.c_str();
    f.to = out->to.c_str();
    f.subject = out->subject.c_str();
    f.reply_reference = out->reply_reference.c_str();
    f.reply_references = out->reply_references.c_str();
    f.attachment_count = state->attachment_count;
    f.encrypt = menu_item_checked(menu, SEND_ENCRYPT);
    f.save_sent = menu_item_checked(menu, SEND_SAVE_SENT);
    f.bcc_multiple = menu_item_checked(menu, SEND_USE_BCC);
    f.write_text = write_compose_text;
    f.text_source = &out->compose_text;
}

int write_editor_text(HWND window, const char* path, bool force_utf8) {
    std::wstring text = window_text_wide(control(window, IDC_SEND_EDITOR));
    std::u16string units(text.begin(), text.end());
    return write_wide_text(units.data(), units.size(), path, force_utf8);
}

bool load_message(HWND window, SendWindow* state, const char* path) {
    HMENU menu = GetMenu(window);
    bool encrypted = is_encrypted_message(path) == 1;
    if (encrypted && !menu_item_enabled(menu, SEND_ENCRYPT)) {
        show_message("Could not decrypt e-mail because the encryption key file bfkey.dat does not exist.");
        return false;
    }
    if (!encrypted && menu_item_checked(menu, SEND_ENCRYPT)) show_message("This email is not encrypted.");
    check_menu_item(menu, SEND_ENCRYPT, encrypted);
    refresh_indicator(window);
    MessageSummary* summary = summary_new();
    if (read_summary(0, summary, path) != SUMMARY_OK) {
        summary_delete(summary);
        show_message("Problems were encountered reading the email header.");
        return false;
    }
    Array* value = array_new(1024);
    if (read_header_field(path, nullptr, "X-ZMAccountIndex", value, 20, FIELD_FIRST, SCOPE_HEADER) == 0) {
        int account = std::atoi(value->text);
        if (account >= 0 && account < account_count()) combo_select(control(window, IDC_SEND_ACCOUNT), account);
    }
    if (read_header_field(path, nullptr, "X-ZMServer", value, 99, FIELD_FIRST, SCOPE_HEADER) == 0)
        set_field(window, IDC_SEND_SERVER, raw_header_text_to_utf8(value->text));
    // The summary keeps the sender's text as written: its words decoded.
    set_field(window, IDC_SEND_FROM, decode_header_text(summary->from->text));
    Array* joined = array_new(12632);
    join_list(summary->recipients, joined, 100, 12631);
    set_field(window, IDC_SEND_TO, raw_header_text_to_utf8(joined->text));
    set_field(window, IDC_SEND_SUBJECT, raw_header_text_to_utf8(summary->subject->text));
    delete_arrays(value, joined);
    summary_delete(summary);

    EditorText text;
    HWND editor = control(window, IDC_SEND_EDITOR);
    if (prepare_editor_text(path, window, nullptr, LEAD_NONE, false, &text) == 0)
        load_text_file(editor, text.path.c_str(), text.code_page, std::string());
    else
        set_pane_text(editor, std::string());
    AttachmentLine line = send_attachment_line(window);
    clear_attachment_names(window);
    state->attachment_count = forward_attachments(path, window, &line, encrypted, nullptr);
    remember_file(state, path);
    return true;
}

bool save_message(HWND window, SendWindow* state, const char* path, bool confirm) {
    Array* chosen = array_new(1100);
    if (path && *path) {
        array_copy(chosen, path);
    } else if (pick_for_use(window, DIALOG_COMPOSE_SAVE_EMAIL, "", chosen) != 1) {
        delete_arrays(chosen);
        return false;
    }
    SendFields fields;
    read_compose_fields(window, state, &fields);
    bool saved = build_message_file(&fields.fields, chosen->text, true) == 0;
    if (saved) {
        remember_file(state, chosen->text);
        if (confirm) ui_message_box(window, "File saved.", "Zenth Mail", UI_OK | UI_ICON_INFORMATION);
    }
    delete_arrays(chosen);
    return saved;
}

bool save_into_folder(HWND window, SendWindow* state, const char* folder) {
    SendFields fields;
    read_compose_fields(window, state, &fields);
    Array* scratch = array_new(100);
    Array* placed = array_new(1100);
    temp_file_name(scratch, "stored", fields.fields.window_number);
    bool outbox = std::strcmp(folder, "maildir\\outbox") == 0;
    bool stored = build_message_file(&fields.fields, scratch->text, !outbox) == 0;
    if (stored) {
        FolderNumbers numbers{folder};
        stored = folder_put(&numbers, scratch->text, FOLDER_MOVE, placed) == 0;
        if (!stored) show_message("Could not save the message into its folder.");
    }
    if (stored) {
        ListMirror mirror;
        mirror_open(&mirror, folder);
        mirror_refresh(&mirror, placed->text);
    }
    delete_arrays(scratch, placed);
    return stored;
}
