#include "format/account_table.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/file_replace.h"
#include "core/sys_files.h"
#include "core/text_lines.h"
#include "format/base64.h"
#include "format/encryption.h"

const char account_table_file[] = "accountdata.cfg";

namespace {

// The characters kept of a table line.
constexpr int line_keep = 98;

// What a stored password's line holds at most once encoded.
constexpr int stored_password_limit = 99;

void decode_field(const BlowfishKey* key, char* field, Array* work) {
    array_clear(work);
    std::memcpy(work->chars, field, account_field_size);
    decode_password(key, work);
    std::memcpy(field, work->chars, account_field_size);
}

}  // namespace

int encode_password(const BlowfishKey* key, const char* password, Array* stored) {
    array_clear(stored);
    int n = static_cast<int>(std::strlen(password));
    int padded = n + 8 - n % 8;
    if (!key || (padded + 2) / 3 * 4 > stored_password_limit || stored->capacity < stored_password_limit + 1)
        return -1;
    Array* bytes = array_new(padded + 1);
    std::memcpy(bytes->chars, password, static_cast<size_t>(n));
    int result = -1;
    if (encrypt_buffer(key, bytes, n) == padded) {
        base64_encode(bytes->text, stored, padded);
        result = 0;
    }
    array_clear(bytes);
    delete_arrays(bytes);
    return result;
}

void decode_password(const BlowfishKey* key, Array* field) {
    if (!key) {
        // The stored text is no password; sending it would only fail a login.
        array_clear(field);
        return;
    }
    int m = base64_decode_in_place(field, static_cast<int>(strnlen(field->text, static_cast<size_t>(field->capacity))));
    decrypt_buffer(key, field, m);
}

int account_table_read(const char* path, const BlowfishKey* key, AccountTable* table) {
    *table = AccountTable{};
    std::FILE* f = sys_fopen(path, "rb");
    if (!f) return ACCOUNT_TABLE_CANNOT_OPEN;
    Array* work = array_new(account_field_size);
    for (int account = 0; account < max_accounts; account++) {
        AccountRecord& record = table->accounts[account];
        bool complete = true;
        for (int field = 0; field < account_fields && complete; field++) {
            complete = read_text_line(f, record.fields[field], account_field_size, line_keep);
            if (complete && field == ACCOUNT_PASSWORD) decode_field(key, record.fields[field], work);
        }
        if (!complete) {
            record = AccountRecord{};
            break;
        }
        table->count = account + 1;
    }
    std::fclose(f);
    array_clear(work);
    delete_arrays(work);
    return ACCOUNT_TABLE_OK;
}

int account_table_write(const char* path, const BlowfishKey* key, const AccountTable& table) {
    int count = table.count < max_accounts ? table.count : max_accounts;
    // Every password is encoded before the file is touched.
    std::string stored[max_accounts];
    Array* work = array_new(account_field_size);
    int result = ACCOUNT_TABLE_OK;
    for (int account = 0; account < count && result == ACCOUNT_TABLE_OK; account++) {
        const char* password = table.accounts[account].fields[ACCOUNT_PASSWORD];
        std::string plain(password, strnlen(password, account_field_size));
        if (encode_password(key, plain.c_str(), work) != 0) result = ACCOUNT_TABLE_BAD_PASSWORD;
        else stored[account] = work->text;
        std::fill(plain.begin(), plain.end(), '\0');
    }
    delete_arrays(work);
    if (result != ACCOUNT_TABLE_OK) return result;

    auto write = [&](std::FILE* f) {
        bool written = true;
        for (int account = 0; account < count; account++) {
            for (int field = 0; field < account_fields; field++) {
                const char* text = table.accounts[account].fields[field];
                int size = account_field_size;
                if (field == ACCOUNT_PASSWORD) {
                    text = stored[account].c_str();
                    size = static_cast<int>(stored[account].size()) + 1;
                }
                written = write_text_line(f, text, size) && written;
            }
        }
        return written;
    };
    switch (replace_file_with(path, write)) {
    case REPLACE_OK: return ACCOUNT_TABLE_OK;
    case REPLACE_CANNOT_OPEN: return ACCOUNT_TABLE_CANNOT_OPEN;
    default: return ACCOUNT_TABLE_WRITE_FAILED;
    }
}
