// Converts one HTML file to text as the client's text view does, for the
// corpus comparison and the benchmark.
//
//   zm_html_to_text <input> <output>
//
// Exit 0, or 1 with the reason on stderr.
#include <cstdio>

#include "core/sys_files.h"
#include "format/html_to_text.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: zm_html_to_text <input> <output>\n");
        return 1;
    }
    if (html_to_text(argv[1], argv[2]) == 0) return 0;
    std::FILE* in = sys_fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "zm_html_to_text: cannot read %s\n", argv[1]);
        return 1;
    }
    std::fclose(in);
    std::fprintf(stderr, "zm_html_to_text: cannot write %s\n", argv[2]);
    return 1;
}
