#include "core/log.h"
#include "core/ui_services.h"
#include "tests/unit/test_support.h"

namespace {

using StatusTest = FolderTest;

TEST_F(StatusTest, AppendLogsAndAddsTheTextAsGiven) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    UiRecorder ui;
    int window = 0;
    status_append(&window, "Connected to server.\r\n");
    EXPECT_EQ(ui.status_calls, (std::vector<std::string>{"add:Connected to server.\r\n"}));
    std::string log = read_file(folder_ / "zmlog.txt");
    EXPECT_EQ(log.substr(22), "Connected to server.\r\n");
}

TEST_F(StatusTest, AppendWithoutAWindowOnlyLogs) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    UiRecorder ui;
    status_append(nullptr, "Checking home:\r\n");
    EXPECT_TRUE(ui.status_calls.empty());
    EXPECT_EQ(read_file(folder_ / "zmlog.txt").substr(22), "Checking home:\r\n");
}

TEST_F(StatusTest, SetReplacesTheLineCutAtItsLastCarriageReturn) {
    ASSERT_EQ(log_open("zmlog.txt"), 0);
    UiRecorder ui;
    int window = 0;
    status_set(&window, "Please select an e-mail!\r\n");
    EXPECT_EQ(ui.status_calls,
              (std::vector<std::string>{"clear", "add:Please select an e-mail!", "start"}));
    EXPECT_EQ(read_file(folder_ / "zmlog.txt").substr(22), "Please select an e-mail!");
}

TEST_F(StatusTest, ShowMessageUsesTheClientCaption) {
    UiRecorder ui;
    show_message("Could not start thread.");
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Could not start thread.");
    EXPECT_EQ(ui.boxes[0].caption, "Zenth Mail");
    EXPECT_EQ(ui.boxes[0].style, static_cast<unsigned>(UI_OK));
}

}  // namespace
