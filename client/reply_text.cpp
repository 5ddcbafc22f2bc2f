#include "client/reply_text.h"

#include <cstring>
#include <tuple>

#include "client/message_details.h"
#include "core/code_pages.h"
#include "core/file_reads.h"
#include "format/address_list.h"
#include "format/ascii_case.h"
#include "format/charsets.h"
#include "format/encoded_words.h"
#include "format/header_fields.h"
#include "format/message_display.h"
#include "format/message_id.h"

namespace {

// A sender whose name and address together reach this many characters goes
// in as the bare address, which always fits an entry of 256.
constexpr size_t sender_pair_limit = 251;
constexpr int subject_limit = 95;
constexpr int reference_limit = 1023;

bool add_entry(StringList* list, int* count, const char* text) {
    if (*count >= address_list_entries) return false;
    array_copy(list->items[(*count)++], text);
    return true;
}

// The subject with the prefix unless it already begins with `word`; at most
// 95 bytes of the subject, never half a UTF-8 character.
std::string prefixed_subject(const char* subject, const char* word, const char* prefix) {
    std::string text(subject, strnlen(subject, subject_limit));
    if (text.size() == subject_limit && valid_utf8(std::string_view(subject)))
        while (!text.empty() && !valid_utf8(text)) text.pop_back();
    return begins_nocase(subject, word) ? text : prefix + text;
}

}  // namespace

int reply_recipients(const std::vector<std::string>& paths, bool to_all, Array* to_text, Array* reference) {
    array_clear(to_text);
    if (reference) array_clear(reference);
    StringList* list = string_list_new(address_list_entries, 256);
    MessageSummary* summary = summary_new();
    Array* entry = array_new(256);
    int count = 0;
    int result = 0;
    for (const std::string& path : paths) {
        // A subject that stays enciphered (no key) still leaves the
        // addresses read.
        if (read_summary(0, summary, path.c_str()) == SUMMARY_UNREADABLE) {
            result = -1;
            break;
        }
        array_clear(entry);
        // The name is quoted again: a quote or backslash in it is escaped.
        std::string name;
        for (const char* c = summary->from_name->text; *c; c++) {
            if (*c == '"' || *c == '\\') name.push_back('\\');
            name.push_back(*c);
        }
        if (name.size() + std::strlen(summary->from_address->text) < sender_pair_limit)
            array_printf(entry, "\"%s\" <%s>", name.c_str(), summary->from_address->text);
        else
            array_copy(entry, summary->from_address->text);
        if (!add_entry(list, &count, entry->text)) {
            result = -1;
            break;
        }
        for (int i = 0; to_all && result == 0 && i < summary->recipients->count; i++) {
            const char* recipient = summary->recipients->items[i]->text;
            if (!recipient[0]) break;
            // A list's recipients may fill 99 entries; the join refuses a
            // list of all 100.
            if (count >= address_list_entries - 1 || !add_entry(list, &count, recipient)) result = -1;
        }
        if (result != 0) break;
        if (reference && read_header_field(path.c_str(), nullptr, "Message-ID", reference, reference_limit,
                                           FIELD_FIRST, SCOPE_HEADER) == -1)
            array_clear(reference);
    }
    if (result == 0 && remove_duplicate_addresses(list, address_list_entries) < 0) result = -1;
    if (result == 0 && join_list(list, to_text, address_list_entries, address_field_capacity) != 0) result = -1;
    if (result != 0) array_clear(to_text);
    summary_delete(summary);
    string_list_release(list);
    delete list;
    delete_arrays(entry);
    return result;
}

std::string reply_thread(const char* path) {
    // A long thread's References runs to many lines; its newest ids are
    // at its end, so it is read whole.
    Array* references = array_new(16384);
    Array* in_reply_to = array_new(16384);
    Array* id = array_new(reference_limit + 1);
    for (auto [name, value, limit] : {std::tuple{"References", references, 15900},
                                      std::tuple{"In-Reply-To", in_reply_to, 15900},
                                      std::tuple{"Message-ID", id, reference_limit}})
        if (read_header_field(path, nullptr, name, value, limit, FIELD_FIRST, SCOPE_HEADER) == -1) array_clear(value);
    std::string thread = reply_references(references->text, in_reply_to->text, id->text);
    delete_arrays(references, in_reply_to, id);
    return thread;
}

std::string reply_subject(const char* subject) { return prefixed_subject(subject, "re:", "Re: "); }

std::string forward_subject(const char* subject) { return prefixed_subject(subject, "fw:", "Fw: "); }

std::string introduction_line(MessageSummary* summary) {
    return "On " + utf8_prefix(raw_header_text_to_utf8(summary->date->text), 1000) + ", " +
           utf8_prefix(raw_header_text_to_utf8(summary->from_name->text), 1000) + " wrote:\r\n\r\n";
}

int prepare_editor_text(const char* message_path, WindowRef window, WindowRef status_window, EditorLead lead,
                        bool quote, EditorText* text) {
    *text = EditorText{};
    DisplayRequest request;
    request.path = message_path;
    request.window = window;
    request.status_window = status_window;
    request.text_only = true;
    request.html_as_text = true;
    request.quote = quote;
    DisplayResult result;
    display_result_init(&result);
    int status = prepare_display(&request, &result);
    if (status == 0) {
        text->path = result.shown_path->text;
        text->code_page = result.code_page;
        if (lead != LEAD_NONE) {
            MessageSummary* summary = summary_new();
            read_summary(0, summary, message_path);
            text->lead = lead == LEAD_HEADER_BLOCK ? header_block(summary, true) : introduction_line(summary);
            summary_delete(summary);
        }
    }
    display_result_release(&result);
    return status;
}

bool editor_text_utf8(const EditorText& text, std::string* utf8) {
    utf8->clear();
    std::string bytes;
    if (!read_whole_file(text.path.c_str(), &bytes)) return false;
    // The editor's text ends at a zero byte, as the pane's does.
    bytes.resize(std::char_traits<char>::length(bytes.c_str()));
    std::string body;
    if (!sys_convert_to_utf8(text.code_page, bytes, &body) && !sys_convert_to_utf8(20127, bytes, &body)) body.clear();
    *utf8 = text.lead + body;
    return true;
}
