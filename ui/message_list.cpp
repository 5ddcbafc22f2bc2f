#include "ui/message_list.h"

#include <cstring>
#include <vector>

#include "client/list_fill.h"
#include "client/main_window_ids.h"
#include "client/message_rows.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "core/window_number.h"
#include "format/header_edit.h"
#include "store/busy_folders.h"
#include "store/folders.h"
#include "store/insert_line.h"
#include "store/list_mirror.h"
#include "store/message_files.h"
#include "store/message_summary.h"
#include "store/read_state.h"
#include "transport/pop3_jobs.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_view.h"
#include "wingui/virtual_list.h"

namespace {

// The rows of the list on show. Only the interface thread touches them; the
// list control (LVS_OWNERDATA) holds their count and asks for their texts.
MessageRows shown;

HWND list_of(HWND window) { return control(window, IDC_MESSAGE_LIST); }

int row_count(void*) { return static_cast<int>(shown.rows.size()); }

const char* cell_text(void*, int row, int column) { return row_text(shown.rows[static_cast<size_t>(row)], column); }

// Marked rows are red, unmarked unread ones blue; the rest keep the list's
// own text colour.
long row_colour(void*, int row) {
    const RowData& d = shown.rows[static_cast<size_t>(row)].data;
    if (d.marked) return RGB(255, 0, 0);
    if (!d.read) return RGB(0, 0, 255);
    return -1;
}

const VirtualRows shown_rows{nullptr, row_count, cell_text, row_colour};

// The fill thread's errand: its window and the fill it is.
struct FillErrand {
    HWND window;
    int fill;
};

void hand_over(void* context, RowBatch* batch) {
    send_command(static_cast<HWND>(context), CMD_LIST_ROWS, reinterpret_cast<LPARAM>(batch));
}

void fill_rows(HWND window, int fill) {
    RowBatcher batcher;
    batcher.context = window;
    batcher.hand_over = hand_over;
    ListSink sink = batching_sink(&batcher, fill);
    // The server's headers are shown with the sizes the server listed.
    const int32_t* sizes = headers_view ? reinterpret_cast<const int32_t*>(header_listing_sizes()->words) : nullptr;
    fill_message_list(sink, sizes, window);
}

void fill_thread(void* argument) {
    auto* errand = static_cast<FillErrand*>(argument);
    fill_rows(errand->window, errand->fill);
    delete errand;
}

// The rows selected and focused before the order changes, found again by
// where each row stood before (its data's row).
void reorder(HWND window, void (*sort)(MessageRows*)) {
    HWND list = list_of(window);
    const size_t n = shown.rows.size();
    std::vector<char> was_selected(n, 0);
    for (int row = list_next_selected(list, -1); row != -1; row = list_next_selected(list, row))
        if (static_cast<size_t>(row) < n) was_selected[static_cast<size_t>(row)] = 1;
    const int focused = list_focused_row(list);
    sort(&shown);
    list_set_selected(list, -1, false);
    for (size_t i = 0; i < n; i++) {
        int before = shown.rows[i].data.row;
        if (was_selected[static_cast<size_t>(before)]) list_set_selected(list, static_cast<int>(i), true);
        if (before == focused) list_set_focused_row(list, static_cast<int>(i));
    }
    InvalidateRect(list, nullptr, FALSE);
}

int sort_column = 0;
void sort_by_clicked_column(MessageRows* rows) { rows_sort_by_text(rows, sort_column); }

void sort_by_column(HWND window, int column) {
    if (list_filling || headers_view || busy_folders_contains(app.current_folder->text)) {
        status_set(window, "Sorting could not be completed.\r\n");
        return;
    }
    if (column > 3) return;
    sort_column = column;
    reorder(window, sort_by_clicked_column);
}

}  // namespace

void take_list_rows(HWND window, const RowBatch* batch) {
    if (!rows_take(&shown, *batch)) return;  // a fill that was cancelled or replaced
    HWND list = list_of(window);
    if (batch->restart) list_delete_all(list);
    list_set_row_count(list, static_cast<int>(shown.rows.size()));
    if (batch->last) list_scroll(list, 0, 64 * static_cast<int>(shown.rows.size()));
}

