#include "ui/transfer_jobs.h"

#include <atomic>
#include <cstring>
#include <vector>

#include "client/main_window_ids.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "store/message_files.h"
#include "store/selection.h"
#include "transport/pop3_jobs.h"
#include "transport/send_queued.h"
#include "ui/job_status.h"
#include "ui/message_list.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/list_box.h"
#include "wingui/list_view.h"

namespace {

// At most this many rows are taken for one download or deletion.
constexpr int server_job_limit = 200;

enum class JobKind { receive, header_listing, download, remove, send_queued };

struct Job {
    JobKind kind;
    HWND owner;
    int account;
    int count;
    int numbers[server_job_limit];
};

std::atomic<long> current_job{0};
std::atomic<int> server_account{-1};

const char* busy_notice = "Target directory is receiving mail.\r\n";

void run_job(void* argument) {
    auto* job = static_cast<Job*>(argument);
    WindowJobHost host(job->owner);
    switch (job->kind) {
    case JobKind::receive:
        receive_job(host, job->account);
        break;
    case JobKind::header_listing:
        header_listing_job(host, job->account);
        break;
    case JobKind::download:
        download_job(host, job->account, job->numbers, job->count);
        break;
    case JobKind::remove:
        delete_job(host, job->account, job->numbers, job->count);
        break;
    case JobKind::send_queued:
        send_queued(host);
        break;
    }
    if (job->kind != JobKind::send_queued) current_job = 0;
    delete job;
}

// Starts the job on a worker thread; false when no thread could be started
// (the user has been told).
bool spawn_worker(Job* job) {
    long started = start_thread(run_job, job);
    if (started == -1) {
        delete job;
        show_message("Could not start thread.");
        return false;
    }
    if (job->kind != JobKind::send_queued) current_job = started == 0 ? 1 : started;
    return true;
}

Job* new_job(JobKind kind, HWND owner, int account) {
    auto* job = new Job{};
    job->kind = kind;
    job->owner = owner;
    job->account = account;
    return job;
}

int chosen_account(HWND window) {
    return combo_selection(control(window, IDC_ACCOUNTS));
}

const char* inbox_of(int account) { return account_field(account, ACCOUNT_INBOX); }

// Marks the folders busy and starts the job; a job that cannot start
// leaves no folder marked.
void start_marked(Job* job, int first, int last) {
    for (int a = first; a < last; a++) busy_folders_add(inbox_of(a));
    if (!spawn_worker(job))
        for (int a = first; a < last; a++) busy_folders_remove(inbox_of(a));
}

// The rows chosen in the "E-mail Headers" list; without any the user has
// been told.
bool take_chosen_rows(HWND window, Job* job) {
    std::vector<SelectionEntry> chosen;
    if (collect_list_selection(window, server_job_limit, &chosen) != 0) {
        delete job;
        return false;
    }
    for (const SelectionEntry& e : chosen) job->numbers[job->count++] = e.number;
    return true;
}

}  // namespace

void receive_mail_command(HWND window) {
    int account = chosen_account(window);
    if (account_count() == 0) {
        // The job asks whether to set an account up.
        spawn_worker(new_job(JobKind::receive, window, 0));
        return;
    }
    if (account < 0 || account >= account_count()) return;
    if (busy_folders_contains(inbox_of(account))) {
        status_set(window, busy_notice);
        return;
    }
    start_marked(new_job(JobKind::receive, window, account), account, account + 1);
}

void check_all_accounts_command(HWND window) {
    for (int a = 0; a < account_count(); a++)
        if (busy_folders_contains(inbox_of(a))) {
            status_set(window, busy_notice);
            return;
        }
    start_marked(new_job(JobKind::receive, window, -1), 0, account_count());
}

void start_header_listing(HWND window) {
    int account = chosen_account(window);
    server_account = account;
    if (!spawn_worker(new_job(JobKind::header_listing, window, account))) busy_folders_remove("temp");
}

void download_from_server_command(HWND window) {
    int account = server_account;
    if (account < 0 || account >= account_count()) return;
    Job* job = new_job(JobKind::download, window, account);
    if (!take_chosen_rows(window, job)) return;
    if (busy_folders_contains(inbox_of(account))) {
        delete job;
        status_set(window, busy_notice);
        return;
    }
    start_marked(job, account, account + 1);
}

void delete_from_server_command(HWND window) {
    int account = server_account;
    if (account < 0 || account >= account_count()) return;
    Job* job = new_job(JobKind::remove, window, account);
    if (!take_chosen_rows(window, job)) return;
    busy_folders_add("temp");
    if (!spawn_worker(job)) busy_folders_remove("temp");
}

void send_queued_command(HWND window) {
    const char* outbox = "maildir\\outbox";
    if (std::strcmp(app.current_folder->text, outbox) == 0 &&
        count_message_files(outbox) !=
            list_row_count(control(window, IDC_MESSAGE_LIST))) {
        send_command(window, CMD_REFRESH_FOLDER);
        show_message(
            "Zenth Mail is refreshing the message list. Select 'send queued' again once the list has been "
            "refreshed.");
        return;
    }
    spawn_worker(new_job(JobKind::send_queued, window, 0));
}

bool mail_job_running() { return current_job.load() != 0; }
