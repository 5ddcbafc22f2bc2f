#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/log.h"
#include "ui/list_fill.h"
#include "store/list_mirror.h"
#include "ui/view_state.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

struct Rows {
    std::vector<std::string> rows;  // "number marked read | col0 | col1 | ..."
    int clears = 0;
};

void on_clear(void* c) {
    static_cast<Rows*>(c)->rows.clear();
    static_cast<Rows*>(c)->clears++;
}
void on_expect(void*, int) {}
void on_row(void* c, int, const RowData& d, const char* const columns[6]) {
    std::string row = std::to_string(d.number) + " " + std::to_string(d.marked) + " " + std::to_string(d.read);
    for (int i = 0; i < 6; i++) row += std::string(" | ") + columns[i];
    static_cast<Rows*>(c)->rows.push_back(row);
}
void on_finish(void*, int) {}

class ListFillTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        fs::create_directories(folder_ / "maildir" / "inbox");
        array_copy(app.current_folder, "maildir\\inbox");
        list_cancel = 0;
    }
    void message(int n, const std::string& from, const std::string& subject, const std::string& extra = "") {
        write_file(folder_ / "maildir" / "inbox" / ("mm" + std::to_string(n) + ".eml"),
                   extra + "From: " + from + "\r\nTo: me@example.test\r\nSubject: " + subject +
                       "\r\nDate: Sat, 5 Dec 2026 09:07:03 -0500\r\n\r\nbody\r\n");
    }
    std::vector<std::string> fill() {
        Rows rows;
        ListSink sink{
            .context = &rows, .clear = on_clear, .expect = on_expect, .add_row = on_row, .finish = on_finish};
        fill_message_list(sink, nullptr, nullptr);
        clears = rows.clears;
        return rows.rows;
    }
    std::string mirror() { return read_file(folder_ / "maildir/inbox/mirror.dat"); }
    int clears = 0;
    UiRecorder ui;
};

TEST_F(ListFillTest, FirstFillWritesTheMirrorInNumberOrder) {
    message(1, "\"Ann\" <ann@example.test>", "first", "X-ZMRead: FALSE\r\n");
    message(2, "bob@example.test", "second", "X-ZMMark: TRUE\r\n");
    message(5, "Cy <cy@example.test>", "fifth");
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(0, 28), "1 0 0 | Ann | me@example.tes");
    EXPECT_EQ(rows[1].substr(0, 6), "2 1 1 ");
    EXPECT_EQ(rows[2].substr(0, 12), "5 0 1 | Cy |");
    EXPECT_NE(rows[0].find(" | first | 2026-12-05 09:07:03 -0500 |  | "), std::string::npos) << rows[0];
    EXPECT_EQ(mirror(),
              "mm1.eml\tAnn\tme@example.test\tfirst\t2026-12-05 09:07:03 -0500\t0\t0\t0\t  \r\n"
              "mm2.eml\tbob@example.test\tme@example.test\tsecond\t2026-12-05 09:07:03 -0500\t1\t1\t0\t  \r\n"
              "mm5.eml\tCy\tme@example.test\tfifth\t2026-12-05 09:07:03 -0500\t0\t1\t0\t  \r\n");
    EXPECT_EQ(list_incomplete.load(), 0);
    EXPECT_EQ(list_filling.load(), 0);
}

TEST_F(ListFillTest, WarmFillReadsTheMirrorAndParsesNothing) {
    message(1, "a@example.test", "one");
    message(2, "b@example.test", "two");
    std::vector<std::string> cold = fill();
    // Change a message behind the mirror's back: the warm fill shows the
    // mirror's values, proof that it did not parse the file.
    message(2, "b@example.test", "changed");
    std::vector<std::string> warm = fill();
    EXPECT_EQ(warm, cold);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ListFillTest, RefreshRewritesOneLineAndADroppedLineIsFoundMissing) {
    message(1, "a@example.test", "one");
    message(2, "b@example.test", "two");
    fill();
    message(2, "b@example.test", "two, marked", "X-ZMMark: TRUE\r\n");
    ListMirror m;
    mirror_open(&m, "maildir\\inbox");
    EXPECT_EQ(mirror_refresh(&m, "maildir\\inbox\\mm2.eml"), 0);
    std::string lines = mirror();
    EXPECT_EQ(lines.substr(lines.find("mm2.eml")),
              "mm2.eml\tb@example.test\tme@example.test\ttwo, marked\t2026-12-05 09:07:03 -0500\t1\t1\t0\t\r\n");
    std::vector<std::string> rows = fill();
    EXPECT_EQ(rows[1].substr(0, 6), "2 1 1 ");
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(mirror_refresh(&m, "maildir\\inbox\\mm9.eml"), -1);
}

TEST_F(ListFillTest, MessageBelowTheHighestNumberRebuildsOnce) {
    message(2, "a@example.test", "two");
    message(3, "b@example.test", "three");
    fill();
    message(1, "c@example.test", "copied in by hand");
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"There is a problem with the list mirror. Attempting to rebuild."}));
    EXPECT_EQ(mirror().substr(0, 8), "mm1.eml\t");
}

TEST_F(ListFillTest, UnwritableMirrorListsWithoutItAfterOneRebuild) {
    message(1, "a@example.test", "one");
    message(2, "b@example.test", "two");
    fs::create_directory(folder_ / "maildir/inbox/mirror.dat");  // can be neither written nor read
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_NE(rows[1].find(" | two | "), std::string::npos);
    EXPECT_EQ(ui.boxes.size(), 1u);
}

TEST_F(ListFillTest, SubjectWithALineBreakStaysOnOneLine) {
    write_file(folder_ / "maildir/inbox/mm1.eml", "From: a@example.test\r\nSubject: two\rlines\r\n\r\n");
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 1u);
    std::string lines = mirror();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1);
}

TEST_F(ListFillTest, SizeColumnFormats) {
    char text[32];
    format_size_column(text, sizeof text, 512);
    EXPECT_STREQ(text, "0.50");
    format_size_column(text, sizeof text, 20480);
    EXPECT_STREQ(text, "20.0");
    format_size_column(text, sizeof text, 9 * 1024);
    EXPECT_STREQ(text, "9.00");
    format_size_column(text, sizeof text, 100 * 1024);
    EXPECT_STREQ(text, "100");
    format_size_column(text, sizeof text, -1);
    EXPECT_STREQ(text, "-1.00");
}

TEST_F(ListFillTest, CancelStopsTheFillAndLeavesItIncomplete) {
    message(1, "a@example.test", "one");
    list_cancel = 1;
    EXPECT_TRUE(fill().empty());
    EXPECT_EQ(list_incomplete.load(), 1);
    list_cancel = 0;
}

}  // namespace