void remove_message_row(HWND window, int number) {
    int row = rows_find_number(shown, number);
    if (row != -1) remove_list_row(window, row);
}

bool remove_list_row(HWND window, int row) {
    if (!rows_data(&shown, row)) return false;
    rows_remove(&shown, row);
    // The control moves the selection of the rows below up with them.
    list_delete_row(list_of(window), row);
    return true;
}

void fill_list_now(HWND window) { fill_rows(window, rows_begin_fill(&shown)); }

void clear_message_list(HWND window) {
    rows_clear(&shown);
    list_delete_all(list_of(window));
}

bool start_list_fill(HWND window) {
    // Marked at once, so no second fill or folder change starts meanwhile.
    list_filling = 1;
    clear_message_list(window);
    auto* errand = new FillErrand{window, shown.fill};
    if (!start_dialog_thread(fill_thread, errand)) {
        delete errand;
        list_filling = 0;
        return false;
    }
    return true;
}

void sort_by_file_name(HWND window) { reorder(window, rows_sort_by_number); }

void toggle_mark(HWND window) {
    std::vector<SelectionEntry> entries;
    if (collect_list_selection(window, SELECT_MARK, &entries) != 0) return;
    HWND list = list_of(window);
    ListMirror mirror;
    mirror_open(&mirror, app.current_folder->text);
    Array* path = array_new(message_path_capacity);
    MessageSummary* summary = summary_new();
    const int number = window_number(window);
    for (const SelectionEntry& entry : entries) {
        RowData* d = rows_data(&shown, entry.row);
        if (!d) continue;
        message_file_path(path, app.current_folder->text, d->number);
        if (read_summary(0, summary, path->text) != SUMMARY_OK) {
            show_message("Could not read email header!");
            break;
        }
        d->marked = summary->marked;
        int changed = d->marked ? strip_header_field(number, path->text, "X-ZMMark")
                                : insert_line(number, path->text, nullptr, "X-ZMMark: TRUE\r\n", 0);
        if (changed != 0)
            show_message("Could not change mark state!");
        else
            d->marked = !d->marked;
        mirror_refresh(&mirror, path->text);
        list_redraw_rows(list, entry.row, entry.row);
    }
    summary_delete(summary);
    delete_arrays(path);
}

RowData* message_row(HWND, int row) { return rows_data(&shown, row); }

void copy_rows_for_search(HWND, SearchRequest* request) {
    request->folder = app.current_folder->text;
    request->rows.clear();
    for (const ListRow& row : shown.rows)
        request->rows.push_back({row.data.number, row_text(row, 0), row_text(row, 1), row_text(row, 2),
                                 row_text(row, 3)});
}

int selected_message(HWND window, Array* path) {
    int row = list_next_selected(list_of(window), -1);
    RowData* d = row < 0 ? nullptr : rows_data(&shown, row);
    if (!d) return -1;
    message_file_path(path, app.current_folder->text, d->number);
    return row;
}

namespace {

int next_selected_row(void* context, int row) { return list_next_selected(static_cast<HWND>(context), row); }

int row_number(void*, int row) {
    RowData* d = rows_data(&shown, row);
    return d ? d->number : 0;
}

}  // namespace

int collect_list_selection(HWND window, int max, std::vector<SelectionEntry>* entries) {
    SelectionSource source{list_of(window), next_selected_row, row_number};
    return collect_selection(source, entries, max, window);
}

void set_read(HWND window, int row) {
    RowData* d = rows_data(&shown, row);
    // The file, not the row, says whether the message is unread.
    if (!d) return;
    Array* path = array_new(message_path_capacity);
    message_file_path(path, app.current_folder->text, d->number);
    d->read = mark_message_read(window_number(window), app.current_folder->text, path->text);
    list_redraw_rows(list_of(window), row, row);
    delete_arrays(path);
}

bool message_list_notify(HWND window, NMHDR* header, LRESULT* result) {
    if (header->idFrom != IDC_MESSAGE_LIST) return false;
    if (header->code == LVN_COLUMNCLICK) {
        sort_by_column(window, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        *result = 0;
        return true;
    }
    return virtual_list_notify(header, shown_rows, result);
}
