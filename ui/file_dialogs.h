// The save dialogs of the main window's commands, shown by the window's
// file-dialog helper.
#pragma once

#include <windows.h>

#include "client/file_dialog_uses.h"
#include "format/save_chooser.h"

// A chooser for one command's save dialogs: "Save Email", "Save Attachment".
struct SaveDialog {
    HWND owner;
    FileDialogUse use;
};

SaveChooser save_dialog_chooser(SaveDialog* dialog);
