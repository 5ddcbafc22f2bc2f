// "Send Queued" (command 940): every message waiting in "maildir\outbox" is
// sent, each with its "Date" line renewed to the time of sending, and a
// queued file is deleted once the server has accepted it. The messages of
// one server and account go over one connection (transport/smtp_session.h).
#pragma once

#include "transport/status_sink.h"

// The job, on a worker thread; its status window comes from the host.
// Returns the number of errors counted.
int send_queued(JobHost& host);

// The main window's side: when it shows the folder, the row of the message
// file `number` goes from its list. Called on the job's thread; returns 0
// when the row went or the folder is not on show, -1 when the row could not
// be removed. Installed by the main window; none: the list is left alone.
using SentRowRemover = int (*)(const char* folder, int number);
void set_sent_row_remover(SentRowRemover remover);
