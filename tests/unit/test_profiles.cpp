// The account manager's rules without its windows: how Add and Remove move
// the accounts, what a settings window shows of an account, and what it
// refuses to store.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "profiles/account_form.h"
#include "profiles/account_list.h"
#include "profiles/settings_ids.h"

namespace {

void set_names(AccountList* list, std::vector<std::string> names) {
    list->table = AccountTable{};
    list->table.count = static_cast<int>(names.size());
    for (size_t i = 0; i < names.size(); i++) std::strcpy(list->table.accounts[i].fields[ACCOUNT_NAME], names[i].c_str());
    account_list_number(list);
}

std::string names(const AccountList& list) {
    std::string text;
    for (int i = 0; i < list.table.count; i++) text += std::string(list.table.accounts[i].fields[ACCOUNT_NAME]) + "|";
    return text;
}

TEST(AccountListTest, AddAppendsOrInsertsAtTheSelection) {
    AccountList list;
    EXPECT_EQ(account_list_add(&list, -1), 0);
    EXPECT_EQ(names(list), "|");

    set_names(&list, {"a", "b", "c"});
    std::strcpy(list.table.accounts[2].fields[ACCOUNT_USER], "c's user");
    EXPECT_EQ(account_list_add(&list, -1), 3);
    EXPECT_EQ(names(list), "a|b|c||");
    EXPECT_EQ(account_list_add(&list, 0), 0);
    EXPECT_EQ(names(list), "|a|b|c||");
    // Every field moves with its account, and the new one starts empty.
    EXPECT_STREQ(list.table.accounts[3].fields[ACCOUNT_USER], "c's user");
    for (int f = 0; f < account_fields; f++) EXPECT_STREQ(list.table.accounts[0].fields[f], "");
}

TEST(AccountListTest, TheTenthAccountIsTheLast) {
    AccountList list;
    set_names(&list, {"0", "1", "2", "3", "4", "5", "6", "7", "8"});
    EXPECT_EQ(account_list_add(&list, 4), 4);
    EXPECT_EQ(names(list), "0|1|2|3||4|5|6|7|8|");
    EXPECT_EQ(account_list_add(&list, -1), -1);
    EXPECT_EQ(account_list_add(&list, 0), -1);
    EXPECT_EQ(names(list), "0|1|2|3||4|5|6|7|8|");
}

TEST(AccountListTest, RemoveMovesTheLaterAccountsUp) {
    AccountList list;
    set_names(&list, {"a", "b", "c"});
    int b = list.ids[1];
    EXPECT_EQ(account_list_remove(&list, 1), b);
    EXPECT_EQ(names(list), "a|c|");
    set_names(&list, {"a", "b", "c"});
    account_list_remove(&list, 2);
    account_list_remove(&list, 0);
    EXPECT_EQ(names(list), "b|");
    EXPECT_EQ(account_list_remove(&list, 3), 0);
    EXPECT_EQ(account_list_remove(&list, -1), 0);
    EXPECT_EQ(names(list), "b|");
    // What left the table is gone from it, not left behind past its end.
    for (int f = 0; f < account_fields; f++) EXPECT_STREQ(list.table.accounts[1].fields[f], "");
}

TEST(AccountListTest, AnAccountKeepsItsNumberThroughAddAndRemove) {
    AccountList list;
    set_names(&list, {"a", "b", "c"});
    int c = list.ids[2];
    account_list_add(&list, 0);
    EXPECT_EQ(account_list_find(list, c), 3);
    int a = list.ids[1];
    account_list_remove(&list, 1);
    EXPECT_EQ(account_list_find(list, c), 2);
    EXPECT_EQ(account_list_find(list, a), -1);
    // A new account never takes the number of a removed one.
    int added = list.ids[account_list_add(&list, -1)];
    EXPECT_NE(added, a);
    EXPECT_EQ(account_list_find(list, a), -1);
}

AccountRecord record(std::vector<std::string> fields) {
    AccountRecord r{};
    for (size_t f = 0; f < fields.size(); f++) std::strcpy(r.fields[f], fields[f].c_str());
    return r;
}

AccountForm good_form() {
    AccountForm form;
    form.name = "home";
    form.smtp_server = "smtp.example.test:587";
    form.sender_name = "Ann Smith";
    form.sender_address = "ann@example.test";
    form.pop3_server = "pop.example.test";
    form.user = "ann";
    form.password = "secret";
    form.inbox = "maildir\\inbox";
    form.options = 0x19;
    return form;
}

TEST(AccountFormTest, SenderSplitAndJoin) {
    struct Row {
        const char* sender;
        const char* name;
        const char* address;
    };
    const Row rows[] = {
        {"\"Ann Smith\" <ann@example.test>", "Ann Smith", "ann@example.test"},
        {"ann@example.test", "", ""},
        {"Ann <ann@example.test>", "", "ann@example.test"},
        {"\"Ann\" ann@example.test", "Ann", ""},
        {"\"Ann <ann@example.test>", "", "ann@example.test"},
        {"\"\" <>", "", ""},
        {"", "", ""},
    };
    for (const Row& row : rows) {
        std::string name, address;
        split_sender(row.sender, &name, &address);
        EXPECT_EQ(name, row.name) << row.sender;
        EXPECT_EQ(address, row.address) << row.sender;
    }
    // At most 49 characters of each part are taken.
    std::string name, address;
    split_sender(("\"" + std::string(60, 'n') + "\" <" + std::string(60, 'a') + ">").c_str(), &name, &address);
    EXPECT_EQ(name, std::string(49, 'n'));
    EXPECT_EQ(address, std::string(49, 'a'));

    AccountRecord stored{};
    store_account_form(good_form(), &stored);
    EXPECT_STREQ(stored.fields[ACCOUNT_SENDER], "\"Ann Smith\" <ann@example.test>");
    EXPECT_STREQ(stored.fields[ACCOUNT_OPTIONS], "25");
}

TEST(AccountFormTest, ANewAccountOpensWithTheDefaultInbox) {
    AccountForm form = account_form_from(AccountRecord{});
    EXPECT_EQ(form.inbox, "maildir\\inbox");
    EXPECT_EQ(form.options, 0u);
    EXPECT_EQ(form.name, "");
    AccountForm stored = account_form_from(record({"home", "smtp", "\"Ann\" <ann@x>", "pop", "ann", "pw",
                                                   "maildir\\home", "4105"}));
    EXPECT_EQ(stored.inbox, "maildir\\home");
    EXPECT_EQ(stored.password, "pw");
    // Bits no box shows (0x1000 here) come along, to be stored back.
    EXPECT_EQ(stored.options, 4105u);
}

TEST(AccountFormTest, StoredFieldsAreTheTableLines) {
    AccountRecord stored = record({"old", "old", "old", "old", "old", "old", "old", "old"});
    store_account_form(good_form(), &stored);
    const char* expected[] = {"home", "smtp.example.test:587", "\"Ann Smith\" <ann@example.test>",
                              "pop.example.test", "ann", "secret", "maildir\\inbox", "25"};
    for (int f = 0; f < account_fields; f++) EXPECT_STREQ(stored.fields[f], expected[f]) << f;
    // Every field at its limit still fits its line whole.
    AccountForm full = good_form();
    full.smtp_server = std::string(98, 's');
    full.sender_name = std::string(46, 'n');
    full.sender_address = std::string(46, 'a');
    full.password = std::string(71, 'p');
    ASSERT_EQ(check_account_form(full).text, "");
    store_account_form(full, &stored);
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_SMTP_SERVER]), std::string(98, 's'));
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_SENDER]),
              "\"" + std::string(46, 'n') + "\" <" + std::string(46, 'a') + ">");
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_PASSWORD]), std::string(71, 'p'));
}

