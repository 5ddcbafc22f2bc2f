// Builds messages from arbitrary compose fields, text and attachment bytes,
// and checks what any reader of the file relies on: a header of well-formed
// lines that no typed text can break or extend, the private fields first,
// and a text and attachment that decode to exactly what was given.
//
// Input: one flags byte, then the sections to, cc, bcc, subject, from,
// server, reply reference, text and attachment, separated by zero bytes.
// Flags: 1 encrypt, 2 "Use BCC For Multiple Send", 4 for display, 8 an
// attachment, 16 a second text file attachment, 32 text as UTF-16 pairs.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/ui_services.h"
#include "format/attachment_files.h"
#include "format/base64.h"
#include "format/boundary.h"
#include "format/charsets.h"
#include "format/encoded_words.h"
#include "format/encryption.h"
#include "format/key_file.h"
#include "format/message_builder.h"
#include "format/quoted_printable.h"
#include "format/subject_crypt.h"
#include "fuzz/fuzz_scratch.h"

namespace {

int boxes = 0;
int count_box(WindowRef, const char*, const char*, unsigned style) {
    boxes++;
    return (style & 0xF) == UI_YESNO ? UI_ANSWER_YES : UI_ANSWER_OK;
}
const UiServices services = quiet_ui_services(count_box);

int boundary_counter = 0;
int next_boundary() { return boundary_counter++ * 7919; }

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
    std::fprintf(stderr, "%s %s\n", what, detail.substr(0, 300).c_str());
    std::abort();
}

