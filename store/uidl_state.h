// The unique-ids (RFC 1939 UIDL) of the messages that one POP3 mailbox has
// already given the client, so that a mailbox left on the server is never
// stored twice. One file per mailbox in the folder "uidl": its first two
// lines name the server text and the user, then one id a line, each line
// ended by CR LF. The file is named from a hash of the server text and the
// user, not from the account's index, which moves when another account is
// removed.
//
// Ids are only ever appended (written through to the disk before the
// message may be deleted on the server) or the file is replaced whole
// through a scratch file, so a crash leaves the old or the new file, at worst
// with a last line cut short, which loading passes over and the next change
// drops.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// An id holds 1 to 70 characters from 0x21 to 0x7E (RFC 1939 section 7).
constexpr size_t uidl_id_max = 70;
bool uidl_id_valid(std::string_view id);

struct UidlState {
    std::string path;  // "uidl\<16 hexadecimal digits>.txt"
    std::string server, user;
    std::unordered_set<std::string> seen;
    // The file exists with both its naming lines; until then the first
    // record writes it whole.
    bool exists = false;
    // Its last line has no line end (an append cut short): the next change
    // writes the file anew without it.
    bool torn_end = false;
    // The file names another mailbox (two mailboxes with one hash): nothing
    // is skipped and nothing written, so that its ids stay as they are.
    bool foreign = false;
    // The file as opened for the first append of a session, kept open for
    // the next (one open a message was three round trips under Wine);
    // closed when the state goes or the file is written anew.
    std::shared_ptr<std::FILE> appending;
};

// The state file's store path for the mailbox; with a folder, that of one
// folder of an IMAP mailbox (store/imap_state.h).
std::string uidl_state_path(const char* server, const char* user, const char* folder = nullptr);
// Writes a state file of the folder "uidl" whole, written through to the
// disk: a crash leaves the old file or the new, never a part. 0 or -1.
int state_file_write(const std::string& path, const std::string& text);

// Reads the mailbox's state; a missing file is an empty state. 0, or -1 when
// the file exists but cannot be read (the state is then empty, and foreign,
// so that it is not overwritten).
int uidl_state_load(UidlState* state, const char* server, const char* user);

// Records the id of a message that is complete in its folder: appended with
// its line end and written through to the disk. 0 or -1.
int uidl_state_record(UidlState* state, const std::string& id);

// After a complete listing: drops the ids the server no longer has, writing
// the file anew through a scratch file when any went. 0 or -1 (the old file
// then stays).
int uidl_state_keep_only(UidlState* state, const std::vector<std::string>& on_server);
