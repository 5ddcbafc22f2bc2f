#include "ui/job_status.h"

#include "core/ui_services.h"
#include "core/window_number.h"

void WindowStatus::progress_reset(int step) { ::progress_reset(window_, step); }

void WindowStatus::progress_advance(int steps) { ::progress_advance(window_, steps); }

bool WindowStatus::skip_pressed() { return ::skip_pressed(window_); }

bool WindowStatus::cancelled() { return job_cancelled(window_); }

void WindowStatus::hold_socket(Socket s) { register_socket(window_, static_cast<long long>(s)); }

void WindowStatus::hold_file(std::FILE* file) { register_file(window_, file); }

int WindowStatus::scratch_number() { return window_number(window_); }

void WindowStatus::enable_ok(bool enabled) { ::enable_ok(window_, enabled); }

void WindowStatus::enable_skip(bool enabled) { ::enable_skip(window_, enabled); }

void WindowStatus::close() { close_status_window(window_); }

void WindowStatus::show(const char* text, bool) {
    if (window_) ui_services()->status_add(window_, text);
}

JobStatus& WindowJobHost::open_status(int target) {
    opened_.push_back(std::make_unique<WindowStatus>(static_cast<HWND>(open_status_window(owner_, target))));
    return *opened_.back();
}
