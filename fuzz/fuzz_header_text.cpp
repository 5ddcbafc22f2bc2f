// decode_header_text and decode_parameter on arbitrary header text: no
// crash, the result is valid UTF-8 when the input was ASCII, text without
// "=?" and without 8-bit bytes comes back unchanged apart from its folds,
// and the encoder's words, RFC 2231 parameters and display names read back
// as the text they were made from.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "format/address_words.h"
#include "format/charsets.h"
#include "format/encoded_words.h"

namespace {
void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::string decoded = decode_header_text(input);
    bool ascii = true;
    for (char c : input) ascii = ascii && static_cast<unsigned char>(c) < 0x80 && c != 0;
    if (ascii) {
        check(valid_utf8(decoded));
        // Unfolding may bring "=" and "?" together: the unfolded text counts.
        std::string unfolded;
        for (char c : input)
            if (c != '\r' && c != '\n') unfolded.push_back(c);
        if (unfolded.find("=?") == std::string::npos) check(decoded == unfolded);
    }
    decode_parameter(input, "filename");
    decode_parameter(input, "name");
    if (valid_utf8(input) && input.find('\0') == std::string::npos) {
        std::string folded;
        for (char c : input) folded.push_back(c == '\r' || c == '\n' ? ' ' : c);
        std::string encoded = encode_header_text(folded, 9);
        // Non-ASCII text goes out as words alone and comes back whole.
        if (encoded != folded) check(decode_header_text(encoded) == folded);
        check(decode_parameter("attachment;\r\n " + encode_parameter("filename", folded, 1), "filename") == folded);
        // A name alone (no "<", no "@") comes back as it was, less its blanks at either end.
        if (folded.find_first_of("<>@\"") == std::string::npos && encode_address_entry(folded, 4) != folded) {
            std::string name = folded;
            while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
            while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.erase(0, 1);
            check(decode_header_text(encode_address_entry(folded, 4)) == name);
        }
    }
    return 0;
}
