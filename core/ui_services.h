// What portable code shows the user outside a job's status window: message
// boxes and the status text of a window (the main window's status line, a
// dialog's status box). The program installs its window implementations;
// tests install recorders, so they can assert the exact text a user would
// see. A job reports to its own status window through transport's JobHost
// instead, and the busy-folder list is the store's.
#pragma once

// A window handle, opaque to portable code.
using WindowRef = void*;

// Message box styles and answers, with the values the window system uses.
enum : unsigned {
    UI_OK = 0x0,
    UI_YESNO = 0x4,
    UI_ICON_ERROR = 0x10,
    UI_ICON_QUESTION = 0x20,
    UI_ICON_WARNING = 0x30,
    UI_ICON_INFORMATION = 0x40,
};
enum { UI_ANSWER_OK = 1, UI_ANSWER_YES = 6, UI_ANSWER_NO = 7 };

struct UiServices {
    int (*message_box)(WindowRef owner, const char* text, const char* caption, unsigned style);
    // The three steps of a status box update: empty it, append text at the
    // end (keeping the caret there), and scroll back to the start.
    void (*status_clear)(WindowRef window);
    void (*status_add)(WindowRef window, const char* text);
    void (*status_show_start)(WindowRef window);
};

// Services that show nothing and answer every question with its default,
// with the given message box in front (null: none); for programs and tools
// that run without a user.
UiServices quiet_ui_services(int (*message_box)(WindowRef, const char*, const char*, unsigned));

// The platform's own services, in use until another set is installed.
const UiServices* platform_ui_services();
void ui_install(const UiServices* services);
const UiServices* ui_services();

int ui_message_box(WindowRef owner, const char* text, const char* caption, unsigned style);
// The buffer library's fault report (set_fault_report): a message box with an
// OK button and no owner.
void show_fault_box(const char* text, const char* caption);
// The common case: no owner, caption "Zenth Mail", an OK button.
void show_message(const char* text);

// Logs the text, then appends it to the window's status box.
// Without a window only the log is written.
void status_append(WindowRef window, const char* text);
// Replaces the main window's status line with the text cut at its last
// carriage return, logging it, and shows its start.
void status_set(WindowRef window, const char* text);
