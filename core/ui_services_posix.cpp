#include <cstdio>

#include "core/ui_services.h"

// Without a window system a message box becomes a line on standard error and
// is answered with its default button.
namespace {
int print_message_box(WindowRef, const char* text, const char* caption, unsigned style) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return (style & 0xF) == UI_YESNO ? UI_ANSWER_NO : UI_ANSWER_OK;
}
void no_status(WindowRef) {}
void no_status_text(WindowRef, const char*) {}
bool never(WindowRef) { return false; }
WindowRef no_window(WindowRef, int) { return nullptr; }
void no_socket(WindowRef, long long) {}
void no_file(WindowRef, void*) {}
void no_switch(WindowRef, bool) {}
void no_reset(WindowRef, int) {}
int no_command(int, const char*) { return 0; }
const UiServices services{print_message_box, no_status, no_status_text, no_status, no_status, never, no_window,
                          no_status,         no_socket, no_file,        no_switch, no_switch, no_reset, no_command};
}  // namespace

const UiServices* platform_ui_services() { return &services; }

void ui_services_set_main_window(WindowRef) {}
