// The message list's rows on the interface thread's side and the batches a
// fill hands over: what reaches the list, in which order, and what is dropped.
#include <filesystem>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "ui/list_fill.h"
#include "ui/message_rows.h"
#include "ui/view_state.h"
#include "tests/unit/test_support.h"

namespace fs = std::filesystem;

namespace {

RowBatch batch_of(int fill, const std::vector<std::pair<int, std::string>>& rows) {
    RowBatch b;
    b.fill = fill;
    for (const auto& [number, from] : rows) {
        std::string size = std::to_string(number);
        const char* columns[6] = {from.c_str(), "to", "subject", "date", "", size.c_str()};
        batch_add(&b, RowData{0, 1, number, 0}, columns);
    }
    return b;
}

std::string numbers(const MessageRows& list) {
    std::string out;
    for (const ListRow& r : list.rows) out += std::to_string(r.data.number) + "/" + std::to_string(r.data.row) + " ";
    return out;
}

TEST(MessageRows, BatchesOfTheCurrentFillAppendAndOthersAreDropped) {
    MessageRows list;
    int first = rows_begin_fill(&list);
    EXPECT_TRUE(rows_take(&list, batch_of(first, {{1, "Ann"}, {2, "Bob"}})));
    EXPECT_TRUE(rows_take(&list, batch_of(first, {{5, "Cy"}})));
    EXPECT_EQ(numbers(list), "1/0 2/1 5/2 ");
    EXPECT_STREQ(row_text(list.rows[2], 0), "Cy");
    EXPECT_STREQ(row_text(list.rows[2], 5), "5");
    EXPECT_STREQ(row_text(list.rows[0], 4), "");

    // The folder changed: the first fill's late batch shows nowhere.
    int second = rows_begin_fill(&list);
    EXPECT_NE(second, first);
    EXPECT_FALSE(rows_take(&list, batch_of(first, {{7, "Late"}})));
    EXPECT_TRUE(list.rows.empty());
    EXPECT_TRUE(rows_take(&list, batch_of(second, {{3, "Dee"}})));
    // A cleared list (its folder deleted) takes nothing of the running fill.
    rows_clear(&list);
    EXPECT_FALSE(rows_take(&list, batch_of(second, {{4, "Eve"}})));
    EXPECT_TRUE(list.rows.empty());
}

TEST(MessageRows, ARestartBatchVoidsTheRowsBeforeIt) {
    MessageRows list;
    int fill = rows_begin_fill(&list);
    rows_take(&list, batch_of(fill, {{1, "Ann"}, {2, "Bob"}}));
    RowBatch restart = batch_of(fill, {{1, "Ann again"}});
    restart.restart = true;
    rows_take(&list, restart);
    EXPECT_EQ(numbers(list), "1/0 ");
    EXPECT_STREQ(row_text(list.rows[0], 0), "Ann again");
}

TEST(MessageRows, SortsAreStableAndRememberWhereEachRowStood) {
    MessageRows list;
    int fill = rows_begin_fill(&list);
    rows_take(&list, batch_of(fill, {{1, "b"}, {2, "a"}, {3, "b"}, {4, "a"}, {6, "B"}}));
    rows_sort_by_text(&list, 0);
    // The C locale: capitals first; equal texts in their earlier order.
    EXPECT_EQ(numbers(list), "6/4 2/1 4/3 1/0 3/2 ");
    rows_sort_by_number(&list);
    EXPECT_EQ(numbers(list), "1/3 2/1 3/4 4/2 6/0 ");
    EXPECT_EQ(rows_find_number(list, 4), 3);
    EXPECT_EQ(rows_find_number(list, 5), -1);
    rows_remove(&list, 1);
    EXPECT_EQ(rows_find_number(list, 4), 2);
    EXPECT_EQ(rows_data(&list, 4), nullptr);
    EXPECT_EQ(rows_data(&list, 0)->number, 1);
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

class BatchedFillTest : public StoreTest {
protected:
    void SetUp() override {
        StoreTest::SetUp();
        fs::create_directories(folder_ / "maildir" / "inbox");
        array_copy(app.current_folder, "maildir\\inbox");
        list_cancel = 0;
    }
    void messages(int n) {
        for (int i = 1; i <= n; i++)
            write_file(folder_ / "maildir" / "inbox" / ("mm" + std::to_string(i) + ".eml"),
                       "From: m" + std::to_string(i) + "@example.test\r\nSubject: s\r\n\r\nbody\r\n");
    }
    HandedOver fill(int fill_number, int max_rows, uint32_t max_ms) {
        HandedOver handed;
        RowBatcher batcher;
        batcher.max_rows = max_rows;
        batcher.max_ms = max_ms;
        batcher.context = &handed;
        batcher.hand_over = record;
        fill_message_list(batching_sink(&batcher, fill_number), nullptr, nullptr);
        return handed;
    }
    UiRecorder ui;
};

TEST_F(BatchedFillTest, RowsArriveInFullBatchesThenTheRestWithTheEnd) {
    messages(600);
    MessageRows list;
    int fill_number = rows_begin_fill(&list);
    HandedOver handed = fill(fill_number, 256, 60000);
    // The clear that starts every fill, two full batches, the rest at the end.
    EXPECT_EQ(handed.sizes, (std::vector<int>{-1, 256, 256, 88}));
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
    HandedOver handed = fill(1, 256, 0);
    EXPECT_EQ(handed.sizes, (std::vector<int>{-1, 1, 1, 1, 0}));
}

TEST_F(BatchedFillTest, ACancelledFillsBatchesAreDroppedByTheNextFill) {
    messages(300);
    MessageRows list;
    int first = rows_begin_fill(&list);
    list_cancel = 1;
    HandedOver cancelled = fill(first, 100, 60000);
    list_cancel = 0;
    EXPECT_EQ(list_incomplete.load(), 1);
    // The next fill starts before the cancelled one's batches arrive.
    int second = rows_begin_fill(&list);
    for (const RowBatch& b : cancelled.batches) EXPECT_FALSE(rows_take(&list, b));
    HandedOver next = fill(second, 100, 60000);
    for (const RowBatch& b : next.batches) EXPECT_TRUE(rows_take(&list, b));
    EXPECT_EQ(list.rows.size(), 300u);
    EXPECT_EQ(list_incomplete.load(), 0);
}

}  // namespace
