#include "transport/socket_lines.h"
#include "transport/stream.h"

#include <algorithm>
#include <cstring>

namespace {

int send_command(Socket s, const char* text, WindowRef status_window) {
    if (send_all(s, text, static_cast<int>(std::strlen(text))) != 0) {
        status_append(status_window, "Socket error on send.\r\n");
        return -1;
    }
    return 0;
}

// Sends the command and reads the reply line; its first byte comes back.
int command_reply(Socket s, const char* text, WindowRef status_window, Array* reply, char* first) {
    if (send_command(s, text, status_window) != 0) return -1;
    *first = 0;
    if (recv_line(s, reply, first) != 0) {
        status_append(status_window, "receiveline error\r\n");
        return -1;
    }
    return 0;
}

}  // namespace

int send_all(Socket s, const char* data, int length) {
    while (length > 0) {
        int n = stream_send(s, data, length);
        if (n <= 0) return -1;
        data += n;
        length -= n;
    }
    return 0;
}

int recv_line(Socket s, Array* line, char* first_byte) {
    array_clear(line);
    char chunk[line_kept + 1];
    size_t length = 0;
    while (!std::memchr(line->text, '\n', length)) {
        // A line that cannot end inside the buffer is no reply we can read.
        if (static_cast<int>(length) >= line->capacity - 1) return -1;
        std::memset(chunk, 0, sizeof chunk);
        int n = stream_recv(s, chunk, line_kept);
        if (first_byte && *first_byte == 0 && n > 0) *first_byte = chunk[0];
        if (n <= 0) return -1;
        size_t room = static_cast<size_t>(line->capacity) - length - 1;
        size_t take = std::strlen(chunk);
        if (take > room) take = room;
        std::memcpy(line->chars + length, chunk, take);
        length += take;
    }
    return 0;
}

int send_smtp_command(Socket s, const char* text, WindowRef status_window, bool send_only) {
    if (send_only) return send_command(s, text, status_window);
    Array* reply = array_new(line_capacity);
    char first = 0;
    int result = command_reply(s, text, status_window, reply, &first);
    if (result == 0 && first != '2' && first != '3') {
        status_append(status_window, reply->text);
        result = -1;
    }
    delete_arrays(reply);
    return result;
}

int send_pop3_command(Socket s, const char* text, WindowRef status_window, bool send_only) {
    if (send_only) return send_command(s, text, status_window);
    Array* reply = array_new(line_capacity);
    char first = 0;
    int result = command_reply(s, text, status_window, reply, &first);
    if (result == 0 && first != '+') {
        status_append(status_window, reply->text);
        status_append(status_window, "\r\nIncorrect response from server.\r\n");
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

int recv_body_to_file(std::FILE* file, Socket s, BodyTransfer* t) {
    BodyScan body{t, std::strlen(t->terminator), {}, 0, t->at_line_start};
    if (body.window_size == 0 || body.window_size >= sizeof body.window) return BODY_FAILED;
    if (t->dot_stuffed && t->at_line_start) body.prime_line_end();
    char chunk[body_chunk + 1];
    char out[body_chunk + 1];
    long long counter = 0;
    int steps = 0;
    const int step_bytes = t->step_bytes > 0 ? t->step_bytes : 1;
    int result = BODY_FAILED;
    bool done = false;
    int used = 0;
    t->rest_length = 0;
    // What follows the terminator is kept for the next reply, as far as the
    // room for it goes.
    auto keep_rest = [t](const char* bytes, int length) {
        if (!t->rest || length <= 0) return true;
        if (length > t->rest_capacity) return false;
        std::memmove(t->rest, bytes, static_cast<size_t>(length));
        t->rest_length = length;
        return true;
    };
    for (int at = 0; at < t->pending_length && !done; at += body_chunk) {
        int n = t->pending_length - at < body_chunk ? t->pending_length - at : body_chunk;
        size_t written = body.scan(t->pending + at, n, out, &done, &used);
        if (written && std::fwrite(out, 1, written, file) != written) return BODY_FAILED;
        if (done && !keep_rest(t->pending + at + used, t->pending_length - at - used)) return BODY_FAILED;
    }
    while (!done) {
        if (skip_pressed(t->status_window)) {
            result = BODY_SKIPPED;
            break;
        }
        int n = stream_recv(s, chunk, body_chunk);
        if (n <= 0) break;  // a closed or failed connection ends the body short
        counter += n;
        size_t written = body.scan(chunk, n, out, &done, &used);
        if (done && !keep_rest(chunk + used, n - used)) return BODY_FAILED;
        // The steps this chunk made, told in one call.
        int due = static_cast<int>(counter / step_bytes);
        counter %= step_bytes;
        if (steps < t->step_count) progress_advance(t->status_window, std::min(due, t->step_count - steps));
        steps += due;
        if (written && std::fwrite(out, 1, written, file) != written) return BODY_FAILED;
    }
    if (done) result = BODY_COMPLETE;
    if (steps < t->step_count) progress_advance(t->status_window, t->step_count - steps);
    return result;
}
