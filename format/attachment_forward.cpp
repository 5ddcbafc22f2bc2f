#include "format/attachment_forward.h"

#include <cstdio>
#include <cstring>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/ascii_case.h"
#include "format/base64.h"
#include "format/codec_io.h"
#include "format/encryption.h"
#include "format/mime_walk.h"
#include "format/part_decode.h"
#include "format/part_extract.h"
#include "format/temp_files.h"
#include "core/window_number.h"

namespace {

bool is_base64(const char* encoding) {
    if (!equal_nocase_n(encoding, "base64", 6)) return false;
    for (const char* rest = encoding + 6; *rest; rest++)
        if (*rest != ' ' && *rest != '\t') return false;
    return true;
}

// The marker line followed by the raw body.
int write_marked(const char* name, const char* body_path, const char* output_path) {
    std::FILE* in = sys_fopen(body_path, "rb");
    if (!in) return -1;
    std::FILE* out = sys_fopen(output_path, "wb");
    if (!out) {
        std::fclose(in);
        return -1;
    }
    bool good = std::fprintf(out, "X-ZMAttachment: %s\r\n", name) >= 0;
    Array* chunk = array_new(65536);
    for (;;) {
        size_t n = codec_read_full(in, chunk->bytes, 65536);
        good = codec_write_all(out, chunk->bytes, n) && good;
        if (n < 65536) break;
    }
    delete_arrays(chunk);
    std::fclose(in);
    return codec_close_output(out) && good ? 0 : -1;
}

}  // namespace

int forward_attachments(const char* message_path, WindowRef window, const AttachmentLine* line) {
    int encrypted = is_encrypted_message(message_path);
    int w = window_number(window);
    Array* extract = array_new(100);
    Array* decoded = array_new(100);
    Array* decrypted = array_new(100);
    Array* plain = array_new(100);
    Array* target = array_new(100);
    Array* name = array_new(104);
    temp_file_name(extract, "extract", w);
    temp_file_name(decoded, "decoded", w);
    temp_file_name(decrypted, "decrypted", w);
    temp_file_name(plain, "plainatt", w);
    PartRecord* list = part_list_new();
    collect_attachments(message_path, list);
    int count = 0;
    for (PartRecord* part = list; part->next; part = part->next) {
        // The name becomes a header line: no line break may come with it.
        array_copy(name, part->file_name->text);
        for (char* c = name->chars; *c; c++)
            if (static_cast<unsigned char>(*c) < 0x20) *c = '_';
        array_printf(target, "temp\\attachment%i%i.tmp", w, count);
        if (extract_next_part(message_path, extract->text, part) != 0) continue;
        int written;
        if (encrypted || is_base64(part->encoding->text))
            written = write_marked(name->text, extract->text, target->text);
        else
            written = decode_part_stages(extract->text, plain->text, part->encoding->text, 0, false, decoded->text,
                                         decrypted->text) == 0
                          ? base64_encode_file(plain->text, target->text, name->text)
                          : -1;
        if (written != 0) continue;
        count++;
        if (line && line->append) {
            array_printf_at(name, static_cast<int>(std::strlen(name->text)), "  ");
            line->append(line->context, name->text);
        }
    }
    part_list_free(list);
    delete_arrays(extract, decoded, decrypted, plain, target, name);
    return count;
}
