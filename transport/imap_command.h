// IMAP commands on the wire: tags, arguments as quoted strings or literals,
// and the run of one command up to its tagged reply.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/arrays.h"
#include "transport/imap_reader.h"
#include "transport/session.h"

// A command line as it goes out: each piece but the last ends with a
// synchronising literal's "{n}\r\n", after which the server's "+" is awaited.
struct ImapCommand {
    std::vector<std::string> pieces{std::string()};
    // Whether the server takes literals without waiting (LITERAL+, RFC 7888).
    bool literal_plus = false;

    ImapCommand& word(std::string_view text);  // an atom or a ready-made argument, after a space
    // A string argument: quoted when it can be, else a literal.
    ImapCommand& string(std::string_view text);
};

// Untagged responses of a command as they come.
using ImapUntagged = std::function<void(const ImapResponse&)>;

enum { IMAP_OK = 0, IMAP_FAILED = -1, IMAP_REFUSED = -2 };

// Sends the command under the next tag and reads the responses up to its
// tagged reply; untagged ones go to `untagged`, a BODY[] literal to `body`.
// IMAP_OK; IMAP_REFUSED for NO or BAD, shown followed by "\r\nIncorrect
// response from server.\r\n"; IMAP_FAILED when the session broke: a BYE
// (shown, then "IMAP server ended the session.\r\n", and the session
// closed) unless `bye_expected`, a send or read failure, a reply out of
// step, or more untagged responses than any folder gives ("Too many
// responses from IMAP server.\r\n"). A session that is already closed
// fails at once, silently.
int imap_run(MailSession& s, const ImapCommand& command, const ImapUntagged& untagged = {},
             const ImapBodySink* body = nullptr, bool bye_expected = false);

// Reads the responses of the command of `tag` up to a continuation or its
// tagged reply: 1 when the continuation came, otherwise as imap_run.
int imap_await(MailSession& s, const std::string& tag, const ImapUntagged& untagged, const ImapBodySink* body,
               bool bye_expected);

// Shows an untagged BYE the way every step does and closes the session.
void imap_ended(MailSession& s, const ImapResponse& bye);
// A response that does not fit what is in flight: "Malformed response from
// IMAP server.\r\n", and the session is closed.
void imap_out_of_step(MailSession& s);
// Shows a tagged NO or BAD, followed by "\r\nIncorrect response from
// server.\r\n".
void imap_refused(MailSession& s, const ImapResponse& r);
// The tag of the next command of the session.
std::string imap_next_tag(MailSession& s);

// The command function of the logins (transport/auth.h): "auth <mechanism>"
// (or "auth <mechanism> <initial response>") goes out as a tagged
// AUTHENTICATE and succeeds on the server's "+"; any other text is a
// response line and succeeds on the tagged OK.
int imap_sasl_command(MailSession& s, const char* text, bool send_only);
// The reply reader of the logins: past untagged responses (a BYE ends the
// session) to the server's next continuation ("+ <text>\r\n") or the
// tagged reply of the AUTHENTICATE in flight ("A1 NO <text>\r\n"), as
// the user is shown it, cut to fit `reply`. 0, or -1 when the session
// broke, with its text shown.
int imap_sasl_reply(MailSession& s, Array* reply);
// Whether such a reply is the tagged OK that ends the login.
bool imap_sasl_accepted(const char* reply);

// Whether a capability list (the words after "CAPABILITY") names `name`,
// letter case aside.
bool imap_has(std::string_view capabilities, std::string_view name);
