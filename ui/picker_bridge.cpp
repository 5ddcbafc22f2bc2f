#include "ui/picker_bridge.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "core/app_state.h"
#include "core/log.h"
#include "core/picker_block.h"
#include "core/sys_time.h"

namespace {

// The main window and every compose window may have a helper.
constexpr int max_links = 101;
// How long the helper has to take a request before the client takes it back.
constexpr uint32_t hand_over_ms = 2000;
// How often the wait looks at the block when no message arrives.
constexpr DWORD look_ms = 50;

struct PickerLink {
    HWND owner = nullptr;
    HANDLE mapping = nullptr;
    PickerBlock* block = nullptr;
    HANDLE process = nullptr;
    bool asking = false;  // a request of this window is under way
};

std::mutex links_guard;
PickerLink links[max_links];

// Each window's link is used only by the window's own thread; the guard
// covers finding and freeing slots.
PickerLink* link_of(HWND owner) {
    std::lock_guard<std::mutex> hold(links_guard);
    for (PickerLink& link : links)
        if (link.owner == owner && owner) return &link;
    return nullptr;
}

PickerLink* free_link(HWND owner) {
    std::lock_guard<std::mutex> hold(links_guard);
    for (PickerLink& link : links)
        if (!link.owner) {
            link = PickerLink{};
            link.owner = owner;
            return &link;
        }
    return nullptr;
}

bool is_user_input(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// Runs the thread's messages while the dialog is open: the user's keys and
// clicks go nowhere, everything else (paints, posted commands) is handled.
// A quit is kept for after the dialog.
void pump_messages(bool* quit, WPARAM* quit_code) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            *quit = true;
            *quit_code = message.wParam;
        } else if (!is_user_input(message.message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

// Waits, handling messages, until the state word leaves `while_in` (and
// `or_in`). False when the helper's process ended first or, with a
// deadline, when it passed.
bool wait_while(PickerLink* link, int32_t while_in, int32_t or_in, uint32_t deadline_ms, bool* quit,
                WPARAM* quit_code) {
    uint32_t started = sys_tick_count();
    for (;;) {
        int32_t state = picker_state(link->block);
        if (state != while_in && state != or_in) return true;
        if (deadline_ms && sys_tick_count() - started >= deadline_ms) return false;
        DWORD woke = link->process ? MsgWaitForMultipleObjects(1, &link->process, FALSE, look_ms, QS_ALLINPUT)
                                   : MsgWaitForMultipleObjects(0, nullptr, FALSE, look_ms, QS_ALLINPUT);
        if (link->process && woke == WAIT_OBJECT_0) return false;
        pump_messages(quit, quit_code);
    }
}

bool helper_ended(const PickerLink* link) {
    return !link->process || WaitForSingleObject(link->process, 0) == WAIT_OBJECT_0;
}

// The helper is gone: later requests fail at once, and the window its
// dialog had disabled takes input again.
void helper_lost(PickerLink* link, const char* why) {
    picker_set_state(link->block, PICKER_END);
    log_write(why);
    EnableWindow(link->owner, TRUE);
}

int pick(FileRequest* request, bool save) {
    PickerLink* link = link_of(request->owner);
    if (!request->file_name || !link || !link->block || link->asking) return 0;
    if (picker_state(link->block) == PICKER_END) return 0;
    link->asking = true;
    PickerRequest asked;
    asked.filter = request->filter;
    asked.file_name = request->file_name->text;
    asked.directory = request->directory ? request->directory->text : nullptr;
    asked.title = request->title;
    asked.default_extension = request->default_extension;
    picker_write_request(link->block, asked);
    const int32_t ask = save ? PICKER_SAVE_ASKED : PICKER_OPEN_ASKED;
    picker_set_state(link->block, ask);

    bool quit = false, chosen = false;
    WPARAM quit_code = 0;
    bool taken = wait_while(link, ask, ask, hand_over_ms, &quit, &quit_code);
    // A request the helper did not take in time is taken back, so it is
    // never shown later nor written into the next request. Failing that,
    // the helper took it meanwhile and its dialog is open.
    if (!taken && picker_change_state(link->block, ask, PICKER_IDLE)) {
        if (helper_ended(link))
            helper_lost(link, "The file dialog helper has ended; no file dialog can be shown.\r\n");
        else
            log_write("The file dialog helper did not answer; the dialog was not shown.\r\n");
    } else if (!wait_while(link, PICKER_OPEN_SHOWN, PICKER_SAVE_SHOWN, 0, &quit, &quit_code)) {
        helper_lost(link, "The file dialog helper ended while its dialog was open.\r\n");
    } else {
        PickerResult result;
        result.file_name = request->file_name->chars;
        result.file_name_size = static_cast<size_t>(request->file_name->capacity);
        if (request->file_title) {
            result.file_title = request->file_title->chars;
            result.file_title_size = static_cast<size_t>(request->file_title->capacity);
        }
        if (request->directory) {
            result.directory = request->directory->chars;
            result.directory_size = static_cast<size_t>(request->directory->capacity);
        }
        chosen = picker_read_result(link->block, &result);
        request->extension_offset = result.extension_offset;
    }
    link->asking = false;
    if (quit) PostQuitMessage(static_cast<int>(quit_code));
    return chosen ? 1 : 0;
}

}  // namespace

bool launch_picker(HWND owner) {
    char command_line[64];
    std::snprintf(command_line, sizeof command_line, "zenth-picker.exe %i",
                  static_cast<int>(picker_owner_field(reinterpret_cast<intptr_t>(owner))));
    return launch_picker_as(owner, command_line);
}

bool launch_picker_as(HWND owner, const char* command) {
    PickerLink* link = free_link(owner);
    if (!link) return false;
    const int32_t field = picker_owner_field(reinterpret_cast<intptr_t>(owner));
    char name[16];
    std::snprintf(name, sizeof name, "%i", static_cast<int>(field));
    link->mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(PickerBlock), name);
    if (link->mapping)
        link->block = static_cast<PickerBlock*>(MapViewOfFile(link->mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0));
    if (!link->block) {
        if (link->mapping) CloseHandle(link->mapping);
        std::lock_guard<std::mutex> hold(links_guard);
        *link = PickerLink{};
        return false;
    }
    std::memset(link->block, 0, sizeof(PickerBlock));
    link->block->owner = field;

    char command_line[1100];
    std::snprintf(command_line, sizeof command_line, "%s", command);
    STARTUPINFOA start{};
    GetStartupInfoA(&start);
    start.dwFlags |= STARTF_USESHOWWINDOW;
    start.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION started{};
    // The helper is a console program: it runs without a console window.
    if (!CreateProcessA(nullptr, command_line, nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &start,
                        &started)) {
        picker_set_state(link->block, PICKER_END);
        return false;
    }
    CloseHandle(started.hThread);
    link->process = started.hProcess;
    return true;
}

void end_picker(HWND owner) {
    PickerLink* link = link_of(owner);
    if (!link) return;
    picker_set_state(link->block, PICKER_END);
    UnmapViewOfFile(link->block);
    CloseHandle(link->mapping);
    if (link->process) CloseHandle(link->process);
    std::lock_guard<std::mutex> hold(links_guard);
    *link = PickerLink{};
}

void make_file_request(FileRequest* request, HWND owner, Array* file_name, Array* directory, const char* title,
                       std::string_view filter, Array* file_title, const char* default_extension) {
    *request = FileRequest{};
    request->owner = owner;
    request->file_name = file_name;
    request->directory = directory;
    request->title = title;
    request->filter = filter;
    request->file_title = file_title;
    request->default_extension = default_extension;
    if (file_name) array_clear(file_name);
}

int pick_file(FileRequest* request) { return pick(request, false); }

int pick_save_file(FileRequest* request) { return pick(request, true); }

int pick_for_use(HWND owner, FileDialogUse use, const char* suggested, Array* path) {
    const FileDialogRow& row = file_dialog_row(use);
    Array* start = app.*row.start_folder;
    Array* name = array_new(1024);
    Array* folder = array_new(300);
    Array* title = row.file_title_size ? array_new(row.file_title_size) : nullptr;
    array_copy(folder, start->text);
    FileRequest request;
    make_file_request(&request, owner, name, folder, row.title, row.filter, title, row.default_extension);
    // The dialog proposes the name given after the request is made.
    if (suggested) array_copy(name, suggested);
    int chosen = row.save ? pick_save_file(&request) : pick_file(&request);
    if (chosen) {
        array_copy(path, name->text);
        if (folder->text[0]) array_copy(start, folder->text);
    }
    delete_arrays(name, folder);
    if (title) delete_arrays(title);
    return chosen;
}
