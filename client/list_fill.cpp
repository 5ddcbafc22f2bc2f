#include "client/list_fill.h"

#include <cstdint>
#include <cstdio>
#include <vector>

#include "client/view_state.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/settings.h"
#include "core/sys_files.h"
#include "core/sys_time.h"
#include "core/ui_services.h"
#include "format/address_list.h"
#include "format/attachment_count.h"
#include "store/list_mirror.h"
#include "store/message_files.h"
#include "store/message_summary.h"

void format_size_column(char* out, int capacity, double bytes) {
    double kb = bytes < 0 ? -1 : bytes / 1024;
    const char* format = kb > 99 ? "%.0f" : kb <= 9 ? "%.2f" : "%.1f";
    std::snprintf(out, static_cast<size_t>(capacity), format, kb);
}

namespace {

// One row from the message's mirror line, or from the message itself once
// the mirror has proved unusable.
int row_values(ListMirror* mirror, bool use_mirror, const char* path, MessageSummary* summary, Array* recipients) {
    if (use_mirror) return mirror_lookup(mirror, path, summary, recipients);
    array_clear(recipients);
    int result = summarise_for_row(path, summary);
    if (result == SUMMARY_SUBJECT_LOCKED) locked_subjects++;
    return 0;
}

}  // namespace

int fill_message_list(const ListSink& sink, const int32_t* sizes, WindowRef status_window) {
    uint32_t started = sys_tick_count();
    const char* folder = app.current_folder->text;
    ListMirror mirror;
    mirror_open(&mirror, folder);
    sink.clear(sink.context);
    list_filling = 1;
    list_incomplete = 1;
    locked_subjects = 0;

    // One pass over the folder gives the messages, in number order, with
    // their sizes.
    const std::vector<MessageFile> files = list_message_files(folder);
    const int n = static_cast<int>(files.size());
    sink.expect(sink.context, n);
    MessageSummary* summary = summary_new();
    Array* recipients = array_new(address_field_capacity);
    Array* path = array_new(message_path_capacity);
    bool use_mirror = true, rebuilt = false;
    int placed = 0;
    char size[32], attachments[32];
    while (placed < n && !list_cancel) {
        const MessageFile& file = files[static_cast<size_t>(placed)];
        const int number = file.number;
        message_file_path(path, folder, number);
        if (row_values(&mirror, use_mirror, path->text, summary, recipients) != 0) {
            log_write(path->text);
            log_write("\r\n");
            if (!rebuilt) {
                // One rebuild per fill: a mirror that fails again cannot be
                // written or read here, and the list goes on without it.
                show_message("There is a problem with the list mirror. Attempting to rebuild.");
                mirror_discard(&mirror);
                rebuilt = true;
            } else {
                use_mirror = false;
            }
            sink.clear(sink.context);
            placed = 0;
            continue;
        }
        if (!use_mirror) {
            // Without the mirror the row comes from the message itself.
            join_list(summary->recipients, recipients, address_list_entries, address_field_capacity - 1);
        }
        RowData data{summary->marked, summary->read, number, placed};
        double bytes = sizes ? (number <= 999 ? sizes[placed] : -1)
                             : file.size < 0 || file.size > INT32_MAX ? -1 : static_cast<double>(file.size);
        format_size_column(size, sizeof size, bytes);
        attachments[0] = 0;
        if (summary->attachments != 0 && !setting_on(SETTING_NO_ATTACHMENTS))
            std::snprintf(attachments, sizeof attachments, "       %i", summary->attachments);
        const char* columns[6] = {summary->from_name->text, recipients->text, summary->subject->text,
                                  summary->date->text, attachments, size};
        sink.add_row(sink.context, placed, data, columns);
        placed++;
    }
    mirror_close(&mirror);
    if (placed == n) list_incomplete = 0;
    if (locked_subjects > 0)
        status_set(status_window,
                   "Subject not decrypted on some emails because encryption key file bfkey.dat does not exist!\r\n");
    sink.finish(sink.context, placed);
    list_filling = 0;
    Array* text = array_new(100);
    array_printf(text, "Displayed messages in %i ms\r\n", static_cast<int>(sys_tick_count() - started));
    log_write(text->text);
    delete_arrays(recipients, path, text);
    summary_delete(summary);
    return placed;
}
