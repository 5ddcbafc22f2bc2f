#include "transport/smtp_reply.h"

#include <cctype>
#include <cstring>

#include "transport/socket_lines.h"

namespace {

constexpr int kept_limit = 515;

}  // namespace

int smtp_read_reply(MailSession& s, Array* reply) {
    array_clear(reply);
    int keep = reply->capacity - 1 < kept_limit ? reply->capacity - 1 : kept_limit;
    int kept = 0;
    return read_reply(s, ReplyShape::smtp, line_capacity - 1, [&](const char* line, int length, bool) {
        int take = length < keep - kept ? length : keep - kept;
        std::memcpy(reply->chars + kept, line, static_cast<size_t>(take));
        kept += take;
        return true;
    });
}

int smtp_command_reply(MailSession& s, const char* text, Array* reply) {
    array_clear(reply);
    if (send_command(s, text) != 0) return -1;
    if (smtp_read_reply(s, reply) != 0) {
        s.status.error("receiveline error\r\n");
        return -1;
    }
    return 0;
}

int smtp_command(MailSession& s, const char* text, bool send_only) {
    if (send_only) return send_command(s, text);
    Array* reply = array_new(line_capacity);
    int result = smtp_command_reply(s, text, reply);
    if (result == 0 && reply->text[0] != '2' && reply->text[0] != '3') {
        s.status.error(reply->text);
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
