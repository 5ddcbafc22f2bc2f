// Converts HTML files to text as the client's text view does, for the
// corpus comparison and the benchmark.
//
//   zm_html_to_text [-c <code page>] <input> <output> [<input> <output>]...
//
// The text is written in the code page (65001, UTF-8, unless given).
// Several pairs save a Windows build the start of one process per file
// under Wine. Exit 0, or 1 with the reason on stderr.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/sys_files.h"
#include "format/html_to_text.h"

int main(int argc, char** argv) {
    int code_page = 65001;
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "-c") == 0) {
        code_page = std::atoi(argv[2]);
        first = 3;
    }
    if (argc - first < 2 || (argc - first) % 2 != 0) {
        std::fprintf(stderr, "usage: zm_html_to_text [-c <code page>] <input> <output> [<input> <output>]...\n");
        return 1;
    }
    for (int i = first; i < argc; i += 2) {
        if (html_to_text(argv[i], argv[i + 1], code_page) == 0) continue;
        std::FILE* in = sys_fopen(argv[i], "rb");
        if (!in) {
            std::fprintf(stderr, "zm_html_to_text: cannot read %s\n", argv[i]);
            return 1;
        }
        std::fclose(in);
        std::fprintf(stderr, "zm_html_to_text: cannot write %s\n", argv[i + 1]);
        return 1;
    }
    return 0;
}
