#include "client/message_details.h"

#include <cstdio>
#include <cstring>

#include "core/sys_files.h"
#include "format/address_list.h"
#include "format/charsets.h"
#include "format/dates.h"
#include "format/encoded_words.h"
#include "format/encryption.h"
#include "format/header_fields.h"

namespace {

// Texts of the summary and of the header are stored as the message has
// them; the pane takes UTF-8. Each value is cut to 99 characters, never
// inside one.
std::string shown(const char* raw, size_t characters = 99) {
    return utf8_prefix(raw_header_text_to_utf8(raw), characters);
}

void add(std::string* lines, const char* label, const std::string& value) {
    lines->append(label);
    lines->append(value);
    lines->append("\r\n");
}

std::string recipients_text(MessageSummary* summary) {
    Array* joined = array_new(12632);
    join_list(summary->recipients, joined, 100, 12631);
    std::string text = raw_header_text_to_utf8(joined->text);
    delete_arrays(joined);
    return text;
}

std::string received_date(const char* path) {
    Array* value = array_new(1024);
    if (read_header_field(path, nullptr, "X-ReceivedDate", value, 1023, FIELD_FIRST, SCOPE_HEADER) == -1)
        array_copy(value, "Unknown");
    DateParts parts;
    parse_date(value->text, &parts);
    format_date(&parts, value);
    std::string text = shown(value->text);
    delete_arrays(value);
    return text;
}

std::string field_or_unknown(const char* path, const char* name, int occurrence, bool address) {
    Array* value = array_new(1024);
    std::string text = "Unknown";
    if (read_header_field(path, nullptr, name, value, 1023, occurrence, SCOPE_HEADER) != -1) {
        if (!address) {
            text = utf8_prefix(decode_header_text(value->text), 99);
        } else if (std::string found; apparent_address(value->text, &found)) {
            text = shown(found.c_str());
        }
    }
    delete_arrays(value);
    return text;
}

}  // namespace

bool apparent_address(const char* received, std::string* address) {
    const char* open = std::strchr(received, '[');
    if (!open) return false;
    const char* close = std::strchr(open + 1, ']');
    if (!close || close == open + 1) return false;
    address->assign(open + 1, close);
    return true;
}

int message_details(const char* path, int row, std::string* lines) {
    lines->clear();
    int64_t size = sys_file_size(path);
    std::FILE* f = size < 0 ? nullptr : sys_fopen(path, "rb");
    if (!f) return DETAILS_NO_FILE;
    std::fclose(f);
    MessageSummary* summary = summary_new();
    int status = read_summary(0, summary, path) == SUMMARY_OK ? DETAILS_OK : DETAILS_INCOMPLETE;
    char number[64];
    add(lines, "File: ", shown(path));
    std::snprintf(number, sizeof number, "%i", row + 1);
    add(lines, "List Position: ", number);
    std::snprintf(number, sizeof number, "%lld bytes", static_cast<long long>(size));
    add(lines, "Size: ", number);
    add(lines, "To: ", recipients_text(summary));
    add(lines, "From(name): ", shown(summary->from_name->text));
    add(lines, "From(e-mail): ", shown(summary->from_address->text));
    add(lines, "Subject: ", shown(summary->subject->text));
    add(lines, "Sent: ", shown(summary->date->text));
    add(lines, "Received: ", received_date(path));
    add(lines, "ZM-Encrypted: ", is_encrypted_message(path) ? "Yes" : "No");
    add(lines, "Mailer: ", field_or_unknown(path, "X-Mailer", FIELD_FIRST, false));
    add(lines, "Apparent Originating IP: ", field_or_unknown(path, "Received", FIELD_LAST, true));
    summary_delete(summary);
    return status;
}

std::string header_block(MessageSummary* summary, bool original) {
    std::string block = original ? "\r\n----- Original Message -----\r\n" : "";
    // The summary keeps the sender's text as written: its words decoded here.
    add(&block, "From: ", utf8_prefix(decode_header_text(summary->from->text), 1000));
    add(&block, "To: ", utf8_prefix(recipients_text(summary), 1000));
    add(&block, "Sent: ", utf8_prefix(raw_header_text_to_utf8(summary->date->text), 1000));
    add(&block, "Subject: ", utf8_prefix(raw_header_text_to_utf8(summary->subject->text), 1000));
    block.append("\r\n");
    return block;
}
