// Converts arbitrary bytes as HTML: the conversion must end, write at most
// 29 bytes for each byte read (a cut rule tag "<hr" is the most a few bytes
// can make: 86 bytes from 3), and copy text without "<", "&" or white space
// unchanged (checked on the input with those bytes taken out).
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "format/html_to_text.h"
#include "fuzz/fuzz_scratch.h"

namespace {

std::string folder;

bool plain(char c) { return c != '<' && c != '&' && c != ' ' && (c < '\t' || c > '\r'); }

std::string convert(const std::string& html) {
    const std::string in = folder + "/in.html", out = folder + "/out.txt";
    write_scratch_file(in.c_str(), reinterpret_cast<const uint8_t*>(html.data()), html.size());
    if (html_to_text(in.c_str(), out.c_str()) != 0) std::abort();
    return read_scratch_file(out.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = make_memory_scratch_folder("html");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string html(reinterpret_cast<const char*>(data), size);
    std::string text = convert(html);
    if (text.size() > 29 * size) {
        std::fprintf(stderr, "%zu bytes of text from %zu bytes of HTML\n", text.size(), size);
        std::abort();
    }
    std::string letters;
    for (char c : html)
        if (plain(c)) letters += c;
    if (convert(letters) != letters) {
        std::fprintf(stderr, "text without markup or white space was changed\n");
        std::abort();
    }
    return 0;
}
