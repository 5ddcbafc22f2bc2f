#include "client/message_rows.h"

#include <algorithm>
#include <cstring>

#include "core/sys_time.h"

const char* row_text(const ListRow& row, int column) {
    if (column < 0 || column > 5) return "";
    return row.texts.c_str() + row.starts[column];
}

int rows_begin_fill(MessageRows* list) {
    rows_clear(list);
    return list->fill;
}

void rows_clear(MessageRows* list) {
    list->rows.clear();
    list->fill++;
}

bool rows_take(MessageRows* list, const RowBatch& batch) {
    if (batch.fill != list->fill) return false;
    if (batch.restart) list->rows.clear();
    if (batch.expected > 0) list->rows.reserve(static_cast<size_t>(batch.expected));
    const int n = batch_rows(batch);
    for (int i = 0; i < n; i++) {
        ListRow row;
        row.data = batch.data[static_cast<size_t>(i)];
        row.data.row = static_cast<int32_t>(list->rows.size());
        const uint32_t* at = &batch.starts[static_cast<size_t>(i) * 6];
        uint32_t end = i + 1 < n ? batch.starts[static_cast<size_t>(i + 1) * 6] : static_cast<uint32_t>(batch.text.size());
        row.texts.assign(batch.text, at[0], end - at[0]);
        for (int c = 0; c < 6; c++) row.starts[c] = static_cast<uint16_t>(at[c] - at[0]);
        list->rows.push_back(std::move(row));
    }
    return true;
}

namespace {

void number_rows(MessageRows* list) {
    for (size_t i = 0; i < list->rows.size(); i++) list->rows[i].data.row = static_cast<int32_t>(i);
}

}  // namespace

void rows_sort_by_text(MessageRows* list, int column) {
    number_rows(list);
    std::stable_sort(list->rows.begin(), list->rows.end(), [column](const ListRow& a, const ListRow& b) {
        return std::strcoll(row_text(a, column), row_text(b, column)) < 0;
    });
}

void rows_sort_by_number(MessageRows* list) {
    number_rows(list);
    std::stable_sort(list->rows.begin(), list->rows.end(),
                     [](const ListRow& a, const ListRow& b) { return a.data.number < b.data.number; });
}

int rows_find_number(const MessageRows& list, int number) {
    for (size_t i = 0; i < list.rows.size(); i++)
        if (list.rows[i].data.number == number) return static_cast<int>(i);
    return -1;
}

void rows_remove(MessageRows* list, int row) {
    if (row < 0 || row >= static_cast<int>(list->rows.size())) return;
    list->rows.erase(list->rows.begin() + row);
}

RowData* rows_data(MessageRows* list, int row) {
    if (row < 0 || row >= static_cast<int>(list->rows.size())) return nullptr;
    return &list->rows[static_cast<size_t>(row)].data;
}

void batch_reset(RowBatch* batch) {
    batch->restart = batch->last = false;
    batch->expected = -1;
    batch->data.clear();
    batch->starts.clear();
    batch->text.clear();
}

void batch_add(RowBatch* batch, const RowData& data, const char* const columns[6]) {
    batch->data.push_back(data);
    for (int c = 0; c < 6; c++) {
        batch->starts.push_back(static_cast<uint32_t>(batch->text.size()));
        batch->text.append(columns[c]);
        batch->text.push_back('\0');
    }
}

int batch_rows(const RowBatch& batch) { return static_cast<int>(batch.data.size()); }

namespace {

void hand_over(RowBatcher* b) {
    if (batch_rows(b->batch) > 0) b->handed_rows = true;
    b->hand_over(b->context, &b->batch);
    b->last_hand_over = sys_tick_count();
    batch_reset(&b->batch);
}

void on_clear(void* context) {
    auto* b = static_cast<RowBatcher*>(context);
    // Rows not yet handed over are void as well; the interface thread drops
    // the ones it has when this batch arrives.
    batch_reset(&b->batch);
    b->batch.restart = true;
    hand_over(b);
}

void on_expect(void* context, int rows) { static_cast<RowBatcher*>(context)->batch.expected = rows; }

void on_row(void* context, int, const RowData& data, const char* const columns[6]) {
    auto* b = static_cast<RowBatcher*>(context);
    batch_add(&b->batch, data, columns);
    int enough = b->handed_rows ? b->max_rows : b->first_rows;
    if (batch_rows(b->batch) >= enough || sys_tick_count() - b->last_hand_over >= b->max_ms) hand_over(b);
}

void on_finish(void* context, int) {
    auto* b = static_cast<RowBatcher*>(context);
    b->batch.last = true;
    hand_over(b);
}

}  // namespace

ListSink batching_sink(RowBatcher* batcher, int fill) {
    batch_reset(&batcher->batch);
    batcher->batch.fill = fill;
    batcher->handed_rows = false;
    batcher->last_hand_over = sys_tick_count();
    return ListSink{.context = batcher, .clear = on_clear, .expect = on_expect, .add_row = on_row, .finish = on_finish};
}
