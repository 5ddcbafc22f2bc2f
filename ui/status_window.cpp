#include "ui/status_window.h"

#include <commctrl.h>
#include <io.h>
#include <richedit.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "client/status_window_ids.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/threads.h"
#include "core/ui_services.h"
#include "store/busy_folders.h"
#include "transport/status_sink.h"
#include "transport/sys_socket.h"
#include "ui/main_window_handle.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/edit.h"
#include "wingui/progress_bar.h"

namespace {

HINSTANCE status_instance = nullptr;
constexpr int table_size = 100;

// A job's cancel first aborts its socket and lets the job end by itself;
// only a job still running after this long is terminated, since a thread
// killed inside the C runtime or the heap could leave a lock held.
constexpr DWORD cancel_wait_ms = 5000;
// How long the main window waits for a new status window.
constexpr DWORD create_wait_ms = 10000;

// What a job asks for; shared between the job, the main window and the new
// window's thread, so that a request given up on stays valid.
struct StatusRequest {
    HWND owner = nullptr;
    int target = 0;
    HANDLE thread = nullptr;  // the job's own thread, or none
    std::atomic<HWND> window{nullptr};
    std::atomic<bool> failed{false};
    // Set once the window is there or will never be: the main window waits
    // for it, not in rounds (a round of 100 ms was most of a short check).
    HANDLE settled = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    // A window that appears after its job gave up waiting closes again.
    std::mutex handover;
    bool abandoned = false;
    StatusRequest() = default;
    StatusRequest(const StatusRequest&) = delete;
    StatusRequest& operator=(const StatusRequest&) = delete;
    ~StatusRequest() {
        if (settled) CloseHandle(settled);
    }
    void fail() {
        failed = true;
        settle();
    }
    void settle() {
        if (settled) SetEvent(settled);
    }
};
using RequestRef = std::shared_ptr<StatusRequest>;

// One record per slot of the window table; records are never freed, so a
// job asking after its window is gone reads a record, not freed memory.
struct StatusRecord {
    HWND owner = nullptr;
    int target = 0;
    HANDLE thread = nullptr;
    std::atomic<long long> socket{no_socket};
    std::atomic<HANDLE> file{nullptr};  // the open file's system handle
    std::atomic<bool> cancelled{false};
    std::atomic<HWND> window{nullptr};  // the window while it is open
    // Status text and progress a job hands over without waiting for the
    // window's thread (a send to it costs a job about 2 ms under Wine, and a
    // message took a dozen): kept here until the window shows them, in the
    // order given.
    std::mutex shown_lock;
    std::string text;             // appended, not yet in the box
    int progress = 0;             // where the bar is to stand
    int progress_step = 1;
    bool progress_changed = false;
    bool posted = false;          // a WM_STATUS_SHOW is on its way
};

StatusRecord records[table_size];
std::mutex table_lock;
std::atomic<int> open_count{0};

uint32_t* slot(int i) { return static_cast<uint32_t*>(array_element(app.status_windows, i)); }

int take_slot() {
    std::lock_guard<std::mutex> hold(table_lock);
    for (int i = 0; i < table_size; i++)
        if (*slot(i) == 0) {
            *slot(i) = 1;  // taken; the handle follows
            return i;
        }
    return -1;
}

void set_slot(int i, uint32_t value) {
    std::lock_guard<std::mutex> hold(table_lock);
    *slot(i) = value;
}

// The record of an open status window; null for any other window (the main
// window's status line is written the same way).
StatusRecord* job_record(WindowRef window) {
    if (!window) return nullptr;
    for (StatusRecord& r : records)
        if (r.window.load() == window) return &r;
    return nullptr;
}

// Called with shown_lock held: the window is asked once to show what waits.
void hand_over(StatusRecord* r, HWND window) {
    if (r->posted) return;
    r->posted = PostMessageA(window, WM_STATUS_SHOW, 0, 0) != 0;
}

// On the window's thread: the waiting text and progress into the controls.
void show_handed_over(HWND window, StatusRecord* r) {
    std::string text;
    int progress = -1;
    {
        std::lock_guard<std::mutex> hold(r->shown_lock);
        text.swap(r->text);
        if (r->progress_changed) progress = r->progress;
        r->progress_changed = false;
        r->posted = false;
    }
    if (!text.empty()) edit_append(control(window, IDC_STATUS), text.c_str());
    if (progress >= 0) SendMessageA(control(window, IDC_STATUS_PROGRESS), PBM_SETPOS, static_cast<WPARAM>(progress), 0);
}

StatusRecord* record_of(HWND window) {
    if (!window || !IsWindow(window)) return nullptr;
    return dialog_state<StatusRecord>(window);
}

// Every folder the target's job writes into.
template <typename F>
void for_target_folders(int target, F f) {
    if (target == STATUS_ALL_ACCOUNTS) {
        for (int a = 0; a < account_count(); a++) f(account_field(a, ACCOUNT_INBOX));
    } else if (target == STATUS_OUTBOX) {
        f("maildir\\outbox");
    } else if (target == STATUS_TEMP) {
        f("temp");
    } else if (target >= 0 && target < account_count()) {
        f(account_field(target, ACCOUNT_INBOX));
    }
}

void cancel(HWND window, StatusRecord* r) {
    if (!control_enabled(window, IDC_STATUS_CANCEL) || r->cancelled.exchange(true)) return;
    enable_control(window, IDC_STATUS_CANCEL, false);
    long long socket = r->socket.load();
    if (socket != no_socket) sys_socket_abort(static_cast<Socket>(socket));
    bool ended = !r->thread || wait_answering(r->thread, cancel_wait_ms);
    if (!ended) {
        log_write("A cancelled job did not end; it was terminated.\r\n");
        TerminateThread(r->thread, 0);
        // The job can no longer close what it had open, nor release its
        // folders. The file's stream is left alone: its lock may have died
        // with the thread.
        socket = r->socket.load();
        if (socket != no_socket) sys_socket_close(static_cast<Socket>(socket));
        if (HANDLE file = r->file.exchange(nullptr)) CloseHandle(file);
        // The thread may have died holding the busy list: rather a folder
        // left marked busy until the next start than a window that hangs.
        if (r->owner == main_window.load()) {
            bool stuck = false;
            for_target_folders(r->target, [&](const char* folder) {
                if (!stuck && busy_folders_remove_within(folder, 1000) < 0) {
                    stuck = true;
                    log_write("The busy folders of the terminated job could not be released.\r\n");
                }
            });
        }
    }
    if (r->owner && r->owner == main_window.load()) DrawMenuBar(r->owner);
    PostQuitMessage(0);
}

void create_text_box(HWND window) {
    RECT box{20, 10, 20 + 210, 10 + 40};
    MapDialogRect(window, &box);
    SetFocus(create_control(window, IDC_STATUS, "RICHEDIT20A",
                            WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY,
                            WS_EX_CLIENTEDGE, box));
}

INT_PTR CALLBACK status_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<StatusRecord>(window, lparam);
        create_text_box(window);
        progress_bar_range(control(window, IDC_STATUS_PROGRESS), 0, 100);
        return FALSE;
    case WM_CLOSE:
        send_command(window, IDC_STATUS_CANCEL);
        return TRUE;
    case WM_STATUS_CLOSE:
        if (auto* r = dialog_state<StatusRecord>(window)) show_handed_over(window, r);
        PostQuitMessage(0);
        return TRUE;
    case WM_STATUS_SHOW:
        if (auto* r = dialog_state<StatusRecord>(window)) show_handed_over(window, r);
        return TRUE;
    case WM_COMMAND: {
        auto* r = dialog_state<StatusRecord>(window);
        if (!r) return FALSE;
        switch (LOWORD(wparam)) {
        case IDC_STATUS_OK:
            PostQuitMessage(0);
            return TRUE;
        case IDC_STATUS_CANCEL:
            cancel(window, r);
            return TRUE;
        case IDC_STATUS_SKIP:
            // The job reading a message body sees the button disabled.
            if (r->owner == main_window.load()) enable_control(window, IDC_STATUS_SKIP, false);
            return TRUE;
        case CMD_STATUS_SOCKET:
            r->socket = static_cast<long long>(lparam);
            return TRUE;
        case CMD_STATUS_FILE: {
            auto* file = reinterpret_cast<FILE*>(lparam);
            r->file = file ? reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file))) : nullptr;
            return TRUE;
        }
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

