#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "client/list_fill.h"
#include "client/message_rows.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/log.h"
#include "store/list_mirror.h"
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
              "mm1.eml\tAnn\tme@example.test\tfirst\t2026-12-05 09:07:03 -0500\t0\t0\t0\tutf-8\t  \r\n"
              "mm2.eml\tbob@example.test\tme@example.test\tsecond\t2026-12-05 09:07:03 -0500\t1\t1\t0\tutf-8\t  \r\n"
              "mm5.eml\tCy\tme@example.test\tfifth\t2026-12-05 09:07:03 -0500\t0\t1\t0\tutf-8\t  \r\n");
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
              "mm2.eml\tb@example.test\tme@example.test\ttwo, marked\t2026-12-05 09:07:03 -0500\t1\t1\t0\tutf-8\t\r\n");
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

// Mirror lines as a fill meets them: each message's line is looked for
// from the last one that matched, in one read of the file.
TEST_F(ListFillTest, MirrorLinesOutOfOrderExtraOrWithoutTheirEndNeedNoRebuild) {
    message(1, "a@example.test", "one");
    message(4, "d@example.test", "four");
    message(5, "e@example.test", "five");
    auto line = [](int n, const std::string& from) {
        return "mm" + std::to_string(n) + ".eml\t" + from + "\tto\tsubject " + std::to_string(n) + "\tdate\t0\t1\t0\tutf-8\t";
    };
    // A line before mm1's that is for no message, one for a message no
    // longer there, and a last line without its line end (a write cut short).
    write_file(folder_ / "maildir/inbox/mirror.dat",
               line(2, "B") + "\r\n" + line(1, "A") + "\r\n" + line(3, "gone") + "\r\n" + line(4, "D"));
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].substr(0, 30), "1 0 1 | A | to | subject 1 | d");
    EXPECT_EQ(rows[1].substr(0, 30), "4 0 1 | D | to | subject 4 | d");
    EXPECT_EQ(rows[2].substr(0, 24), "5 0 1 | e@example.test |");
    EXPECT_TRUE(ui.boxes.empty());
    // mm5's line starts a line of its own, so the next fill finds it.
    std::string lines = mirror();
    EXPECT_NE(lines.find(line(4, "D") + "\r\nmm5.eml\te@example.test\t"), std::string::npos) << lines;
    EXPECT_EQ(fill(), rows);
    EXPECT_TRUE(ui.boxes.empty());
}

