// The account manager's rules without its windows: how Add and Remove move
// the accounts, what a settings window shows of an account, and what it
// refuses to store; an IMAP account's server folder list and its file.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/oauth_providers.h"
#include "format/imap_folders.h"
#include "profiles/account_form.h"
#include "profiles/account_list.h"
#include "profiles/server_folders.h"
#include "profiles/settings_ids.h"
#include "profiles/sign_in_fields.h"
#include "profiles/sign_in_ids.h"
#include "tests/unit/test_support.h"

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
    // Every field moves with its account, and the new one starts empty
    // but for TLS on both sides (POP3S, SMTPS).
    EXPECT_STREQ(list.table.accounts[3].fields[ACCOUNT_USER], "c's user");
    for (int f = 0; f < ACCOUNT_OPTIONS; f++) EXPECT_STREQ(list.table.accounts[0].fields[f], "");
    EXPECT_STREQ(list.table.accounts[0].fields[ACCOUNT_OPTIONS], "320");
    AccountForm form = account_form_from(list.table.accounts[0]);
    EXPECT_EQ(form.pop3_security, SECURITY_TLS);
    EXPECT_EQ(form.smtp_security, SECURITY_TLS);
    EXPECT_EQ(form.sign_in, SIGN_IN_PASSWORD);
    EXPECT_EQ(form.provider, provider_entry_other);
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
                                                   "maildir\\home", "32777"}));
    EXPECT_EQ(stored.inbox, "maildir\\home");
    EXPECT_EQ(stored.password, "pw");
    // Bits no box shows (0x8000 here) come along, to be stored back.
    EXPECT_EQ(stored.options, 32777u);
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
        int options;
        int pop3, smtp, incoming, sign_in, provider;
    };
    constexpr int other = provider_entry_other;
    const Row rows[] = {{0, SECURITY_NONE, SECURITY_NONE, INCOMING_POP3, SIGN_IN_PASSWORD, other},
                        {0x40, SECURITY_TLS, SECURITY_NONE, INCOMING_POP3, SIGN_IN_PASSWORD, other},
                        {0x80, SECURITY_STARTTLS, SECURITY_NONE, INCOMING_POP3, SIGN_IN_PASSWORD, other},
                        {0xC0, SECURITY_TLS, SECURITY_NONE, INCOMING_POP3, SIGN_IN_PASSWORD, other},
                        {0x100, SECURITY_NONE, SECURITY_TLS, INCOMING_POP3, SIGN_IN_PASSWORD, other},
                        {0x200, SECURITY_NONE, SECURITY_STARTTLS, INCOMING_POP3, SIGN_IN_PASSWORD, other},
                        {0x4000, SECURITY_NONE, SECURITY_NONE, INCOMING_IMAP, SIGN_IN_PASSWORD, other},
                        {0x4040, SECURITY_TLS, SECURITY_NONE, INCOMING_IMAP, SIGN_IN_PASSWORD, other},
                        {0x400 | 0x800, SECURITY_NONE, SECURITY_NONE, INCOMING_POP3, SIGN_IN_OAUTH, 0},
                        {0x1000 | 0x140, SECURITY_TLS, SECURITY_TLS, INCOMING_POP3, SIGN_IN_PASSWORD, 1},
                        // A provider number of a later version shows "Other".
                        {0x2800 | 0x400, SECURITY_NONE, SECURITY_NONE, INCOMING_POP3, SIGN_IN_OAUTH, other}};
    for (const Row& row : rows) {
        AccountForm form = account_form_from(record({"a", "", "", "", "", "", "", std::to_string(row.options)}));
        EXPECT_EQ(form.pop3_security, row.pop3) << row.options;
        EXPECT_EQ(form.smtp_security, row.smtp) << row.options;
        EXPECT_EQ(form.incoming, row.incoming) << row.options;
        EXPECT_EQ(form.sign_in, row.sign_in) << row.options;
        EXPECT_EQ(form.provider, row.provider) << row.options;
        // Stored back as shown, every bit stays: both TLS bits, and a
        // provider number only a later version knows.
        AccountRecord stored{};
        store_account_form(form, &stored);
        EXPECT_EQ(std::string(stored.fields[ACCOUNT_OPTIONS]), std::to_string(row.options));
    }
    // Each choice replaces its own bits, and every other bit stays;
    // switching back to POP3 clears the IMAP bit alone.
    AccountForm form = good_form();
    form.options = 0x8000 | 0x40 | 0x80 | 0x100 | 0x2800 | 0x19;
    form.pop3_security = SECURITY_STARTTLS;
    form.smtp_security = SECURITY_NONE;
    form.incoming = INCOMING_IMAP;
    form.sign_in = SIGN_IN_OAUTH;
    form.provider = 1;
    AccountRecord stored{};
    store_account_form(form, &stored);
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_OPTIONS]), std::to_string(0x4000 | 0x8000 | 0x80 | 0x400 | 0x1000 | 0x19));
    form = account_form_from(stored);
    form.incoming = INCOMING_POP3;
    form.sign_in = SIGN_IN_PASSWORD;
    form.provider = other;
    store_account_form(form, &stored);
    EXPECT_EQ(std::string(stored.fields[ACCOUNT_OPTIONS]), std::to_string(0x8000 | 0x80 | 0x19));
    std::vector<std::vector<std::string>> names;
    for (const ChoiceBox& box : account_choice_boxes()) names.emplace_back(box.names.begin(), box.names.end());
    EXPECT_EQ(names, (std::vector<std::vector<std::string>>{{"POP3", "IMAP"},
                                                            {"None", "TLS", "STARTTLS"},
                                                            {"None", "TLS", "STARTTLS"},
                                                            {"Password", "OAuth 2.0"},
                                                            {"Microsoft", "Google", "Other"}}));
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

