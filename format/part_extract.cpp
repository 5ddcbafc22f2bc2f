#include "format/part_extract.h"

#include <cstdio>

#include "core/file_reads.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/codec_io.h"
#include "format/mime_walk.h"

namespace {

// Attachments run to many megabytes: copy in large pieces.
constexpr int copy_chunk = 65536;

}  // namespace

int extract_range(const char* path, const char* output_path, const PartRecord* part) {
    if (part->body_end != 0 && part->body_end < part->body_start) {
        show_message("File format appears to be incorrect.");
        return -1;
    }
    std::FILE* out = sys_fopen(output_path, "wb");
    if (!out) {
        show_message("Could not open extracted file!");
        return -1;
    }
    // Through the file the thread holds, when it holds this one: the walk
    // that found the part read the same bytes.
    FileRead in;
    if (!file_read_open(&in, path)) {
        std::fclose(out);
        show_message("Could not open source file!");
        return -1;
    }
    // Every byte of the range is copied as it is: bodies sent in 8bit or
    // binary transfer encoding hold zero bytes and bare line ends.
    bool good = file_read_seek(&in, part->body_start);
    int64_t left = part->body_end == 0 ? -1 : part->body_end - part->body_start;
    Array* chunk = array_new(copy_chunk);
    while (good && left != 0) {
        size_t want = left < 0 || left > copy_chunk ? static_cast<size_t>(copy_chunk) : static_cast<size_t>(left);
        size_t got = 0, n = 0;
        while (got < want && (n = file_read_bytes(&in, chunk->bytes + got, want - got)) > 0) got += n;
        good = codec_write_all(out, chunk->bytes, got) && !file_read_failed(&in);
        if (left > 0) left -= static_cast<int64_t>(got);
        if (got < want) break;
    }
    delete_arrays(chunk);
    file_read_close(&in);
    return codec_close_output(out) && good ? 0 : -1;
}

bool extract_text_part(const char* path, const char* output_path, StringList* preferences, PartRecord* list) {
    int best = -1;
    if (!walk_parts(path, 0, preferences, list, &best, false)) return false;
    return extract_range(path, output_path, list) == 0;
}

int extract_next_part(const char* path, const char* output_path, const PartRecord* part) {
    if (!part || !part->next) return -1;
    return extract_range(path, output_path, part);
}

int for_each_attachment(const char* message_path, const char* extract_path, AttachmentVisit visit, void* context) {
    PartRecord* list = part_list_new();
    collect_attachments(message_path, list);
    int listed = 0;
    for (PartRecord* part = list; part->next; part = part->next) listed++;
    int index = 0;
    for (PartRecord* part = list; part->next; part = part->next) {
        bool extracted = extract_next_part(message_path, extract_path, part) == 0;
        if (!visit(context, part, ++index, extracted)) break;
    }
    part_list_free(list);
    return listed;
}
