// zenth-install: registers the client in the folder it runs in with the
// shell (shortcuts, the mailto handler, the ".eml" association, the entry
// that starts it in the tray at log-on), and takes all of it out again. It
// copies no files. The exit code is 0 however it ends.
#include <windows.h>

#include <shlobj.h>

#include <string>

#include "core/sys_files.h"
#include "core/ui_services.h"
#include "install/install_ids.h"
#include "install/install_paths.h"
#include "install/shell_entries.h"
#include "wingui/buttons.h"
#include "wingui/dialogs.h"

namespace {

struct Installer {
    std::string folder;
    std::string desktop;
    std::string start_menu;
    bool done = false;
};

void tell(HWND owner, const char* text) { ui_message_box(owner, text, "Install", UI_OK); }

void install(HWND dialog, const Installer& installer) {
    if (button_checked(dialog, IDC_RUN_AT_STARTUP)) set_startup_entry(dialog, startup_command(installer.folder));
    if (button_checked(dialog, IDC_MAILTO_HANDLER)) set_mailto_handler(dialog, mailto_command(installer.folder));
    const struct {
        int box;
        std::string path;
    } shortcuts[] = {{IDC_DESKTOP_SHORTCUT, desktop_shortcut(installer.desktop)},
                     {IDC_START_MENU_SHORTCUT, start_menu_shortcut(installer.start_menu)}};
    for (const auto& shortcut : shortcuts) {
        if (!button_checked(dialog, shortcut.box)) continue;
        if (!create_shortcut(dialog, shortcut.path, client_path(installer.folder))) {
            ui_message_box(dialog, shortcut.path.c_str(), nullptr, UI_OK);
            return;
        }
    }
    if (button_checked(dialog, IDC_ASSOCIATE_EML) && !associate_eml(dialog, open_command(installer.folder))) return;
    tell(dialog, "Installation successful.");
}

void uninstall(HWND dialog, const Installer& installer) {
    bool done = false;
    done = sys_remove_file(desktop_shortcut(installer.desktop).c_str()) == 0 || done;
    done = sys_remove_file(start_menu_shortcut(installer.start_menu).c_str()) == 0 || done;
    done = remove_eml_class() || done;
    switch (reset_eml()) {
    case RESET_FAILED: return tell(dialog, "Registry error on HKEY_CLASSES_ROOT\\.eml");
    case RESET_DONE: done = true; break;
    case RESET_NOT_OURS: break;
    }
    switch (restore_mailto_handler()) {
    case RESTORE_FAILED: return tell(dialog, "Registry error on HKEY_CLASSES_ROOT\\mailto");
    case RESTORE_DONE: done = true; break;
    case RESTORE_NOTHING: break;
    }
    done = remove_startup_entry() || done;
    tell(dialog, done ? "Zenth Mail has been uninstalled." : "Zenth Mail is not installed.");
}

INT_PTR CALLBACK install_procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* installer = dialog_state<Installer>(dialog);
    switch (message) {
    case WM_INITDIALOG:
        take_dialog_state<Installer>(dialog, lparam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wparam)) {
        case IDC_INSTALL: install(dialog, *installer); break;
        case IDC_UNINSTALL: uninstall(dialog, *installer); break;
        case IDC_EXIT:
        case IDCANCEL: installer->done = true; break;
        default: break;
        }
        return TRUE;
    case WM_CLOSE:
        installer->done = true;
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!sys_exists("zenthmail.exe")) {
        tell(nullptr,
             "Cannot find the zenthmail.exe file. Please run this program from a folder which contains the file.");
        return 0;
    }
    char current[300] = {};
    DWORD length = GetCurrentDirectoryA(299, current);
    if (length == 0 || length >= 299) {
        tell(nullptr, "GetCurrentDirectory error. Please try copying the program folder to a shorter location e.g "
                      "c:\\zenth");
        return 0;
    }
    Installer installer;
    installer.folder = program_folder(current);
    HWND dialog = create_dialog(instance, IDD_INSTALL, nullptr, install_procedure, &installer);
    if (!dialog) return 0;
    centre_on_screen(dialog);
    for (int box : {IDC_DESKTOP_SHORTCUT, IDC_START_MENU_SHORTCUT, IDC_ASSOCIATE_EML}) check_button(dialog, box, true);
    installer.desktop = shell_folder(CSIDL_DESKTOPDIRECTORY);
    installer.start_menu = shell_folder(CSIDL_STARTMENU);
    ShowWindow(dialog, SW_SHOW);
    run_dialog_loop(DialogLoop{dialog, nullptr, nullptr, &installer.done});
    DestroyWindow(dialog);
    return 0;
}
