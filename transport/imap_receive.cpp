#include <string>

#include "core/accounts.h"
#include "core/ui_services.h"
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
bool download_again() {
    return ui_message_box(nullptr,
                          "The server's folder INBOX was replaced, so its messages cannot be told from those "
                          "received before. Would you like to download all of them again?",
                          "Zenth Mail", UI_YESNO | UI_ICON_QUESTION) == UI_ANSWER_YES;
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

bool receive_imap_account(JobStatus& window, int account, bool alone, ReceiveTally* tally) {
    MailSession session(window);
    const char* server = account_field(account, ACCOUNT_POP3_SERVER);
    const char* user = account_field(account, ACCOUNT_USER);
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
    int stored = 0;
    const char* inbox = account_field(account, ACCOUNT_INBOX);
    int result = imap_download(session, server, user, imap_server_inbox, inbox, download, &stored);
    if (result == imap_uidvalidity_changed && !window.cancelled() && download_again()) {
        download.new_uidvalidity = true;
        result = imap_download(session, server, user, imap_server_inbox, inbox, download, &stored);
    }
    tally->stored += stored;
    if (result == imap_uidvalidity_changed) {
        // Counted as an error, so that the summary does not read as a
        // check that found everything.
        window.line("The server's folder INBOX was replaced: nothing was downloaded from it.\r\n");
        ++tally->errors;
    } else if (result != 0) {
        receive_error(window, "Error %i: Cannot download messages.\r\n", tally);
    } else if (stored == 0 && alone) {
        window.line("You have no new mail.\r\n");
    }
    // After a failure the replies may no longer match the commands; a
    // cancelled job's socket is dead already. Neither hears LOGOUT, and
    // leaving without it expunges nothing.
    if (result == 0 || result == imap_uidvalidity_changed) {
        if (!window.cancelled() && session.is_open()) imap_logout(session);
    }
    session.close();
    return stored > 0 || result == -1;
}
