#include "store/insert_line.h"

#include <cstdio>
#include <cstring>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/temp_files.h"

namespace {

// Copies whole lines (or, with `lines` negative, everything) byte for byte.
bool copy_lines(std::FILE* in, std::FILE* out, int lines) {
    int c;
    while ((lines < 0 || lines > 0) && (c = std::fgetc(in)) != EOF) {
        if (std::fputc(c, out) == EOF) return false;
        if (c == '\n' && lines > 0) lines--;
    }
    return true;
}

}  // namespace

int insert_line(int number, const char* path, const char* destination, const char* text, int line_count) {
    Array* scratch = array_new(100);
    temp_file_name(scratch, "markfile", number);
    const char* target = destination ? destination : scratch->text;
    std::FILE* in = sys_fopen(path, "rb");
    std::FILE* out = in ? sys_fopen(target, "wb") : nullptr;
    int result = -1;
    if (in && out) {
        bool ok = copy_lines(in, out, line_count) && std::fputs(text, out) >= 0 && copy_lines(in, out, -1);
        std::fclose(in);
        in = nullptr;
        ok = std::fclose(out) == 0 && ok;
        out = nullptr;
        if (ok) result = destination ? 0 : sys_copy_file(scratch->text, path, false);
        if (!destination) sys_remove_file(scratch->text);
    }
    if (in) std::fclose(in);
    if (out) std::fclose(out);
    delete_arrays(scratch);
    return result;
}