void status_thread(void* argument) {
    auto* handed = static_cast<RequestRef*>(argument);
    RequestRef request = *handed;
    delete handed;
    int i = take_slot();
    if (i < 0) {
        log_write("No free slot for a status window.\r\n");
        request->fail();
        return;
    }
    StatusRecord& r = records[i];
    r.owner = request->owner;
    r.target = request->target;
    r.thread = request->thread;
    r.socket = no_socket;
    r.file = nullptr;
    r.cancelled = false;
    {
        std::lock_guard<std::mutex> hold(r.shown_lock);
        r.text.clear();
        r.progress = 0;
        r.progress_step = 1;
        r.progress_changed = false;
        r.posted = false;
    }
    open_count++;
    HWND window = create_dialog(status_instance, IDD_STATUS, nullptr, status_procedure, &r);
    if (!window) {
        log_write("Could not create a status window.\r\n");
        r.thread = nullptr;  // still the job's to close
        set_slot(i, 0);
        open_count--;
        request->fail();
        return;
    }
    set_slot(i, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(window)));
    r.window = window;
    centre_on_screen(window);
    {
        std::lock_guard<std::mutex> hold(request->handover);
        if (request->abandoned)
            r.thread = nullptr;  // the job kept its handle
        else
            request->window = window;
    }
    request->settle();
    if (!request->window) PostQuitMessage(0);
    run_dialog_loop(DialogLoop{window});
    r.window = nullptr;
    DestroyWindow(window);
    if (r.thread) CloseHandle(r.thread);
    r.thread = nullptr;
    set_slot(i, 0);
    open_count--;
}

