#include "format/html_to_text.h"

#include <cstdio>
#include <memory>

#include "core/sys_files.h"

namespace {

// Bytes of 128 and above are letters of some code page, never white space.
bool is_white(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

void read_tag(char* buffer, int size, HtmlInput* in) {
    // "<", the kept text, ">" and the zero must all fit in the buffer.
    int keep = size - 3;
    int length = 0;
    buffer[length++] = '<';
    for (int c; (c = html_getc(in)) != -1 && c != '>';)
        if (length - 1 < keep) buffer[length++] = static_cast<char>(c);
    buffer[length++] = '>';
    buffer[length] = 0;
}

void read_entity(char* buffer, int size, HtmlInput* in) {
    int keep = size - 2;
    int length = 0;
    for (int c; (c = html_getc(in)) != -1 && c != ';';) {
        if (length >= keep) continue;
        if (c == ' ') {
            buffer[length++] = '&';
            buffer[length++] = ' ';
            break;
        }
        buffer[length++] = static_cast<char>(c);
    }
    buffer[length] = 0;
}

int html_to_text(const char* input_path, const char* output_path) {
    auto in = std::make_unique<HtmlInput>();
    in->file = sys_fopen(input_path, "rb");
    if (!in->file) {
        std::printf("\nCan't open this HTML file. Is your path correct?");
        return -1;
    }
    auto out = std::make_unique<HtmlOutput>();
    out->file = sys_fopen(output_path, "wb");
    if (!out->file) {
        std::printf("\nERROR-Unable to create %s\n", output_path);
        std::fclose(in->file);
        return -1;
    }
    char buffer[html_buffer_size];
    // White space is written only when this has just become 1. It never
    // needs to count past 2, so an endless run cannot overflow it.
    int spaces = 0;
    for (int c; (c = html_getc(in.get())) != -1;) {
        if (c == '<') {
            read_tag(buffer, html_buffer_size, in.get());
            spaces = convert_tag(buffer, out.get());
        } else if (c == '&') {
            read_entity(buffer, html_buffer_size, in.get());
            html_puts(out.get(), entity_text(buffer));
        } else if (is_white(c)) {
            if (spaces < 2 && ++spaces == 1) html_putc(out.get(), ' ');
        } else {
            html_putc(out.get(), static_cast<char>(c));
            spaces = 0;
        }
    }
    std::fclose(in->file);
    html_output_flush(out.get());
    bool good = !out->failed && std::ferror(out->file) == 0;
    if (std::fclose(out->file) != 0) good = false;
    return good ? 0 : -1;
}
