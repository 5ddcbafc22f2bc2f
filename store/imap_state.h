// What one folder of an IMAP mailbox has already given the client: the
// folder's UIDVALIDITY and the highest UID stored. The server hands out UIDs
// in rising order while UIDVALIDITY stays, so everything above the highest
// is new. One small file per server, user and folder beside the POP3 ids
// (store/uidl_state.h), written whole through a scratch file after each
// message is stored and before the next, so a crash brings back at most the
// message that was being stored.
#pragma once

#include <cstdint>
#include <string>

struct ImapState {
    std::string path;  // "uidl\<16 hexadecimal digits>.imap"
    std::string server, user, folder;
    uint32_t uidvalidity = 0;  // 0 until a message of the folder was stored
    uint32_t highest = 0;
};

// Reads the folder's state; a missing file is an empty state. 0, or -1 when
// the file exists but cannot be read or names another mailbox (two with one
// hash): it is then never overwritten.
int imap_state_load(ImapState* state, const char* server, const char* user, const char* folder);

// Records the folder's UIDVALIDITY and its highest UID stored, written
// through to the disk. 0 or -1 (the old file then stays).
int imap_state_record(ImapState* state, uint32_t uidvalidity, uint32_t highest);
