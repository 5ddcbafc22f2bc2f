// One account's part of a receive job, one function per incoming protocol:
// the job opens the window, walks the accounts and sums up; each function
// checks its account, tells the window what happens and counts its errors
// in the job's numbering.
#pragma once

#include "transport/status_sink.h"

struct ReceiveTally {
    int errors = 0;  // for the whole job: "Error %i" goes on counting
    int stored = 0;  // new messages of the whole job
};

// Shows "Error %i: ..." (`format` holds the %i) with the next error number.
void receive_error(StatusSink& status, const char* format, ReceiveTally* tally);

// `alone`: the job checks this account only. True when something may have
// been written into the account's inbox.
using ReceiveAccount = bool (*)(JobStatus& window, int account, bool alone, ReceiveTally* tally);
bool receive_pop3_account(JobStatus& window, int account, bool alone, ReceiveTally* tally);
bool receive_imap_account(JobStatus& window, int account, bool alone, ReceiveTally* tally);
