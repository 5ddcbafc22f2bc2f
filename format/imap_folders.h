// The server folders an IMAP account downloads, each into a local folder
// of its own choosing. The account table has no room for them, so they are
// kept in a plain-text file per mailbox beside accountdata.cfg, as the OAuth
// 2.0 grant is: one line per folder, the server folder's name in UTF-8 (as
// the user typed it; the wire form is made when it is selected), a tab, and
// the local folder ("maildir\..."). Without the file the account downloads
// "INBOX" into its inbox.
#pragma once

#include <string>
#include <vector>

struct ImapFolderPair {
    std::string server_folder;  // UTF-8
    std::string local_folder;   // "maildir\..."
};

// A list no longer than this and names no longer than these are all the
// file may hold; a longer one is damaged, not cut.
constexpr size_t imap_folders_most = 20;
constexpr size_t imap_server_folder_limit = 200;  // bytes of UTF-8
constexpr size_t imap_local_folder_limit = 98;    // as the inbox field of the table

// The server folder every account downloads unless told otherwise.
constexpr const char* imap_server_inbox = "INBOX";

// "folders<16 hexadecimal digits>.txt" in the program folder, named by the
// account's incoming server and user name.
std::string imap_folders_path(const char* server, const char* user);

// Why the pair cannot be kept (the text for the user), or an empty text:
// an empty or over-long name, one that is not UTF-8 or holds a control
// character, a local folder outside "maildir\".
std::string imap_folder_refusal(const ImapFolderPair& pair);

// The account's list: the file's, or without the file the one pair
// "INBOX" into `inbox`. 0, or -1 when the file cannot be read or is damaged
// (a line without its tab, a refused pair, an empty list, too many lines,
// a last line without its end); `pairs` is then empty.
int imap_folders_load(const char* server, const char* user, const char* inbox, std::vector<ImapFolderPair>* pairs);
// Written through a scratch file and to the disk before it takes the old
// file's place. -1, writing nothing, for a list the loader would refuse.
int imap_folders_save(const char* server, const char* user, const std::vector<ImapFolderPair>& pairs);
// Removes the account's file; 0 also when it had none.
int imap_folders_remove(const char* server, const char* user);
