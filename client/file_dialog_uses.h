// The open and save dialogs the client asks its file-dialog helper for, one
// row each: what the dialog says, what it lists, and which start folder it
// shares with the other dialogs of its group.
#pragma once

#include <string_view>

#include "core/app_state.h"

enum FileDialogUse {
    DIALOG_ADD_ATTACHMENT,      // compose window: an attachment to add
    DIALOG_READ_MESSAGE,        // compose window: a text file into the body
    DIALOG_WRITE_MESSAGE,       // compose window: the body into a text file
    DIALOG_COMPOSE_SAVE_EMAIL,  // compose window: the message being written
    DIALOG_OPEN_EMAIL,          // compose window: a message file to edit
    DIALOG_EXTRACT_ATTACHMENT,  // main window: each attachment of "Extract Attachments"
    DIALOG_SAVE_EMAIL,          // main window: "Save" of the selected message
    DIALOG_SAVE_ATTACHMENT,     // main window: "Save" of the attachment box
};

struct FileDialogRow {
    FileDialogUse use;
    bool save;  // a save dialog; otherwise an open dialog
    const char* title;
    // Pairs of zero-ended strings (description, pattern) closed by an
    // empty one; empty for none.
    std::string_view filter;
    const char* default_extension;  // without dot, or null
    Array* AppState::*start_folder;  // updated after every file chosen
    int file_title_size;             // a buffer for the chosen name alone, or 0
};

const FileDialogRow& file_dialog_row(FileDialogUse use);
