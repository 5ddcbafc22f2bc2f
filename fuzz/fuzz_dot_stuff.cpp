// The message text between DATA and the final dot: whatever the message
// holds and however it is cut into pieces, the only end of the data is the
// one sent last, and undoing the stuffing gives the message back.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "transport/smtp_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const size_t piece = 1 + data[0] % 64;
    const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);

    DotStuffing state;
    std::string stuffed;
    for (size_t at = 0; at < text.size(); at += piece) {
        size_t n = text.size() - at < piece ? text.size() - at : piece;
        std::string out(2 * n, '\0');
        out.resize(dot_stuff(&state, text.data() + at, n, out.data()));
        stuffed += out;
    }

    // After DATA the text starts at the beginning of a line.
    const std::string wire = "\r\n" + stuffed + data_end(state);
    if (wire.find("\r\n.\r\n") != wire.size() - 5) std::abort();

    // Every dot that begins a line has a second one behind it; taking one
    // away gives the message again.
    std::string back;
    bool line_start = true;
    for (size_t i = 0; i < stuffed.size(); i++) {
        char c = stuffed[i];
        if (line_start && c == '.') {
            if (i + 1 >= stuffed.size() || stuffed[i + 1] != '.') std::abort();
            i++;
        }
        back += c;
        line_start = c == '\n';
    }
    if (back != text) std::abort();
    return 0;
}
