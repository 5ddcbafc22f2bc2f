#include "format/html_stream.h"

bool html_input_fill(HtmlInput* in) {
    if (in->ended) return false;
    in->at = 0;
    in->end = std::fread(in->bytes, 1, sizeof in->bytes, in->file);
    if (in->end == 0) in->ended = true;
    return in->end != 0;
}

void html_output_flush(HtmlOutput* out) {
    if (out->used != 0 && std::fwrite(out->bytes, 1, out->used, out->file) != out->used) out->failed = true;
    out->used = 0;
}

void html_puts(HtmlOutput* out, const char* text) {
    for (; *text; ++text) html_putc(out, *text);
}
