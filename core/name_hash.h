// A short name for a mailbox (a server and a user name, and for IMAP a
// folder of it) that is the same on every machine and in both builds: the
// files kept per mailbox are named by it, so that the account's place in the
// table does not matter.
#pragma once

#include <cstdint>

// FNV-1a, 64 bits, of the server, a line feed and the user name, and when a
// folder is given, another line feed and the folder.
uint64_t mailbox_hash(const char* server, const char* user, const char* folder = nullptr);
