#include "format/message_builder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/accounts.h"
#include "core/sys_files.h"
#include "format/address_list.h"
#include "format/attachment_files.h"
#include "format/base64.h"
#include "format/boundary.h"
#include "format/build_names.h"
#include "format/codec_io.h"
#include "format/dates.h"
#include "format/encryption.h"
#include "format/header_text.h"
#include "format/message_text.h"
#include "format/outgoing_recipients.h"
#include "format/quoted_printable.h"
#include "format/subject_crypt.h"

namespace {

constexpr int to_limit = 5999;
constexpr int plain_subject_limit = 80;
constexpr int part_limit = 124;
// Account option bits that travel in X-ZMOpts: the login bits and how SMTP
// is secured; 32 is the builder's own.
constexpr int account_option_bits = 0x1F | ACCOUNT_SMTP_TLS | ACCOUNT_SMTP_STARTTLS;
constexpr int save_sent_bit = 0x20;
constexpr size_t copy_chunk = 64 * 1024;

void box(const ComposeFields* f, const char* text) { ui_message_box(f->window, text, "Zenth Mail", UI_OK); }

// The message file being written, with one flag for every write.
struct Output {
    std::FILE* file;
    bool good = true;
    void put(const char* format, ...) __attribute__((format(printf, 2, 3))) {
        va_list args;
        va_start(args, format);
        if (std::vfprintf(file, format, args) < 0) good = false;
        va_end(args);
    }
};

// Without a writer the message has no text.
int write_text(const ComposeFields* f, const char* path) {
    if (f->write_text) return f->write_text(f, path);
    std::FILE* empty = sys_fopen(path, "wb");
    if (!empty) return -1;
    return codec_close_output(empty) ? 0 : -1;
}

// -1 when the file cannot be opened, else whether every byte was copied.
int copy_file_into(const char* path, Output* out) {
    std::FILE* in = sys_fopen(path, "rb");
    if (!in) return -1;
    Array* buffer = array_new(static_cast<int>(copy_chunk));
    for (;;) {
        size_t n = codec_read_full(in, buffer->bytes, copy_chunk);
        if (!codec_write_all(out->file, buffer->bytes, n)) out->good = false;
        if (n < copy_chunk) break;
    }
    if (std::ferror(in)) out->good = false;
    std::fclose(in);
    delete_arrays(buffer);
    return 0;
}

int pick_boundary(const ComposeFields* f, const BuildNames* names) {
    StringList* files = string_list_new(f->attachment_count, 100);
    std::vector<const char*> paths{names->message->text};
    for (int i = 0; i < f->attachment_count; i++) {
        attachment_file_name(files->items[i], f->window_number, i);
        paths.push_back(files->items[i]->text);
    }
    int boundary = choose_boundary(f->window, paths.data(), static_cast<int>(paths.size()));
    string_list_release(files);
    delete files;
    return boundary;
}

// The subject line's value: the subject cut to 80 characters, or enciphered
// whole. An enciphered subject is never cut: a part of its base64 text can
// no longer be deciphered, and the subject would be lost.
int subject_value(const ComposeFields* f, Array* value) {
    if (!f->encrypt) {
        header_safe_copy(value, f->subject, plain_subject_limit);
        return 0;
    }
    Array* plain = array_new(subject_max_length + 1);
    header_safe_copy(plain, f->subject, subject_max_length);
    int result = encrypt_subject(plain->text, value);
    delete_arrays(plain);
    if (result != 0)
        box(f, "Could not encrypt e-mail because the encryption key file bfkey.dat does not exist.");
    return result;
}

// The text, the header, the encoded text and the attachments. `subject` is
// the caller's buffer for the subject line's value.
int write_message(const ComposeFields* f, const BuildNames* names, bool for_display, OutgoingRecipients* r,
                  Output* out, Array* subject) {
    int utf8 = write_text(f, names->message->text);
    if (utf8 < 0) {
        box(f, "getmessagetext error");
        return -1;
    }
    const char* charset = text_charset(utf8);
    const bool multipart = f->attachment_count > 0;
    int boundary = 0;
    if (multipart && (boundary = pick_boundary(f, names)) < 0) return -1;
    if (recipients_join(r, f->window) != 0) return -1;

    if (subject_value(f, subject) != 0) return -1;

    bool has_account = f->account >= 0 && account_field(f->account, ACCOUNT_NAME) != nullptr;
    int options = has_account ? account_options(f->account) & account_option_bits : 0;
    if (f->save_sent) options |= save_sent_bit;
    Array* text = array_new(256);
    Array* address = array_new(part_limit + 1);
    header_safe_copy(text, f->from, 255);
    split_address(text->text, address, nullptr, part_limit, 0, 1);
    if (char* bar = std::strchr(text->chars, '|')) *bar = 0;

    Array* server = array_new(100);
    header_safe_copy(server, f->server, 99);
    out->put("X-ZMServer: %s\r\n", server->text);
    out->put("X-ZMAccountIndex: %i\r\n", has_account ? f->account : -1);
    out->put("X-ZMAddress: %s\r\n", address->text);
    out->put("X-ZMRecipients: %s\r\n", r->addresses->text);
    out->put("X-ZMOpts: %i\r\n", options);
    out->put("From: %s\r\n", text->text);
    delete_arrays(text, address, server);

    if (recipients_check(r) != 0) {
        box(f, "Recipient address string is syntactically incorrect!");
        return -1;
    }
    if (recipients_undisclosed(r, f, for_display)) {
        out->put("To: <Undisclosed Recipients>\r\n");
    } else {
        cut_names(r->to_names, to_limit);
        out->put("To: %.5999s\r\n", r->to_names->text);
        if (r->cc_names->text[0]) {
            cut_names(r->cc_names, to_limit);
            out->put("Cc: %.5999s\r\n", r->cc_names->text);
        }
    }
    out->put("Subject: %s\r\n", subject->text);
    Array* line = array_new(1030);
    format_date_field(line);
    out->put("%s\r\n", line->text);
    header_safe_copy(line, f->reply_reference, 1023);
    if (line->text[0]) out->put("In-Reply-To: %s\r\n", line->text);
    delete_arrays(line);
    out->put("MIME-Version: 1.0\r\n");
    if (multipart) out->put("Content-Type: multipart/mixed; boundary=\"----=_NextPart_%.5i\"\r\n", boundary);
    else out->put("Content-Type: text/plain; charset=\"%.10s\"\r\n", charset);
    if (f->encrypt) out->put("Content-Transfer-Encoding: X-ZMcrypt\r\n\r\n");
    else out->put("Content-Transfer-Encoding: quoted-printable\r\n\r\n");
    if (multipart) {
        out->put("------=_NextPart_%.5i\r\n", boundary);
        out->put("Content-Type: text/plain; charset=\"%.10s\"\r\n", charset);
        if (f->encrypt) out->put("Content-Transfer-Encoding: base64\r\n\r\n");
        else out->put("Content-Transfer-Encoding: quoted-printable\r\n\r\n");
    }

    if (f->encrypt) {
        if (encrypt_file(f->window, names->message->text, names->encrypted->text) != 0) return -1;
        if (base64_encode_file(names->encrypted->text, names->encoded->text, nullptr) != 0) return -1;
    } else if (qp_encode_file(names->message->text, names->encoded->text) != 0) {
        return -1;
    }
    if (copy_file_into(names->encoded->text, out) != 0) {
        box(f, "Cannot open encoded file");
        return -1;
    }
    if (multipart && write_attachments(f, out->file, boundary) != 0) return -1;
    return 0;
}

}  // namespace

