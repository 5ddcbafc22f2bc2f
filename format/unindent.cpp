#include "format/unindent.h"

#include <cstdio>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/codec_io.h"

namespace {

template <typename Char>
bool is_mark(Char c) {
    return c == '>' || c == ' ' || c == '\t';
}

template <typename Char>
bool is_line_end(Char c) {
    return c == '\r' || c == '\n';
}

// One step of the filter: whether `c` is kept, given whether it stands where
// marks are still being dropped; updates that state.
template <typename Char>
bool keep(Char c, bool* at_start) {
    if (is_line_end(c)) {
        *at_start = true;
        return true;
    }
    if (*at_start && is_mark(c)) return false;
    *at_start = false;
    return true;
}

constexpr size_t piece = 64 * 1024;

}  // namespace

std::u16string unindent_text(std::u16string_view text) {
    std::u16string out;
    out.reserve(text.size());
    bool at_start = true;
    for (char16_t c : text)
        if (keep(c, &at_start)) out.push_back(c);
    return out;
}

int unindent_file(const char* input_path, const char* output_path) {
    std::FILE* in = sys_fopen(input_path, "rb");
    if (!in) {
        ui_message_box(nullptr, "Could not open message source file.", "Zenth Mail", UI_OK);
        return -1;
    }
    std::FILE* out = sys_fopen(output_path, "wb");
    if (!out) {
        std::fclose(in);
        ui_message_box(nullptr, "Could not open message destination file.", "Zenth Mail", UI_OK);
        return -1;
    }
    Array* from = array_new(static_cast<int>(piece));
    Array* to = array_new(static_cast<int>(piece));
    bool at_start = true;
    bool good = true;
    for (;;) {
        size_t n = codec_read_full(in, from->bytes, piece);
        size_t kept = 0;
        for (size_t i = 0; i < n; i++)
            if (keep(from->chars[i], &at_start)) to->chars[kept++] = from->chars[i];
        good = codec_write_all(out, to->text, kept) && good;
        if (n < piece) break;
    }
    good = std::ferror(in) == 0 && good;
    std::fclose(in);
    good = codec_close_output(out) && good;
    delete_arrays(from, to);
    return good ? 0 : -1;
}
