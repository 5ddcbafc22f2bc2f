#include <string>

#include "core/accounts.h"
#include "transport/imap.h"
#include "transport/imap_download.h"
#include "transport/login_secret.h"
#include "transport/receive_account.h"
#include "transport/sasl.h"

namespace {

// The server folder every IMAP account downloads, into the account's inbox.
constexpr const char* server_inbox = "INBOX";

}  // namespace

bool receive_imap_account(JobStatus& window, int account, bool alone, ReceiveTally* tally) {
    MailSession session(window);
    if (!session.open()) {
        receive_error(window, "Error %i: Cannot create socket.\r\n", tally);
        return false;
    }
    const char* server = account_field(account, ACCOUNT_POP3_SERVER);
    const char* user = account_field(account, ACCOUNT_USER);
    const int options = account_options(account);
    std::string capabilities;
    int login = account_login(session, account, [&](const char* secret, bool again) {
        // A second try starts on a new connection, as the first did.
        if (again && !session.open()) return -1;
        return imap_login(session, server, user, secret, account_login_options(options, ACCOUNT_POP3_AUTH),
                          &capabilities);
    });
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
    int result = imap_download(session, server, user, server_inbox, account_field(account, ACCOUNT_INBOX), download,
                               &stored);
    tally->stored += stored;
    if (result == imap_uidvalidity_changed) {
        // Its old UIDs name nothing now: downloading it again would store
        // every message a second time, which is the user's choice to make.
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
