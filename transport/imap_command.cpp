#include "transport/imap_command.h"

#include <cctype>
#include <cstring>

#include "core/arrays.h"
#include "format/ascii_case.h"
#include "transport/socket_lines.h"

namespace {

bool quotable(std::string_view text) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u == 0 || u == '\r' || u == '\n' || u >= 0x80) return false;
    }
    return true;
}

std::string tag_of(int number) { return "A" + std::to_string(number); }

// Untagged responses one command may bring: a listing of millions of
// messages, and still an end to a server that never stops talking.
constexpr long imap_untagged_limit = 1L << 23;

// Reads past untagged responses up to a continuation or the tagged reply of
// `tag`, which is left in *r: 0, or IMAP_FAILED with the session ended and
// its text shown.
int read_to_reply(MailSession& s, const std::string& tag, const ImapUntagged& untagged, const ImapBodySink* body,
                  bool bye_expected, ImapResponse* r) {
    for (long n = 0;; n++) {
        if (n == imap_untagged_limit) {
            s.status.error("Too many responses from IMAP server.\r\n");
            s.close();
            return IMAP_FAILED;
        }
        if (imap_read_response(s, r, body) != 0) return IMAP_FAILED;
        if (r->kind == ImapResponse::CONTINUATION) return 0;
        if (r->kind == ImapResponse::UNTAGGED) {
            if (r->name == "BYE" && !bye_expected) {
                imap_ended(s, *r);
                return IMAP_FAILED;
            }
            if (untagged) untagged(*r);
            continue;
        }
        if (r->tag != tag) {
            imap_out_of_step(s);
            return IMAP_FAILED;
        }
        return 0;
    }
}

}  // namespace

int imap_await(MailSession& s, const std::string& tag, const ImapUntagged& untagged, const ImapBodySink* body,
               bool bye_expected) {
    ImapResponse r;
    if (read_to_reply(s, tag, untagged, body, bye_expected, &r) != 0) return IMAP_FAILED;
    if (r.kind == ImapResponse::CONTINUATION) return 1;
    if (r.name == "OK") return IMAP_OK;
    imap_refused(s, r);
    return IMAP_REFUSED;
}

ImapCommand& ImapCommand::word(std::string_view text) {
    pieces.back().append(" ").append(text);
    return *this;
}

ImapCommand& ImapCommand::string(std::string_view text) {
    std::string& piece = pieces.back();
    piece += ' ';
    if (quotable(text)) {
        piece += '"';
        for (char c : text) {
            if (c == '"' || c == '\\') piece += '\\';
            piece += c;
        }
        piece += '"';
        return *this;
    }
    piece += "{" + std::to_string(text.size()) + (literal_plus ? "+}\r\n" : "}\r\n");
    if (literal_plus) {
        piece.append(text);
    } else {
        pieces.emplace_back(text);
    }
    return *this;
}

void imap_out_of_step(MailSession& s) {
    s.status.error("Malformed response from IMAP server.\r\n");
    s.close();
}

void imap_refused(MailSession& s, const ImapResponse& r) {
    s.status.error(imap_response_line(r).c_str());
    s.status.error("\r\nIncorrect response from server.\r\n");
}

std::string imap_next_tag(MailSession& s) { return tag_of(++s.imap_tag); }

void imap_ended(MailSession& s, const ImapResponse& bye) {
    s.status.error(imap_response_line(bye).c_str());
    s.status.error("IMAP server ended the session.\r\n");
    s.close();
}

int imap_run(MailSession& s, const ImapCommand& command, const ImapUntagged& untagged, const ImapBodySink* body,
             bool bye_expected) {
    if (!s.is_open()) return IMAP_FAILED;
    std::string tag = imap_next_tag(s);
    for (size_t i = 0; i < command.pieces.size(); i++) {
        std::string piece = i == 0 ? tag + command.pieces[0] : command.pieces[i];
        if (i + 1 == command.pieces.size()) piece += "\r\n";
        if (send_command(s, piece.c_str()) != 0) return IMAP_FAILED;
        if (i + 1 == command.pieces.size()) break;
        // A synchronising literal goes only after the server's go-ahead.
        int r = imap_await(s, tag, untagged, nullptr, bye_expected);
        if (r != 1) return r == IMAP_OK ? IMAP_REFUSED : r;
    }
    int r = imap_await(s, tag, untagged, body, bye_expected);
    if (r == 1) {
        // Nothing of ours is waiting for a go-ahead: the server is out of step.
        imap_out_of_step(s);
        return IMAP_FAILED;
    }
    return r;
}

int imap_sasl_command(MailSession& s, const char* text, bool send_only) {
    if (!s.is_open()) return -1;
    bool start = std::strncmp(text, "auth ", 5) == 0;
    std::string line;
    if (start) {
        // The mechanism's name in capitals; an initial response after it
        // (SASL-IR) as it is.
        line = imap_next_tag(s) + " AUTHENTICATE ";
        const char* c = text + 5;
        for (; *c && *c != ' ' && *c != '\r'; c++)
            line += static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
        line += c;
    } else {
        line = text;
    }
    if (send_command(s, line.c_str()) != 0) return -1;
    if (send_only) return 0;
    int r = imap_await(s, tag_of(s.imap_tag), {}, nullptr, false);
    // The mechanism's start wants the go-ahead, its last line the tagged OK;
    // the other way round the server is out of step, and the session ends.
    if (r == 1 && start) return 0;
    if (r == IMAP_OK && !start) return 0;
    if (r == 1 || r == IMAP_OK) imap_out_of_step(s);
    return -1;
}

int imap_sasl_reply(MailSession& s, Array* reply) {
    array_clear(reply);
    ImapResponse r;
    if (!s.is_open() || read_to_reply(s, tag_of(s.imap_tag), {}, nullptr, false, &r) != 0) return -1;
    std::string line = imap_response_line(r);
    // An error challenge is a short JSON text; one that would not fit is
    // cut, and its status then reads as not given.
    const size_t room = static_cast<size_t>(reply->capacity) - 1;
    if (line.size() > room) line = line.substr(0, room - 2) + "\r\n";
    array_copy(reply, line.c_str());
    return 0;
}

bool imap_sasl_accepted(const char* reply) {
    const char* space = std::strchr(reply, ' ');
    return reply[0] != '+' && space && std::strncmp(space, " OK", 3) == 0 && (space[3] == ' ' || space[3] == '\r');
}

bool imap_has(std::string_view capabilities, std::string_view name) {
    size_t at = 0;
    while (at < capabilities.size()) {
        size_t end = capabilities.find(' ', at);
        if (end == std::string_view::npos) end = capabilities.size();
        if (equal_nocase(capabilities.substr(at, end - at), name)) return true;
        at = end + 1;
    }
    return false;
}
