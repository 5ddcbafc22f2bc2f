#include "picker/file_dialog.h"

#include <windows.h>

#include <commdlg.h>

#include <cstring>

#include "wingui/dialogs.h"

namespace {

// The dialog box is the hook dialog's parent. Wine sizes it to its final
// size only after the hook's WM_INITDIALOG, so it is centred once the
// dialog says it is ready.
UINT_PTR CALLBACK centring_hook(HWND hook, UINT message, WPARAM, LPARAM lparam) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lparam)->code == CDN_INITDONE)
        centre_on_screen(GetParent(hook));
    return 0;
}

// The block asks for no template and gives no instance to take one from.
constexpr DWORD template_flags = OFN_ENABLETEMPLATE | OFN_ENABLETEMPLATEHANDLE;

}  // namespace

void show_file_dialog(PickerBlock* block, bool save) {
    picker_sanitise(block);
    // The block's structure size is the 32-bit one; this build's own is the
    // one the dialog accepts.
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = reinterpret_cast<HWND>(picker_owner_handle(block->owner));
    dialog.lpstrFilter = picker_text_or_none(block->filter);
    dialog.lpstrFile = block->file_name;
    dialog.nMaxFile = static_cast<DWORD>(block->file_name_size);
    dialog.lpstrFileTitle = block->file_title;
    dialog.nMaxFileTitle = static_cast<DWORD>(block->file_title_size);
    dialog.lpstrInitialDir = picker_text_or_none(block->directory);
    dialog.lpstrTitle = picker_text_or_none(block->title);
    dialog.Flags = (static_cast<DWORD>(block->flags) & ~template_flags) | OFN_EXPLORER | OFN_ENABLEHOOK;
    dialog.nFileExtension = block->extension_offset;
    dialog.lpstrDefExt = picker_text_or_none(block->default_extension);
    dialog.lpfnHook = centring_hook;

    bool chosen = save ? GetSaveFileNameA(&dialog) : GetOpenFileNameA(&dialog);
    if (chosen) {
        block->extension_offset = dialog.nFileExtension;
    } else {
        std::memset(block->file_name, 0, sizeof block->file_name);
        block->extension_offset = 0;
    }
    char current[sizeof block->directory];
    DWORD length = GetCurrentDirectoryA(sizeof current, current);
    if (length == 0 || length >= sizeof current) current[0] = '\0';
    picker_set_result_directory(block, chosen, current);
}
