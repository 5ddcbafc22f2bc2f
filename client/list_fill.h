// Filling the message list from the folder on show and its list mirror.
#pragma once

#include <cstdint>

#include "core/ui_services.h"

struct RowData {
    int32_t marked;
    int32_t read;
    int32_t number;  // the message number
    int32_t row;     // the row at insertion or at the last column sort
};

// What the fill does to the list; the window side drives the list view,
// tests record the rows.
struct ListSink {
    void* context;
    void (*clear)(void* context);
    void (*expect)(void* context, int rows);
    void (*add_row)(void* context, int index, const RowData& data, const char* const columns[6]);
    void (*finish)(void* context, int rows);
};

// Fills the list from the folder on show. `sizes`, when given, are the
// server's sizes of the listed messages (the "E-mail Headers" view). Returns
// the number of rows placed. Notices go to `status_window`'s status line.
int fill_message_list(const ListSink& sink, const int32_t* sizes, WindowRef status_window);

// The size column's text for a size in bytes (-1: unknown).
void format_size_column(char* out, int capacity, double bytes);
