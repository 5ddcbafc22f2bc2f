#include "ui/job_status.h"

#include "client/view_state.h"
#include "core/window_number.h"
#include "ui/main_window_handle.h"
#include "ui/status_window.h"
#include "ui/thread_commands.h"
#include "wingui/controls.h"

void WindowStatus::progress_reset(int step) { status_window_progress_reset(window_, step); }

void WindowStatus::progress_advance(int steps) { status_window_progress_advance(window_, steps); }

bool WindowStatus::skip_pressed() { return status_window_skip_pressed(window_); }

bool WindowStatus::cancelled() { return status_window_cancelled(window_); }

void WindowStatus::hold_socket(Socket s) { status_window_hold_socket(window_, static_cast<long long>(s)); }

void WindowStatus::hold_file(std::FILE* file) { status_window_hold_file(window_, file); }

int WindowStatus::scratch_number() { return window_number(window_); }

void WindowStatus::enable_ok(bool enabled) { status_window_enable_ok(window_, enabled); }

void WindowStatus::enable_skip(bool enabled) { status_window_enable_skip(window_, enabled); }

void WindowStatus::close() { close_status_window(window_); }

void WindowStatus::show(const char* text, bool) {
    if (window_) status_window_add(window_, text);
}

JobStatus& WindowJobHost::open_status(int target) {
    opened_.push_back(std::make_unique<WindowStatus>(open_status_window(owner_, target)));
    return *opened_.back();
}

bool WindowJobHost::before_folder_write(const char* folder) { return stop_fill_before_write(folder); }

void WindowJobHost::redisplay() {
    if (HWND main = main_window.load()) send_command(main, CMD_REDISPLAY, 0);
}
