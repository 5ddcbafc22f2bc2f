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
#include "ui/main_window.h"
#include "ui/resource.h"

namespace {

HWND list_of(HWND window) { return GetDlgItem(window, IDC_MESSAGE_LIST); }

RowData* row_data(HWND list, int row) {
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<RowData*>(item.lParam);
}

void set_text(HWND list, int row, int column, const char* text) {
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

void sink_clear(void* context) { clear_message_list(static_cast<HWND>(context)); }

void sink_expect(void* context, int rows) {
    SendMessageA(list_of(static_cast<HWND>(context)), LVM_SETITEMCOUNT, static_cast<WPARAM>(rows), 0);
}

void sink_row(void* context, int index, const RowData& data, const char* const columns[6]) {
    HWND list = list_of(static_cast<HWND>(context));
    auto* kept = static_cast<RowData*>(xmalloc(sizeof(RowData)));
    *kept = data;
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = index;
    item.pszText = const_cast<char*>(columns[0]);
    item.lParam = reinterpret_cast<LPARAM>(kept);
    int row = static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
    for (int c = 1; c < 6; c++)
        if (c != 4 || columns[4][0]) set_text(list, row, c, columns[c]);
}

void sink_finish(void* context, int rows) {
    SendMessageA(list_of(static_cast<HWND>(context)), LVM_SCROLL, 0, 64 * rows);
}

void fill_thread(void* argument) { fill_list_now(static_cast<HWND>(argument)); }

// The clicked column's texts, fetched before the sort: while it sorts, the
// list control is in no state to answer questions about its rows.
struct SortContext {
    std::vector<std::string> texts;  // by the row before the sort
};

int CALLBACK compare_texts(LPARAM a, LPARAM b, LPARAM context) {
    auto* sort = reinterpret_cast<SortContext*>(context);
    const std::string& first = sort->texts[static_cast<size_t>(reinterpret_cast<RowData*>(a)->row)];
    const std::string& second = sort->texts[static_cast<size_t>(reinterpret_cast<RowData*>(b)->row)];
    return std::strcoll(first.c_str(), second.c_str());
}

int CALLBACK compare_numbers(LPARAM a, LPARAM b, LPARAM) {
    return reinterpret_cast<RowData*>(a)->number - reinterpret_cast<RowData*>(b)->number;
}

// Before a sort every row remembers where it stands, so the comparison can
// fetch its texts.
void number_rows(HWND list) {
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
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
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    std::vector<char> text(12631);
    for (int row = 0; row < n; row++) {
        LVITEMA item{};
        item.iSubItem = column;
        item.cchTextMax = static_cast<int>(text.size());
        item.pszText = text.data();
        text[0] = 0;
        SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
        sort.texts.push_back(text.data());
    }
    SendMessageA(list, LVM_SORTITEMS, reinterpret_cast<WPARAM>(&sort), reinterpret_cast<LPARAM>(compare_texts));
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
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < n; row++) {
        RowData* d = row_data(list, row);
        if (d && d->number == number) {
            std::free(d);
            SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
            return;
        }
    }
}

void fill_list_now(HWND window) {
    ListSink sink{window, sink_clear, sink_expect, sink_row, sink_finish};
    // The server's headers are shown with the sizes the server listed.
    const int32_t* sizes = headers_view ? reinterpret_cast<const int32_t*>(header_listing_sizes()->words) : nullptr;
    fill_message_list(sink, sizes, window);
}

void clear_message_list(HWND window) {
    HWND list = list_of(window);
    int n = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < n; row++) std::free(row_data(list, row));
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}

bool start_list_fill(HWND window) {
    // Marked at once, so no second fill or folder change starts meanwhile.
    list_filling = 1;
    if (start_thread(fill_thread, window) == -1) {
        list_filling = 0;
        show_message("Could not start thread.");
        return false;
    }
    return true;
}

void sort_by_file_name(HWND window) {
    HWND list = list_of(window);
    SendMessageA(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(compare_numbers));
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
        SendMessageA(list, LVM_REDRAWITEMS, static_cast<WPARAM>(entry.row), static_cast<LPARAM>(entry.row));
    }
    summary_delete(summary);
    delete_arrays(path);
}

RowData* message_row(HWND window, int row) { return row_data(list_of(window), row); }

namespace {

int next_selected_row(void* context, int row) {
    return static_cast<int>(SendMessageA(static_cast<HWND>(context), LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                         LVNI_SELECTED));
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
    SendMessageA(list_of(window), LVM_REDRAWITEMS, static_cast<WPARAM>(row), static_cast<LPARAM>(row));
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
