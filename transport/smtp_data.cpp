#include "transport/smtp_data.h"

#include <cstring>

#include "core/arrays.h"

namespace {
constexpr size_t piece = 16384;
constexpr int full_bar = 100;
}  // namespace

size_t dot_stuff(DotStuffing* state, const char* in, size_t length, char* out) {
    size_t written = 0;
    for (size_t i = 0; i < length; i++) {
        char c = in[i];
        if (state->at_line_start && c == '.') out[written++] = '.';
        out[written++] = c;
        state->at_line_start = c == '\n';
        state->after_crlf = c == '\n' && state->previous == '\r';
        state->previous = c;
    }
    return written;
}

const char* data_end(const DotStuffing& state) { return state.after_crlf ? ".\r\n" : "\r\n.\r\n"; }

int smtp_send_body(MailSession& s, std::FILE* file, int64_t size) {
    // A file under 100 bytes still has a step of one byte.
    const int64_t step_bytes = size / full_bar > 0 ? size / full_bar : 1;
    Array* in = array_new(static_cast<int>(piece));
    // Room for a piece with every byte doubled, and the end of the data.
    Array* out = array_new(static_cast<int>(piece * 2 + 6));
    DotStuffing stuffing;
    int64_t counted = 0;
    int steps = 0;
    int result = 0;
    // Each piece is held back until the next read shows whether more follows,
    // so that the last one leaves in one send with the end of the data. Sent
    // on its own, the five-byte end waits in the sender's kernel (Nagle's
    // rule) for the server's delayed acknowledgement of the piece before it:
    // about 40 ms of every message, most of a queue's sending time.
    size_t held = 0;
    size_t n = std::fread(in->chars, 1, piece, file);
    while (n > 0) {
        held = dot_stuff(&stuffing, in->text, n, out->chars);
        counted += static_cast<int64_t>(n);
        n = std::fread(in->chars, 1, piece, file);
        if (n == 0) break;
        if (s.send_all(out->text, static_cast<int>(held)) != 0) {
            s.status.error("Socket error on send().\r\n");
            result = -1;
            break;
        }
        held = 0;
        if (counted >= step_bytes) {
            int64_t due = counted / step_bytes;
            counted -= due * step_bytes;
            int taken = static_cast<int>(due < full_bar - steps ? due : full_bar - steps);
            s.status.progress_advance(taken);
            steps += taken;
        }
    }
    // A file that could not be read to its end is not the message: without
    // the end of the data the server drops what it got.
    if (result == 0 && std::ferror(file)) result = -1;
    if (result == 0) {
        const char* end = data_end(stuffing);
        const size_t end_length = std::strlen(end);
        std::memcpy(out->chars + held, end, end_length);
        if (s.send_all(out->text, static_cast<int>(held + end_length)) != 0) {
            s.status.error("Socket error on send().\r\n");
            result = -1;
        }
    }
    delete_arrays(in, out);
    s.status.progress_advance(full_bar - steps);
    return result;
}
