// The converter's byte streams. Input and output are opened in binary so
// that both builds read and write the same bytes: CR LF is read as LF and
// LF is written as CR LF here, never by the runtime's text mode, which under
// Windows would also end the input at a 0x1A byte.
#pragma once

#include <cstddef>
#include <cstdio>

struct HtmlInput {
    std::FILE* file = nullptr;
    size_t at = 0;
    size_t end = 0;
    bool ended = false;
    unsigned char bytes[16384];
};

struct HtmlOutput {
    std::FILE* file = nullptr;
    size_t used = 0;
    bool failed = false;  // a write was refused (a full disk): the result is incomplete
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