HANDLE current_thread_handle() {
    HANDLE handle = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &handle, 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    return handle;
}

HWND request_window(HWND owner, int target, HANDLE thread) {
    HWND main = main_window.load();
    if (!main) {
        if (thread) CloseHandle(thread);
        return nullptr;
    }
    auto request = std::make_shared<StatusRequest>();
    request->owner = owner;
    request->target = target;
    request->thread = thread;
    send_command(main, CMD_OPEN_STATUS_WINDOW, reinterpret_cast<LPARAM>(&request));
    HWND window;
    {
        std::lock_guard<std::mutex> hold(request->handover);
        window = request->window.load();
        if (!window) request->abandoned = true;
    }
    // Given up on, or never made: the job runs on, its text in the log.
    if (!window && thread) CloseHandle(thread);
    return window;
}

// The status text, progress bar and "Skip Server" button of a status window
// (the main window's status line has the status window's number too).
HWND status_box(WindowRef window) { return control(static_cast<HWND>(window), IDC_STATUS); }
HWND progress_bar(WindowRef window) { return control(static_cast<HWND>(window), IDC_STATUS_PROGRESS); }

// What a job handed over is shown before the box is changed another way.
void show_now(WindowRef window) {
    if (job_record(window)) SendMessageA(static_cast<HWND>(window), WM_STATUS_SHOW, 0, 0);
}

void win_status_clear(WindowRef window) {
    show_now(window);
    set_window_text(status_box(window), "");
}

void win_status_show_start(WindowRef window) {
    show_now(window);
    HWND box = status_box(window);
    edit_select(box, 0, 0);
    edit_scroll_to_caret(box);
}

