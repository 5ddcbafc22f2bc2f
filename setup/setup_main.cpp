// zenth-setup, the options program: the options of zenth.cfg that the
// client has no menu for, and the message key bfkey.dat made from 32 typed
// characters. It works on the files of the folder it runs in. The exit code
// is 0 however it ends.
#include <windows.h>

#include <cstring>

#include "core/random.h"
#include "core/settings.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/key_file.h"
#include "setup/setup_ids.h"
#include "setup/setup_options.h"
#include "wingui/buttons.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/edit.h"

namespace {

constexpr int key_characters = 32;

struct SetupState {
    // What was read: the new-mail command goes back as it came.
    SettingsRecord kept;
    bool done = false;
};

void show_timeout(HWND dialog, const SettingsRecord& record) {
    Array* text = array_new(16);
    array_printf(text, "%i", timeout_shown(record));
    set_control_text(dialog, IDC_SERVER_TIMEOUT, text->text);
    delete_arrays(text);
}

void show_settings(HWND dialog, SetupState* state) {
    if (settings_read(settings_file, &state->kept) != SETTINGS_FILE_OK) {
        show_timeout(dialog, state->kept);
        ui_message_box(dialog, "Could not open config file!", "Zenth Mail", UI_OK);
        return;
    }
    show_timeout(dialog, state->kept);
    for (int control : option_controls()) check_button(dialog, control, option_control_checked(state->kept.bits, control));
    for (const OptionText& text : option_texts()) set_control_text(dialog, text.control, text.field(&state->kept));
}

void write_settings(HWND dialog, SetupState* state, int timeout) {
    SettingsRecord record =
        options_to_write(state->kept, option_bits([dialog](int control) { return button_checked(dialog, control); }));
    record.server_timeout = timeout;
    Array* text = array_new(settings_long_line + 1);
    for (const OptionText& option : option_texts()) {
        control_text(dialog, option.control, text);
        char* field = option.field(&record);
        std::memset(field, 0, static_cast<size_t>(option.limit) + 1);
        std::strncpy(field, text->text, static_cast<size_t>(option.limit));
    }
    delete_arrays(text);
    if (settings_write(settings_file, record) != SETTINGS_FILE_OK)
        ui_message_box(dialog, "Cannot open config file!", "Zenth Mail", UI_OK);
}

// The key file from the typed text; false when the dialog stays open.
bool write_key(HWND dialog, const char* typed) {
    unsigned char key[KEY_FILE_LENGTH];
    bool written = make_message_key(typed, key, sys_random_bytes) == 0 && write_key_file(message_key_file, key) == 0;
    SecureZeroMemory(key, sizeof key);
    if (!written) ui_message_box(dialog, "Could not write key file bfkey.dat!", "Install", UI_OK);
    return written;
}

void ok(HWND dialog, SetupState* state) {
    Array* timeout_text = array_new(16);
    control_text(dialog, IDC_SERVER_TIMEOUT, timeout_text);
    int timeout = timeout_typed(timeout_text->text);
    delete_arrays(timeout_text);
    if (timeout < 0) {
        ui_message_box(dialog, timeout_range_text, "Zenth Mail", UI_OK);
        return;
    }
    Array* typed = array_new(key_characters + 1);
    control_text(dialog, IDC_KEY_TEXT, typed);
    bool finished = false;
    switch (ok_action(std::strlen(typed->text), sys_exists(message_key_file))) {
    case OK_KEY_TOO_SHORT: ui_message_box(dialog, "Key string is too short!", "Install", UI_OK); break;
    case OK_ASK_REPLACE:
        if (ui_message_box(dialog, replace_key_question, "Install", UI_YESNO | UI_ICON_QUESTION) != UI_ANSWER_YES)
            break;
        finished = write_key(dialog, typed->text);
        break;
    case OK_WRITE_KEY: finished = write_key(dialog, typed->text); break;
    case OK_SETTINGS_ONLY: finished = true; break;
    }
    array_clear(typed);
    delete_arrays(typed);
    if (!finished) return;
    write_settings(dialog, state, timeout);
    state->done = true;
}

INT_PTR CALLBACK setup_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* state = dialog_state<SetupState>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<SetupState>(dialog, lparam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_SETUP_OK: ok(dialog, state); break;
        case IDC_SETUP_CANCEL:
        case IDCANCEL: state->done = true; break;
        default: break;
        }
        return TRUE;
    case WM_HELP:
        // No help file ships with the program: F1 does nothing.
        return TRUE;
    case WM_CLOSE:
        state->done = true;
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SetupState state;
    HWND dialog = create_dialog(instance, IDD_SETUP, nullptr, setup_procedure, &state);
    if (!dialog) return 0;
    centre_on_screen(dialog);
    edit_limit(dialog, IDC_KEY_TEXT, key_characters);
    edit_limit(dialog, IDC_SERVER_TIMEOUT, 3);
    for (const OptionText& text : option_texts()) edit_limit(dialog, text.control, text.limit);
    ShowWindow(dialog, SW_SHOW);
    show_settings(dialog, &state);
    run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, &state.done});
    DestroyWindow(dialog);
    return 0;
}