TEST(AccountFormTest, AProviderFillsItsPresetAndTheSignInFields) {
    // The provider box lists the presets in their table's order: its entry
    // is the preset's index.
    const ChoiceBox& box = account_choice_boxes()[4];
    ASSERT_EQ(box.names.size(), oauth_providers().size());
    for (size_t i = 0; i < box.names.size(); i++) {
        EXPECT_STREQ(box.names[i], oauth_providers()[i].name);
        EXPECT_EQ(box.bits[i], static_cast<unsigned>(oauth_providers()[i].id) << ACCOUNT_PROVIDER_SHIFT);
    }
    AccountForm form = good_form();
    fill_from_provider(&form, 1);
    EXPECT_EQ(form.pop3_server, "pop.gmail.com");
    EXPECT_EQ(form.smtp_server, "smtp.gmail.com");
    EXPECT_EQ(form.pop3_security, SECURITY_TLS);
    EXPECT_EQ(form.smtp_security, SECURITY_TLS);
    fill_from_provider(&form, 0);
    EXPECT_EQ(form.pop3_server, "outlook.office365.com");
    EXPECT_EQ(form.smtp_server, "smtp.office365.com:587");
    EXPECT_EQ(form.smtp_security, SECURITY_STARTTLS);
    form.incoming = INCOMING_IMAP;
    fill_from_provider(&form, 1);
    EXPECT_EQ(form.pop3_server, "imap.gmail.com");
    // "Other" has no servers: the user's stay, and TLS is set both ways.
    form = good_form();
    fill_from_provider(&form, provider_entry_other);
    EXPECT_EQ(form.pop3_server, "pop.example.test");
    EXPECT_EQ(form.smtp_server, "smtp.example.test:587");
    EXPECT_EQ(form.pop3_security, SECURITY_TLS);
    EXPECT_EQ(form.smtp_security, SECURITY_TLS);
    AccountRecord stored{};
    store_account_form(form, &stored);
    EXPECT_STREQ(stored.fields[ACCOUNT_OPTIONS], std::to_string(0x140 | 0x19).c_str());
    FormRefusal refusal;

    // A sign-in is kept under the server and user name: both come first.
    form = good_form();
    EXPECT_EQ(check_mailbox_named(form, "the sign-in is").text, "");
    form.user = "";
    EXPECT_EQ(check_mailbox_named(form, "the sign-in is").control, IDC_USER_NAME);
    form.pop3_server = "";
    form.incoming = INCOMING_IMAP;
    refusal = check_mailbox_named(form, "the sign-in is");
    EXPECT_EQ(refusal.text, "Please enter the IMAP server first: the sign-in is kept for it.");
    EXPECT_EQ(refusal.control, IDC_POP3_SERVER);
    EXPECT_EQ(check_mailbox_named(form, "the server folders are").text,
              "Please enter the IMAP server first: the server folders are kept for it.");

    // The sign-in dialog starts from the preset, and from the account's
    // grant where it signed in before.
    SignInFields fields = sign_in_fields(1, nullptr);
    EXPECT_EQ(fields.authorization_endpoint, "https://accounts.google.com/o/oauth2/v2/auth");
    EXPECT_EQ(fields.token_endpoint, "https://oauth2.googleapis.com/token");
    EXPECT_EQ(fields.scopes, "https://mail.google.com/");
    EXPECT_EQ(fields.client_id + fields.client_secret, "");
    OAuthGrant grant{"https://idp.example.test/token", "my-app", "my-secret", "refresh"};
    fields = sign_in_fields(0, &grant);
    EXPECT_EQ(fields.authorization_endpoint, "https://login.microsoftonline.com/common/oauth2/v2.0/authorize");
    EXPECT_EQ(fields.token_endpoint + "|" + fields.client_id + "|" + fields.client_secret,
              "https://idp.example.test/token|my-app|my-secret");
    EXPECT_EQ(sign_in_fields(7, nullptr).authorization_endpoint, "");
    // What is missing is asked for, in the dialog's order; Google's token
    // endpoint also wants the application's secret, Microsoft's does not.
    fields = sign_in_fields(1, nullptr);
    EXPECT_EQ(check_sign_in_fields(fields).control, IDC_CLIENT_ID);
    fields.client_id = "my-app";
    refusal = check_sign_in_fields(fields);
    EXPECT_EQ(refusal.text, "Please enter the client secret of that application: this provider asks for it.");
    EXPECT_EQ(refusal.control, IDC_CLIENT_SECRET);
    fields = sign_in_fields(0, nullptr);
    fields.client_id = "my-app";
    EXPECT_EQ(check_sign_in_fields(fields).text, "");
    fields = sign_in_fields(provider_entry_other, nullptr);
    EXPECT_EQ(check_sign_in_fields(fields).text, "Please enter the provider's authorization endpoint.");
    fields.authorization_endpoint = "https://idp.example.test/authorize";
    EXPECT_EQ(check_sign_in_fields(fields).control, IDC_TOKEN_ENDPOINT);
    std::vector<int> controls;
    for (const SignInEdit& edit : sign_in_edits()) controls.push_back(edit.control);
    EXPECT_EQ(controls, (std::vector<int>{IDC_AUTHORIZATION_ENDPOINT, IDC_TOKEN_ENDPOINT, IDC_SCOPES, IDC_CLIENT_ID,
                                          IDC_CLIENT_SECRET}));
}

