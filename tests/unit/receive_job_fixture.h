// The fixture of the job tests: a working folder with a password key, the
// account table written by the test, and the recorders of what the user
// sees.
#pragma once

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/arrays.h"
#include "client/client_keys.h"
#include "format/account_table.h"
#include "format/password_key.h"
#include "store/busy_folders.h"
#include "tests/unit/real_servers.h"
#include "tests/unit/test_support.h"

class ReceiveJobTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        std::filesystem::create_directories(folder_ / "maildir" / "inbox");
        std::filesystem::create_directories(folder_ / "maildir" / "bob");
        array_copy(app.current_folder, "maildir\\drafts");
        std::string key(32, 'p');
        write_file(folder_ / "pwdkey.dat", key);
        ASSERT_EQ(password_key_load(), 0);
        busy_folders_init();
    }
    void TearDown() override {
        std::filesystem::remove(folder_ / "pwdkey.dat");
        password_key_load();
        StoreTest::TearDown();
    }
    std::string account(const std::string& name, const std::string& user, const std::string& password,
                        const std::string& inbox, int options, int at_port = 0) {
        Array* stored = array_new(100);
        encode_password(password_key(), password.c_str(), stored);
        std::string port = std::to_string(at_port ? at_port : real_servers().pop3_port);
        std::string a = name + "\r\n127.0.0.1\r\n\"" + name + "\" <" + user + "@example.test>\r\n127.0.0.1:" + port +
                        "\r\n" + user + "\r\n" + stored->text + "\r\n" + inbox + "\r\n" + std::to_string(options) + "\r\n";
        delete_arrays(stored);
        return a;
    }
    std::vector<std::string> files(const char* folder) {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(folder_ / "maildir" / folder)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    UiRecorder ui;
};

