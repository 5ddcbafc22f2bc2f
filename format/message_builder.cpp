#include "format/message_builder.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/sys_files.h"
#include "format/address_list.h"
#include "format/address_words.h"
#include "format/attachment_files.h"
#include "format/base64.h"
#include "format/boundary.h"
#include "format/build_names.h"
#include "format/charsets.h"
#include "format/codec_io.h"
#include "format/dates.h"
#include "format/message_id.h"
#include "format/encoded_words.h"
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

bool ascii(const char* text) {
    for (; *text; text++)
        if (static_cast<unsigned char>(*text) >= 0x80) return false;
    return true;
}

// The subject as typed (UTF-8; text that is not UTF-8 is read in the
// system's code page), line breaks made blanks, cut to at most `characters`
// characters and `bytes` bytes, never inside a character.
std::string typed_subject(const char* subject, size_t characters, size_t bytes) {
    std::string text;
    for (const char* p = subject; *p; p++) text.push_back(*p == '\r' || *p == '\n' ? ' ' : *p);
    return utf8_within(utf8_prefix(raw_header_text_to_utf8(text), characters), bytes);
}

// The subject line's value: the subject cut to 80 characters, or enciphered
// whole. An enciphered subject is never cut: a part of its base64 text can
// no longer be deciphered, and the subject would be lost. A subject beyond
// ASCII is cut to 80 characters, not bytes, and written as encoded words.
int subject_value(const ComposeFields* f, Array* value) {
    if (!f->encrypt && ascii(f->subject)) {
        header_safe_copy(value, f->subject, plain_subject_limit);
        return 0;
    }
    if (!f->encrypt) {
        std::string words = encode_header_text(typed_subject(f->subject, plain_subject_limit, 4 * plain_subject_limit), 9);
        array_clear(value);
        array_copy(value, words.c_str());
        return 0;
    }
    std::string plain = typed_subject(f->subject, subject_max_length, subject_max_length);
    int result = encrypt_subject(plain.c_str(), value);
    if (result != 0)
        box(f, "Could not encrypt e-mail because the encryption key file bfkey.dat does not exist.");
    return result;
}

// A "To:" or "Cc:" line: the names, display names beyond ASCII as encoded
// words, cut at a whole entry to 5999 characters.
void put_names(Output* out, const char* field, const Array* names) {
    std::string text = encode_names_text(raw_header_text_to_utf8(names->text), std::strlen(field) + 2);
    Array* value = array_new(static_cast<int>(text.size()) + 1);
    array_copy(value, text.c_str());
    cut_names(value, to_limit);
    out->put("%s: %.5999s\r\n", field, value->text);
    delete_arrays(value);
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
    const std::string address_text = address->text;
    if (char* bar = std::strchr(text->chars, '|')) *bar = 0;

    Array* server = array_new(100);
    header_safe_copy(server, f->server, 99);
    out->put("X-ZMServer: %s\r\n", server->text);
    out->put("X-ZMAccountIndex: %i\r\n", has_account ? f->account : -1);
    out->put("X-ZMAddress: %s\r\n", address->text);
    out->put("X-ZMRecipients: %s\r\n", r->addresses->text);
    out->put("X-ZMOpts: %i\r\n", options);
    out->put("From: %s\r\n", encode_address_entry(raw_header_text_to_utf8(text->text), 6).c_str());
    delete_arrays(text, address, server);

    if (recipients_check(r) != 0) {
        box(f, "Recipient address string is syntactically incorrect!");
        return -1;
    }
    if (recipients_undisclosed(r, f, for_display)) {
        out->put("To: <Undisclosed Recipients>\r\n");
    } else {
        put_names(out, "To", r->to_names);
        if (r->cc_names->text[0]) put_names(out, "Cc", r->cc_names);
    }
    out->put("Subject: %s\r\n", subject->text);
    Array* line = array_new(1030);
    format_date_field(line);
    out->put("%s\r\n", line->text);
    // Every message that goes out is known by its own id; a saved or
    // printed one gets none, so a draft takes a fresh one when it is sent.
    if (!for_display) {
        std::string id = make_message_id(address_text.c_str());
        if (!id.empty()) out->put("Message-ID: %s\r\n", id.c_str());
    }
    header_safe_copy(line, f->reply_reference, 1023);
    if (line->text[0]) out->put("In-Reply-To: %s\r\n", line->text);
    std::string references = fold_references(message_ids_of(f->reply_references));
    if (!references.empty()) out->put("References: %s\r\n", references.c_str());
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
    // Room for 80 characters of four bytes as encoded words.
    Array* subject = array_new(1024);
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
