// The "E-mail Headers" jobs of an IMAP account: the INBOX listed into
// "temp" as a POP3 listing is, and the listed messages downloaded or
// deleted by UID, so that a message deleted elsewhere in between never
// turns one row into another message.
#include <algorithm>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/sys_files.h"
#include "store/folder_numbers.h"
#include "store/message_files.h"
#include "transport/header_listing.h"
#include "transport/imap.h"
#include "transport/imap_account.h"
#include "transport/imap_download.h"
#include "transport/login_secret.h"
#include "transport/pop3.h"
#include "transport/receive_account.h"
#include "transport/received_mail.h"

namespace {

// The body lines a listing shows, as "TOP n 10" gives them.
constexpr int listed_lines = 10;
// The body bytes asked for them: ten lines of the longest length a message
// may have (RFC 5322 section 2.1.1).
constexpr int listed_bytes = listed_lines * 1000;

// An account's IMAP session for a job; LOGOUT when the job is done with it.
struct ImapJobSession {
    JobStatus& window;
    MailSession session{window};
    std::string capabilities{};
    // Logged in; false after the login said why not.
    bool login(int account) {
        if (!session.open()) {
            window.error("Cannot create socket.\r\n");
            return false;
        }
        return imap_account_login(session, account, &capabilities) == LOGIN_OK;
    }
    ~ImapJobSession() {
        // A cancelled job's socket is dead already.
        if (!window.cancelled() && session.is_open()) imap_logout(session);
        session.close();
    }
};

// Bytes into the file with the last two held back: a stored message ends
// without the line end of its last line, as a POP3 one does.
struct HeldWriter {
    std::FILE* file;
    std::string held{};
    bool ok = true;
    void put(const char* bytes, size_t n) {
        held.append(bytes, n);
        if (held.size() <= 2) return;
        size_t out = held.size() - 2;
        ok = ok && std::fwrite(held.data(), 1, out, file) == out;
        held.erase(0, out);
    }
    bool finish() {
        if (held.ends_with("\r\n")) held.clear();
        ok = ok && std::fwrite(held.data(), 1, held.size(), file) == held.size();
        return std::fclose(file) == 0 && ok;
    }
};

// One section of the message into the sink (UID FETCH uid (UID
// BODY.PEEK[section]): nothing is marked seen). IMAP_FETCHED, IMAP_GONE
// when the server has no such message, or -1.
int fetch_section(MailSession& s, uint32_t uid, const char* section, const char* answer, const ImapBodySink& sink) {
    bool got = false, stray = false;
    ImapCommand command;
    command.word("UID FETCH").word(std::to_string(uid)).word(std::string("(UID BODY.PEEK[") + section + ")");
    int result = imap_run(
        s, command,
        [&](const ImapResponse& r) {
            const ImapItem* body = imap_fetch_item(r, answer);
            if (!body) return;
            const ImapItem* named = imap_fetch_item(r, "UID");
            unsigned long long n = 0;
            if (!named || !imap_number(*named, std::numeric_limits<uint32_t>::max(), &n) || n != uid || got) {
                stray = true;
                return;
            }
            got = true;
            if (body->kind == ImapItem::STRING && !body->text.empty())
                sink(body->text.data(), static_cast<int>(body->text.size()));
        },
        &sink);
    if (result != IMAP_OK) return -1;
    if (stray) {
        imap_out_of_step(s);
        return -1;
    }
    return got ? IMAP_FETCHED : IMAP_GONE;
}

// The message's header and first lines into the next file of "temp".
// IMAP_FETCHED, IMAP_GONE (no file made), or -1.
int list_one(MailSession& s, const ImapMessage& m, int number, FolderNumbers* temp, Array* scratch, Array* path) {
    Array* text = array_new(100);
    array_printf(text, "#%i (%.1f KB) ", number, static_cast<double>(m.size) / 1024.0);
    s.status.line(text->text);
    delete_arrays(text);
    std::FILE* f = open_received_file(s.status, scratch);
    if (!f) return -1;
    s.status.hold_file(f);
    HeldWriter out{f};
    int result = fetch_section(s, m.uid, "HEADER]", "BODY[HEADER]", [&out](const char* bytes, int length) {
        out.put(bytes, static_cast<size_t>(length));
        return true;
    });
    std::string lines;
    if (result == IMAP_FETCHED)
        result = fetch_section(s, m.uid, ("TEXT]<0." + std::to_string(listed_bytes) + ">").c_str(), "BODY[TEXT]<0>",
                               [&lines](const char* bytes, int length) {
                                   // More than was asked for is read and dropped.
                                   size_t room = listed_bytes - std::min<size_t>(lines.size(), listed_bytes);
                                   lines.append(bytes, std::min(room, static_cast<size_t>(length)));
                                   return true;
                               });
    size_t end = 0;
    for (int n = 0; n < listed_lines && end < lines.size(); n++) {
        size_t feed = lines.find('\n', end);
        end = feed == std::string::npos ? lines.size() : feed + 1;
    }
    out.put(lines.data(), end);
    s.status.hold_file(nullptr);
    bool written = out.finish();
    if (result == IMAP_FETCHED && !written) {
        s.status.error(scratch->text);
        s.status.error(": could not write file to disk.\r\n");
        result = -1;
    }
    if (result != IMAP_FETCHED || folder_put(temp, scratch->text, FOLDER_MOVE, path) != 0) {
        sys_remove_file(scratch->text);
        return result == IMAP_FETCHED ? -1 : result;
    }
    s.status.line(" done\r\n");
    return IMAP_FETCHED;
}

// The UIDs of the chosen rows, when the listing is the account's.
bool chosen_rows(JobStatus& window, int account, const int* rows, int count, HeaderListing* listing,
                 std::vector<ImapMessage>* chosen) {
    if (!header_listing_rows(window, account, true, rows, count, listing)) return false;
    for (int i = 0; i < count; i++) chosen->push_back(listing->messages[static_cast<size_t>(rows[i] - 1)]);
    return true;
}

void show_replaced(StatusSink& status) {
    status.error("The server's folder INBOX was replaced since it was listed. Please select E-mail Headers "
                 "again.\r\n");
}

}  // namespace

