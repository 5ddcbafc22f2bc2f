#include "tests/unit/builder_fixture.h"

#include <cstring>

#include "client/client_accounts.h"
#include "client/client_keys.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "format/attachment_files.h"
#include "format/boundary.h"
#include "format/dates.h"
#include "format/encryption.h"
#include "format/message_builder.h"
#include "format/message_id.h"

namespace {

LocalTime fixed_time() { return LocalTime{2026, 12, 6, 13, 32, 38, 0, 0}; }
int fixed_bias() { return -60; }
const DateClock fixed_clock{fixed_time, fixed_bias};

std::vector<int> queued_numbers;
size_t next_number = 0;
int scripted_number() { return next_number < queued_numbers.size() ? queued_numbers[next_number++] : 42; }

}  // namespace

void BuilderTest::boundary_numbers(std::vector<int> numbers) {
    queued_numbers = std::move(numbers);
    next_number = 0;
}

void BuilderTest::SetUp() {
    FolderTest::SetUp();
    std::filesystem::create_directories(folder_ / "temp");
    std::filesystem::create_directories(folder_ / "maildir" / "outbox");
    if (!app.program_folder) create_app_state();
    write_file(folder_ / "accountdata.cfg",
               "home\r\nsmtp.example.org:2525\r\n\"Jane Doe\" <jane@example.org>\r\npop.example.org\r\njane\r\n\r\n"
               "maildir\\inbox\r\n9\r\n");
    ASSERT_EQ(accounts_load(), 0);
    std::string key;
    for (int i = 0; i < 32; i++) key += static_cast<char>(i * 11 + 5);
    write_file(folder_ / "bfkey.dat", key);
    ASSERT_EQ(load_message_key(), 0);
    date_clock_install(&fixed_clock);
    // Message-IDs of zero bits: "<AAAAAAAAAAAAAAAAAAAAAA@...>".
    message_id_source_install([](void* out, size_t size) {
        std::memset(out, 0, size);
        return 0;
    });
    boundary_numbers({});
    boundary_numbers_install(scripted_number);
}

void BuilderTest::TearDown() {
    boundary_numbers_install(nullptr);
    date_clock_install(nullptr);
    message_id_source_install(nullptr);
    std::filesystem::remove(folder_ / "bfkey.dat");
    load_message_key();
    std::filesystem::remove(folder_ / "accountdata.cfg");
    FolderTest::TearDown();
}

ComposeFields BuilderTest::fields(const std::u16string& text) {
    text_units_ = text;
    text_.units = text_units_.data();
    text_.count = text_units_.size();
    ComposeFields f;
    f.window_number = 77;
    f.account = 0;
    f.server = "smtp.example.org:2525";
    f.from = "\"Jane Doe\" <jane@example.org>";
    f.to = "\"Bob\" <bob@example.org>";
    f.subject = "Plans";
    f.write_text = write_compose_text;
    f.text_source = &text_;
    return f;
}

void BuilderTest::attach(ComposeFields* f, const std::string& name, const std::string& bytes) {
    std::filesystem::create_directories(folder_ / "files");
    write_file(folder_ / "files" / name, bytes);
    std::string chosen = "files\\" + name;
    ASSERT_EQ(add_attachment(nullptr, f->window_number, &f->attachment_count, chosen.c_str(), f->encrypt, nullptr), 0);
}

std::string BuilderTest::build(const ComposeFields& f, bool for_display) {
    std::filesystem::remove(folder_ / "out.eml");
    if (build_message_file(&f, "out.eml", for_display) != 0) return "";
    return read_file(folder_ / "out.eml");
}

std::string header_of(const std::string& message) {
    size_t end = message.find("\r\n\r\n");
    return end == std::string::npos ? message : message.substr(0, end + 4);
}

std::string field_of(const std::string& message, const std::string& name) {
    std::string header = "\r\n" + header_of(message);
    size_t at = header.find("\r\n" + name + ": ");
    if (at == std::string::npos) return "";
    at += name.size() + 4;
    return header.substr(at, header.find("\r\n", at) - at);
}
