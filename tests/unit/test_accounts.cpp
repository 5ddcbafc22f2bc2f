#include <filesystem>
#include <string>

#include "client/client_accounts.h"
#include "client/client_keys.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/oauth_providers.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "tests/unit/test_support.h"
#include "transport/sasl.h"
#include "transport/tls.h"

namespace {

std::string key_bytes() {
    std::string key;
    for (int i = 0; i < 32; i++) key += static_cast<char>(255 - i * 5);
    return key;
}

class AccountsTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        if (!app.program_folder) create_app_state();
        write_file(folder_ / "pwdkey.dat", key_bytes());
        ASSERT_EQ(password_key_load(), 0);
    }
    void TearDown() override {
        std::filesystem::remove(folder_ / "pwdkey.dat");
        password_key_load();
        FolderTest::TearDown();
    }
    std::string stored(const std::string& password) {
        Array* a = array_new(100);
        EXPECT_EQ(encode_password(password_key(), password.c_str(), a), 0);
        std::string s = a->text;
        delete_arrays(a);
        return s;
    }
    std::string account(const std::string& name, const std::string& password = "secret", int options = 9) {
        return name + "\r\nsmtp.example.test:25\r\n\"" + name + "\" <" + name + "@example.test>\r\npop.example.test\r\n" +
               name + "\r\n" + stored(password) + "\r\nmaildir\\inbox\r\n" + std::to_string(options) + "\r\n";
    }
    UiRecorder ui;
    QuitRecorder quit;
};

TEST_F(AccountsTest, TableLoadsEveryFieldWithThePasswordInPlainText) {
    write_file(folder_ / "accountdata.cfg", account("home", "hunter2", 25) + account("work", "p@ss w0rd!", 2));
    ASSERT_EQ(accounts_load(), 0);
    ASSERT_EQ(account_count(), 2);
    EXPECT_STREQ(account_field(0, ACCOUNT_NAME), "home");
    EXPECT_STREQ(account_field(0, ACCOUNT_SMTP_SERVER), "smtp.example.test:25");
    EXPECT_STREQ(account_field(0, ACCOUNT_SENDER), "\"home\" <home@example.test>");
    EXPECT_STREQ(account_field(0, ACCOUNT_POP3_SERVER), "pop.example.test");
    EXPECT_STREQ(account_field(0, ACCOUNT_USER), "home");
    EXPECT_STREQ(account_field(0, ACCOUNT_PASSWORD), "hunter2");
    EXPECT_STREQ(account_field(0, ACCOUNT_INBOX), "maildir\\inbox");
    EXPECT_EQ(account_options(0), 25);
    EXPECT_STREQ(account_field(1, ACCOUNT_PASSWORD), "p@ss w0rd!");
    EXPECT_EQ(account_field(2, ACCOUNT_NAME), nullptr);
    EXPECT_FALSE(no_default_account());
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(AccountsTest, StoredPasswordLengthsFollowThePadding) {
    EXPECT_EQ(stored("1234567").size(), 12u);
    EXPECT_EQ(stored("12345678").size(), 24u);
    EXPECT_EQ(stored("").size(), 12u);
    EXPECT_EQ(stored(std::string(71, 'x')).size(), 96u);
    Array* a = array_new(100);
    EXPECT_EQ(encode_password(password_key(), std::string(72, 'x').c_str(), a), -1);
    delete_arrays(a);
    for (int n = 0; n <= 71; n++) {
        std::string password(n, static_cast<char>('a' + n % 26));
        write_file(folder_ / "accountdata.cfg", account("a", password));
        ASSERT_EQ(accounts_load(), 0);
        EXPECT_EQ(std::string(account_field(0, ACCOUNT_PASSWORD)), password) << n;
    }
}

TEST_F(AccountsTest, EmptyTableHasNoAccountsAndAsksNothing) {
    write_file(folder_ / "accountdata.cfg", "");
    EXPECT_EQ(accounts_load(), 0);
    EXPECT_EQ(account_count(), 0);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(AccountsTest, MissingTableIsCreatedAndTheManagerOffered) {
    EXPECT_EQ(accounts_load(), -1);
    EXPECT_TRUE(std::filesystem::exists(folder_ / "accountdata.cfg"));
    EXPECT_EQ(std::filesystem::file_size(folder_ / "accountdata.cfg"), 0u);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Would you like to setup an e-mail account now?");
    EXPECT_EQ(ui.boxes[0].style, static_cast<unsigned>(UI_YESNO | UI_ICON_QUESTION));
    EXPECT_EQ(quit.count(), 0);  // answered No

    std::filesystem::remove(folder_ / "accountdata.cfg");
    ui.answers = {UI_ANSWER_YES};
    EXPECT_EQ(accounts_load(), -1);
    EXPECT_EQ(quit.count(), 1);  // the manager is not there, the client ends anyway
    EXPECT_EQ(account_count(), 0);
}

TEST_F(AccountsTest, AtMostTenAccountsAndIncompleteOnesDropped) {
    std::string twelve;
    for (int i = 0; i < 12; i++) twelve += account("a" + std::to_string(i));
    write_file(folder_ / "accountdata.cfg", twelve);
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(account_count(), 10);
    EXPECT_STREQ(account_field(9, ACCOUNT_NAME), "a9");

    std::string three_and_a_bit = account("x") + account("y") + account("z") + "w\r\ns\r\nf\r\np\r\nu\r\n";
    write_file(folder_ / "accountdata.cfg", three_and_a_bit);
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(account_count(), 3);
    EXPECT_EQ(account_field(3, ACCOUNT_NAME), nullptr);
}

TEST_F(AccountsTest, LastLineWithoutItsLineEndStillCounts) {
    std::string one = account("solo");
    write_file(folder_ / "accountdata.cfg", one.substr(0, one.size() - 2));
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(account_count(), 1);
    EXPECT_STREQ(account_field(0, ACCOUNT_OPTIONS), "9");
}

TEST_F(AccountsTest, ExclamationMarkOnTheFirstAccountOnlyMeansNoDefault) {
    write_file(folder_ / "accountdata.cfg", account("!home") + account("work"));
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_TRUE(no_default_account());
    write_file(folder_ / "accountdata.cfg", account("home") + account("!work"));
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_FALSE(no_default_account());
}

TEST_F(AccountsTest, WithoutAUsableKeyPasswordsAreEmpty) {
    write_file(folder_ / "accountdata.cfg", account("home", "hunter2"));
    write_file(folder_ / "pwdkey.dat", key_bytes() + "x");
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"Key file is corrupted. Please reinstall."}));
    EXPECT_STREQ(account_field(0, ACCOUNT_PASSWORD), "");
    EXPECT_STREQ(account_field(0, ACCOUNT_NAME), "home");

    std::filesystem::remove(folder_ / "pwdkey.dat");
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(ui.boxes.size(), 1u);  // a missing key says nothing
    EXPECT_STREQ(account_field(0, ACCOUNT_PASSWORD), "");
}

