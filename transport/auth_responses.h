// The texts a client sends to log in with the SASL mechanisms CRAM-MD5
// (RFC 2195) and PLAIN, apart from the exchanges that send them, so that
// POP3 and SMTP share them.
#pragma once

#include <string>

#include "core/arrays.h"

// Room for a CRAM-MD5 response with its line end and terminating zero: 99
// characters of user name, a space and 32 digits take 176 in base64.
constexpr int cram_md5_line_capacity = 200;
// Room for the PLAIN response: the line sent is at most 270 characters.
constexpr int plain_text_capacity = 271;

// From a server's challenge line ("+ <base64>\r\n" from POP3, "334 <base64>\r\n"
// from SMTP: the text after the first space, up to the carriage return, at
// most 519 characters), the base64 of "<user> <32 lowercase hex digits>",
// the user name cut to 99 characters and the digits the HMAC-MD5 of the
// decoded challenge keyed with the password. Writes it without a line end
// into `output` (cram_md5_line_capacity is enough). Returns 0, or -1 with
// `output` empty when it does not fit.
int cram_md5_response(const char* user, const char* password, const char* challenge_line, Array* output);
// The same text followed by "\r\n": the line sent to the server.
int cram_md5_response_line(const char* user, const char* password, const char* challenge_line, Array* line);

// The PLAIN initial response: the base64 of a zero byte, the user name (at
// most 271 characters), a zero byte and the password, without a line end,
// into `output` (plain_text_capacity). The line sent never exceeds 270
// characters, so credentials longer than that encodes to are refused, not
// cut: -1 with `output` empty. Otherwise 0.
int plain_response(const char* user, const char* password, Array* output);

// The first messages of the OAuth 2.0 logins, before their base64, with the
// access token where the password would go. Empty when the user name, the
// host or the token holds a control character, which would end a field
// early (a token is printable ASCII, RFC 6750 section 2.1).
// XOAUTH2: "user=" user "\x01auth=Bearer " token "\x01\x01".
std::string xoauth2_message(const char* user, const char* token);
// OAUTHBEARER (RFC 7628 section 3.1): the GS2 header "n,a=" user "," (a
// "," or "=" in the user name written "=2C" or "=3D", RFC 5801 section 4),
// then "\x01host=" host "\x01port=" port, when the server's name is known,
// and "\x01auth=Bearer " token "\x01\x01".
std::string oauthbearer_message(const char* user, const char* host, int port, const char* token);
