// The settings window, dialog 100, one per thread: the eight fields and the
// option boxes of one account. OK stores them when every field can be
// stored, and only then; the file is written by the list window's OK.
#include <algorithm>
#include <string>

#include "core/ui_services.h"
#include "profiles/account_form.h"
#include "profiles/profiles.h"
#include "profiles/settings_ids.h"
#include "transport/oauth_sign_in.h"
#include "wingui/buttons.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_box.h"

namespace {

struct SettingsState {
    Profiles* profiles;
    int account_id;
    AccountForm shown;
    bool done = false;
};

// The incoming server's edit, security box and login box are named for the
// protocol the incoming box shows. An IMAP account chooses its server
// folders; it has no POP3 login to make before sending (its box keeps the
// stored bit, which sending passes over for IMAP).
void show_incoming(HWND dialog, int incoming) {
    IncomingLabels labels = incoming_labels(incoming);
    set_control_text(dialog, IDC_INCOMING_SERVER_LABEL, (std::string(labels.server) + ":").c_str());
    set_control_text(dialog, IDC_INCOMING_SECURITY_LABEL, (std::string(labels.security) + ":").c_str());
    set_control_text(dialog, IDC_POP3_AUTH, labels.auth);
    bool imap = incoming == INCOMING_IMAP;
    enable_control(dialog, IDC_POP_BEFORE_SMTP, !imap);
    enable_control(dialog, IDC_SERVER_FOLDERS, imap);
    show_control(dialog, IDC_SERVER_FOLDERS, imap);
}

// An OAuth 2.0 account logs in without its password, which stays as it
// was should the user go back to "Password"; it signs in instead.
void show_sign_in(HWND dialog, int sign_in) {
    enable_control(dialog, IDC_PASSWORD, sign_in != SIGN_IN_OAUTH);
    enable_control(dialog, IDC_SIGN_IN, sign_in == SIGN_IN_OAUTH);
}

void show_form(HWND dialog, const AccountForm& form) {
    for (const FormField& field : account_form_fields()) set_control_text(dialog, field.control, (form.*field.text).c_str());
    show_bits(dialog, account_option_boxes(), form.options);
    for (const ChoiceBox& box : account_choice_boxes()) {
        HWND combo = control(dialog, box.control);
        for (const char* name : box.names) combo_add(combo, name);
        combo_select(combo, form.*box.choice);
    }
    show_incoming(dialog, form.incoming);
    show_sign_in(dialog, form.sign_in);
}

AccountForm read_form(HWND dialog, unsigned stored_options) {
    AccountForm form;
    for (const FormField& field : account_form_fields()) form.*field.text = edit_text(dialog, field.control);
    // Bits that no box here shows keep their value.
    form.options = read_bits(dialog, account_option_boxes(), stored_options);
    for (const ChoiceBox& box : account_choice_boxes()) {
        int chosen = combo_selection(control(dialog, box.control));
        form.*box.choice = chosen < 0 ? 0 : chosen;
    }
    return form;
}

// A provider chosen fills the servers and their security from its preset.
void fill_provider_preset(HWND dialog, SettingsState* state) {
    AccountForm form = read_form(dialog, state->shown.options);
    fill_from_provider(&form, form.provider);
    set_control_text(dialog, IDC_POP3_SERVER, form.pop3_server.c_str());
    set_control_text(dialog, IDC_SMTP_SERVER, form.smtp_server.c_str());
    combo_select(control(dialog, IDC_POP3_SECURITY), form.pop3_security);
    combo_select(control(dialog, IDC_SMTP_SECURITY), form.smtp_security);
    std::fill(form.password.begin(), form.password.end(), '\0');
}

// The form as the window shows it now, when it names the mailbox under
// which `kept` is kept; false after telling the user what is missing.
bool form_naming_mailbox(HWND dialog, SettingsState* state, const char* kept, AccountForm* form) {
    *form = read_form(dialog, state->shown.options);
    std::fill(form->password.begin(), form->password.end(), '\0');
    FormRefusal refusal = check_mailbox_named(*form, kept);
    if (refusal.text.empty()) return true;
    ui_message_box(dialog, refusal.text.c_str(), "Account Manager", UI_OK);
    focus_control(dialog, refusal.control);
    return false;
}

// The account signs in as the window shows it now: its server, user and
// address, and the provider chosen.
void sign_in(HWND dialog, SettingsState* state) {
    AccountForm form;
    if (!form_naming_mailbox(dialog, state, "the sign-in is", &form)) return;
    SignInRequest account;
    account.server = form.pop3_server;
    account.user = form.user;
    account.login_hint = form.sender_address;
    run_sign_in_window(dialog, account, form.provider);
}

// The server folders of the mailbox the window shows now, the inbox it
// shows being the default's local folder.
void edit_server_folders(HWND dialog, SettingsState* state) {
    AccountForm form;
    if (form_naming_mailbox(dialog, state, "the server folders are", &form))
        run_server_folders_window(dialog, form.pop3_server, form.user, form.inbox);
}

void close_window(HWND dialog, SettingsState* state) {
    DestroyWindow(dialog);
    state->done = true;
}

void apply(HWND dialog, SettingsState* state) {
    AccountList& accounts = state->profiles->accounts;
    FormRefusal refusal;
    bool stored = false;
    {
        std::lock_guard<std::mutex> hold(accounts.lock);
        int at = account_list_find(accounts, state->account_id);
        if (at >= 0) {
            AccountRecord& record = accounts.table.accounts[at];
            AccountForm form = read_form(dialog, account_form_from(record).options);
            refusal = check_account_form(form);
            if (refusal.text.empty()) {
                store_account_form(form, &record);
                stored = true;
            }
        }
    }
    if (!refusal.text.empty()) {
        ui_message_box(dialog, refusal.text.c_str(), "Account Manager", UI_OK);
        focus_control(dialog, refusal.control);
        return;
    }
    if (stored) post_command(state->profiles->list_window, CMD_ACCOUNT_STORED, state->account_id);
    close_window(dialog, state);
}

INT_PTR CALLBACK settings_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = dialog_state<SettingsState>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        state = take_dialog_state<SettingsState>(dialog, lparam);
        show_form(dialog, state->shown);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_SETTINGS_OK: apply(dialog, state); break;
        case IDC_SETTINGS_CANCEL:
        case IDCANCEL: close_window(dialog, state); break;
        case IDC_INCOMING:
            if (HIWORD(wparam) == CBN_SELCHANGE)
                show_incoming(dialog, combo_selection(control(dialog, IDC_INCOMING)));
            break;
        case IDC_SIGN_IN_METHOD:
            if (HIWORD(wparam) == CBN_SELCHANGE) show_sign_in(dialog, combo_selection(control(dialog, IDC_SIGN_IN_METHOD)));
            break;
        case IDC_PROVIDER:
            if (HIWORD(wparam) == CBN_SELCHANGE) fill_provider_preset(dialog, state);
            break;
        case IDC_SIGN_IN: sign_in(dialog, state); break;
        case IDC_SERVER_FOLDERS: edit_server_folders(dialog, state); break;
        default: break;
        }
        return TRUE;
    case WM_CLOSE:
        close_window(dialog, state);
        return TRUE;
    default: return FALSE;
    }
}