void show_path_failure(const ComposeFields* f, const char* format, const char* path) {
    Array* text = array_new(80);
    array_printf(text, format, path);
    box(f, text->text);
    delete_arrays(text);
}

int build_message(const ComposeFields* f, const BuildNames* names, bool for_display) {
    OutgoingRecipients r;
    if (recipients_read(&r, f) != 0) {
        recipients_release(&r);
        return -1;
    }
    recipients_ask_duplicates(&r, f->window);
    const char* path = names->building->text;
    std::FILE* file = sys_fopen(path, "wb");
    if (!file) {
        recipients_release(&r);
        show_path_failure(f, "Could not open %.50s!", path);
        return -1;
    }
    Output out{file};
    Array* subject = array_new(encrypted_subject_max_length + 1);
    int result = write_message(f, names, for_display, &r, &out, subject);
    bool written = codec_close_output(file) && out.good;
    if (result == 0 && !written) {
        show_path_failure(f, "Could not write %.50s!", path);
        result = -1;
    }
    delete_arrays(subject);
    recipients_release(&r);
    return result;
}


int build_message_file(const ComposeFields* fields, const char* output_path, bool for_display) {
    BuildNames names;
    build_names_claim(&names, fields->window_number);
    int result = build_message(fields, &names, for_display);
    // A new file is moved into place whole; an existing one is copied over
    // only now that the new content is complete.
    if (result == 0 && sys_rename(names.building->text, output_path) != 0 &&
        sys_copy_file(names.building->text, output_path, false) != 0) {
        show_path_failure(fields, "Could not open %.50s!", output_path);
        result = -1;
    }
    build_names_release(&names);
    return result;
}