TEST(AccountFormTest, EachRefusalNamesItsFieldAndControl) {
    struct Row {
        std::string AccountForm::*field;
        std::string value;
        const char* text;
        int control;
    };
    const Row rows[] = {
        {&AccountForm::name, "", "Please enter an account name.", IDC_ACCOUNT_NAME},
        {&AccountForm::inbox, "", "Please enter an inbox path.", IDC_INBOX_PATH},
        {&AccountForm::inbox, "mail\\inbox", "Inbox path must begin with 'maildir\\'.", IDC_INBOX_PATH},
        {&AccountForm::inbox, "maildir/inbox", "Inbox path must begin with 'maildir\\'.", IDC_INBOX_PATH},
        {&AccountForm::inbox, "Maildir\\inbox", "Inbox path must begin with 'maildir\\'.", IDC_INBOX_PATH},
        {&AccountForm::password, std::string(72, 'p'), "Password is too long: at most 71 characters can be stored.",
         IDC_PASSWORD},
        {&AccountForm::name, std::string(99, 'n'), "Account is too long: at most 98 characters can be stored.",
         IDC_ACCOUNT_NAME},
        {&AccountForm::smtp_server, std::string(99, 's'),
         "SMTP server is too long: at most 98 characters can be stored.", IDC_SMTP_SERVER},
        {&AccountForm::sender_name, std::string(47, 'n'),
         "From (name) is too long: at most 46 characters can be stored.", IDC_SENDER_NAME},
        {&AccountForm::sender_address, std::string(47, 'a'),
         "From (e-mail) is too long: at most 46 characters can be stored.", IDC_SENDER_ADDRESS},
        {&AccountForm::inbox, "maildir\\" + std::string(91, 'i'),
         "Path to inbox folder is too long: at most 98 characters can be stored.", IDC_INBOX_PATH},
        {&AccountForm::user, "ann\r\nDELE 1", "Username must not contain a line break.", IDC_USER_NAME},
        {&AccountForm::pop3_server, "pop\n", "POP3 server must not contain a line break.", IDC_POP3_SERVER},
        {&AccountForm::password, "pw\nQUIT", "Password must not contain a line break.", IDC_PASSWORD},
        {&AccountForm::sender_name, "Ann \"the\" Smith", "From (name) must not contain a double quote.",
         IDC_SENDER_NAME},
        {&AccountForm::sender_address, "ann>@example.test",
         "From (e-mail) must not contain \"<\", \">\" or a double quote.", IDC_SENDER_ADDRESS},
        {&AccountForm::sender_address, "<ann@example.test",
         "From (e-mail) must not contain \"<\", \">\" or a double quote.", IDC_SENDER_ADDRESS},
        {&AccountForm::sender_address, "a\"nn@example.test",
         "From (e-mail) must not contain \"<\", \">\" or a double quote.", IDC_SENDER_ADDRESS},
    };
    for (const Row& row : rows) {
        AccountForm form = good_form();
        form.*row.field = row.value;
        FormRefusal refusal = check_account_form(form);
        EXPECT_EQ(refusal.text, row.text) << row.value;
        EXPECT_EQ(refusal.control, row.control) << row.value;
    }
    // Accepted: the prefix and a folder, and an account name that marks
    // "no default account".
    AccountForm form = good_form();
    form.inbox = "maildir\\lists\\work";
    form.name = "!home";
    EXPECT_EQ(check_account_form(form).text, "");
}

