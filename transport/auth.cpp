#include "transport/auth.h"

#include "core/arrays.h"
#include "transport/auth_responses.h"
#include "transport/socket_lines.h"

int auth_cram_md5(MailSession& s, const char* user, const char* password, CommandFunction command) {
    if (command(s, "auth cram-md5\r\n", true) != 0) return 0;
    Array* challenge = array_new(line_capacity);
    Array* response = array_new(cram_md5_line_capacity);
    int accepted = 0;
    if (recv_line(s, challenge) == 0) {
        // A challenge is a go-ahead ("+" in POP3 and IMAP, 334 in SMTP);
        // anything else ("-ERR", 4xx or 5xx, a tagged NO) refuses the
        // mechanism: that is the end of this login, not a challenge to answer.
        char first = challenge->text[0];
        if (first != '+' && first != '3') {
            s.status.error(challenge->text);
        } else if (cram_md5_response_line(user, password, challenge->text, response) == 0) {
            accepted = command(s, response->text, false) == 0 ? 1 : 0;
        }
    }
    delete_arrays(challenge, response);
    return accepted;
}

int auth_plain(MailSession& s, const char* user, const char* password, CommandFunction command) {
    if (command(s, "auth plain\r\n", false) != 0) return 0;
    Array* text = array_new(plain_text_capacity);
    Array* line = array_new(plain_text_capacity + 2);
    int accepted = 0;
    if (plain_response(user, password, text) == 0) {
        array_printf(line, "%.270s\r\n", text->text);
        accepted = command(s, line->text, false) == 0 ? 1 : 0;
    }
    delete_arrays(text, line);
    return accepted;
}
