#include "format/attachment_forward.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/ascii_case.h"
#include "format/attachment_files.h"
#include "format/base64.h"
#include "format/charsets.h"
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
    std::FILE *in, *out;
    if (!codec_open_files(body_path, output_path, nullptr, nullptr, &in, &out)) return -1;
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

int forward_attachments(const char* message_path, WindowRef window, const AttachmentLine* line, bool window_encrypts,
                        bool* message_encrypted) {
    int encrypted = is_encrypted_message(message_path);
    if (message_encrypted) *message_encrypted = encrypted != 0;
    int w = window_number(window);
    Array* extract = array_new(100);
    Array* decoded = array_new(100);
    Array* decrypted = array_new(100);
    Array* plain = array_new(100);
    Array* cipher = array_new(100);
    Array* target = array_new(100);
    Array* name = array_new(104);
    temp_file_name(extract, "extract", w);
    temp_file_name(decoded, "decoded", w);
    temp_file_name(decrypted, "decrypted", w);
    temp_file_name(plain, "plainatt", w);
    temp_file_name(cipher, "fwdcrypt", w);
    struct Walk {
        const AttachmentLine* line;
        WindowRef owner;
        int window;
        int encrypted;
        bool encrypt;
        Array *extract, *decoded, *decrypted, *plain, *cipher, *target, *name;
        int count;
    } walk{line, window, w, encrypted, window_encrypts, extract, decoded, decrypted, plain, cipher, target, name, 0};
    for_each_attachment(message_path, extract->text, [](void* context, const PartRecord* part, int, bool extracted) {
        auto* k = static_cast<Walk*>(context);
        if (!extracted) return true;
        // The name becomes a header line: no line break may come with it.
        array_copy(k->name, part->file_name->text);
        for (char* c = k->name->chars; *c; c++)
            if (static_cast<unsigned char>(*c) < 0x20) *c = '_';
        attachment_file_name(k->target, k->window, k->count);
        // The name on the line is the one on disk; the builder takes UTF-8.
        const std::string marker_name = system_text_to_utf8(k->name->text);
        int written;
        if (k->encrypted || (!k->encrypt && is_base64(part->encoding->text))) {
            // An encrypted message's parts are base64 of cipher text already:
            // they stay encrypted, and the window must encrypt to match.
            written = write_marked(marker_name.c_str(), k->extract->text, k->target->text);
        } else {
            written = decode_part_stages(k->extract->text, k->plain->text, part->encoding->text, 0, false,
                                         k->decoded->text, k->decrypted->text);
            // A window that encrypts sends every attachment as cipher text;
            // one taken over in the clear could not be decoded at the other
            // end, where the whole message is read as encrypted.
            const char* source = k->plain->text;
            if (written == 0 && k->encrypt) {
                written = encrypt_file(k->owner, k->plain->text, k->cipher->text);
                source = k->cipher->text;
            }
            if (written == 0) written = base64_encode_file(source, k->target->text, marker_name.c_str());
        }
        if (written != 0) return true;
        k->count++;
        if (k->line && k->line->append) {
            array_printf_at(k->name, static_cast<int>(std::strlen(k->name->text)), "  ");
            k->line->append(k->line->context, k->name->text);
        }
        return true;
    }, &walk);
    delete_arrays(extract, decoded, decrypted, plain, cipher, target, name);
    return walk.count;
}
