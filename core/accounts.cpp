#include "core/accounts.h"

#include <atomic>
#include <cstdlib>

#include "core/app_state.h"

namespace {

std::atomic<int> accounts_loaded{0};
std::atomic<bool> no_default{false};

Array* entry(int account, int field) { return app.accounts->items[account * account_fields + field]; }

}  // namespace

void accounts_use(const AccountTable* table) {
    accounts_loaded = 0;
    no_default = false;
    string_list_clear(app.accounts);
    if (!table) return;
    int count = table->count < max_accounts ? table->count : max_accounts;
    for (int account = 0; account < count; account++)
        for (int field = 0; field < account_fields; field++)
            array_copy_at(entry(account, field), 0, table->accounts[account].fields[field], account_field_size);
    accounts_loaded = count;
    no_default = count > 0 && entry(0, ACCOUNT_NAME)->text[0] == '!';
}

int account_count() { return accounts_loaded; }

const char* account_field(int account, AccountField field) {
    int f = static_cast<int>(field);
    if (account < 0 || account >= accounts_loaded || f < 0 || f >= account_fields) return nullptr;
    return entry(account, field)->text;
}

int account_options(int account) {
    const char* options = account_field(account, ACCOUNT_OPTIONS);
    return options ? std::atoi(options) : 0;
}

int account_provider(int flags) { return (flags & ACCOUNT_PROVIDER_MASK) >> ACCOUNT_PROVIDER_SHIFT; }

int with_account_provider(int flags, int provider) {
    // A number the bits cannot hold is no provider the table knows.
    if (provider < 0 || provider > (ACCOUNT_PROVIDER_MASK >> ACCOUNT_PROVIDER_SHIFT)) provider = 0;
    return (flags & ~ACCOUNT_PROVIDER_MASK) | ((provider << ACCOUNT_PROVIDER_SHIFT) & ACCOUNT_PROVIDER_MASK);
}

bool no_default_account() { return no_default; }
