#include "store/read_state.h"

#include "core/ui_services.h"
#include "format/header_edit.h"
#include "store/list_mirror.h"
#include "store/message_summary.h"

int mark_message_read(int window_number, const char* folder, const char* path) {
    MessageSummary* summary = summary_new();
    read_summary(0, summary, path);
    int read = summary->read;
    summary_delete(summary);
    if (read) return 1;
    if (strip_header_field(window_number, path, "X-ZMRead") == 0) {
        read = 1;
    } else {
        show_message("Could not set read state!");
    }
    ListMirror mirror;
    mirror_open(&mirror, folder);
    mirror_refresh(&mirror, path);
    return read;
}
