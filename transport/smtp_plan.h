// What the private fields of an outgoing message file say about sending it:
// server, account, envelope and options, with the account rules applied.
#pragma once

#include "core/arrays.h"
#include "transport/status_sink.h"

// Bits of "X-ZMOpts": the account's flags 0x01 to 0x10 (core/accounts.h)
// and this one, set from the compose window's "Save Sent Items".
enum { SEND_SAVE_SENT_ITEM = 0x20 };

// The private fields' room, with the terminating zero. The envelope is read
// whole or not at all: "X-ZMRecipients" holds what the builder writes, up to
// 12630 characters, split into at most 100 addresses of 255; the sender's
// address up to 255. A longer field fails the send.
constexpr int send_address_capacity = 256;
constexpr int send_recipients_text_capacity = 12631;
constexpr int send_max_recipients = 100;
constexpr int send_recipient_capacity = 256;

struct SendPlan {
    Array* server = nullptr;           // "X-ZMServer", host and optional ":port" (server_text_capacity)
    Array* address = nullptr;          // "X-ZMAddress", the envelope sender
    StringList* recipients = nullptr;  // "X-ZMRecipients" split at commas
    int account = -1;                  // "X-ZMAccountIndex"; negative: none
    int options = 0;                   // "X-ZMOpts", after the account rules
};

SendPlan* send_plan_new();
void send_plan_delete(SendPlan* plan);

// Reads the header and the private fields of the message file and applies
// the account rules: a server other than the account's own SMTP server
// turns authentication and POP before SMTP off (after saying so), and POP
// before SMTP needs an account with a POP3 server. An envelope field that
// cannot be read whole ("X-ZMAddress", "X-ZMRecipients") or recipients that
// do not split into 100 addresses fail with "Recipient string exceeds
// capacity.\r\n": no address is ever sent cut. Every failure is shown in the
// status window. 0 or -1.
int read_send_plan(StatusSink& status, const char* path, SendPlan* plan);

// An account field, or "" for an account the table does not hold.
const char* account_text(int account, int field);