TEST(AccountFormTest, OptionBoxesStandForTheTableBits) {
    std::vector<std::pair<int, unsigned>> rows;
    for (const CheckBit& row : account_option_boxes()) rows.push_back({row.control, row.bit});
    std::vector<std::pair<int, unsigned>> expected = {{130, 0x10}, {122, 0x8}, {123, 0x4}, {125, 0x2}, {126, 0x1}};
    EXPECT_EQ(rows, expected);
}

const char* const mailbox_server = "imap.example.test:993";
const char* const mailbox_user = "ann@example.test";

using ImapFolderFile = FolderTest;

// The server folders of an IMAP account: the default without a file, the
// file's exact lines, and every kind of damage refused whole, the list then
// empty, never cut or half read.
TEST_F(ImapFolderFile, DefaultRoundTripAndDamageRefused) {
    std::vector<ImapFolderPair> pairs{{"x", "maildir\\x"}};
    ASSERT_EQ(imap_folders_load(mailbox_server, mailbox_user, "maildir\\ann", &pairs), 0);
    ASSERT_EQ(pairs.size(), 1u);
    EXPECT_EQ(pairs[0].server_folder, "INBOX");
    EXPECT_EQ(pairs[0].local_folder, "maildir\\ann");

    const std::vector<ImapFolderPair> two{{"INBOX", "maildir\\inbox"}, {"K\xc3\xbc" "che/T\xc3\xb6pfe", "maildir\\kitchen"}};
    ASSERT_EQ(imap_folders_save(mailbox_server, mailbox_user, two), 0);
    const std::string path = imap_folders_path(mailbox_server, mailbox_user);
    EXPECT_EQ(path.size(), 27u);
    EXPECT_EQ(path.rfind("folders", 0), 0u);
    EXPECT_NE(path, imap_folders_path(mailbox_server, "bob@example.test"));
    const std::string bytes = "INBOX\tmaildir\\inbox\r\nK\xc3\xbc" "che/T\xc3\xb6pfe\tmaildir\\kitchen\r\n";
    EXPECT_EQ(read_file(folder_ / path), bytes);
    ASSERT_EQ(imap_folders_load(mailbox_server, mailbox_user, "maildir\\ann", &pairs), 0);
    ASSERT_EQ(pairs.size(), 2u);
    EXPECT_EQ(pairs[1].server_folder, two[1].server_folder);
    EXPECT_EQ(pairs[1].local_folder, "maildir\\kitchen");
    write_file(folder_ / path, "Work\tmaildir\\work\n");  // an editor's line ends
    ASSERT_EQ(imap_folders_load(mailbox_server, mailbox_user, "maildir\\ann", &pairs), 0);
    EXPECT_EQ(pairs.size(), 1u);

    std::string many;
    for (size_t i = 0; i <= imap_folders_most; i++) many += "F" + std::to_string(i) + "\tmaildir\\f\r\n";
    const std::string damaged[] = {
        "", "INBOX maildir\\inbox\r\n", "INBOX\tmaildir\\inbox", "\tmaildir\\inbox\r\n", "INBOX\t\r\n",
        "INBOX\tinbox\r\n", "INBOX\tmaildir\\\r\n", "A\xff\tmaildir\\a\r\n", "A\x01" "B\tmaildir\\a\r\n",
        "A\tmaildir\\a\tb\r\n", "A\tmaildir\\..\\a\r\n", "A\tmaildir\\a\\\\b\r\n", "A\tmaildir\\a\\\r\n",
        std::string(imap_server_folder_limit + 1, 'a') + "\tmaildir\\a\r\n",
        "A\tmaildir\\" + std::string(imap_local_folder_limit, 'a') + "\r\n", many,
        std::string(4 << 20, 'a'),
    };
    for (const std::string& text : damaged) {
        write_file(folder_ / path, text);
        pairs = two;
        EXPECT_EQ(imap_folders_load(mailbox_server, mailbox_user, "maildir\\ann", &pairs), -1) << text.substr(0, 60);
        EXPECT_TRUE(pairs.empty());
    }
    // What the loader would refuse is never written; the old file stays.
    write_file(folder_ / path, bytes);
    EXPECT_EQ(imap_folders_save(mailbox_server, mailbox_user, {}), -1);
    EXPECT_EQ(imap_folders_save(mailbox_server, mailbox_user, {{"A\tB", "maildir\\a"}}), -1);
    EXPECT_EQ(imap_folders_save(mailbox_server, mailbox_user, {{"A", "maildir\\a\r\nB\tmaildir\\b"}}), -1);
    EXPECT_EQ(imap_folders_save(mailbox_server, mailbox_user, std::vector<ImapFolderPair>(21, {"A", "maildir\\a"})), -1);
    EXPECT_EQ(read_file(folder_ / path), bytes);
    EXPECT_EQ(imap_folder_refusal({"A", "inbox"}), "The local folder must begin with 'maildir\\'.");
    EXPECT_EQ(imap_folder_refusal({"A", "maildir\\a\\.\\b"}), "The local folder must name a folder below 'maildir\\'.");
    EXPECT_EQ(imap_folder_refusal({"A", "maildir\\a\\b.c\\..d"}), "");
    EXPECT_EQ(imap_folders_remove(mailbox_server, mailbox_user), 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / path));
    EXPECT_EQ(imap_folders_remove(mailbox_server, mailbox_user), 0);
}

