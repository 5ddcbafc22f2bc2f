#include "store/message_summary.h"

#include <cstdio>
#include <cstring>

#include "core/app_state.h"
#include "core/file_reads.h"
#include "format/address_list.h"
#include "format/dates.h"
#include "format/encryption.h"
#include "format/subject_crypt.h"
#include "format/text_search.h"
#include "store/message_files.h"

MessageSummary* summary_new() {
    auto* s = new MessageSummary;
    s->from = array_new(256);
    s->from_name = array_new(125);
    s->from_address = array_new(125);
    s->recipients = string_list_new(100, 256);
    s->subject = array_new(100);
    s->date = array_new(100);
    return s;
}

void summary_delete(MessageSummary* s) {
    delete_arrays(s->from, s->from_name, s->from_address, s->subject, s->date);
    string_list_release(s->recipients);
    delete s->recipients;
    delete s;
}

void summary_clear(MessageSummary* s) {
    s->multipart = s->marked = s->attachments = 0;
    s->read = 1;
    for (Array* a : {s->from, s->from_name, s->from_address, s->subject, s->date}) array_clear(a);
    string_list_clear(s->recipients);
}

namespace {

// The start of the file, up to its header end, at most 16383 characters.
bool read_header_text(const char* path, Array* text) {
    FileRead f;
    if (!file_read_open(&f, path)) return false;
    char chunk[1024];
    size_t length = 0;
    for (;;) {
        size_t n = file_read_bytes(&f, chunk, 1023);
        if (n == 0) break;
        size_t room = static_cast<size_t>(text->capacity) - 1 - length;
        if (n > room) n = room;
        std::memcpy(text->chars + length, chunk, n);
        length += n;
        if (std::strstr(text->text, "\r\n\r\n") || room == n) break;
    }
    file_read_close(&f);
    return true;
}

// The sender's display name and bare address from the raw "From" value.
void split_sender(MessageSummary* s) {
    const char* from = s->from->text;
    const char* open = std::strchr(from, '<');
    const char* close = open ? std::strchr(open, '>') : nullptr;
    if (open && close)
        array_copy_at(s->from_address, 0, open + 1, static_cast<int>(close - open - 1));
    else
        array_copy(s->from_address, from);

    const char* quote = std::strchr(from, '"');
    const char* end_quote = quote ? std::strchr(quote + 1, '"') : nullptr;
    if (quote && end_quote) {
        array_copy_at(s->from_name, 0, quote + 1, static_cast<int>(end_quote - quote - 1));
    } else if (open && open > from) {
        // "Name <address>": the name without the blank before the bracket.
        array_copy_at(s->from_name, 0, from, static_cast<int>(open - from - 1));
    } else {
        array_copy(s->from_name, s->from_address->text);
    }
}

}  // namespace

int read_summary(int number, MessageSummary* s, const char* path) {
    summary_clear(s);
    Array* file = array_new(1000);
    if (path)
        array_copy(file, path);
    else
        message_file_path(file, app.current_folder->text, number);
    Array* text = array_new(16384);
    Array* scratch = array_new(encrypted_subject_max_length + 1);
    StringList* cc = string_list_new(100, 256);
    int result = SUMMARY_OK;

    if (!read_header_text(file->text, text)) {
        result = SUMMARY_UNREADABLE;
    } else {
        const char* t = text->text;
        s->marked = std::strstr(t, "X-ZMMark: TRUE\r\n") ? 1 : 0;
        s->read = std::strstr(t, "X-ZMRead: FALSE\r\n") ? 0 : 1;

        int to_result = parse_address_field(t, "\nTo:", s->recipients, 100);
        int n = 0;
        while (n < 100 && s->recipients->items[n]->text[0]) n++;
        int cc_result = n < 100 ? parse_address_field(t, "\nCc:", cc, 100 - n) : 0;
        for (int i = 0; n + i < 100 && i < 100; i++) array_copy(s->recipients->items[n + i], cc->items[i]->text);

        if (extract_between(256, t, s->from, "From: ", "\r") == 0) split_sender(s);

        // An encrypted subject is read whole, since a cut one cannot be
        // deciphered; a plain one keeps to the subject's 99 characters.
        bool encrypted = std::strstr(t, "\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n") != nullptr;
        extract_between(encrypted ? encrypted_subject_max_length : 99, t, scratch, "\nSubject: ", "\r");
        if (encrypted) {
            if (decrypt_subject(scratch->text, s->subject) != 0 && !message_key_loaded())
                result = SUMMARY_SUBJECT_LOCKED;
        } else {
            array_copy(s->subject, scratch->text);
        }

        DateParts parts{};
        extract_between(99, t, scratch, "\nDate: ", "\r");
        parse_date(scratch->text, &parts);
        format_date(&parts, s->date);

        const char* multipart = find_text_nocase(t, "\r\nContent-Type: multipart");
        const char* header_end = std::strstr(t, "\r\n\r\n");
        s->multipart = multipart && (!header_end || multipart < header_end) ? 1 : 0;

        if (result == SUMMARY_OK && (to_result == -1 || cc_result == -1)) result = SUMMARY_UNREADABLE;
    }
    string_list_release(cc);
    delete cc;
    delete_arrays(file, text, scratch);
    return result;
}
