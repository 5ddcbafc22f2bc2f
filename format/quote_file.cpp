#include "format/quote_file.h"

#include <cstdio>

#include "core/sys_files.h"
#include "format/codec_io.h"

namespace {

constexpr int piece_limit = 89;

}  // namespace

int quote_file(const char* input_path, const char* output_path) {
    std::FILE *in, *out;
    if (!codec_open_files(input_path, output_path, nullptr, nullptr, &in, &out)) return -1;
    bool good = codec_write_all(out, "> ", 2);
    char piece[piece_limit];
    int length = 0;
    for (int c; (c = std::getc(in)) != EOF;) {
        piece[length++] = static_cast<char>(c);
        if (c != '\n' && length < piece_limit) continue;
        good = codec_write_all(out, piece, static_cast<size_t>(length)) && good;
        length = 0;
        if (c == '\n') good = codec_write_all(out, "> ", 2) && good;
    }
    good = codec_write_all(out, piece, static_cast<size_t>(length)) && good;
    std::fclose(in);
    return codec_close_output(out) && good ? 0 : -1;
}
