// The message list's rows on the interface thread's side: which batches
// reach the list, in which order, and how sorts order them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "client/list_fill.h"
#include "client/message_rows.h"

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

}  // namespace
