#include "ui/message_list.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "format/header_edit.h"
#include "store/busy_folders.h"
#include "ui/list_fill.h"
#include "store/list_mirror.h"
#include "store/message_files.h"
#include "store/insert_line.h"
#include "store/message_summary.h"
#include "store/read_state.h"
#include "core/window_number.h"
#include "ui/view_state.h"
#include "transport/pop3_jobs.h"
#include "store/folders.h"
#include "ui/main_window_ids.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_view.h"

namespace {

HWND list_of(HWND window) { return control(window, IDC_MESSAGE_LIST); }

RowData* row_data(HWND list, int row) { return static_cast<RowData*>(list_row_data(list, row)); }

void sink_clear(void* context) { clear_message_list(static_cast<HWND>(context)); }

void sink_expect(void* context, int rows) {
    list_reserve_rows(list_of(static_cast<HWND>(context)), rows);
}

void sink_row(void* context, int index, const RowData& data, const char* const columns[6]) {
    HWND list = list_of(static_cast<HWND>(context));
    auto* kept = static_cast<RowData*>(xmalloc(sizeof(RowData)));
    *kept = data;
    int row = list_insert_row(list, index, columns[0], kept);
    for (int c = 1; c < 6; c++)
        if (c != 4 || columns[4][0]) list_set_text(list, row, c, columns[c]);
}

void sink_finish(void* context, int rows) {
    list_scroll(list_of(static_cast<HWND>(context)), 0, 64 * rows);
}

void fill_thread(void* argument) { fill_list_now(static_cast<HWND>(argument)); }

// The clicked column's texts, fetched before the sort: while it sorts, the
// list control is in no state to answer questions about its rows.
struct SortContext {
    std::vector<std::string> texts;  // by the row before the sort
};

int compare_texts(void* a, void* b, void* context) {
    auto* sort = static_cast<SortContext*>(context);
    const std::string& first = sort->texts[static_cast<size_t>(static_cast<RowData*>(a)->row)];
    const std::string& second = sort->texts[static_cast<size_t>(static_cast<RowData*>(b)->row)];
    return std::strcoll(first.c_str(), second.c_str());
}

int compare_numbers(void* a, void* b, void*) { return static_cast<RowData*>(a)->number - static_cast<RowData*>(b)->number; }

// Before a sort every row remembers where it stands, so the comparison can
// fetch its texts.
void number_rows(HWND list) {
    int n = list_row_count(list);
    for (int row = 0; row < n; row++)
        if (RowData* d = row_data(list, row)) d->row = row;
}

void sort_by_column(HWND window, int column) {
    if (list_filling || headers_view || busy_folders_contains(app.current_folder->text)) {
        status_set(window, "Sorting could not be completed.\r\n");
        return;
    }
    if (column > 3) return;
    HWND list = list_of(window);
    number_rows(list);
    SortContext sort;
    int n = list_row_count(list);
    Array* text = array_new(12631);
    for (int row = 0; row < n; row++) {
        list_text(list, row, column, text);
        sort.texts.push_back(text->text);
    }
    delete_arrays(text);
    list_sort(list, compare_texts, &sort);
}

LRESULT custom_draw(NMLVCUSTOMDRAW* draw) {
    if (draw->nmcd.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
    if (draw->nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        auto* d = reinterpret_cast<RowData*>(draw->nmcd.lItemlParam);
        if (d && d->marked)
            draw->clrText = RGB(255, 0, 0);
        else if (d && !d->read)
            draw->clrText = RGB(0, 0, 255);
    }
    return CDRF_DODEFAULT;
}

}  // namespace

void remove_message_row(HWND window, int number) {
    HWND list = list_of(window);
    int n = list_row_count(list);
    for (int row = 0; row < n; row++) {
        RowData* d = row_data(list, row);
        if (d && d->number == number) {
            std::free(d);
            list_delete_row(list, row);
            return;
        }
    }
}

void fill_list_now(HWND window) {
    ListSink sink{
        .context = window, .clear = sink_clear, .expect = sink_expect, .add_row = sink_row, .finish = sink_finish};
    // The server's headers are shown with the sizes the server listed.
    const int32_t* sizes = headers_view ? reinterpret_cast<const int32_t*>(header_listing_sizes()->words) : nullptr;
    fill_message_list(sink, sizes, window);
}

void clear_message_list(HWND window) {
    HWND list = list_of(window);
    int n = list_row_count(list);
    for (int row = 0; row < n; row++) std::free(row_data(list, row));
    list_delete_all(list);
}

bool start_list_fill(HWND window) {
    // Marked at once, so no second fill or folder change starts meanwhile.
    list_filling = 1;
    if (!start_dialog_thread(fill_thread, window)) {
        list_filling = 0;
        return false;
    }
    return true;
}

void sort_by_file_name(HWND window) {
    HWND list = list_of(window);
    list_sort(list, compare_numbers, nullptr);
}

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
        RowData* d = row_data(list, entry.row);
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

RowData* message_row(HWND window, int row) { return row_data(list_of(window), row); }

namespace {

int next_selected_row(void* context, int row) {
    return list_next_selected(static_cast<HWND>(context), row);
}

int row_number(void* context, int row) {
    RowData* d = row_data(static_cast<HWND>(context), row);
    return d ? d->number : 0;
}

}  // namespace

int collect_list_selection(HWND window, int max, std::vector<SelectionEntry>* entries) {
    SelectionSource source{list_of(window), next_selected_row, row_number};
    return collect_selection(source, entries, max, window);
}

void set_read(HWND window, int row) {
    RowData* d = row_data(list_of(window), row);
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
    switch (header->code) {
    case NM_CUSTOMDRAW:
        *result = custom_draw(reinterpret_cast<NMLVCUSTOMDRAW*>(header));
        return true;
    case LVN_COLUMNCLICK:
        sort_by_column(window, reinterpret_cast<NMLISTVIEW*>(header)->iSubItem);
        *result = 0;
        return true;
    default:
        return false;
    }
}
