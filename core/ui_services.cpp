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
}  // namespace

UiServices quiet_ui_services(int (*message_box)(WindowRef, const char*, const char*, unsigned)) {
    return UiServices{
        .message_box = message_box ? message_box : default_answer,
        .status_clear = quiet,
        .status_add = quiet_text,
        .status_show_start = quiet,
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
