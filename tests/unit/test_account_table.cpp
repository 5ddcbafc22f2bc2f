// accountdata.cfg as the client and the account manager share it: file bytes
// read into a table, and the table written back, passwords and all.
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "format/account_table.h"
#include "format/base64.h"
#include "tests/unit/test_support.h"

namespace {

class AccountTableTest : public FolderTest {
protected:
    void SetUp() override {
        FolderTest::SetUp();
        unsigned char bytes[32];
        for (int i = 0; i < 32; i++) bytes[i] = static_cast<unsigned char>(255 - i * 5);
        blowfish_init(&key_, bytes, 32);
    }

    std::string stored(const std::string& password) {
        Array* a = array_new(100);
        EXPECT_EQ(encode_password(&key_, password.c_str(), a), 0) << password;
        std::string s = a->text;
        delete_arrays(a);
        return s;
    }
    // Eight bytes enciphered as they are, without padding of their own.
    std::string stored_block(const char (&block)[9]) {
        unsigned char bytes[8];
        std::memcpy(bytes, block, 8);
        blowfish_encrypt_bytes(&key_, bytes);
        Array* a = array_new(100);
        base64_encode(reinterpret_cast<const char*>(bytes), a, 8);
        std::string s = a->text;
        delete_arrays(a);
        return s;
    }
    std::string lines(const std::string& name, const std::string& password_line, const char* end = "\r\n") {
        return name + end + "smtp.example.test:25" + end + "\"" + name + "\" <" + name + "@example.test>" + end +
               "pop.example.test" + end + name + end + password_line + end + "maildir\\inbox" + end + "9" + end;
    }
    std::string account(const std::string& name, const std::string& password = "secret") {
        return lines(name, stored(password));
    }
    // An account as read: its fields joined by "|".
    static std::string field_text(const std::string& name, const std::string& password) {
        return name + "|smtp.example.test:25|\"" + name + "\" <" + name + "@example.test>|pop.example.test|" + name +
               "|" + password + "|maildir\\inbox|9";
    }
    static std::vector<std::string> describe(const AccountTable& table) {
        std::vector<std::string> accounts;
        for (int a = 0; a < table.count; a++) {
            std::string text;
            for (int f = 0; f < account_fields; f++) text += (f ? "|" : "") + std::string(table.accounts[a].fields[f]);
            accounts.push_back(text);
        }
        return accounts;
    }
    BlowfishKey key_;
};

struct Row {
    std::string name;
    std::string file;
    std::vector<std::string> accounts;  // as read
    std::string written;
};

TEST_F(AccountTableTest, FileToTableToFile) {
    std::string twelve, ten;
    std::vector<std::string> ten_read;
    for (int i = 0; i < 12; i++) {
        std::string name = "a" + std::to_string(i);
        twelve += account(name);
        if (i < 10) {
            ten += account(name);
            ten_read.push_back(field_text(name, "secret"));
        }
    }
    std::string solo = account("solo");
    const std::vector<Row> rows = {
        {"two accounts", account("home", "hunter2") + account("work", "p@ss w0rd!"),
         {field_text("home", "hunter2"), field_text("work", "p@ss w0rd!")},
         account("home", "hunter2") + account("work", "p@ss w0rd!")},
        {"an empty file", "", {}, ""},
        {"three accounts and five lines", account("x") + account("y") + account("z") + "w\r\ns\r\nf\r\np\r\nu\r\n",
         {field_text("x", "secret"), field_text("y", "secret"), field_text("z", "secret")},
         account("x") + account("y") + account("z")},
        {"twelve accounts", twelve, ten_read, ten},
        {"no line end on the last line", solo.substr(0, solo.size() - 2), {field_text("solo", "secret")}, solo},
        {"line feeds alone", lines("lf", stored("pw"), "\n"), {field_text("lf", "pw")}, account("lf", "pw")},
        {"the empty password", account("e", ""), {field_text("e", "")}, account("e", "")},
        {"71 characters, the longest stored", account("m", std::string(71, 'x')),
         {field_text("m", std::string(71, 'x'))}, account("m", std::string(71, 'x'))},
        {"a password that is no base64", lines("g", "!!!!"), {field_text("g", "")}, account("g", "")},
        {"a block without padding", lines("b", stored_block("ABCDEFG\0")), {field_text("b", "ABCDEFG")},
         account("b", "ABCDEFG")},
        {"a block whose last byte is no padding", lines("t", stored_block("ABCDEFG\t")),
         {field_text("t", "ABCDEFG\t")}, account("t", "ABCDEFG\t")},
        {"a first name with \"!\"", account("!home") + account("work"),
         {field_text("!home", "secret"), field_text("work", "secret")}, account("!home") + account("work")},
    };
    for (const Row& row : rows) {
        write_file(folder_ / "accountdata.cfg", row.file);
        AccountTable table;
        ASSERT_EQ(account_table_read(account_table_file, &key_, &table), ACCOUNT_TABLE_OK) << row.name;
        EXPECT_EQ(describe(table), row.accounts) << row.name;
        ASSERT_EQ(account_table_write("written.cfg", &key_, table), ACCOUNT_TABLE_OK) << row.name;
        EXPECT_EQ(read_file(folder_ / "written.cfg"), row.written) << row.name;
    }
}

TEST_F(AccountTableTest, OverLongLinesAreWrittenAsTheyWereCut) {
    std::string long_name(150, 'n');
    std::string file = lines(long_name, stored("pw"));
    write_file(folder_ / "accountdata.cfg", file);
    AccountTable table;
    ASSERT_EQ(account_table_read(account_table_file, &key_, &table), ACCOUNT_TABLE_OK);
    ASSERT_EQ(table.count, 1);
    ASSERT_EQ(account_table_write("written.cfg", &key_, table), ACCOUNT_TABLE_OK);
    std::string n98(98, 'n');
    EXPECT_EQ(read_file(folder_ / "written.cfg"),
              n98 + "\r\nsmtp.example.test:25\r\n\"" + n98.substr(1) + "\r\npop.example.test\r\n" + n98 + "\r\n" + stored("pw") +
                  "\r\nmaildir\\inbox\r\n9\r\n");
}

TEST_F(AccountTableTest, WithoutAKeyPasswordsReadEmptyAndCannotBeWritten) {
    write_file(folder_ / "accountdata.cfg", account("home", "hunter2"));
    AccountTable table;
    ASSERT_EQ(account_table_read(account_table_file, nullptr, &table), ACCOUNT_TABLE_OK);
    EXPECT_EQ(describe(table), std::vector<std::string>{field_text("home", "")});
    EXPECT_EQ(account_table_write(account_table_file, nullptr, table), ACCOUNT_TABLE_BAD_PASSWORD);
    EXPECT_EQ(read_file(folder_ / "accountdata.cfg"), account("home", "hunter2"));  // left as it was
}

TEST_F(AccountTableTest, PasswordsOver71CharactersAreRefusedBeforeTheFileIsTouched) {
    write_file(folder_ / "accountdata.cfg", account("home"));
    AccountTable table;
    table.count = 2;
    std::strcpy(table.accounts[0].fields[ACCOUNT_PASSWORD], "fine");
    std::memset(table.accounts[1].fields[ACCOUNT_PASSWORD], 'x', 72);
    EXPECT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_BAD_PASSWORD);
    EXPECT_EQ(read_file(folder_ / "accountdata.cfg"), account("home"));
    // Every field of a record filled to its last byte stays within it.
    std::memset(table.accounts[1].fields[ACCOUNT_PASSWORD], 'x', account_field_size);
    EXPECT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_BAD_PASSWORD);
}

