// Converts HTML files to text as the client's text view does, for the
// corpus comparison and the benchmark.
//
//   zm_html_to_text <input> <output> [<input> <output>]...
//
// Several pairs save a Windows build the start of one process per file
// under Wine. Exit 0, or 1 with the reason on stderr.
#include <cstdio>

#include "core/sys_files.h"
#include "format/html_to_text.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc % 2 != 1) {
        std::fprintf(stderr, "usage: zm_html_to_text <input> <output> [<input> <output>]...\n");
        return 1;
    }
    for (int i = 1; i < argc; i += 2) {
        if (html_to_text(argv[i], argv[i + 1]) == 0) continue;
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
