#include "client/attachment_job.h"

#include <cstring>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/sys_time.h"
#include "core/threads.h"
#include "format/encryption.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/temp_files.h"
#include "core/window_number.h"

std::atomic<int> running_extractions{0};
std::atomic<int> extraction_stop{0};

namespace {

struct ExtractionJob {
    Array* path;
    WindowRef window;
    AttachmentLine line;
};

void append_name(const AttachmentLine* line, const char* name) {
    if (!line || !line->append) return;
    Array* text = array_new(104);
    array_copy_at(text, 0, name, 100);
    for (char* c = text->chars; *c; c++)
        if (*c == ' ') *c = '_';
    array_printf_at(text, static_cast<int>(std::strlen(text->text)), "  ");
    line->append(line->context, text->text);
    delete_arrays(text);
}

void extraction_thread(void* argument) {
    auto* job = static_cast<ExtractionJob*>(argument);
    extract_attachments(job->path->text, job->window, &job->line);
    delete_arrays(job->path);
    delete job;
    running_extractions--;
}

}  // namespace

void attachment_file_path(Array* out, int window_number, int index) {
    array_printf(out, "temp\\%iexatt%i.dat", window_number, index);
}

int extract_attachments(const char* message_path, WindowRef window, const AttachmentLine* line) {
    int encrypted = is_encrypted_message(message_path);
    if (encrypted && !message_key_loaded()) return 0;
    int w = window_number(window);
    Array* raw = array_new(100);
    Array* decoded = array_new(100);
    Array* decrypted = array_new(100);
    Array* target = array_new(100);
    // Scratch names of the extraction's own: the display and the search of
    // the same window decode through "decoded" and "decrypted" meanwhile.
    temp_file_name(raw, "att_e", w);
    temp_file_name(decoded, "att_b", w);
    temp_file_name(decrypted, "att_d", w);
    struct Walk {
        const AttachmentLine* line;
        int window;
        int encrypted;
        Array *raw, *decoded, *decrypted, *target;
        int written;
    } walk{line, w, encrypted, raw, decoded, decrypted, target, 0};
    for_each_attachment(message_path, raw->text, [](void* context, const PartRecord* part, int i, bool extracted) {
        auto* k = static_cast<Walk*>(context);
        attachment_file_path(k->target, k->window, i);
        // The names are reused for every message: a file that cannot be made
        // must not leave the previous message's attachment in its place.
        sys_remove_file(k->target->text);
        if (extracted && decode_part_stages(k->raw->text, k->target->text, part->encoding->text, k->encrypted, false,
                                            k->decoded->text, k->decrypted->text) == 0)
            k->written++;
        // The name goes on the line even when its file could not be made:
        // the line's position of a name is its file's number.
        append_name(k->line, part->file_name->text);
        return !extraction_stop.load();
    }, &walk);
    delete_arrays(raw, decoded, decrypted, target);
    return walk.written;
}

int start_attachment_extraction(const char* message_path, WindowRef window, const AttachmentLine* line) {
    auto* job = new ExtractionJob{array_new(1025), window, *line};
    array_copy_at(job->path, 0, message_path, 1024);
    running_extractions++;
    if (line->clear) line->clear(line->context);
    if (start_thread(extraction_thread, job) == -1) {
        delete_arrays(job->path);
        delete job;
        running_extractions--;
        return -1;
    }
    return 0;
}

void stop_extractions() {
    extraction_stop = 1;
    while (running_extractions.load() > 0) sys_sleep_ms(100);
    extraction_stop = 0;
}
