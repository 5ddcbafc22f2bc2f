// The client's entry point: start-up order, main loop and shut-down.
#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>

#include "client/client_keys.h"
#include "client/client_settings.h"
#include "client/main_window_ids.h"
#include "client/settings_platform_win32.h"
#include "client/startup.h"
#include "core/accounts.h"
#include "core/app_state.h"
#include "core/log.h"
#include "core/quit.h"
#include "core/sys_files.h"
#include "core/sys_time.h"
#include "core/ui_services.h"
#include "format/charsets.h"
#include "store/busy_folders.h"
#include "store/folders.h"
#include "transport/sys_socket.h"
#include "ui/colours.h"
#include "ui/folder_tree.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/picker_bridge.h"
#include "ui/print_window.h"
#include "ui/status_window.h"
#include "ui/text_loader.h"
#include "ui/thread_commands.h"
#include "ui/window_loops.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"
#include "wingui/dpi_change.h"
#include "wingui/edit.h"
#include "wingui/list_box.h"

namespace {

HACCEL main_accelerators = nullptr;

int quit_through_main_window() {
    // Removing the notification-area icon in tray mode belongs here too,
    // once tray mode exists.
    if (HWND window = main_window.load()) {
        PostMessageA(window, WM_QUIT, 0, 0);
        return 0;
    }
    quit_process_now();
}

// Makes `program_folder` the program's own folder and the working directory.
// Returns -1 when the path has no backslash.
int find_program_folder() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    array_copy(app.program_folder, path);
    char* last = std::strrchr(app.program_folder->chars, '\\');
    if (!last) return -1;
    array_set_char_at(app.program_folder, last, 0);
    sys_set_current_directory(app.program_folder->text);
    return 0;
}

void load_script_library() {
    HMODULE usp = LoadLibraryA("USP10.DLL");
    if (usp && GetProcAddress(usp, "ScriptGetCMap")) app.uniscribe_available = 1;
}

void check_picker_present() {
    if (!sys_exists("zenth-picker.exe"))
        show_message(
            "The file zenth-picker.exe must be in the same folder as zenthmail.exe in order to use open/save "
            "dialogs.");
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR command_line, int) {
    set_quit_handler(quit_through_main_window);
    set_fault_report(show_fault_box);

    // 1. The busy-folder list, then every buffer, table and list.
    busy_folders_init();
    create_app_state();

    // 2. The socket library.
    if (sys_net_startup() != 0) {
        show_message("WSAStartup failed.");
        return -1;
    }

    // 3, 4. The rich edit control and the optional glyph check.
    if (!LoadLibraryA("RICHED20.DLL")) {
        show_message("Could not load rich edit library!");
        request_quit();
    }
    load_script_library();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);

    // 5. The program folder becomes the working directory.
    if (find_program_folder() != 0) {
        show_message("Cannot locate Zenth Mail folder!");
        request_quit();
    }

    // 6. The event log, before any folder is made, so that a failure to
    //    create one still leaves the first line behind.
    if (log_open("zmlog.txt") != 0) {
        show_message("Could not open log file!");
        request_quit();
    }
    log_write("Zenth Mail initiated.\r\n");

    // 7, 8. The file-dialog helper, the folder tree of the store.
    check_picker_present();
    create_store_folders();

    // 9. Search results never survive a restart.
    remove_search_folders();

    // 10. The address book and the settings file.
    ensure_file("ab.dat");
    ensure_file("zenth.cfg");

    // 11. The colour scheme in force and its brushes.
    load_colour_scheme();
    // 12. Scratch files of the last run go.
    clear_folder("temp", "");

    // 13, 14. The command line, then the store paths.
    interpret_command_line(command_line);
    set_store_paths();

    // 15. The message key; without bfkey.dat encryption stays unavailable.
    load_message_key();

    // 16. No send or status window exists yet.
    array_clear(app.compose_windows);
    array_clear(app.status_windows);

    // 17. The main window, hidden for now, with the services of its status
    //     line and of the status windows in place first.
    install_status_windows(instance);
    HWND window = create_main_window(instance);
    if (!window) {
        show_message("Could not create the main window.");
        quit_process_now();
    }

    // 18. Whether the rich edit controls take wide-character text.
    app.wide_api_available = wide_messages_available(control(window, IDC_PREVIEW)) ? 1 : 0;

    // 19. The window class icon.
    SetClassLongPtrA(window, GCLP_HICON, reinterpret_cast<LONG_PTR>(LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN))));

    // 20. The main window's file-dialog helper. Without it every save of
    //     the main window does nothing, as the start-up message said.
    launch_picker(window);
    // 21. The two splitter bars.
    create_main_splitters(window);

    // 22. Lay the window out once.
    RECT client;
    GetClientRect(window, &client);
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));

    // 23. The folder tree, which opens the first folder.
    build_folder_tree(window);
    // 24. The hidden print window, where messages are laid out for printing.
    if (!start_print_window(window)) {
        show_message("Could not start CreatePrintEdit thread.");
        request_quit();
    }
    // 25. The settings file.
    settings_load();

    // 26. Fonts of the two text panes.
    set_display_font(window, IDC_SECOND_PANE, settings_default_font());
    set_display_font(window, IDC_PREVIEW, settings_font(MESSAGE_FONT));

    // 27. The first account, unless the table asks for none.
    if (!no_default_account()) combo_select(control(window, IDC_ACCOUNTS), 0);

    // 28. The screen size.
    app.screen_width = GetSystemMetrics(SM_CXSCREEN);
    app.screen_height = GetSystemMetrics(SM_CYSCREEN);

    // 29. The scheme's colours on the main window's controls.
    recolour_main_window(window);

    // 30. Ctrl+Q from anywhere closes the client.
    RegisterHotKey(window, 0, MOD_CONTROL, 'Q');

    // 31. Accelerators of the main window (each send window loads its own).
    main_accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_MAIN));

    // 32. Links in the preview pane.
    rich_edit_detect_urls(control(window, IDC_PREVIEW));

    // 33. Show, start in the tray, or only a send window for the mailto
    //     address (the main window stays hidden; closing the send window
    //     ends the client).
    if (app.start_in_tray) {
        send_command(window, CMD_ENTER_TRAY);
    } else if (app.mailto_mode.load()) {
        std::string to = raw_header_text_to_utf8(app.mailto_address->text);
        if (!send_command(window, CMD_OPEN_SEND_WINDOW, reinterpret_cast<LPARAM>(to.c_str()))) request_quit();
    } else {
        ShowWindow(window, SW_SHOWMAXIMIZED);
    }

    // 34. The main loop.
    run_dialog_loop(DialogLoop{window, main_accelerators, forward_to_window});

    // Shut-down: the helper ends with the loop that served it.
    end_picker(window);
    DestroyWindow(window);
    main_window.store(nullptr);
    for (int i = 0; i < 100; i++) {
        auto handle = static_cast<uint32_t*>(array_element(app.compose_windows, i));
        if (*handle) PostMessageA(reinterpret_cast<HWND>(static_cast<uintptr_t>(*handle)), WM_QUIT, 0, 0);
    }
    for (int round = 0; round < 40; round++) {
        bool open = false;
        for (int i = 0; i < 100; i++)
            if (*static_cast<uint32_t*>(array_element(app.compose_windows, i))) open = true;
        if (!open) break;
        sys_sleep_ms(50);
    }
    sys_net_cleanup();
    std::fflush(nullptr);
    ExitProcess(0);
}