TEST(AccountFormTest, ChoiceBoxesStandForTheirBits) {
    struct Row {
        const char* options;
        int pop3, smtp, incoming;
    };
    const Row rows[] = {{"0", SECURITY_NONE, SECURITY_NONE, INCOMING_POP3},
                        {"64", SECURITY_TLS, SECURITY_NONE, INCOMING_POP3},
                        {"128", SECURITY_STARTTLS, SECURITY_NONE, INCOMING_POP3},
                        {"192", SECURITY_TLS, SECURITY_NONE, INCOMING_POP3},
                        {"256", SECURITY_NONE, SECURITY_TLS, INCOMING_POP3},
                        {"512", SECURITY_NONE, SECURITY_STARTTLS, INCOMING_POP3},
                        {"16384", SECURITY_NONE, SECURITY_NONE, INCOMING_IMAP},
                        {"16448", SECURITY_TLS, SECURITY_NONE, INCOMING_IMAP}};
    for (const Row& row : rows) {
        AccountForm form = account_form_from(record({"a", "", "", "", "", "", "", row.options}));
        EXPECT_EQ(form.pop3_security, row.pop3) << row.options;
        EXPECT_EQ(form.smtp_security, row.smtp) << row.options;
        EXPECT_EQ(form.incoming, row.incoming) << row.options;
    }
    // Stored back: each choice replaces its own bits, and every other bit
    // stays; switching back to POP3 clears the IMAP bit alone.
    AccountForm form = good_form();
    form.options = 0x1000 | 0x40 | 0x80 | 0x100 | 0x19;
    form.pop3_security = SECURITY_STARTTLS;
    form.smtp_security = SECURITY_NONE;
    form.incoming = INCOMING_IMAP;
    AccountRecord stored{};
    store_account_form(form, &stored);
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_OPTIONS]), std::to_string(0x4000 | 0x1000 | 0x80 | 0x19));
    form = account_form_from(stored);
    form.incoming = INCOMING_POP3;
    store_account_form(form, &stored);
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_OPTIONS]), std::to_string(0x1000 | 0x80 | 0x19));
    std::vector<std::vector<std::string>> names;
    for (const ChoiceBox& box : account_choice_boxes()) names.emplace_back(box.names.begin(), box.names.end());
    EXPECT_EQ(names, (std::vector<std::vector<std::string>>{
                         {"POP3", "IMAP"}, {"None", "TLS", "STARTTLS"}, {"None", "TLS", "STARTTLS"}}));
    // The server's refusals name the protocol the user chose.
    form = good_form();
    form.pop3_server = "imap\r";
    form.incoming = INCOMING_IMAP;
    EXPECT_EQ(check_account_form(form).text, "IMAP server must not contain a line break.");
    EXPECT_STREQ(incoming_labels(INCOMING_POP3).security, "POP3 security");
    EXPECT_STREQ(incoming_labels(INCOMING_IMAP).security, "IMAP security");
    EXPECT_STREQ(incoming_labels(INCOMING_POP3).auth, "POP Password Authentication");
    EXPECT_STREQ(incoming_labels(INCOMING_IMAP).auth, "IMAP Password Authentication");
}

TEST(AccountFormTest, OptionBoxesStandForTheTableBits) {
    std::vector<std::pair<int, unsigned>> rows;
    for (const CheckBit& row : account_option_boxes()) rows.push_back({row.control, row.bit});
    std::vector<std::pair<int, unsigned>> expected = {{130, 0x10}, {122, 0x8}, {123, 0x4}, {125, 0x2}, {126, 0x1}};
    EXPECT_EQ(rows, expected);
}

}  // namespace