// The bar runs from 0 to 100 and its jobs never step past the end.
void move_progress(HWND window, int to_start, int steps, int step) {
    StatusRecord* r = job_record(window);
    if (!r) {
        if (to_start >= 0) progress_bar_reset(progress_bar(window), step);
        for (int i = 0; i < steps; i++) progress_bar_step(progress_bar(window));
        return;
    }
    std::lock_guard<std::mutex> hold(r->shown_lock);
    if (to_start >= 0) {
        r->progress = 0;
        r->progress_step = step;
    }
    r->progress = std::min(100, r->progress + steps * r->progress_step);
    r->progress_changed = true;
    hand_over(r, window);
}

UiServices with_status_windows;

}  // namespace

HWND open_status_window(HWND owner, int target) {
    HWND window = request_window(owner, target, current_thread_handle());
    if (window) ShowWindow(window, SW_SHOW);
    return window;
}

void close_status_window(HWND window) {
    if (window) PostMessageA(window, WM_STATUS_CLOSE, 0, 0);
}

// Both are kept in the window's record, which Cancel reads; an open window
// takes them at once, without a send to its thread.
void status_window_hold_socket(HWND window, long long socket) {
    if (!window) return;
    if (StatusRecord* r = job_record(window))
        r->socket = socket;
    else
        send_command(window, CMD_STATUS_SOCKET, static_cast<LPARAM>(socket));
}

void status_window_hold_file(HWND window, std::FILE* stream) {
    if (!window) return;
    if (StatusRecord* r = job_record(window))
        r->file = stream ? reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))) : nullptr;
    else
        send_command(window, CMD_STATUS_FILE, reinterpret_cast<LPARAM>(stream));
}

void status_window_enable_ok(HWND window, bool enabled) {
    if (window) enable_control(window, IDC_STATUS_OK, enabled);
}

void status_window_enable_skip(HWND window, bool enabled) {
    if (window) enable_control(window, IDC_STATUS_SKIP, enabled);
}

bool status_window_cancelled(HWND window) {
    StatusRecord* r = record_of(window);
    return r && r->cancelled.load();
}

void status_window_add(HWND window, const char* text) {
    StatusRecord* r = job_record(window);
    if (!r) {
        edit_append(status_box(window), text);
        return;
    }
    std::lock_guard<std::mutex> hold(r->shown_lock);
    r->text += text;
    hand_over(r, window);
}

void status_window_progress_reset(HWND window, int step) {
    if (window) move_progress(window, 0, 0, step);
}

void status_window_progress_advance(HWND window, int steps) {
    if (window && steps > 0) move_progress(window, -1, steps, 0);
}

bool status_window_skip_pressed(HWND window) {
    HWND skip = window ? control(window, IDC_STATUS_SKIP) : nullptr;
    return skip && !IsWindowEnabled(skip);
}

void install_status_windows(HINSTANCE instance) {
    status_instance = instance;
    with_status_windows = *platform_ui_services();
    with_status_windows.status_clear = win_status_clear;
    with_status_windows.status_add = [](WindowRef window, const char* text) {
        status_window_add(static_cast<HWND>(window), text);
    };
    with_status_windows.status_show_start = win_status_show_start;
    ui_install(&with_status_windows);
}

LRESULT create_status_window(LPARAM argument) {
    RequestRef request = *reinterpret_cast<RequestRef*>(argument);
    auto* handed = new RequestRef(request);
    if (!start_dialog_thread(status_thread, handed)) {
        delete handed;
        request->fail();
        return 0;
    }
    WaitForSingleObject(request->settled, create_wait_ms);
    if (!request->window && !request->failed) log_write("A status window did not appear in time.\r\n");
    return reinterpret_cast<LRESULT>(request->window.load());
}

HWND open_hidden_status_window(HWND owner, int target) { return request_window(owner, target, nullptr); }

int open_status_window_count() { return open_count.load(); }
