// The selected rows of the message list, as every message command takes
// them: from the top, up to the command's own limit.
#pragma once

#include <cstdint>
#include <vector>

#include "core/ui_services.h"

struct SelectionEntry {
    int32_t number;  // the message number
    int32_t row;     // the row it stands in
};

// How many selected rows each command takes at most.
enum : int {
    SELECT_DELETE = 200,
    SELECT_COPY_MOVE = 200,
    SELECT_MARK = 50,
    SELECT_ADDRESS_BOOK = 50,
    SELECT_REPLY = 50,
};

// The list as the walk sees it; the window side asks the list view.
struct SelectionSource {
    void* context;
    // The next selected row after `row` (-1: from the top), or -1.
    int (*next_selected)(void* context, int row);
    // The message number of a row, or 0 when the row has no message.
    int (*number_of)(void* context, int row);
};

// Fills `entries` with the first `max` selected rows. With none selected,
// "Please select an e-mail!\r\n" goes to the status line of `status_window`
// and the result is -1. When more than `max` are selected the status line
// says that not all of them will be processed. Otherwise 0.
int collect_selection(const SelectionSource& source, std::vector<SelectionEntry>* entries, int max,
                      WindowRef status_window);
