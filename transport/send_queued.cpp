#include "transport/send_queued.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "core/arrays.h"
#include "core/sys_files.h"
#include "format/dates.h"
#include "format/header_fields.h"
#include "format/header_edit.h"
#include "format/temp_files.h"
#include "store/busy_folders.h"
#include "store/message_files.h"
#include "transport/connect.h"
#include "transport/smtp_session.h"

namespace {

const char* const outbox = "maildir\\outbox";
std::atomic<SentRowRemover> row_remover{nullptr};

// The sending copy of a queued message carries the time of sending. A
// message without a "Date" line gets one.
int renew_date(const char* path, const char* copy) {
    Array* date = array_new(100);
    Array* line = array_new(110);
    format_date_field(date);
    array_printf(line, "%s\r\n", date->text);
    int result = replace_header_field(path, copy, "Date:", line->text);
    if (result != 0) result = copy_replacing_line(path, copy, 0, 0, line->text);
    delete_arrays(date, line);
    return result;
}

// The queued files, named before the first is sent: the folder changes
// while the job runs.
std::vector<std::string> queued_files() {
    std::vector<std::string> names;
    Array* pattern = array_new(message_path_capacity);
    array_printf(pattern, "%s\\mm*.eml", outbox);
    sys_enumerate(pattern->text, [&](const DirEntry& e) {
        if (!e.is_directory) names.emplace_back(e.name);
        return true;
    });
    delete_arrays(pattern);
    return names;
}

// The messages of one server and account one after another, in the order
// their first message was found, so that each server gets one connection.
// The fields are only peeked at here: a message that lacks them says so
// when its turn comes.
void group_by_server(std::vector<std::string>* names) {
    Array* path = array_new(message_path_capacity);
    Array* field = array_new(server_text_capacity + 10);
    std::vector<std::string> keys;
    for (const std::string& name : *names) {
        array_printf(path, "%s\\%.87s", outbox, name.c_str());
        std::string key;
        for (const char* header : {"X-ZMServer", "X-ZMAccountIndex"}) {
            array_clear(field);
            read_header_field(path->text, nullptr, header, field, field->capacity - 1, FIELD_FIRST, SCOPE_HEADER);
            key += field->text;
            key += '\n';
        }
        keys.push_back(key);
    }
    std::vector<size_t> order(names->size());
    for (size_t i = 0; i < order.size(); i++) order[i] = i;
    std::vector<size_t> first_of(names->size());
    for (size_t i = 0; i < keys.size(); i++)
        first_of[i] = static_cast<size_t>(std::find(keys.begin(), keys.end(), keys[i]) - keys.begin());
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return first_of[a] < first_of[b]; });
    std::vector<std::string> grouped;
    for (size_t i : order) grouped.push_back((*names)[i]);
    names->swap(grouped);
    delete_arrays(path, field);
}

}  // namespace

void set_sent_row_remover(SentRowRemover remover) { row_remover.store(remover); }

int send_queued(JobHost& host) {
    busy_folders_add(outbox);
    JobStatus& w = host.open_status(STATUS_OUTBOX);
    w.enable_ok(false);
    w.enable_skip(false);

    std::vector<std::string> names = queued_files();
    if (names.empty()) w.line("No files to send.\r\n");
    group_by_server(&names);
    SmtpConnection connection(w);
    Array* path = array_new(message_path_capacity);
    Array* copy = array_new(100);
    temp_file_name(copy, "outqueued", w.scratch_number());
    int errors = 0;
    SentItems sent;
    for (const std::string& name : names) {
        if (w.cancelled()) {
            errors++;
            break;
        }
        array_clear(path);
        array_printf(path, "%s\\%.87s", outbox, name.c_str());
        sent.failed = false;
        if (renew_date(path->text, copy->text) != 0 || connection.send(copy->text) != 0) {
            // The message stays queued for the next "Send Queued", and the
            // rest go on.
            errors++;
            continue;
        }
        if (connection.wants_sent_item()) save_sent_item(w, connection.sending_copy(), &sent);
        // The queued file is removed only once its sent-items copy is on the
        // disk; without that copy it is the only one the user has.
        if (sent.failed) {
            errors++;
            break;
        }
        if (sys_remove_file(path->text) != 0) {
            w.error("Could not remove queued email!\r\n");
            errors++;
            break;
        }
        SentRowRemover remove_row = row_remover.load();
        if (remove_row && remove_row(outbox, message_number_of(name.c_str())) != 0) {
            w.error("Could not remove list box entry!\r\n");
            errors++;
            break;
        }
    }
    connection.quit();
    if (errors == 0) {
        w.line("Done.\r\n");
    } else {
        Array* line = array_new(100);
        array_printf(line, "Errors: %i\r\n", errors);
        w.line(line->text);
        delete_arrays(line);
    }
    delete_arrays(path, copy);
    busy_folders_remove(outbox);
    w.enable_ok(true);
    return errors;
}
