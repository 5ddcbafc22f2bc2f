#include "store/message_summary.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/app_state.h"
#include "core/file_reads.h"
#include "format/address_list.h"
#include "format/dates.h"
#include "format/ascii_case.h"
#include "format/charsets.h"
#include "format/encoded_words.h"
#include "format/encryption.h"
#include "format/subject_crypt.h"
#include "format/text_search.h"
#include "store/message_files.h"

MessageSummary* summary_new() {
    auto* s = new MessageSummary;
    s->from = array_new(256);
    s->from_name = array_new(summary_name_capacity);
    s->from_address = array_new(125);
    s->recipients = string_list_new(100, 256);
    s->subject = array_new(summary_subject_capacity);
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

// Room that every summary a thread reads uses again: a list fill reads
// thousands, and making and clearing these for each message was much of
// its time.
struct SummaryRoom {
    Array* text = array_new(16384);
    StringList* cc = string_list_new(100, 256);
    SummaryRoom() = default;
    SummaryRoom(const SummaryRoom&) = delete;
    SummaryRoom& operator=(const SummaryRoom&) = delete;
    ~SummaryRoom() {
        delete_arrays(text);
        string_list_release(cc);
        delete cc;
    }
};

SummaryRoom& summary_room() {
    thread_local SummaryRoom room;
    return room;
}

// The start of the file, up to its header end, at most 16383 characters,
// ended by a zero (the buffer is not cleared first).
bool read_header_text(const char* path, Array* text) {
    text->chars[0] = 0;
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
        text->chars[length] = 0;
        if (std::strstr(text->text, "\r\n\r\n") || room == n) break;
    }
    file_read_close(&f);
    return true;
}

// The whole value of header field `name` (given with its colon), folded
// lines and all, without the blanks after the colon. The name counts only
// at the start of a line of the header: a quoted header in the body, or a
// field whose name merely ends the same ("X-Original-From:"), is not it.
std::string field_value(const char* text, const char* name) {
    const char* header_end = std::strstr(text, "\r\n\r\n");
    const size_t name_length = std::strlen(name);
    for (const char* at = text; at && *at; at = std::strchr(at, '\n')) {
        if (*at == '\n') at++;
        if (header_end && at > header_end) break;
        if (!begins_nocase(at, name)) continue;
        const char* value = at + name_length;
        while (*value == ' ' || *value == '\t') value++;
        const char* end = value;
        for (;;) {
            end += std::strcspn(end, "\r\n");
            const char* next = end + (end[0] == '\r' && end[1] == '\n' ? 2 : end[0] ? 1 : 0);
            if (next == end || (*next != ' ' && *next != '\t')) break;
            end = next;
        }
        return std::string(value, static_cast<size_t>(end - value));
    }
    return "";
}

std::string unfolded(std::string_view raw) {
    std::string text;
    for (char c : raw)
        if (c != '\r' && c != '\n') text.push_back(c);
    return text;
}

// A decoded text as the list and the mirror hold it: a TAB, a line break or
// another control character (a folded line's TAB, "=09" or "=0D=0A" in a
// word) would shift or break the mirror's fields, so each becomes a blank.
std::string list_text(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return text;
}

bool plain_ascii(const char* text) {
    for (; *text; text++)
        if (static_cast<unsigned char>(*text) >= 0x80 || (text[0] == '=' && text[1] == '?') || *text == '\t')
            return false;
    return true;
}

// The inside of a quoted string or comment without its escaping backslashes.
std::string unescaped(const char* from, const char* to) {
    std::string text;
    for (const char* p = from; p < to; p++) {
        if (*p == '\\' && p + 1 < to) p++;
        text.push_back(*p);
    }
    return text;
}

