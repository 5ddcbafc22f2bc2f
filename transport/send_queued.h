// "Send Queued" (command 940): every message waiting in "maildir\outbox" is
// sent, each with its "Date" line renewed to the time of sending, and a
// queued file is deleted once the server has accepted it.
#pragma once

#include "core/ui_services.h"

// The job body, for a worker thread; the argument is the main window.
void send_queued_job(void* main_window);
// The same; returns the number of errors counted.
int send_queued(WindowRef main_window);

// The main window's side: when it shows the folder, the row of the message
// file `number` goes from its list. Called on the job's thread; returns 0
// when the row went or the folder is not on show, -1 when the row could not
// be removed. Installed by the main window; none: the list is left alone.
using SentRowRemover = int (*)(const char* folder, int number);
void set_sent_row_remover(SentRowRemover remover);
