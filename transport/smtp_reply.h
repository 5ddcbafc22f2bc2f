// SMTP replies read whole. A reply may have several lines ("250-..." up to
// a last line "250 ..."), and a server may split it into packets anywhere;
// reading only up to the first line end would leave the rest of the reply to
// be taken for the answer to the next command.
#pragma once

#include "core/arrays.h"
#include "transport/session.h"

// Reads one complete reply into `reply` (cleared first) with the reader of
// transport/socket_lines.h, so that what came behind it stays for the next
// reply. The first 515 characters are kept (fewer when the buffer is
// smaller). Returns 0, or -1 when the connection fails or closes before the
// last line, or when the reply runs past 64 KB.
int smtp_read_reply(MailSession& s, Array* reply);

// Sends the text (nothing when it is empty) and reads the whole reply into
// `reply`. A send failure shows "Socket error on send.\r\n", a failed read
// "receiveline error\r\n"; both give -1. The reply code is the caller's.
int smtp_command_reply(MailSession& s, const char* text, Array* reply);

// The command function of the SMTP session (it fits the logins of
// transport/auth.h): sends the text and, unless `send_only`, reads the whole
// reply; 2xx or 3xx is success, any other reply is shown as received.
// 0 or -1.
int smtp_command(MailSession& s, const char* text, bool send_only);

// Whether a line of an EHLO reply names the extension (its first word after
// the code, letter case aside), as "250-STARTTLS" does.
bool smtp_reply_lists(const char* reply, const char* keyword);
