// A short name for a mailbox (a server and a user name, and for IMAP a
// folder of it) that is the same on every machine and in both builds: the
// files kept per mailbox are named by it, so that the account's place in the
// table does not matter.
#pragma once

#include <cstdint>
#include <string>

// FNV-1a, 64 bits, of the server, a line feed and the user name, and when a
// folder is given, another line feed and the folder.
uint64_t mailbox_hash(const char* server, const char* user, const char* folder = nullptr);

// The name of a file kept per mailbox in the program folder:
// "<prefix><16 hexadecimal digits of mailbox_hash><suffix>".
std::string mailbox_file_name(const char* prefix, const char* server, const char* user, const char* suffix);
// Removes a mailbox's file; 0 also when it had none, -1 when it stays.
int mailbox_file_remove(const std::string& name);