TEST_F(AccountsTest, LongLinesAreCutTo98Characters) {
    std::string long_name(150, 'n');
    std::string a = account("short");
    a.replace(0, 5, long_name);
    write_file(folder_ / "accountdata.cfg", a);
    ASSERT_EQ(accounts_load(), 0);
    EXPECT_EQ(std::string(account_field(0, ACCOUNT_NAME)), std::string(98, 'n'));
    EXPECT_STREQ(account_field(0, ACCOUNT_SMTP_SERVER), "smtp.example.test:25");
}

TEST(AccountBits, OAuthAndProviderBitsKeepTheOlderOnesAndAnyUnknown) {
    // A table of an older version: none of the new bits, so a password
    // account of no provider.
    EXPECT_EQ(account_provider(0x3FF), PROVIDER_OTHER);
    EXPECT_EQ(0x3FF & ACCOUNT_OAUTH, 0);
    const int older_and_unknown = 0x3FF | 0x40000;
    int flags = with_account_provider(older_and_unknown | ACCOUNT_OAUTH, PROVIDER_GOOGLE);
    EXPECT_EQ(flags, older_and_unknown | ACCOUNT_OAUTH | 0x1000);
    EXPECT_EQ(account_provider(flags), PROVIDER_GOOGLE);
    flags = with_account_provider(flags, PROVIDER_MICROSOFT);
    EXPECT_EQ(account_provider(flags), PROVIDER_MICROSOFT);
    EXPECT_EQ(flags & ~ACCOUNT_PROVIDER_MASK, older_and_unknown | ACCOUNT_OAUTH);
    EXPECT_EQ(with_account_provider(flags, 9), older_and_unknown | ACCOUNT_OAUTH);
    EXPECT_EQ(account_provider(with_account_provider(flags, PROVIDER_OTHER)), PROVIDER_OTHER);
    // Every bit an older table may hold is a POP3 account's; the IMAP bit
    // is one no other bit or the provider's room overlaps, and survives a
    // provider change.
    EXPECT_EQ(0x3FFF & ACCOUNT_IMAP, 0);
    EXPECT_EQ(with_account_provider(older_and_unknown | ACCOUNT_IMAP, PROVIDER_GOOGLE),
              older_and_unknown | ACCOUNT_IMAP | 0x1000);
    // The security bits are POP3's: IMAPS on 993 or STARTTLS on 143.
    const int imap = ACCOUNT_IMAP | ACCOUNT_POP3_AUTH;
    EXPECT_EQ(imap_default_port(account_login_options(imap | ACCOUNT_POP3_TLS, ACCOUNT_POP3_AUTH).tls), 993);
    EXPECT_EQ(imap_default_port(account_login_options(imap | ACCOUNT_POP3_STLS, ACCOUNT_POP3_AUTH).tls), 143);
    EXPECT_EQ(imap_default_port(account_login_options(imap, ACCOUNT_POP3_AUTH).tls), 143);
    EXPECT_TRUE(account_login_options(imap, ACCOUNT_POP3_AUTH).use_auth);
}

}  // namespace