bool valid_ascii(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string without_line_breaks(const std::string& s, size_t max) {
    std::string r = s.substr(0, max);
    for (char& c : r)
        if (c == '\r' || c == '\n') c = ' ';
    return r;
}

void check_header(const std::string& header) {
    for (size_t i = 0; i < header.size(); i++) {
        if (header[i] == '\r' && (i + 1 >= header.size() || header[i + 1] != '\n')) fail("bare CR in header");
        if (header[i] == '\n' && (i == 0 || header[i - 1] != '\r')) fail("bare LF in header");
    }
    static const char* const first[] = {"X-ZMServer: ", "X-ZMAccountIndex: ", "X-ZMAddress: ", "X-ZMRecipients: ",
                                        "X-ZMOpts: ", "From: ", "To: "};
    size_t at = 0;
    int line = 0;  // fields, their folded lines not counted
    while (at < header.size()) {
        size_t end = header.find("\r\n", at);
        std::string text = header.substr(at, end - at);
        bool fold = !text.empty() && (text[0] == '\t' || text[0] == ' ');
        if (!fold && line < 7 && text.rfind(first[line], 0) != 0) fail("field out of place", text);
        size_t colon = text.find(':');
        if (!fold && (colon == std::string::npos || colon == 0)) fail("line that is no field", text);
        for (size_t i = 0; !fold && i < colon; i++)
            if (text[i] <= ' ' || text[i] > '~') fail("bad field name", text);
        if (!fold && text.rfind("Bcc", 0) == 0) fail("hidden recipients in the header");
        at = end + 2;
        if (!fold) line++;
    }
}

std::string decode_qp(const std::string& encoded) {
    write_scratch_file("part.qp", reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size());
    if (qp_decode_file("part.qp", "part.txt") != 0) fail("qp decode");
    return read_scratch_file("part.txt");
}

std::string decode_base64(const std::string& encoded) {
    write_scratch_file("part.b64", reinterpret_cast<const uint8_t*>(encoded.data()), encoded.size());
    if (base64_decode_file("part.b64", "part.bin") != 0) fail("base64 decode");
    return read_scratch_file("part.bin");
}

std::string text_as_written(const std::u16string& units) {
    bool utf8 = false;
    for (char16_t u : units) utf8 = utf8 || u > 0xFF;
    std::string bytes;
    for (char16_t u : units) {
        if (!utf8) bytes += static_cast<char>(u);
        else if (u < 0x80) bytes += static_cast<char>(u);
        else if (u < 0x800) {
            bytes += static_cast<char>(0xC0 | (u >> 6));
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            bytes += static_cast<char>(0xE0 | (u >> 12));
            bytes += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            bytes += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    ui_install(&services);
    boundary_numbers_install(next_boundary);
    ScratchFolder scratch;
    std::string key;
    for (int i = 0; i < 32; i++) key += static_cast<char>(i * 13 + 1);
    write_scratch_file("bfkey.dat", reinterpret_cast<const uint8_t*>(key.data()), key.size());
    if (read_message_key() != KEY_FILE_LOADED) std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 20000) return 0;
    ScratchFolder scratch;
    int flags = data[0];
    std::vector<std::string> sections(9);
    size_t section = 0;
    for (size_t i = 1; i < size; i++) {
        if (data[i] == 0 && section < 8) section++;
        else sections[section] += static_cast<char>(data[i]);
    }
    std::u16string text;
    const std::string& t = sections[7];
    if (flags & 32) {
        // Pairs of bytes as units, surrogates left out (the editor never
        // gives unpaired ones to a message the check can compare).
        for (size_t i = 0; i + 1 < t.size(); i += 2) {
            auto u = static_cast<char16_t>(static_cast<unsigned char>(t[i]) | static_cast<unsigned char>(t[i + 1]) << 8);
            if (u < 0xD800 || u > 0xDFFF) text += u;
        }
    } else {
        for (char c : t) text += static_cast<char16_t>(static_cast<unsigned char>(c));
    }

    ComposeText source{text.data(), text.size(), false};
    ComposeFields f;
    f.window_number = 5;
    f.to = sections[0].c_str();
    f.cc = sections[1].c_str();
    f.bcc = sections[2].c_str();
    f.subject = sections[3].c_str();
    f.from = sections[4].c_str();
    f.server = sections[5].c_str();
    f.reply_reference = sections[6].c_str();
    f.encrypt = flags & 1;
    f.bcc_multiple = flags & 2;
    f.write_text = write_compose_text;
    f.text_source = &source;
    const std::string& attachment = sections[8];
    std::vector<std::string> attached;
    if (flags & 8) {
        write_scratch_file("attach.bin", reinterpret_cast<const uint8_t*>(attachment.data()), attachment.size());
        if (add_attachment(nullptr, 5, &f.attachment_count, "attach.bin", f.encrypt, nullptr) != 0) fail("add");
        attached.push_back(attachment);
    }
    if (flags & 16) {
        std::string second = sections[3] + "\r\n" + sections[0];
        write_scratch_file("second.txt", reinterpret_cast<const uint8_t*>(second.data()), second.size());
        if (add_attachment(nullptr, 5, &f.attachment_count, "second.txt", f.encrypt, nullptr) != 0) fail("add");
        attached.push_back(second);
    }

    boxes = 0;
    std::remove("out.eml");
    int result = build_message_file(&f, "out.eml", flags & 4);
    if (result != 0) {
        if (boxes == 0) fail("failure without a message");
        return 0;
    }
    std::string message = read_scratch_file("out.eml");
    size_t header_end = message.find("\r\n\r\n");
    if (header_end == std::string::npos) fail("no header end");
    std::string header = message.substr(0, header_end + 2);
    check_header(header);

    // The subject's value with its folded lines; beyond ASCII it is UTF-8
    // (text that is not is read in the system's code page), cut at a
    // character: 80 characters as encoded words, 98 bytes enciphered.
    size_t s = header.find("\r\nSubject: ") + 11;
    size_t e = s;
    while ((e = header.find("\r\n", e)) != std::string::npos && e + 2 < header.size() && header[e + 2] == ' ') e += 2;
    std::string subject = header.substr(s, e - s);
    std::string typed = raw_header_text_to_utf8(without_line_breaks(sections[3], std::string::npos));
    if (f.encrypt) {
        Array* plain = array_new(200);
        if (decrypt_subject(subject.c_str(), plain) != 0) fail("subject does not decrypt", subject);
        if (std::string(plain->text) != utf8_within(utf8_prefix(typed, 98), 98)) fail("subject differs");
        delete_arrays(plain);
    } else if (valid_ascii(sections[3])) {
        if (subject != without_line_breaks(sections[3], 80)) fail("subject differs", subject);
    } else {
        // Cut to ASCII it is written as it is, else as words alone.
        std::string cut = utf8_prefix(typed, 80);
        if (valid_ascii(cut) ? subject != cut : decode_header_text(subject) != cut) fail("encoded subject differs", subject);
    }

    std::string body = message.substr(header_end + 4);
    std::string expected = text_as_written(text);
    std::string text_part = body;
    std::vector<std::string> parts;
    if (f.attachment_count > 0) {
        const std::string type = "\r\nContent-Type: multipart/mixed; boundary=\"";
        size_t b = header.find(type);
        if (b == std::string::npos) fail("no multipart type");
        b += type.size();
        std::string delimiter = "--" + header.substr(b, header.find('"', b) - b);
        if (body.rfind(delimiter + "\r\n", 0) != 0) fail("first delimiter not at the body's start");
        std::string close = "\r\n" + delimiter + "--\r\n";
        if (body.size() < close.size() || body.compare(body.size() - close.size(), close.size(), close) != 0)
            fail("no close delimiter at the end");
        std::string inner = body.substr(0, body.size() - close.size());
        size_t at = 0;
        while (true) {
            size_t next = inner.find("\r\n" + delimiter + "\r\n", at);
            std::string piece = inner.substr(at + delimiter.size() + 2, next == std::string::npos ? std::string::npos
                                                                                      : next - at - delimiter.size() - 2);
            size_t blank = piece.find("\r\n\r\n");
            if (blank == std::string::npos) fail("part without header");
            parts.push_back(piece.substr(blank + 4));
            if (next == std::string::npos) break;
            at = next + 2;
        }
        if (parts.size() != attached.size() + 1) fail("part count");
        text_part = parts[0];
    }
    if (f.encrypt) {
        std::string enciphered = decode_base64(text_part);
        write_scratch_file("text.enc", reinterpret_cast<const uint8_t*>(enciphered.data()), enciphered.size());
        if (decrypt_file("text.enc", "text.out", 1) != 0) fail("text does not decrypt");
        if (read_scratch_file("text.out") != expected) fail("decrypted text differs");
    } else {
        std::erase(expected, '\0');
        if (decode_qp(text_part) != expected) fail("text differs");
    }
    for (size_t i = 0; i < attached.size(); i++) {
        std::string bytes = decode_base64(parts[i + 1]);
        if (f.encrypt) {
            write_scratch_file("att.enc", reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
            if (decrypt_file("att.enc", "att.out", 1) != 0) fail("attachment does not decrypt");
            bytes = read_scratch_file("att.out");
        }
        if (bytes != attached[i]) fail("attachment differs");
    }
    return 0;
}
