#include "profiles/account_list.h"

#include <cstdio>

#include "format/imap_folders.h"
#include "format/oauth_grant.h"

void account_list_number(AccountList* list) {
    for (int i = 0; i < list->table.count; i++) list->ids[i] = list->next_id++;
}

int account_list_add(AccountList* list, int selection) {
    AccountTable& table = list->table;
    if (table.count >= max_accounts) return -1;
    int at = selection < 0 || selection > table.count ? table.count : selection;
    for (int i = table.count; i > at; i--) {
        table.accounts[i] = table.accounts[i - 1];
        list->ids[i] = list->ids[i - 1];
    }
    table.accounts[at] = AccountRecord{};
    // Mail clients are to use TLS from the first byte (RFC 8314): a new
    // account starts with POP3S and SMTPS, not plain text.
    std::snprintf(table.accounts[at].fields[ACCOUNT_OPTIONS], account_field_size, "%d", new_account_options);
    list->ids[at] = list->next_id++;
    table.count++;
    return at;
}

int account_list_remove(AccountList* list, int index) {
    AccountTable& table = list->table;
    if (index < 0 || index >= table.count) return 0;
    int id = list->ids[index];
    list->removed.emplace_back(table.accounts[index].fields[ACCOUNT_POP3_SERVER],
                               table.accounts[index].fields[ACCOUNT_USER]);
    for (int i = index; i + 1 < table.count; i++) {
        table.accounts[i] = table.accounts[i + 1];
        list->ids[i] = list->ids[i + 1];
    }
    table.count--;
    table.accounts[table.count] = AccountRecord{};
    list->ids[table.count] = 0;
    return id;
}

int account_list_find(const AccountList& list, int id) {
    for (int i = 0; i < list.table.count; i++)
        if (list.ids[i] == id) return i;
    return -1;
}

void account_list_drop_removed_files(AccountList* list) {
    for (const auto& [server, user] : list->removed) {
        bool still_named = false;
        for (int i = 0; i < list->table.count; i++) {
            const AccountRecord& a = list->table.accounts[i];
            still_named = still_named || (server == a.fields[ACCOUNT_POP3_SERVER] && user == a.fields[ACCOUNT_USER]);
        }
        if (still_named) continue;
        oauth_grant_remove(server.c_str(), user.c_str());
        imap_folders_remove(server.c_str(), user.c_str());
    }
    list->removed.clear();
}
