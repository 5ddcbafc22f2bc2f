#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "core/log.h"
#include "tests/unit/test_support.h"

namespace {

using LogTest = FolderTest;

const std::string stamp = R"(\[\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\] )";

TEST_F(LogTest, EntryIsStampBlankAndTextAsGiven) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    log_write("Zenth Mail initiated.\r\n");
    std::string bytes = read_file(folder_ / "zmlog.txt");
    EXPECT_TRUE(std::regex_match(bytes, std::regex(stamp + "Zenth Mail initiated\\.\r\n"))) << bytes;
}

TEST_F(LogTest, TextWithoutLineEndRunsIntoTheNextStamp) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    log_write("maildir\\inbox\\mm3.eml");
    log_write(": could not open file.\r\n");
    std::string bytes = read_file(folder_ / "zmlog.txt");
    EXPECT_TRUE(std::regex_match(bytes, std::regex(stamp + R"(maildir\\inbox\\mm3\.eml)" + stamp +
                                                   ": could not open file\\.\r\n")))
        << bytes;
}

TEST_F(LogTest, EachRunAppendsBehindThePreviousOne) {
    write_file(folder_ / "zmlog.txt", "earlier run\r\n");
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    log_write("Zenth Mail initiated.\r\n");
    log_close();
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    log_write("Zenth Mail initiated.\r\n");
    std::string bytes = read_file(folder_ / "zmlog.txt");
    std::string entry = stamp + "Zenth Mail initiated\\.\r\n";
    EXPECT_TRUE(std::regex_match(bytes, std::regex("earlier run\r\n" + entry + entry))) << bytes;
}

TEST_F(LogTest, EntryIsOnDiskAsSoonAsTheCallReturns) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    log_write("first\r\n");
    EXPECT_EQ(read_file(folder_ / "zmlog.txt").size(), 22u + 7u);
}

TEST_F(LogTest, OpenFailsWhereNoFileCanBeMade) {
    EXPECT_EQ(log_open("no such folder\\zmlog.txt"), -1);
    log_write("goes nowhere\r\n");  // no log: nothing happens
}

TEST_F(LogTest, EntriesFromManyThreadsStayWhole) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    const int threads = 8, entries = 200;
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; t++)
        writers.emplace_back([t] {
            std::string text = "thread " + std::to_string(t) + " " + std::string(40 + t, 'a' + t) + "\r\n";
            for (int i = 0; i < entries; i++) log_write(text.c_str());
        });
    for (auto& w : writers) w.join();
    std::string bytes = read_file(folder_ / "zmlog.txt");
    std::regex line(stamp + R"(thread (\d) ([a-z]+)\r\n)");
    int count = 0;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), line); it != std::sregex_iterator(); ++it) {
        int t = std::stoi((*it)[1]);
        EXPECT_EQ((*it)[2].str(), std::string(40 + t, 'a' + t));
        count++;
    }
    EXPECT_EQ(count, threads * entries);
    EXPECT_EQ(bytes.size(), [&] {
        size_t total = 0;
        for (int t = 0; t < threads; t++) total += entries * (22 + 9 + 40 + t + 2);
        return total;
    }());
}

}  // namespace
