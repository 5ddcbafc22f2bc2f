// Header words on arbitrary text, as a field value and as the From, To and
// Subject of a list row: no crash; the text shown is UTF-8 and at most three
// bytes for each byte read; joining the words folded inside their text
// changes nothing a reader sees; a row's name and subject keep to their
// room and hold no control character (the list mirror's fields would shift).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/app_state.h"
#include "format/charsets.h"
#include "format/encoded_words.h"
#include "fuzz/fuzz_scratch.h"
#include "store/message_summary.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

size_t characters(const char* utf8) {
    size_t n = 0;
    for (const char* c = utf8; *c; c++) n += (static_cast<unsigned char>(*c) & 0xC0) != 0x80;
    return n;
}

bool shown_text(const char* text) {
    for (const char* c = text; *c; c++)
        if (static_cast<unsigned char>(*c) < 0x20 || *c == 0x7F) return false;
    return valid_utf8(text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string decoded = decode_header_text(input);
    check(valid_utf8(decoded));
    check(decoded.size() <= 3 * input.size());
    check(decode_header_text(join_folded_words(input)) == decoded);

    static bool made = false;
    if (!made) {
        make_memory_scratch_folder("header_words");
        create_app_state();
        made = true;
    }
    // The text as the value of each field a row shows; its own line breaks
    // may end a field early or begin others.
    const std::string message = "From: " + input + "\r\nTo: " + input + "\r\nSubject: " + input + "\r\n\r\nbody\r\n";
    const std::string path = scratch_folder() + "/mm1.eml";
    write_scratch_file(path.c_str(), reinterpret_cast<const uint8_t*>(message.data()), message.size());
    static MessageSummary* summary = summary_new();
    read_summary(0, summary, path.c_str());
    check(shown_text(summary->from_name->text) && characters(summary->from_name->text) <= summary_name_characters);
    check(shown_text(summary->subject->text) && characters(summary->subject->text) <= summary_subject_characters);
    for (int i = 0; i < summary->recipients->count && summary->recipients->items[i]->text[0]; i++)
        check(valid_utf8(summary->recipients->items[i]->text));
    return 0;
}
