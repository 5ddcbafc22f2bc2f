#include "core/accounts.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/app_state.h"
#include "core/processes.h"
#include "core/quit.h"
#include "core/sys_files.h"
#include "core/text_lines.h"
#include "core/ui_services.h"
#include "format/base64.h"
#include "format/password_key.h"

namespace {

std::atomic<int> accounts_loaded{0};
std::atomic<bool> no_default{false};

const char* table_file = "accountdata.cfg";

Array* entry(int account, int field) { return app.accounts->items[account * account_fields + field]; }

void offer_account_manager() {
    int answer = ui_message_box(nullptr, "Would you like to setup an e-mail account now?", "Zenth Mail",
                                UI_YESNO | UI_ICON_QUESTION);
    if (answer == UI_ANSWER_YES) {
        sys_start_program("zenth-profiles.exe");
        request_quit();
    }
}

}  // namespace

int encode_password(const char* password, Array* stored) {
    array_clear(stored);
    int n = static_cast<int>(std::strlen(password));
    int padded = n + 8 - n % 8;
    // Only what fits the 99 characters of a table line once encoded.
    if (!password_key_loaded() || (padded + 2) / 3 * 4 > 99 || stored->capacity < 100) return -1;
    Array* bytes = array_new(padded + 1);
    std::memcpy(bytes->chars, password, static_cast<size_t>(n));
    int result = -1;
    if (password_encrypt_buffer(bytes, n) == padded) {
        base64_encode(bytes->text, stored, padded);
        result = 0;
    }
    array_clear(bytes);
    delete_arrays(bytes);
    return result;
}

void decode_password(Array* field) {
    if (!password_key_loaded()) {
        // The stored text is no password; sending it would only fail a login.
        array_clear(field);
        return;
    }
    int m = base64_decode_in_place(field, static_cast<int>(std::strlen(field->text)));
    password_decrypt_buffer(field, m);
}

int accounts_load() {
    accounts_loaded = 0;
    no_default = false;
    string_list_clear(app.accounts);
    std::FILE* f = sys_fopen(table_file, "rb");
    if (!f) {
        sys_create_file(table_file);
        offer_account_manager();
        return -1;
    }
    password_key_load();
    int lines = 0;
    for (int account = 0; account < max_accounts; account++) {
        bool complete = true;
        for (int field = 0; field < account_fields && complete; field++) {
            complete = read_text_line(f, entry(account, field), 98);
            if (complete) lines++;
            if (complete && field == ACCOUNT_PASSWORD) decode_password(entry(account, field));
        }
        if (!complete) {
            for (int field = 0; field < account_fields; field++) array_clear(entry(account, field));
            break;
        }
        accounts_loaded = account + 1;
        if (entry(0, ACCOUNT_NAME)->text[0] == '!') no_default = true;
        if (lines >= 80) break;
    }
    std::fclose(f);
    return 0;
}

int account_count() { return accounts_loaded; }

const char* account_field(int account, AccountField field) {
    // Compared as a number: a caller may pass any value, and clang judges a
    // comparison of the enum itself with its bounds to be always false.
    int f = static_cast<int>(field);
    if (account < 0 || account >= accounts_loaded || f < 0 || f >= account_fields) return nullptr;
    return entry(account, field)->text;
}

int account_options(int account) {
    const char* options = account_field(account, ACCOUNT_OPTIONS);
    return options ? std::atoi(options) : 0;
}

bool no_default_account() { return no_default; }