// A free slot for a window on the account, -1 when ten are open.
int take_slot(Profiles* profiles, int account_id) {
    std::lock_guard<std::mutex> hold(profiles->slots_lock);
    for (int slot = 0; slot < settings_window_slots; slot++) {
        if (profiles->settings_accounts[slot] == 0) {
            profiles->settings_accounts[slot] = account_id;
            return slot;
        }
    }
    return -1;
}

void set_slot_window(Profiles* profiles, int slot, HWND window) {
    std::lock_guard<std::mutex> hold(profiles->slots_lock);
    profiles->settings_windows[slot] = window;
}

void free_slot(Profiles* profiles, int slot) {
    std::lock_guard<std::mutex> hold(profiles->slots_lock);
    profiles->settings_windows[slot] = nullptr;
    profiles->settings_accounts[slot] = 0;
}

struct SettingsStart {
    Profiles* profiles;
    int account_id;
};

void settings_thread(void* argument) {
    SettingsStart start = *static_cast<SettingsStart*>(argument);
    delete static_cast<SettingsStart*>(argument);
    Profiles* profiles = start.profiles;
    int slot = take_slot(profiles, start.account_id);
    if (slot < 0) return;
    SettingsState state{profiles, start.account_id, {}};
    bool present;
    {
        std::lock_guard<std::mutex> hold(profiles->accounts.lock);
        int at = account_list_find(profiles->accounts, start.account_id);
        present = at >= 0;
        if (present) state.shown = account_form_from(profiles->accounts.table.accounts[at]);
    }
    HWND dialog = present ? create_dialog(profiles->instance, IDD_ACCOUNT_SETTINGS, nullptr, settings_procedure, &state)
                          : nullptr;
    if (dialog) {
        set_slot_window(profiles, slot, dialog);
        centre_on_screen(dialog);
        ShowWindow(dialog, SW_SHOW);
        run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, &state.done});
    }
    std::fill(state.shown.password.begin(), state.shown.password.end(), '\0');
    free_slot(profiles, slot);
    bring_to_front(profiles->list_window);
    redraw_whole(profiles->list_window);
}

}  // namespace

std::string edit_text(HWND dialog, int id) {
    // Read far beyond every limit, so that an over-long field is refused
    // rather than cut without a word.
    Array* text = array_new(4096);
    control_text(dialog, id, text);
    std::string read = text->text;
    array_clear(text);  // it may have held a password
    delete_arrays(text);
    return read;
}

void open_settings_window(Profiles* profiles, int account_id) {
    // The thread gets its own copy of what it needs: the list window need
    // not wait until the thread has taken it.
    auto* start = new SettingsStart{profiles, account_id};
    if (!start_dialog_thread(settings_thread, start)) delete start;
}

void close_settings_windows(Profiles* profiles, int account_id) {
    std::lock_guard<std::mutex> hold(profiles->slots_lock);
    for (int slot = 0; slot < settings_window_slots; slot++)
        if (profiles->settings_accounts[slot] == account_id && profiles->settings_windows[slot])
            post_command(profiles->settings_windows[slot], IDC_SETTINGS_CANCEL);
}
