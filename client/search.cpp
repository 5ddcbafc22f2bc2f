#include "client/search.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "core/app_state.h"
#include "core/file_reads.h"
#include "core/find_in_file.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/ascii_case.h"
#include "format/encryption.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/part_list.h"
#include "format/temp_files.h"
#include "format/text_search.h"
#include "store/message_files.h"

const char* const search_fields[6] = {"To", "From", "Sent", "Subject", "Message", "Email"};

const SearchConstraint search_constraints[4] = {
    {"contains", true, false},
    {"does not contain", false, false},
    {"matches", true, true},
    {"does not match", false, true},
};

namespace {

bool same_nocase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (ascii_lower(static_cast<unsigned char>(a[i])) != ascii_lower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

bool column_test(const std::string& column, const std::string& text, bool whole) {
    return whole ? same_nocase(column, text) : find_text_nocase(column.c_str(), text.c_str()) != nullptr;
}

// Whether the text occurs in the byte range of a part that needs no
// decoding, searched where it lies in the message file: extracting it
// first cost a file write a message. A range that ends before it begins
// holds nothing.
bool range_holds(const char* path, const PartRecord* part, const std::string& text) {
    auto length = static_cast<int64_t>(std::min<size_t>(std::strlen(text.c_str()), 49));
    int64_t offset = part->body_start;
    int64_t limit = part->body_end == 0 ? INT64_MAX : part->body_end - length;
    if (limit < offset) return false;
    return find_in_file_within(path, text.c_str(), &offset, limit, false) > 0;
}

// A quoted-printable or base64 text part up to this size is decoded in
// memory; a larger one, and any enciphered one, through the scratch files.
constexpr size_t decoded_text_limit = 1024 * 1024;

// The best plain text part, decoded (and deciphered) in memory or into the
// search's own scratch files when it needs it, searched for the text.
bool message_test(const SearchRequest& request, const char* path) {
    Array* section = array_new(100);
    Array* decoded = array_new(100);
    Array* decrypted = array_new(100);
    temp_file_name(section, "searchsection", request.scratch_number);
    temp_file_name(decoded, "searchdecoded", request.scratch_number);
    temp_file_name(decrypted, "searchdecrypted", request.scratch_number);
    // The header, each part's header and the boundaries are looked for one
    // after another: through the held file that is one open of the message
    // (a search of thousands under Wine spent its time opening each one
    // again for every field), and for most messages one read.
    bool held = hold_file(path);
    int encrypted = is_encrypted_message(path) == 1;
    StringList* plain = string_list_new(2, 20);
    const char* only[] = {"text/plain"};
    string_list_assign(plain, only, 1);
    PartRecord* list = part_list_new();
    int best = -1;
    bool found = false;
    if (walk_parts(path, 0, plain, list, &best, false)) {
        std::string text;
        if (!part_needs_decoding(list->encoding->text, encrypted)) {
            found = range_holds(path, list, request.text);
        } else if (!encrypted && decode_part_in_memory(path, list, decoded_text_limit, &text)) {
            found = find_in_memory(text.data(), static_cast<int64_t>(text.size()), request.text.c_str(), false) > 0;
        } else if (extract_range(path, section->text, list) == 0) {
            const char* text =
                decode_part_text(section->text, list->encoding->text, encrypted, decoded->text, decrypted->text);
            found = text && find_in_file(text, request.text.c_str(), nullptr, false, false) > 0;
        }
    }
    if (held) release_held_file();
    part_list_free(list);
    string_list_release(plain);
    delete plain;
    delete_arrays(section, decoded, decrypted);
    return found;
}

}  // namespace

bool is_search_folder(const char* relative_path) {
    if (!begins_nocase(relative_path, "search")) return false;
    const char* digits = relative_path + 6;
    if (*digits == 0) return true;
    if (*digits == '0') return false;
    int n = 0;
    for (const char* p = digits; *p; p++) {
        if (*p < '0' || *p > '9' || p - digits >= 3) return false;
        n = n * 10 + (*p - '0');
    }
    return n >= 1 && n <= 999;
}

int make_result_folder(std::string* path) {
    for (int n = 1; n <= 999; n++) {
        std::string candidate = "maildir\\search" + std::to_string(n);
        if (sys_exists(candidate.c_str())) continue;
        int error = 0;
        if (sys_make_directory(candidate.c_str(), &error) == 0) {
            *path = candidate;
            return n;
        }
        // Made by someone else in the meantime: the next number.
        if (sys_exists(candidate.c_str())) continue;
        show_message("Could not create search directory!");
        return -2;
    }
    show_message("Search limit exceeded.");
    return -1;
}

bool search_test(const SearchRequest& request, const SearchRow& row, const char* message_path) {
    bool whole = search_constraints[request.constraint].whole;
    switch (request.field) {
    case SEARCH_FROM: return column_test(row.from, request.text, whole);
    case SEARCH_TO: return column_test(row.to, request.text, whole);
    case SEARCH_SUBJECT: return column_test(row.subject, request.text, whole);
    case SEARCH_SENT: return column_test(row.sent, request.text, whole);
    case SEARCH_MESSAGE: return message_test(request, message_path);
    case SEARCH_EMAIL: return find_in_file(message_path, request.text.c_str(), nullptr, false, false) > 0;
    default: return false;
    }
}

int run_search(const SearchRequest& request, const std::string& result_folder) {
    bool wanted = search_constraints[request.constraint].wanted;
    Array* path = array_new(message_path_capacity);
    int copied = 0;
    for (const SearchRow& row : request.rows) {
        message_file_path(path, request.folder.c_str(), row.number);
        if (!sys_exists(path->text)) continue;
        if (search_test(request, row, path->text) != wanted) continue;
        std::string target = result_folder + "\\mm" + std::to_string(copied + 1) + ".eml";
        if (sys_copy_file(path->text, target.c_str(), true) != 0) {
            show_message("Could not copy file to search folder!");
            delete_arrays(path);
            return -1;
        }
        copied++;
    }
    delete_arrays(path);
    char found[64];
    std::snprintf(found, sizeof found, "%i files found", copied);
    ui_message_box(nullptr, found, "Zenth Mail", UI_OK | UI_ICON_INFORMATION);
    return copied;
}
