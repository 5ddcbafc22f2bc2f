// What one folder of an IMAP mailbox has already given the client: the
// folder's UIDVALIDITY and the highest UID stored. The server hands out UIDs
// in rising order while UIDVALIDITY stays, so everything above the highest
// is new. One small file per server, user and folder beside the POP3 ids
// (store/uidl_state.h): written whole through a scratch file when it is new
// or its UIDVALIDITY changes, and otherwise one "UID n" line appended after
// each message is stored and before the next, so a crash of the program
// brings back at most the message being stored. The appended lines may be
// written through once for a batch of messages: each message is in its
// folder on the disk before its line is written, so a power cut can bring
// back the batch's messages a second time, never lose one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// After this many lines appended the next record writes the file whole
// again, so that it stays small.
constexpr int imap_state_append_limit = 1000;

struct ImapState {
    std::string path;  // "uidl\<16 hexadecimal digits>.imap"
    std::string server, user, folder;
    uint32_t uidvalidity = 0;  // 0 until a message of the folder was stored
    uint32_t highest = 0;
    // "UID" lines after the first; the last line cut short by a crash in
    // an append (it is passed over, and the next record writes anew).
    int appended = 0;
    bool torn_end = false;
    bool unsynced = false;  // lines appended but not yet written through
    // Kept open between the appends of one check; closed when the state
    // goes or the file is written anew (Windows replaces no open file).
    std::shared_ptr<std::FILE> appending;
};

// Reads the folder's state; a missing file is an empty state. 0, or -1 when
// the file exists but cannot be read or names another mailbox (two with one
// hash): it is then never overwritten.
int imap_state_load(ImapState* state, const char* server, const char* user, const char* folder);

// Records the folder's UIDVALIDITY and its highest UID stored, written
// through to the disk, or with `through` false only handed to the system
// (an appended line; a file written whole is always written through) until
// imap_state_sync. 0 or -1 (what the file held before then stays).
int imap_state_record(ImapState* state, uint32_t uidvalidity, uint32_t highest, bool through = true);
// Writes the lines appended since the last write-through to the disk. 0 or -1.
int imap_state_sync(ImapState* state);
