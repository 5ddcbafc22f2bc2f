// Downloading one server folder of an IMAP mailbox into a local folder by
// UID: the messages above the highest UID stored, each stored as a POP3
// message is (its own file mm<N>.eml, written through to the disk, with the
// client's private lines) before its UID is recorded, and with
// `delete_after` removed from the server once stored.
#pragma once

#include <cstdint>
#include <vector>

#include "transport/imap.h"
#include "transport/session.h"

struct ImapDownloadOptions {
    // SELECT, and the stored messages marked \Deleted and expunged; else
    // EXAMINE, and the server's folder stays as it was.
    bool delete_after = false;
    bool uidplus = false;  // the server announced UIDPLUS after the login
    int window = imap_pipeline_window;
    // The user agreed to download a folder whose UIDVALIDITY changed: its
    // messages are taken as new.
    bool new_uidvalidity = false;
};

// The folder's UIDVALIDITY is not the one its stored UIDs belong to (the
// server rebuilt it): nothing was downloaded and the state is as it was.
// The caller asks the user before downloading again with new_uidvalidity.
constexpr int imap_uidvalidity_changed = -3;
// The most messages listed at once; a bigger folder is listed again above
// the last of them.
constexpr size_t imap_list_batch = 10000;

// Downloads the new messages of `server_folder` (UTF-8) into the local
// folder on a logged-in session; `server` and `user` name the mailbox's
// state. `stored` counts the files made. 0, -1, imap_uidvalidity_changed,
// or imap_select_refused when the server would not open the folder (the
// session can go on with another).
int imap_download(MailSession& s, const char* server, const char* user, const char* server_folder,
                  const char* local_folder, ImapDownloadOptions options, int* stored);

// Messages the user chose in a listing of the folder.
struct ImapChosen {
    uint32_t uidvalidity = 0;             // of the folder when it was listed
    std::vector<ImapMessage> messages{};  // in the order to store them
    std::vector<ImapMessage> listed{};    // everything the listing found
};
// Downloads the chosen messages into the local folder as new messages are
// stored, whether or not they were stored before (the user chose them); those
// no longer on the server are counted in a line of their own. The highest UID stored moves
// up over them only where no listed message stays behind below it, so that
// the next check neither stores them again nor misses an older one. A
// folder whose UIDVALIDITY is no longer the listing's gives
// imap_uidvalidity_changed before anything is fetched: its UIDs name other
// messages now. 0, -1 or imap_uidvalidity_changed.
int imap_download_chosen(MailSession& s, const char* server, const char* user, const char* server_folder,
                         const char* local_folder, const ImapChosen& chosen, int* stored);
