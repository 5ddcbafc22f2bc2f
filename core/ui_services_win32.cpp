#include <windows.h>

#include "core/ui_services.h"

// Until a program installs its windows' services (the client does at
// start-up), only the message box is shown; status text has no window to
// go to.
namespace {

int win_message_box(WindowRef owner, const char* text, const char* caption, unsigned style) {
    return MessageBoxA(static_cast<HWND>(owner), text, caption, style);
}

const UiServices services = quiet_ui_services(win_message_box);

}  // namespace

const UiServices* platform_ui_services() { return &services; }