std::string trimmed(std::string text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The sender's display name, decoded, and bare address from the raw "From"
// value (unfolded, whole): "Name" <address>, Name<address> (no blank before
// the bracket), "Doe, Jane \"JD\"" <address> (quotes escaped in the name),
// or address (Name) with the name in a comment, as older programs write it.
// Brackets, quotes and parentheses count only outside quoted strings and
// comments.
void split_sender(MessageSummary* s, const std::string& from_value) {
    const char* from = from_value.c_str();
    const char* open = nullptr;  // "<" of the address
    std::string phrase;          // the text before "<", quoted strings unquoted
    std::string outside;         // the text outside comments and quoted strings
    std::string comment, quoted;  // the first of each, unquoted
    // Once a quote or a parenthesis is found unclosed, no later one is
    // looked for again: the walk stays linear in the field.
    bool quotes_close = true, comments_close = true;
    for (const char* p = from; *p && !open; p++) {
        const char* end = nullptr;
        if ((*p == '"' && quotes_close) || (*p == '(' && comments_close)) {
            end = closing_of(p);
            if (!end) (*p == '"' ? quotes_close : comments_close) = false;
        }
        if (end && *p == '"') {
            std::string inside = unescaped(p + 1, end);
            if (quoted.empty()) quoted = inside;
            phrase += inside;
            p = end;
        } else if (end) {
            if (comment.empty()) comment = unescaped(p + 1, end);
            phrase.append(p, static_cast<size_t>(end - p + 1));
            p = end;
        } else if (*p == '<') {
            open = p;
        } else {
            phrase.push_back(*p);
            outside.push_back(*p);
        }
    }
    const char* close = open ? std::strchr(open, '>') : nullptr;
    std::string name;
    if (open && close) {
        array_copy_at(s->from_address, 0, open + 1, static_cast<int>(close - open - 1));
        name = trimmed(phrase);
    } else {
        std::string address = open ? from_value : trimmed(outside);
        array_copy_at(s->from_address, 0, address.c_str(), s->from_address->capacity - 1);
        name = open ? trimmed(phrase) : !comment.empty() ? trimmed(comment) : quoted;
    }
    // Without a name the address stands for it, as the list shows text.
    name = name.empty() ? raw_header_text_to_utf8(s->from_address->text) : decode_header_text(name);
    name = utf8_prefix(list_text(name), summary_name_characters);
    array_copy(s->from_name, name.c_str());
}

// Each To and Cc entry with its words decoded, cut at a character within
// the entry's room.
void decode_recipients(StringList* recipients) {
    for (int i = 0; i < recipients->count && recipients->items[i]->text[0]; i++) {
        Array* entry = recipients->items[i];
        if (plain_ascii(entry->text)) continue;
        std::string decoded = utf8_within(list_text(decode_header_text(entry->text)), entry->capacity - 1);
        array_clear(entry);
        array_copy(entry, decoded.c_str());
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
    SummaryRoom& room = summary_room();
    Array* text = room.text;
    Array* scratch = array_new(encrypted_subject_max_length + 1);
    StringList* cc = room.cc;
    string_list_clear(cc);
    int result = SUMMARY_OK;

    if (!read_header_text(file->text, text)) {
        result = SUMMARY_UNREADABLE;
    } else {
        // Words folded inside their text are joined first: the address
        // lists unfold by dropping line breaks alone.
        std::string mended;
        if (std::strstr(text->text, "=?")) mended = join_folded_words(text->text);
        const char* t = mended.empty() ? text->text : mended.c_str();
        s->marked = std::strstr(t, "X-ZMMark: TRUE\r\n") ? 1 : 0;
        s->read = std::strstr(t, "X-ZMRead: FALSE\r\n") ? 0 : 1;

        int to_result = parse_address_field(t, "\nTo:", s->recipients, 100);
        int n = 0;
        while (n < 100 && s->recipients->items[n]->text[0]) n++;
        int cc_result = n < 100 ? parse_address_field(t, "\nCc:", cc, 100 - n) : 0;
        for (int i = 0; n + i < 100 && i < 100; i++) array_copy(s->recipients->items[n + i], cc->items[i]->text);

        std::string from = unfolded(field_value(t, "From:"));
        if (!from.empty()) {
            array_copy_at(s->from, 0, from.c_str(), s->from->capacity - 1);  // raw: the new-mail command's FROM
            split_sender(s, from);
        }
        decode_recipients(s->recipients);

        // An encrypted subject is read whole, since a cut one cannot be
        // deciphered. Any subject is read with all its folded lines and cut
        // only once decoded, at a character.
        bool encrypted = std::strstr(t, "\r\nContent-Transfer-Encoding: X-ZMcrypt\r\n") != nullptr;
        std::string subject = unfolded(field_value(t, "Subject:"));
        std::string shown;
        if (encrypted) {
            array_copy_at(scratch, 0, subject.c_str(), encrypted_subject_max_length);
            Array* plain = array_new(summary_subject_capacity);
            if (decrypt_subject(scratch->text, plain) == 0) {
                shown = raw_header_text_to_utf8(plain->text);
            } else if (message_key_loaded()) {
                shown = decode_header_text(subject);  // not enciphered after all
            }
            else {
                result = SUMMARY_SUBJECT_LOCKED;
                shown = raw_header_text_to_utf8(subject);
            }
            delete_arrays(plain);
        } else {
            shown = decode_header_text(subject);
        }
        shown = utf8_prefix(list_text(shown), summary_subject_characters);
        array_copy(s->subject, shown.c_str());

        DateParts parts{};
        extract_between(99, t, scratch, "\nDate: ", "\r");
        parse_date(scratch->text, &parts);
        format_date(&parts, s->date);

        const char* multipart = find_text_nocase(t, "\r\nContent-Type: multipart");
        const char* header_end = std::strstr(t, "\r\n\r\n");
        s->multipart = multipart && (!header_end || multipart < header_end) ? 1 : 0;

        if (result == SUMMARY_OK && (to_result == -1 || cc_result == -1)) result = SUMMARY_UNREADABLE;
    }
    delete_arrays(file, scratch);
    return result;
}
