#include <cstdio>

#include "core/ui_services.h"

// Without a window system a message box becomes a line on standard error and
// is answered with its default button.
namespace {
int print_message_box(WindowRef, const char* text, const char* caption, unsigned style) {
    std::fprintf(stderr, "[%s] %s\n", caption, text);
    return (style & 0xF) == UI_YESNO ? UI_ANSWER_NO : UI_ANSWER_OK;
}
const UiServices services = quiet_ui_services(print_message_box);
}  // namespace

const UiServices* platform_ui_services() { return &services; }
