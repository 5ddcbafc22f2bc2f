// The SMTP session: one finished message file sent to the server its private
// fields name (RFC 5321 with the EHLO and AUTH extensions), optionally after
// a POP3 login ("POP before SMTP"), with a copy kept in "maildir\sent items"
// when its options ask for it.
#pragma once

#include "transport/sent_items.h"

// Sends the message file at `path`. What goes to the server (and to sent
// items) is the sending copy "temp\out<W>.tmp" (W the status sink's scratch
// number): the message without its private fields; it is left in "temp".
// Returns 0 once the server has accepted the message (a 2xx reply to the end
// of the data), -1 otherwise. Progress and every error go to the status
// sink, whose progress bar runs from 0 to 100 while the message is sent; the
// socket and the open sending copy are handed to it while they are in use,
// so that Cancel can close them. A job that sends several
// messages passes its `sent` record, so that the copies are numbered from one
// look at sent items and a failed copy can be seen.
int smtp_send_file(StatusSink& status, const char* path, SentItems* sent = nullptr);
