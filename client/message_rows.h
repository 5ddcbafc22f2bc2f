// The message list's rows as the interface thread keeps them: the list
// control holds only their count and asks for the texts it draws. Rows are
// made on the fill thread as a batch of plain texts and become rows only on
// the interface thread, which appends, sorts and removes them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "client/list_fill.h"

// One row: its data and its six column texts, each ended by a zero.
struct ListRow {
    RowData data;
    std::string texts;
    uint16_t starts[6];
};

// Rows handed over from a fill in one message.
struct RowBatch {
    int fill = 0;          // the fill that made them
    bool restart = false;  // the fill started again: the rows it handed over so far are void
    int expected = -1;     // the rows the fill expects, -1 when it did not say
    bool last = false;     // the fill has ended
    std::vector<RowData> data;
    std::vector<uint32_t> starts;  // six a row, into `text`
    std::string text;
};

struct MessageRows {
    std::vector<ListRow> rows;
    int fill = 0;  // the fill whose batches are taken; others are dropped
};

const char* row_text(const ListRow& row, int column);

// A new fill of the list: the rows go, and only batches of the fill whose
// number is returned are taken from now on.
int rows_begin_fill(MessageRows* list);
// Empties the list; batches of a fill still running are dropped.
void rows_clear(MessageRows* list);
// Takes a batch into the list; false when it belongs to a fill that was
// cancelled or replaced, and nothing changed.
bool rows_take(MessageRows* list, const RowBatch& batch);
// Ascending by the column's text in the locale's collation, equal texts in
// the order they had; every row's data remembers the row it stood in.
void rows_sort_by_text(MessageRows* list, int column);
// Ascending by message number.
void rows_sort_by_number(MessageRows* list);
// The row of message `number`, -1 when there is none.
int rows_find_number(const MessageRows& list, int number);
void rows_remove(MessageRows* list, int row);
// The row's data, null for no such row.
RowData* rows_data(MessageRows* list, int row);

void batch_reset(RowBatch* batch);
void batch_add(RowBatch* batch, const RowData& data, const char* const columns[6]);
int batch_rows(const RowBatch& batch);

// The fill thread's side: rows collect in one batch, handed over once it
// holds a screenful (`first_rows`, the first time) or `max_rows`, or once
// `max_ms` have passed since the last hand-over, whichever comes first, and
// at the end. Every hand-over makes the list draw again, which under Wine
// costs far more than making the rows: a fast fill hands over a few large
// batches, a slow one a screenful at once and then what 50 ms made.
struct RowBatcher {
    RowBatch batch;
    int first_rows = 64;
    int max_rows = 4096;
    uint32_t max_ms = 50;
    bool handed_rows = false;  // a batch with rows has gone
    uint32_t last_hand_over = 0;  // tick count
    void* context = nullptr;
    // Runs on the fill thread; the batch is the fill's again once it returns.
    void (*hand_over)(void* context, RowBatch* batch) = nullptr;
};

// A ListSink that feeds the batcher: what the fill does reaches the
// interface thread in batches of fill number `fill`.
ListSink batching_sink(RowBatcher* batcher, int fill);
