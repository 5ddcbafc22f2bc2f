// User-facing services that code without windows needs: the message box and
// status text. The program installs its window implementations; tests install
// recorders, so they can assert the exact text a user would see.
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
    // A job's status window: one step of its progress bar, and
    // whether its "Skip Server" button was pressed, which disables it.
    void (*progress_step)(WindowRef window);
    bool (*skip_pressed)(WindowRef window);

    // What transfer jobs ask of their status window and of the main window.
    // Target: an account index, -1 all accounts, -2 the outbox, -3 "temp".
    WindowRef (*open_status_window)(WindowRef owner, int target);
    void (*close_status_window)(WindowRef window);
    // Cancel closes what is registered: the job's socket (an opaque socket
    // number) and its open file (null: none).
    void (*register_socket)(WindowRef window, long long socket);
    void (*register_file)(WindowRef window, void* file);
    void (*enable_ok)(WindowRef window, bool enabled);
    void (*enable_skip)(WindowRef window, bool enabled);
    // Progress bar back to 0, with the given step.
    void (*progress_reset)(WindowRef window, int step);
    // A private command of the main window (121 to 123 with a folder path),
    // run on the interface thread; its result.
    int (*main_command)(int command, const char* argument);
    // Whether the user cancelled the job of this status window. A cancelled
    // job's socket has been aborted; the job ends at its next step.
    bool (*job_cancelled)(WindowRef window);
    // Before a job writes into a folder: the client stops a fill of the
    // message list when that folder is on show. True when it is on show, so
    // the job asks for the list again (MAIN_REDISPLAY) once it is done.
    bool (*before_folder_write)(const char* folder);
    // Several steps of the progress bar at once (optional: without it the
    // steps are taken one by one). A window of another thread is told once,
    // not once a step.
    void (*progress_advance)(WindowRef window, int steps);
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

// These do nothing without a window.
void progress_step(WindowRef window);
void progress_advance(WindowRef window, int steps);
bool skip_pressed(WindowRef window);

// The job side of the table above; each does nothing without a window.
WindowRef open_status_window(WindowRef owner, int target);
void close_status_window(WindowRef window);
void register_socket(WindowRef window, long long socket);
void register_file(WindowRef window, void* file);
void enable_ok(WindowRef window, bool enabled);
void enable_skip(WindowRef window, bool enabled);
void progress_reset(WindowRef window, int step);
int main_command(int command, const char* argument);
bool job_cancelled(WindowRef window);
bool before_folder_write(const char* folder);

enum { STATUS_ALL_ACCOUNTS = -1, STATUS_OUTBOX = -2, STATUS_TEMP = -3 };
enum { MAIN_BUSY_ADD = 121, MAIN_BUSY_REMOVE = 122, MAIN_BUSY_CONTAINS = 123 };
// Fills the message list again from the folder on show, for a job that has
// changed it; unlike "Refresh Folder" it never reopens the folder.
enum { MAIN_REDISPLAY = 126 };

// Logs the text, then appends it to the window's status box.
// Without a window only the log is written.
void status_append(WindowRef window, const char* text);
// Replaces the main window's status line with the text cut at its last
// carriage return, logging it, and shows its start.
void status_set(WindowRef window, const char* text);
