// One account's part of the jobs on its server's mailbox, one set of
// functions per incoming protocol: the jobs open the window, walk the
// accounts and sum up; each function speaks to its account's server, tells
// the window what happens and, in a receive, counts its errors in the job's
// numbering.
#pragma once

#include <string>
#include <vector>

#include "core/arrays.h"
#include "transport/status_sink.h"

struct ReceiveTally {
    int errors = 0;  // for the whole job: "Error %i" goes on counting
    int stored = 0;  // new messages of the whole job
};

// Shows "Error %i: ..." (`format` holds the %i) with the next error number.
void receive_error(StatusSink& status, const char* format, ReceiveTally* tally);

// The window's "Found %i." line.
void show_found(StatusSink& status, int n);

// The local folders a check of the account writes into: its inbox, and for
// an IMAP account the local folders of its server folder list too.
std::vector<std::string> receive_folders(int account);

// `alone`: the job checks this account only. True when something may have
// been written into one of its receive_folders.
using ReceiveAccount = bool (*)(JobStatus& window, int account, bool alone, ReceiveTally* tally);
bool receive_pop3_account(JobStatus& window, int account, bool alone, ReceiveTally* tally);
bool receive_imap_account(JobStatus& window, int account, bool alone, ReceiveTally* tally);

// The "E-mail Headers" listing of the server's messages into the empty
// "temp": the k-th message listed as file k with the header and the first
// ten lines of its body, its size as entry k-1 of `sizes`, and what names it
// on the server kept in the listing record (transport/header_listing.h).
// True when the listing came whole, so that the window may close.
using ListAccountHeaders = bool (*)(JobStatus& window, int account, Array* sizes);
bool list_pop3_headers(JobStatus& window, int account, Array* sizes);
bool list_imap_headers(JobStatus& window, int account, Array* sizes);

// The messages of listed rows (their file numbers in "temp") downloaded
// into the account's inbox, or deleted on the server. True when the job
// went as far as its connection allowed, so that the window may close (and
// a deletion lists the mailbox again); false leaves the window open with
// what it says.
using ActOnRows = bool (*)(JobStatus& window, int account, const int* rows, int count);
bool download_pop3_rows(JobStatus& window, int account, const int* rows, int count);
bool download_imap_rows(JobStatus& window, int account, const int* rows, int count);
bool delete_pop3_rows(JobStatus& window, int account, const int* rows, int count);
bool delete_imap_rows(JobStatus& window, int account, const int* rows, int count);

// What each incoming protocol does for the jobs.
struct ServerProtocol {
    ReceiveAccount receive;
    ListAccountHeaders list_headers;
    ActOnRows download;
    ActOnRows remove;
};
// The account's protocol: IMAP with ACCOUNT_IMAP, else POP3.
const ServerProtocol& server_protocol(int account);