TEST_F(AccountTableTest, FieldsFilledToTheirLastByteAreWrittenWithinThem) {
    AccountTable table;
    table.count = 1;
    for (int f = 0; f < account_fields; f++)
        if (f != ACCOUNT_PASSWORD) std::memset(table.accounts[0].fields[f], 'a' + f, account_field_size);
    ASSERT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_OK);
    std::string expected;
    for (int f = 0; f < account_fields; f++)
        expected += (f == ACCOUNT_PASSWORD ? stored("") : std::string(100, static_cast<char>('a' + f))) + "\r\n";
    EXPECT_EQ(read_file(folder_ / "accountdata.cfg"), expected);
}

TEST_F(AccountTableTest, FilesThatCannotBeOpenedAreReportedNotShown) {
    UiRecorder ui;
    AccountTable table;
    table.count = 3;
    EXPECT_EQ(account_table_read(account_table_file, &key_, &table), ACCOUNT_TABLE_CANNOT_OPEN);
    EXPECT_EQ(table.count, 0);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "accountdata.cfg"));
    // The scratch file beside the table cannot be made.
    std::filesystem::create_directory(folder_ / "accountdata.cfg.new");
    EXPECT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_CANNOT_OPEN);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "accountdata.cfg"));
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(AccountTableTest, AFailedWriteKeepsTheOldTable) {
    std::string old = account("home") + account("work");
    write_file(folder_ / "accountdata.cfg", old);
    AccountTable table;
    ASSERT_EQ(account_table_read(account_table_file, &key_, &table), ACCOUNT_TABLE_OK);
    std::strcpy(table.accounts[0].fields[ACCOUNT_NAME], "changed");

    // The scratch file cannot be made: nothing is touched.
    std::filesystem::create_directory(folder_ / "accountdata.cfg.new");
    EXPECT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_CANNOT_OPEN);
    EXPECT_EQ(read_file(folder_ / "accountdata.cfg"), old);
    std::filesystem::remove(folder_ / "accountdata.cfg.new");

    // A password that cannot be stored: refused before any file is made.
    std::strcpy(table.accounts[1].fields[ACCOUNT_PASSWORD], std::string(72, 'p').c_str());
    EXPECT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_BAD_PASSWORD);
    EXPECT_EQ(read_file(folder_ / "accountdata.cfg"), old);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "accountdata.cfg.new"));

    // Written whole, the new table takes the old one's place and no scratch
    // file is left.
    std::strcpy(table.accounts[1].fields[ACCOUNT_PASSWORD], "secret");
    ASSERT_EQ(account_table_write(account_table_file, &key_, table), ACCOUNT_TABLE_OK);
    std::string changed = account("home") + account("work");
    changed.replace(0, 4, "changed");
    EXPECT_EQ(read_file(folder_ / "accountdata.cfg"), changed);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "accountdata.cfg.new"));
}

}  // namespace