// Lines written before texts were decoded hold the header's raw text and
// have no ninth field: their rows come from the messages, without the
// rebuild box, and the lines are replaced, so the next fill reads them.
TEST_F(ListFillTest, LinesOfRawTextAreSummarisedAfreshAndReplaced) {
    message(1, "=?utf-8?B?0JjQstCw0L0=?= <ivan@example.test>", "=?utf-8?B?0J/RgNC40LLQtdGC?=", "X-ZMMark: TRUE\r\n");
    message(2, "b@example.test", "plain");
    message(3, "c@example.test", "=?iso-8859-7?Q?=C3=E5=E9=DC?=");
    write_file(folder_ / "maildir/inbox/mirror.dat",
               "mm1.eml\t=?utf-8?B?0JjQstCw0L0=?=\tme@example.test\t=?utf-8?B?0J/RgNC40LLQtdGC?=\tdate\t0\t1\t0\t  \r\n"
               "mm2.eml\tb@example.test\tme@example.test\tplain\tdate\t0\t1\t0\t\r\n");
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].find("1 1 1 | \xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD | me@example.test | "
                           "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 | 2026"),
              0u) << rows[0];
    EXPECT_EQ(rows[2].find("3 0 1 | c@example.test | me@example.test | \xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC | "), 0u)
        << rows[2];
    EXPECT_TRUE(ui.boxes.empty());
    EXPECT_EQ(mirror(),
              "mm1.eml\t\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD\tme@example.test\t\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\t"
              "2026-12-05 09:07:03 -0500\t1\t1\t0\tutf-8\t\r\n"
              "mm2.eml\tb@example.test\tme@example.test\tplain\t2026-12-05 09:07:03 -0500\t0\t1\t0\tutf-8\t\r\n"
              "mm3.eml\tc@example.test\tme@example.test\t\xCE\x93\xCE\xB5\xCE\xB9\xCE\xAC\t2026-12-05 09:07:03 -0500\t0\t1\t0\tutf-8\t  \r\n");
    // The next fill takes the rows from the mirror.
    message(2, "b@example.test", "changed");
    EXPECT_EQ(fill(), rows);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ListFillTest, AMissingLineBetweenOthersRebuildsTheMirror) {
    message(1, "a@example.test", "one");
    message(2, "b@example.test", "two");
    message(3, "c@example.test", "three");
    write_file(folder_ / "maildir/inbox/mirror.dat",
               "mm1.eml\tA\tto\tone\tdate\t0\t1\t0\t\r\nmm3.eml\tC\tto\tthree\tdate\t0\t1\t0\t\r\n");
    std::vector<std::string> rows = fill();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(ui.box_texts(), (std::vector<std::string>{"There is a problem with the list mirror. Attempting to rebuild."}));
    EXPECT_EQ(rows[0].substr(0, 24), "1 0 1 | a@example.test |");
    std::string lines = mirror();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
    EXPECT_EQ(fill(), rows);  // the rebuilt mirror serves the next fill
    EXPECT_EQ(ui.boxes.size(), 1u);
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

// The fill thread's side: what a real fill hands over, batch by batch.
struct HandedOver {
    std::vector<int> sizes;  // rows in each batch
    std::vector<RowBatch> batches;
};
void record(void* context, RowBatch* batch) {
    auto* h = static_cast<HandedOver*>(context);
    h->sizes.push_back(batch->restart ? -1 : batch_rows(*batch));
    h->batches.push_back(*batch);
}

class BatchedFillTest : public ListFillTest {
protected:
    void messages(int n) {
        for (int i = 1; i <= n; i++) message(i, "m" + std::to_string(i) + "@example.test", "s");
    }
    HandedOver batched_fill(int fill_number, int first_rows, int max_rows, uint32_t max_ms) {
        HandedOver handed;
        RowBatcher batcher;
        batcher.first_rows = first_rows;
        batcher.max_rows = max_rows;
        batcher.max_ms = max_ms;
        batcher.context = &handed;
        batcher.hand_over = record;
        fill_message_list(batching_sink(&batcher, fill_number), nullptr, nullptr);
        return handed;
    }
};

TEST_F(BatchedFillTest, RowsArriveAScreenfulFirstThenInFullBatchesThenTheRestWithTheEnd) {
    messages(600);
    MessageRows list;
    int fill_number = rows_begin_fill(&list);
    HandedOver handed = batched_fill(fill_number, 100, 256, 60000);
    // The clear that starts every fill, the first screenful, full batches,
    // the rest at the end.
    EXPECT_EQ(handed.sizes, (std::vector<int>{-1, 100, 256, 244}));
    EXPECT_TRUE(handed.batches.back().last);
    EXPECT_EQ(handed.batches[1].expected, 600);
    for (const RowBatch& b : handed.batches) EXPECT_TRUE(rows_take(&list, b));
    ASSERT_EQ(list.rows.size(), 600u);
    for (int i = 0; i < 600; i++) {
        EXPECT_EQ(list.rows[static_cast<size_t>(i)].data.number, i + 1);
        EXPECT_EQ(list.rows[static_cast<size_t>(i)].data.row, i);
    }
    EXPECT_STREQ(row_text(list.rows[599], 0), "m600@example.test");
    EXPECT_STREQ(row_text(list.rows[599], 2), "s");
}

TEST_F(BatchedFillTest, WithoutTimeToWaitEveryRowGoesAtOnce) {
    messages(3);
    HandedOver handed = batched_fill(1, 256, 256, 0);
    EXPECT_EQ(handed.sizes, (std::vector<int>{-1, 1, 1, 1, 0}));
}

TEST_F(BatchedFillTest, ACancelledFillsBatchesAreDroppedByTheNextFill) {
    messages(300);
    MessageRows list;
    int first = rows_begin_fill(&list);
    list_cancel = 1;
    HandedOver cancelled = batched_fill(first, 100, 100, 60000);
    list_cancel = 0;
    EXPECT_EQ(list_incomplete.load(), 1);
    // The next fill starts before the cancelled one's batches arrive.
    int second = rows_begin_fill(&list);
    for (const RowBatch& b : cancelled.batches) EXPECT_FALSE(rows_take(&list, b));
    HandedOver next = batched_fill(second, 100, 100, 60000);
    for (const RowBatch& b : next.batches) EXPECT_TRUE(rows_take(&list, b));
    EXPECT_EQ(list.rows.size(), 300u);
    EXPECT_EQ(list_incomplete.load(), 0);
}

}  // namespace