bool list_imap_headers(JobStatus& window, int account, Array* sizes) {
    HeaderListing listing{.account = account, .imap = true};
    header_listing_set(listing);
    ImapJobSession imap{window};
    if (!imap.login(account)) return false;
    MailSession& s = imap.session;
    ImapFolder folder;
    std::vector<ImapMessage> found;
    // Read-only, and each part fetched with BODY.PEEK: the listing leaves
    // every message as it was, unread ones unread.
    if (imap_select(s, imap_server_inbox, true, &folder) != 0 ||
        imap_list_above(s, 0, std::numeric_limits<size_t>::max(), &found) != 0) {
        s.close();
        return false;
    }
    listing.uidvalidity = folder.uidvalidity;
    show_found(window, static_cast<int>(found.size()));
    Array* scratch = array_new(100);
    Array* path = array_new(message_path_capacity);
    FolderNumbers temp{"temp"};
    int result = 0;
    for (const ImapMessage& m : found) {
        if (window.cancelled()) break;
        result = list_one(s, m, static_cast<int>(listing.messages.size()) + 1, &temp, scratch, path);
        if (result < 0) break;
        if (result == IMAP_GONE) continue;
        // File k is the k-th message listed; its size goes where POP3's LIST puts it.
        if (listing.messages.size() < static_cast<size_t>(pop3_max_sizes))
            sizes->words[listing.messages.size()] = static_cast<uint32_t>(std::min<long long>(m.size, 0x7fffffff));
        listing.messages.push_back(m);
    }
    delete_arrays(scratch, path);
    header_listing_set(listing);
    if (result < 0) s.close();
    return result >= 0 && !window.cancelled();
}

bool download_imap_rows(JobStatus& window, int account, const int* rows, int count) {
    HeaderListing listing;
    ImapChosen chosen;
    if (!chosen_rows(window, account, rows, count, &listing, &chosen.messages)) return false;
    chosen.uidvalidity = listing.uidvalidity;
    chosen.listed = listing.messages;
    ImapJobSession imap{window};
    if (!imap.login(account)) return false;
    int stored = 0;
    int result = imap_download_chosen(imap.session, account_field(account, ACCOUNT_POP3_SERVER),
                                      account_field(account, ACCOUNT_USER), imap_server_inbox,
                                      account_field(account, ACCOUNT_INBOX), chosen, &stored);
    if (result == imap_uidvalidity_changed) {
        show_replaced(window);
        return false;
    }
    if (result != 0) imap.session.close();
    return true;
}

bool delete_imap_rows(JobStatus& window, int account, const int* rows, int count) {
    HeaderListing listing;
    std::vector<ImapMessage> chosen;
    if (!chosen_rows(window, account, rows, count, &listing, &chosen)) return false;
    ImapJobSession imap{window};
    if (!imap.login(account)) return false;
    // EXPUNGE without UIDPLUS would also remove what another client marked
    // \Deleted but meant to keep.
    if (!imap_has(imap.capabilities, "UIDPLUS")) {
        window.error("IMAP server does not support UIDPLUS: nothing was deleted.\r\n");
        return false;
    }
    ImapFolder folder;
    if (imap_select(imap.session, imap_server_inbox, false, &folder) != 0) return false;
    if (folder.uidvalidity != listing.uidvalidity) {
        show_replaced(window);
        return false;
    }
    std::vector<uint32_t> uids;
    for (const ImapMessage& m : chosen) uids.push_back(m.uid);
    if (imap_delete_messages(imap.session, uids, true) != 0) imap.session.close();
    return true;
}
