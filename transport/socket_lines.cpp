#include "transport/socket_lines.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// The most bytes a body takes from the connection in one receive.
constexpr int body_chunk = 16384;
// Replies that keep coming are no reply: the read ends rather than loops.
constexpr int smtp_reply_limit = 65536;

}  // namespace

int read_reply(MailSession& s, ReplyShape shape, int longest, const ReplyLine& visit) {
    char line[line_capacity];
    if (longest > line_capacity - 1) longest = line_capacity - 1;
    int length = 0;
    int position = 0;  // in the line as received, zero bytes and all
    char fourth = 0;
    bool first = true;
    for (int total = 0;; total++) {
        if (shape == ReplyShape::smtp && total >= smtp_reply_limit) return -1;
        char c;
        if (!s.next_byte(&c)) return -1;
        if (position++ == 3) fourth = c;
        if (c != '\n') {
            if (c == 0) continue;
            if (length < longest) {
                line[length++] = c;
            } else if (shape == ReplyShape::line) {
                // A line that cannot end inside the buffer is no reply we can read.
                line[length] = 0;
                visit(line, length, first);
                return -1;
            }
            continue;
        }
        if (length < longest) line[length++] = c;
        line[length] = 0;
        if (!visit(line, length, first)) return -1;
        bool last = false;
        switch (shape) {
        case ReplyShape::line: last = true; break;
        case ReplyShape::pop3: last = (first && line[0] == '-') || line[0] == '.'; break;
        case ReplyShape::smtp: last = fourth != '-'; break;
        }
        if (last) return 0;
        first = false;
        length = position = 0;
        fourth = 0;
    }
}

int recv_line(MailSession& s, Array* line) {
    array_clear(line);
    return read_reply(s, ReplyShape::line, line->capacity - 1, [line](const char* text, int length, bool) {
        std::memcpy(line->chars, text, static_cast<size_t>(length));
        return true;
    });
}

int send_command(MailSession& s, const char* text) {
    if (s.send_all(text, static_cast<int>(std::strlen(text))) == 0) return 0;
    s.status.error("Socket error on send.\r\n");
    return -1;
}

int send_pop3_command(MailSession& s, const char* text, bool send_only) {
    if (send_command(s, text) != 0) return -1;
    if (send_only) return 0;
    Array* reply = array_new(line_capacity);
    int result = 0;
    if (recv_line(s, reply) != 0) {
        s.status.error("receiveline error\r\n");
        result = -1;
    } else if (reply->text[0] != '+') {
        s.status.error(reply->text);
        s.status.error("\r\nIncorrect response from server.\r\n");
        result = -1;
    }
    delete_arrays(reply);
    return result;
}

namespace {

// The scan of one body: every byte passes through a window as long as the
// terminator before it reaches the file, so the terminator itself never
// does. What leaves the window at the start of a line and is a dot is a
// POP3 stuffing dot.
struct BodyScan {
    const BodyTransfer* t;
    size_t window_size;
    char window[64] = {};
    size_t seen = 0;
    bool leaving_at_line_start;
    size_t primed = 0;  // line-end bytes put in ahead of the body, never written
    size_t oldest = 0;  // the ring's oldest byte

    bool ends_window() const {
        for (size_t j = 0, at = oldest; j < window_size; j++, at = at + 1 == window_size ? 0 : at + 1)
            if (window[at] != t->terminator[j]) return false;
        return true;
    }

    // A POP3 body follows its status line's CR LF, so a dot line straight
    // away ends an empty body: the window starts as if it had seen them.
    void prime_line_end() {
        if (window_size < 2) return;
        window[window_size - 2] = '\r';
        window[window_size - 1] = '\n';
        seen = primed = 2;
    }

    // Scans n bytes into `out`; returns how many went there, and sets `done`
    // when the terminator is complete. `used` gets how many bytes were
    // scanned: those after the terminator were not.
    size_t scan(const char* bytes, int n, char* out, bool* done, int* used) {
        size_t written = 0;
        int i = 0;
        const char last = t->terminator[window_size - 1];
        for (; i < n && !*done; i++) {
            // The window is a ring: `oldest` is where the byte leaving it
            // stands, and the new byte takes its place.
            char leaving = window[oldest];
            window[oldest] = bytes[i];
            oldest = oldest + 1 == window_size ? 0 : oldest + 1;
            if (++seen > window_size + primed && leaving != 0) {
                bool stuffing = t->dot_stuffed && leaving_at_line_start && leaving == '.';
                if (!stuffing) out[written++] = leaving;
                leaving_at_line_start = leaving == '\n';
            }
            // Only a byte that can end the terminator is worth comparing for.
            if (bytes[i] == last && seen >= window_size) *done = ends_window();
        }
        *used = i;
        return written;
    }
};

}  // namespace

int recv_body_to_file(std::FILE* file, MailSession& s, const BodyTransfer& t) {
    BodyScan body{&t, std::strlen(t.terminator), {}, 0, t.at_line_start};
    if (body.window_size == 0 || body.window_size >= sizeof body.window) return BODY_FAILED;
    if (t.dot_stuffed && t.at_line_start) body.prime_line_end();
    std::vector<char> chunk(body_chunk);
    std::vector<char> out(body_chunk);
    long long counter = 0;
    int steps = 0;
    const int step_bytes = t.step_bytes > 0 ? t.step_bytes : 1;
    int result = BODY_FAILED;
    bool done = false;
    int used = 0;
    while (!done) {
        if (s.status.skip_pressed()) {
            result = BODY_SKIPPED;
            break;
        }
        int n = s.recv(chunk.data(), body_chunk);
        if (n <= 0) break;  // a closed or failed connection ends the body short
        counter += n;
        size_t written = body.scan(chunk.data(), n, out.data(), &done, &used);
        // What follows the terminator is the next reply's.
        if (done) s.unread(chunk.data() + used, n - used);
        // The steps this chunk made, told in one call.
        int due = static_cast<int>(counter / step_bytes);
        counter %= step_bytes;
        if (steps < t.step_count) s.status.progress_advance(std::min(due, t.step_count - steps));
        steps += due;
        if (written && std::fwrite(out.data(), 1, written, file) != written) return BODY_FAILED;
    }
    if (done) result = BODY_COMPLETE;
    if (steps < t.step_count) s.status.progress_advance(t.step_count - steps);
    return result;
}
