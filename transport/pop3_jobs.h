// The POP3 jobs the user starts: receiving mail for one account or all,
// listing the server's messages in "E-mail Headers", and downloading or
// deleting messages chosen there. Each runs on a worker thread of its own;
// the folders it writes into were marked busy before it started, and it
// releases them when it ends.
#pragma once

#include "core/arrays.h"
#include "transport/status_sink.h"

// Each opens its status window through the host.
// Receives mail for one account (its index) or, with -1, every account,
// each through its own protocol (transport/receive_account.h).
// Returns the number of new messages.
int receive_job(JobHost& host, int account);
// Lists the headers of the account's server messages into "temp".
void header_listing_job(JobHost& host, int account);
// Downloads the listed messages `numbers` (count of them) into the
// account's inbox.
void download_job(JobHost& host, int account, const int* numbers, int count);
// Deletes the listed messages on the server; the first failure leaves
// the server's mailbox as it was.
void delete_job(JobHost& host, int account, const int* numbers, int count);

// Sizes of the server's messages from the last header listing.
Array* header_listing_sizes();
