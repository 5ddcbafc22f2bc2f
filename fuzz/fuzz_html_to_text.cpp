// Converts arbitrary bytes as HTML, in a code page chosen by the first
// byte: the conversion must end, write at most 29 bytes for each byte read
// (a rule tag "<hr>" is the most a few bytes can make: 86 bytes from 4),
// copy text without "<", "&", NUL or white space unchanged (checked on the
// input with those bytes taken out), and show nothing of a style sheet
// (checked on the input with every "/" taken out, after "<style>").
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "format/html_to_text.h"
#include "fuzz/fuzz_scratch.h"

namespace {

std::string folder;

constexpr int code_pages[] = {65001, 1252, 28591, 20127, 1251, 932};

bool plain(char c) { return c != '<' && c != '&' && c != ' ' && c != 0 && (c < '\t' || c > '\r'); }

std::string convert(const std::string& html, int code_page) {
    const std::string in = folder + "/in.html", out = folder + "/out.txt";
    write_scratch_file(in.c_str(), reinterpret_cast<const uint8_t*>(html.data()), html.size());
    if (html_to_text(in.c_str(), out.c_str(), code_page) != 0) std::abort();
    return read_scratch_file(out.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    folder = make_memory_scratch_folder("html");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    int code_page = code_pages[data[0] % (sizeof code_pages / sizeof code_pages[0])];
    std::string html(reinterpret_cast<const char*>(data + 1), size - 1);
    std::string text = convert(html, code_page);
    if (text.size() > 29 * html.size()) {
        std::fprintf(stderr, "%zu bytes of text from %zu bytes of HTML\n", text.size(), html.size());
        std::abort();
    }
    std::string letters;
    for (char c : html)
        if (plain(c)) letters += c;
    if (convert(letters, code_page) != letters) {
        std::fprintf(stderr, "text without markup or white space was changed\n");
        std::abort();
    }
    std::string sheet = "<style>";
    for (char c : html)
        if (c != '/') sheet += c;
    if (!convert(sheet, code_page).empty()) {
        std::fprintf(stderr, "the content of a style element was shown\n");
        std::abort();
    }
    return 0;
}