// The account manager's dialog: its rows, the local folders it offers
// (nested ones too, hidden ones not), and what it refuses to list.
TEST_F(ImapFolderFile, TheDialogsRowsLocalFoldersAndRefusals) {
    for (const char* dir : {"maildir/inbox", "maildir/work/2026", "maildir/.hidden", "maildir/Archive"})
        std::filesystem::create_directories(folder_ / dir);
    write_file(folder_ / "maildir/inbox/mm1.eml", "x");
    EXPECT_EQ(local_folder_paths(), (std::vector<std::string>{"maildir\\Archive", "maildir\\inbox", "maildir\\work",
                                                              "maildir\\work\\2026"}));
    EXPECT_EQ(folder_row_text({"INBOX", "maildir\\inbox"}), "INBOX -> maildir\\inbox");
    std::vector<ImapFolderPair> list{{"INBOX", "maildir\\inbox"}, {"Work", "maildir\\work"}};
    EXPECT_EQ(folder_list_refusal(list, {"Archive", "maildir\\Archive"}, -1), "");
    EXPECT_EQ(folder_list_refusal(list, {"Work", "maildir\\work\\2026"}, 1), "");  // the row itself changed
    EXPECT_EQ(folder_list_refusal(list, {"Work", "maildir\\Archive"}, 0), "The server folder Work is in the list already.");
    EXPECT_EQ(folder_list_refusal(list, {"", "maildir\\Archive"}, -1), "Please enter the server folder's name.");
    EXPECT_EQ(folder_list_refusal(list, {"A", "Archive"}, -1), "The local folder must begin with 'maildir\\'.");
    list.resize(imap_folders_most, {"x", "maildir\\x"});
    EXPECT_EQ(folder_list_refusal(list, {"Archive", "maildir\\Archive"}, -1),
              "At most 20 server folders can be downloaded.");
    EXPECT_EQ(folder_list_refusal(list, {"Archive", "maildir\\Archive"}, 3), "");
}

}  // namespace
