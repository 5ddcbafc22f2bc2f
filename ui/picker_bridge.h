// The client's side of the file-dialog helper: every window that shows open
// and save dialogs starts its own zenth-picker, shares a block of named
// memory with it, and asks it for a dialog whenever a command needs a file.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string_view>

#include "client/file_dialog_uses.h"
#include "core/arrays.h"

// Starts the window's helper with a block named after the window's handle.
// Without a helper (the program is missing or would not start) every later
// request of the window fails at once, as if cancelled. False then.
bool launch_picker(HWND owner);
// The same with the helper's whole command line given ("zenth-picker.exe
// <block name>" for launch_picker); tests start a helper that serves
// another block and play its part on this one themselves.
bool launch_picker_as(HWND owner, const char* command_line);
// Asks the window's helper to end and lets its block go; called when the
// window's message loop ends.
void end_picker(HWND owner);

// One dialog asked of a window's helper.
struct FileRequest {
    HWND owner = nullptr;
    Array* file_name = nullptr;  // in: the proposed name; out: the chosen path
    Array* directory = nullptr;  // in: where the dialog starts; out: where the user ended
    const char* title = nullptr;
    std::string_view filter;  // pairs of zero-ended strings closed by an empty one; empty for none
    Array* file_title = nullptr;  // out: the chosen file's name alone, or null
    const char* default_extension = nullptr;
    uint16_t extension_offset = 0;  // out
};

// Fills the request and clears its file name.
void make_file_request(FileRequest* request, HWND owner, Array* file_name, Array* directory, const char* title,
                       std::string_view filter, Array* file_title, const char* default_extension);
// Shows an open or a save dialog. 1 when the user chose a file (the
// request's buffers hold it), 0 when cancelled, when the helper is missing,
// did not take the request within 2 s or ended meanwhile, and for a second
// request of the window while its first is open.
int pick_file(FileRequest* request);
int pick_save_file(FileRequest* request);

// A dialog of the table: proposes `suggested` (may be empty), starts in the
// use's start folder and keeps the folder the user chose for the next
// dialog of its group. 1 with the chosen path in `path`, else 0.
int pick_for_use(HWND owner, FileDialogUse use, const char* suggested, Array* path);
