// The save dialogs of the main window's commands.
#pragma once

#include <windows.h>

#include "ui/attachment_save.h"

// A chooser for one command's save dialogs ("Save Email", "Save
// Attachment"). The open and save dialogs are shown by the file-dialog
// helper program, which the client cannot drive yet: until it can, the
// chooser tells the user once per command that no dialog is available and
// answers as a cancelled dialog.
struct SaveDialog {
    HWND owner;
    const char* title;
    bool told = false;
};

SaveChooser save_dialog_chooser(SaveDialog* dialog);
