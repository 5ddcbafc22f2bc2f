#include "transport/smtp_reply.h"

#include <cctype>
#include <cstring>

#include "transport/socket_lines.h"
#include "transport/stream.h"

namespace {

// Replies that keep coming are no reply: the read ends rather than loops.
constexpr int reply_limit = 65536;
constexpr int kept_limit = 515;

}  // namespace

int smtp_read_reply(Socket s, Array* reply) {
    array_clear(reply);
    int keep = reply->capacity - 1 < kept_limit ? reply->capacity - 1 : kept_limit;
    int kept = 0;
    int line_length = 0;
    char fourth = 0;
    ReplyBytes bytes(s);
    for (int total = 0; total < reply_limit; total++) {
        char c;
        if (!bytes.next(&c)) return -1;
        // A zero byte would end the text early; it has no place in a reply.
        if (c != 0 && kept < keep) reply->chars[kept++] = c;
        if (line_length == 3) fourth = c;
        line_length++;
        if (c == '\n') {
            if (fourth != '-') return 0;
            line_length = 0;
            fourth = 0;
        }
    }
    return -1;
}

int smtp_command_reply(Socket s, const char* text, WindowRef status_window, Array* reply) {
    array_clear(reply);
    if (send_all(s, text, static_cast<int>(std::strlen(text))) != 0) {
        status_append(status_window, "Socket error on send.\r\n");
        return -1;
    }
    if (smtp_read_reply(s, reply) != 0) {
        status_append(status_window, "receiveline error\r\n");
        return -1;
    }
    return 0;
}

int smtp_command(Socket s, const char* text, WindowRef status_window, bool send_only) {
    if (send_only) {
        if (send_all(s, text, static_cast<int>(std::strlen(text))) == 0) return 0;
        status_append(status_window, "Socket error on send.\r\n");
        return -1;
    }
    Array* reply = array_new(line_capacity);
    int result = smtp_command_reply(s, text, status_window, reply);
    if (result == 0 && reply->text[0] != '2' && reply->text[0] != '3') {
        status_append(status_window, reply->text);
        result = -1;
    }
    delete_arrays(reply);
    return result;
}

bool smtp_reply_lists(const char* reply, const char* keyword) {
    size_t length = std::strlen(keyword);
    for (const char* line = reply; *line; ) {
        const char* end = std::strchr(line, '\n');
        size_t size = end ? static_cast<size_t>(end - line) : std::strlen(line);
        if (size >= 4 + length) {
            bool same = true;
            for (size_t i = 0; i < length && same; i++)
                same = std::toupper(static_cast<unsigned char>(line[4 + i])) == std::toupper(static_cast<unsigned char>(keyword[i]));
            char after = 4 + length < size ? line[4 + length] : '\n';
            if (same && (after == '\r' || after == '\n' || after == ' ')) return true;
        }
        if (!end) break;
        line = end + 1;
    }
    return false;
}
