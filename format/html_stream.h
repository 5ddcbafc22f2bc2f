// The converter's byte streams. Input and output are opened in binary so
// that both builds read and write the same bytes: CR LF is read as LF and
// LF is written as CR LF here, never by the runtime's text mode, which under
// Windows would also end the input at a 0x1A byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

struct HtmlInput {
    std::FILE* file = nullptr;
    size_t at = 0;
    size_t end = 0;
    bool ended = false;
    unsigned char bytes[16384];
};

// The text goes out in the code page the viewer shows it in: the bytes of
// the HTML as they are (they are already in it), the characters of
// references encoded into it.
struct HtmlOutput {
    std::FILE* file = nullptr;
    size_t used = 0;
    bool failed = false;  // a write was refused (a full disk): the result is incomplete
    int code_page = 65001;
    int table = 0;        // 0: not looked at yet, 1: single-byte (high below), 2: ask the system
    char32_t high[128];   // the characters of bytes 128 to 255; 0 where there is none
    struct Encoded {
        char32_t code_point;
        uint8_t length;
        char bytes[11];
    } cache[64];          // the system's answers for a multi-byte code page
    char bytes[16384];
};

// Refills the buffer; false at the end of the input.
bool html_input_fill(HtmlInput* in);

// The next byte, or -1 at the end of the input. A CR directly followed by
// LF reads as one LF; any other CR is data.
inline int html_getc(HtmlInput* in) {
    if (in->at == in->end && !html_input_fill(in)) return -1;
    unsigned char c = in->bytes[in->at++];
    if (c != '\r') return c;
    if (in->at == in->end && !html_input_fill(in)) return '\r';
    if (in->bytes[in->at] != '\n') return '\r';
    ++in->at;
    return '\n';
}

void html_output_flush(HtmlOutput* out);

// One byte of text; a line feed goes out as CR LF.
inline void html_putc(HtmlOutput* out, char c) {
    if (out->used + 2 > sizeof out->bytes) html_output_flush(out);
    if (c == '\n') out->bytes[out->used++] = '\r';
    out->bytes[out->used++] = c;
}

void html_puts(HtmlOutput* out, const char* text);

// One character in the output's code page. One it lacks becomes a look-alike
// of plain ASCII where there is one (quotes, dashes, "..."), else "?".
void html_put_code_point(HtmlOutput* out, char32_t c);
