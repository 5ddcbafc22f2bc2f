#include "transport/received_mail.h"

#include <atomic>

#include "core/app_state.h"
#include "core/processes.h"
#include "core/sys_files.h"
#include "format/address_list.h"
#include "format/dates.h"
#include "format/temp_files.h"
#include "store/message_summary.h"

namespace {

// Jobs may download side by side; each message gets a scratch file of its own.
std::atomic<int> next_scratch_number{1};

}  // namespace

std::FILE* open_received_file(StatusSink& status, Array* scratch) {
    // The message is written under a scratch name no listing counts, and
    // only a complete one moves into the folder: a cancelled or broken
    // download leaves nothing behind there.
    temp_file_name(scratch, "pop3in", next_scratch_number++);
    std::FILE* f = sys_fopen(scratch->text, "wb");
    if (!f) {
        status.error(scratch->text);
        status.error(": could not open file.\r\n");
        return nullptr;
    }
    Array* received = array_new(100);
    format_date_field(received);
    std::fprintf(f, "X-ZMRead: FALSE\r\nX-Received%s\r\n", received->text);
    delete_arrays(received);
    return f;
}

void run_new_mail_command(StatusSink& status, const char* path) {
    if (!app.new_mail_command->text[0]) return;
    MessageSummary* summary = summary_new();
    read_summary(0, summary, path);
    Array* to = array_new(address_field_capacity);
    join_list(summary->recipients, to, 100, 12630);
    // The decoded texts go as UTF-8; FROM is the header's value as received.
    EnvironmentVariable variables[] = {{"FILE", path},
                                       {"FROM", summary->from->text},
                                       {"NAME", summary->from_name->text, true},
                                       {"ADDRESS", summary->from_address->text},
                                       {"TO", to->text, true},
                                       {"SUBJECT", summary->subject->text, true},
                                       {"DATE", summary->date->text}};
    if (sys_run_command(app.new_mail_command->text, variables, 7, 30000) == COMMAND_TIMED_OUT)
        status.error("Timeout on command.\r\n");
    delete_arrays(to);
    summary_delete(summary);
}
