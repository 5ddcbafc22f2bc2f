// The account manager's table while it runs: the accounts in list order,
// each with a number of its own that stays with it through Add and Remove,
// so that a settings window opened on an account keeps editing that account
// however the list changes meanwhile. The list window and the settings
// windows run on threads of their own; every change goes through the lock.
#pragma once

#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "core/accounts.h"

struct AccountList {
    std::mutex lock;
    AccountTable table;
    int ids[max_accounts] = {};  // the number of the account at each index
    int next_id = 1;
    // The mailboxes (POP3 server, user name) of the accounts removed since
    // the table was read: their OAuth 2.0 grants and server folder lists go
    // once the table without them is written, and stay when the user cancels.
    std::vector<std::pair<std::string, std::string>> removed;
};

// Gives the accounts read from the file their numbers.
void account_list_number(AccountList* list);

// The options of a new account: TLS from the first byte both ways.
constexpr int new_account_options = ACCOUNT_POP3_TLS | ACCOUNT_SMTP_TLS;

// Adds an account, empty but for its options: appended when `selection` is -1, else inserted at
// `selection` with the accounts from there on moved one place down. Returns
// its index, or -1 when the table already holds ten accounts.
int account_list_add(AccountList* list, int selection);
// Removes the account at `index`, moving the later ones up. Returns the
// removed account's number, 0 when there is no such account.
int account_list_remove(AccountList* list, int index);
// The index of the account with that number, -1 when it was removed.
int account_list_find(const AccountList& list, int id);
// After the table was written: removes the grant and the server folder list
// of every removed account whose mailbox no account of the table still names.
void account_list_drop_removed_files(AccountList* list);
