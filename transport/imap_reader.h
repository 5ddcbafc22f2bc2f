// The reader of IMAP responses (RFC 3501 section 7, RFC 9051): tagged,
// untagged and continuation responses, with atoms, quoted strings, literals
// and parenthesised lists. Every size is bounded: a response that does not
// fit, a literal too large, a malformed or unterminated one ends the session
// with a text that says which, never with an allocation the server chose.
// The literal of a FETCH BODY[] item goes to the caller's sink in pieces as
// it arrives, so a message of any size costs the same memory.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "transport/session.h"

// The most a response may take on the wire, literals kept in it included
// (a streamed message body is not counted).
constexpr int imap_response_limit = 65536;
// The largest message body the client takes; far above what any server
// accepts, and well inside a 32-bit count.
constexpr long long imap_body_limit = 1LL << 30;
// How deeply lists may nest.
constexpr int imap_depth_limit = 32;

struct ImapItem {
    enum Kind { ATOM, STRING, NIL, LIST, STREAMED } kind = LIST;
    std::string text;             // ATOM and STRING; STREAMED: the body's size in digits
    std::vector<ImapItem> items;  // LIST
};

struct ImapResponse {
    enum Kind { UNTAGGED, TAGGED, CONTINUATION } kind = UNTAGGED;
    std::string tag;       // TAGGED
    long long number = -1; // "* 12 EXISTS": 12
    std::string name;      // in upper case: "OK", "BYE", "EXISTS", "FETCH", "CAPABILITY"...
    // The text of a status response (OK, NO, BAD, BYE, PREAUTH) with its
    // bracketed code, or of a continuation, without the line end.
    std::string text;
    ImapItem data;  // the rest of any other response, as a list
};

// Takes a message body's bytes in pieces; false stops the reading (the file
// could not be written), and the session ends without a text of the reader's.
using ImapBodySink = std::function<bool(const char* bytes, int length)>;

// Reads the next response. With `body`, a literal that follows a BODY[...]
// item goes to it and stands as a STREAMED item. 0, or -1 when the session
// failed: the status sink was told why ("Response from IMAP server too
// long.\r\n", "Malformed response from IMAP server.\r\n", "IMAP server sent
// a literal of %lld bytes.\r\n", "IMAP server closed the connection inside a
// literal.\r\n", "receiveline error\r\n") and the session is closed.
// With `start` as well, the items of the FETCH before a streamed body
// ("UID 12 BODY[]") go to it first, so that it knows whose body comes;
// false ends the session as the body sink's false does.
using ImapBodyStart = std::function<bool(const ImapItem& items_so_far)>;
int imap_read_response(MailSession& s, ImapResponse* r, const ImapBodySink* body = nullptr,
                       const ImapBodyStart* start = nullptr);

// Whether a status response is one of the three that end a command.
bool imap_is_status(const ImapResponse& r);
// The number of a bracketed response code at the start of a status text,
// "[UIDVALIDITY 3857529045] UIDs valid"; false when the text has no such code.
bool imap_code_number(std::string_view text, std::string_view code, uint32_t* value);
// The value after `name` (upper case) in the list of a FETCH response, or
// null.
const ImapItem* imap_fetch_item(const ImapResponse& r, std::string_view name);
// A number item of at most `most`; false for anything else.
bool imap_number(const ImapItem& item, unsigned long long most, unsigned long long* out);
// The response as the user is shown it: "<tag> NO text\r\n", "* BYE text\r\n".
std::string imap_response_line(const ImapResponse& r);
