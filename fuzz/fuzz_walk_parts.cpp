// Arbitrary files through the MIME reader: the select and collect walks, the
// extraction of every recorded range, decoding, and the background
// extraction loop. Every range must lie within the file and come out as
// exactly its bytes, a select walk keeps at most one part, no message box is
// ever shown, and the walk ends (libFuzzer's time-out catches one that does
// not).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "client/attachment_job.h"
#include "core/app_state.h"
#include "core/arrays.h"
#include "core/ui_services.h"
#include "format/attachment_count.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "fuzz/fuzz_scratch.h"

namespace {

int silent_box(WindowRef, const char* text, const char*, unsigned) {
    std::fprintf(stderr, "unexpected message: %s\n", text);
    std::abort();
}
const UiServices silent = quiet_ui_services(silent_box);

void check(bool condition) {
    if (!condition) std::abort();
}

void check_text(const Array* a) { check(strnlen(a->text, static_cast<size_t>(a->capacity)) < 100); }

// Every record's range lies in the file and extracts to exactly its bytes.
void check_list(const PartRecord* list, const std::string& bytes) {
    for (const PartRecord* part = list; part->next; part = part->next) {
        check(part->body_start >= 4);
        check(part->body_start <= static_cast<int64_t>(bytes.size()));
        check(part->body_end == 0 ||
              (part->body_end >= part->body_start && part->body_end <= static_cast<int64_t>(bytes.size())));
        check_text(part->type);
        check_text(part->encoding);
        check_text(part->file_name);
        check(extract_range("m.eml", "temp\\x.tmp", part) == 0);
        size_t start = static_cast<size_t>(part->body_start);
        size_t end = part->body_end == 0 ? bytes.size() : static_cast<size_t>(part->body_end);
        check(read_scratch_file("temp/x.tmp") == bytes.substr(start, end - start));
        // Decoding is fuzzed on its own; here it only has to take what the
        // walk hands it, so the first part of a list will do.
        if (part == list)
            check(decode_part_file(nullptr, "temp\\x.tmp", "temp\\y.tmp", part->encoding->text, 0,
                                   part->code_page & 1) == 0);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = [] {
        create_app_state();
        ui_install(&silent);
        return true;
    }();
    (void)ready;
    ScratchFolder scratch;
    write_scratch_file("m.eml", data, size);
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    for (StringList* preferences : {app.plain_first, app.html_first}) {
        PartRecord* list = part_list_new();
        int best = -1;
        bool found = walk_parts("m.eml", 0, preferences, list, &best, false);
        check(found == (part_list_count(list) == 1));
        check(part_list_count(list) <= 1);
        check(found ? best >= 0 && best <= 1 : best == -1);
        check_list(list, bytes);
        part_list_free(list);
    }

    PartRecord* list = part_list_new();
    collect_attachments("m.eml", list);
    int count = part_list_count(list);
    check_list(list, bytes);
    part_list_free(list);
    check(count_attachments("m.eml") == count);
    check(extract_attachments("m.eml", nullptr, nullptr) <= count);
    return 0;
}
