#include "core/ui_services.h"

#include <atomic>
#include <cstring>

#include "core/arrays.h"
#include "core/log.h"

namespace {
std::atomic<const UiServices*> installed{nullptr};
}

namespace {
int default_answer(WindowRef, const char*, const char*, unsigned style) {
    return (style & 0xF) == UI_YESNO ? UI_ANSWER_NO : UI_ANSWER_OK;
}
void quiet(WindowRef) {}
void quiet_text(WindowRef, const char*) {}
bool quiet_no(WindowRef) { return false; }
WindowRef quiet_window(WindowRef, int) { return nullptr; }
void quiet_socket(WindowRef, long long) {}
void quiet_file(WindowRef, void*) {}
void quiet_switch(WindowRef, bool) {}
void quiet_reset(WindowRef, int) {}
int quiet_command(int, const char*) { return 0; }
bool quiet_not_cancelled(WindowRef) { return false; }
bool quiet_not_on_show(const char*) { return false; }
}  // namespace

UiServices quiet_ui_services(int (*message_box)(WindowRef, const char*, const char*, unsigned)) {
    return UiServices{
        .message_box = message_box ? message_box : default_answer,
        .status_clear = quiet,
        .status_add = quiet_text,
        .status_show_start = quiet,
        .progress_step = quiet,
        .skip_pressed = quiet_no,
        .open_status_window = quiet_window,
        .close_status_window = quiet,
        .register_socket = quiet_socket,
        .register_file = quiet_file,
        .enable_ok = quiet_switch,
        .enable_skip = quiet_switch,
        .progress_reset = quiet_reset,
        .main_command = quiet_command,
        .job_cancelled = quiet_not_cancelled,
        .before_folder_write = quiet_not_on_show,
        .progress_advance = nullptr,
    };
}

void ui_install(const UiServices* services) { installed.store(services); }

const UiServices* ui_services() {
    const UiServices* s = installed.load();
    return s ? s : platform_ui_services();
}

int ui_message_box(WindowRef owner, const char* text, const char* caption, unsigned style) {
    return ui_services()->message_box(owner, text, caption, style);
}

void show_fault_box(const char* text, const char* caption) { ui_message_box(nullptr, text, caption, UI_OK); }

void show_message(const char* text) { ui_message_box(nullptr, text, "Zenth Mail", UI_OK); }

void progress_advance(WindowRef window, int steps) {
    if (!window || steps <= 0) return;
    const UiServices* s = ui_services();
    if (s->progress_advance) {
        s->progress_advance(window, steps);
    } else {
        for (int i = 0; i < steps; i++) s->progress_step(window);
    }
}

void progress_step(WindowRef window) {
    if (window) ui_services()->progress_step(window);
}

bool skip_pressed(WindowRef window) { return window && ui_services()->skip_pressed(window); }

WindowRef open_status_window(WindowRef owner, int target) { return ui_services()->open_status_window(owner, target); }

void close_status_window(WindowRef window) {
    if (window) ui_services()->close_status_window(window);
}

void register_socket(WindowRef window, long long socket) {
    if (window) ui_services()->register_socket(window, socket);
}

void register_file(WindowRef window, void* file) {
    if (window) ui_services()->register_file(window, file);
}

void enable_ok(WindowRef window, bool enabled) {
    if (window) ui_services()->enable_ok(window, enabled);
}

void enable_skip(WindowRef window, bool enabled) {
    if (window) ui_services()->enable_skip(window, enabled);
}

void progress_reset(WindowRef window, int step) {
    if (window) ui_services()->progress_reset(window, step);
}

int main_command(int command, const char* argument) { return ui_services()->main_command(command, argument); }

bool job_cancelled(WindowRef window) { return window && ui_services()->job_cancelled(window); }

bool before_folder_write(const char* folder) {
    auto before = ui_services()->before_folder_write;
    return before && before(folder);
}

void status_append(WindowRef window, const char* text) {
    log_write(text);
    if (window) ui_services()->status_add(window, text);
}

void status_set(WindowRef window, const char* text) {
    Array* line = array_new(static_cast<int>(std::strlen(text)) + 1);
    array_copy(line, text);
    if (char* cr = std::strrchr(line->chars, '\r')) *cr = 0;
    const UiServices* s = ui_services();
    if (window) s->status_clear(window);
    status_append(window, line->text);
    if (window) s->status_show_start(window);
    delete_arrays(line);
}
