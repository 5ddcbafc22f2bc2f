// The background mail check of tray mode: how many messages wait on every
// account's server, and whether that number rose since tray mode began.
#pragma once

#include "core/arrays.h"
#include "transport/status_sink.h"

struct MailCheckState {
    int largest_total = 0;   // the most seen waiting in this tray session
    Array* summary = nullptr;  // 1024 bytes, built by one round
    bool overflow = false;
};

void mail_check_begin(MailCheckState* state);
void mail_check_end(MailCheckState* state);

// One round over every account in table order, each socket handed to the
// (hidden) status window and given ten-second time-outs; the sessions' texts
// go to the log only. Leaves the
// window's text in state->summary ("You have no new mail." when nothing
// waits, "Overflow occured.\r\n" after a long one) and returns the total
// waiting, or -1 when no socket could be made (the user has been told).
int mail_check_round(MailCheckState* state, StatusSink& status_window);

// Whether the total is above every total seen before; remembers it. The
// new-mail icon, tip and sound follow a rise only.
bool mail_check_rose(MailCheckState* state, int total);

// The tray tip for a total: "Zenth Mail (%i e-mails)", at most 63 characters.
void mail_check_tip(char* out, int capacity, int total);
