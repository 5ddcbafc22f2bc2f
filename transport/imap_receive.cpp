#include <algorithm>
#include <string>
#include <vector>

#include "core/accounts.h"
#include "core/code_pages.h"
#include "core/sys_files.h"
#include "core/ui_services.h"
#include "format/imap_folders.h"
#include "store/busy_folders.h"
#include "transport/imap.h"
#include "transport/imap_account.h"
#include "transport/imap_download.h"
#include "transport/login_secret.h"
#include "transport/receive_account.h"
#include "transport/sasl.h"

namespace {

// A folder whose UIDVALIDITY changed: its old UIDs name nothing now, so
// downloading it again stores every message a second time, which is the
// user's choice to make.
bool download_again(const std::string& folder) {
    std::string text = "The server's folder " + system_text_from_utf8(folder) +
                       " was replaced, so its messages cannot be told from those received before. Would you like "
                       "to download all of them again?";
    return ui_message_box(nullptr, text.c_str(), "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) == UI_ANSWER_YES;
}

// A local folder typed in the account manager need not be there yet: it
// is made, level by level, before anything is stored into it.
bool make_local_folder(const std::string& path) {
    for (size_t at = path.find('\\');; at = path.find('\\', at + 1)) {
        std::string part = path.substr(0, at);
        if (!sys_is_directory(part.c_str()) && sys_make_directory(part.c_str()) != 0) return false;
        if (at == std::string::npos) return true;
    }
}

// One server folder into its local folder, with a line of its own when the
// account downloads several. true when the session can go on with the next
// folder.
bool receive_folder(JobStatus& window, MailSession& session, int account, const ImapFolderPair& pair,
                    bool several, ImapDownloadOptions download, ReceiveTally* tally, int* stored) {
    const char* server = account_field(account, ACCOUNT_POP3_SERVER);
    const char* user = account_field(account, ACCOUNT_USER);
    const std::string name = system_text_from_utf8(pair.server_folder);
    if (several) window.line(("Folder " + name + ":\r\n").c_str());
    const char* folder = pair.server_folder.c_str();
    const char* local = pair.local_folder.c_str();
    if (!make_local_folder(pair.local_folder)) {
        window.error(local);
        window.error(": could not create folder.\r\n");
        ++tally->errors;
        return true;
    }
    int result = imap_download(session, server, user, folder, local, download, stored);
    if (result == imap_uidvalidity_changed && !window.cancelled() && download_again(pair.server_folder)) {
        download.new_uidvalidity = true;
        int again = 0;
        result = imap_download(session, server, user, folder, local, download, &again);
        *stored += again;
    }
    if (result == imap_uidvalidity_changed) {
        // Counted as an error, so that the summary does not read as a
        // check that found everything.
        window.line(("The server's folder " + name + " was replaced: nothing was downloaded from it.\r\n").c_str());
        ++tally->errors;
    } else if (result == imap_select_refused) {
        // Most often a folder the server does not have (any more); the
        // server's own words are above. The other folders go on.
        window.line(("Cannot open the server's folder " + name + ": nothing was downloaded from it.\r\n").c_str());
        ++tally->errors;
    } else if (result != 0) {
        receive_error(window, "Error %i: Cannot download messages.\r\n", tally);
        return false;
    }
    return !window.cancelled() && session.is_open();
}

}  // namespace

int imap_account_login(MailSession& session, int account, std::string* capabilities, bool tray) {
    const char* server = account_field(account, ACCOUNT_POP3_SERVER);
    const char* user = account_field(account, ACCOUNT_USER);
    const int options = account_options(account);
    return account_login(session, account, [&](const char* secret, bool again) {
        // A second try starts on a new connection, as the first did.
        if (again && !(tray ? session.open_for_tray() : session.open())) return -1;
        return imap_login(session, server, user, secret, account_login_options(options, ACCOUNT_POP3_AUTH),
                          capabilities);
    });
}

std::vector<std::string> receive_folders(int account) {
    const char* inbox = account_field(account, ACCOUNT_INBOX);
    std::vector<std::string> folders{inbox};
    std::vector<ImapFolderPair> pairs;
    if (!(account_options(account) & ACCOUNT_IMAP) ||
        imap_folders_load(account_field(account, ACCOUNT_POP3_SERVER), account_field(account, ACCOUNT_USER), inbox,
                          &pairs) != 0)
        return folders;
    for (const ImapFolderPair& pair : pairs)
        if (std::find(folders.begin(), folders.end(), pair.local_folder) == folders.end())
            folders.push_back(pair.local_folder);
    return folders;
}

bool receive_imap_account(JobStatus& window, int account, bool alone, ReceiveTally* tally) {
    const char* server = account_field(account, ACCOUNT_POP3_SERVER);
    const char* user = account_field(account, ACCOUNT_USER);
    const char* inbox = account_field(account, ACCOUNT_INBOX);
    std::vector<ImapFolderPair> folders;
    if (imap_folders_load(server, user, inbox, &folders) != 0) {
        window.error(imap_folders_path(server, user).c_str());
        window.error(": could not read file.\r\n");
        ++tally->errors;
        return false;
    }
    MailSession session(window);
    const int options = account_options(account);
    std::string capabilities;
    if (!session.open()) {
        receive_error(window, "Error %i: Cannot create socket.\r\n", tally);
        return false;
    }
    int login = imap_account_login(session, account, &capabilities);
    if (login != LOGIN_OK) {
        if (login == LOGIN_EXPIRED)
            ++tally->errors;  // its own text is shown; the other accounts go on
        else
            receive_error(window, "Error %i: Cannot logon to IMAP server.\r\n", tally);
        session.close();
        return false;
    }
    ImapDownloadOptions download{.delete_after = (options & ACCOUNT_DELETE_FROM_SERVER) != 0,
                                 .uidplus = imap_has(capabilities, "UIDPLUS")};
    int stored = 0, errors_before = tally->errors;
    bool in_step = true;
    for (const ImapFolderPair& pair : folders) {
        // The job's caller marked the account's inbox busy; the other
        // local folders are marked while they are written into.
        bool mark = pair.local_folder != inbox;
        if (mark) busy_folders_add(pair.local_folder.c_str());
        int folder_stored = 0;
        in_step = receive_folder(window, session, account, pair, folders.size() > 1, download, tally, &folder_stored);
        if (mark) busy_folders_remove(pair.local_folder.c_str());
        stored += folder_stored;
        tally->stored += folder_stored;
        if (!in_step) break;
    }
    if (stored == 0 && alone && tally->errors == errors_before) window.line("You have no new mail.\r\n");
    // After a failure the replies may no longer match the commands; a
    // cancelled job's socket is dead already. Neither hears LOGOUT, and
    // leaving without it expunges nothing.
    if (in_step) imap_logout(session);
    session.close();
    return stored > 0 || !in_step;
}
