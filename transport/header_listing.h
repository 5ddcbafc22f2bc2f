// What the rows of the "E-mail Headers" list stand for. The listing puts
// the k-th message it lists into "temp" as file k, so a row's file number
// names the message: for POP3 it is the server's message number, for IMAP
// it is the place of the message's UID in the record kept here. A number
// moves when another client deletes a message, a UID never does, so IMAP
// rows are acted on by UID. The record also says whose listing it is, so
// that no row is ever taken as a number of another account or protocol.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/imap.h"
#include "transport/status_sink.h"

struct HeaderListing {
    int account = -1;  // -1: nothing listed in this run of the program
    bool imap = false;
    uint32_t uidvalidity = 0;            // IMAP: of the folder listed
    std::vector<ImapMessage> messages{};  // IMAP: entry k-1 for file k
};

// The listing of the last header listing job; the job sets it when it
// starts and again as it ends. Jobs on other threads take copies.
void header_listing_set(const HeaderListing& listing);
HeaderListing header_listing_get();

// The listing that the chosen rows belong to, when it is a listing of this
// account made through the protocol asked for and every row is one of its
// messages; else shows "The E-mail Headers list does not belong to this
// account. Please select E-mail Headers again.\r\n" and returns false. A
// POP3 account's rows pass also when nothing was listed yet: its message
// numbers are the server's own.
bool header_listing_rows(StatusSink& status, int account, bool imap, const int* rows, int count,
                         HeaderListing* listing);
