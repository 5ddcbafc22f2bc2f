#include "main_window_fixture.h"

#include <commctrl.h>

#include <fstream>

#include "client/main_window_ids.h"
#include "client/startup.h"
#include "client/view_state.h"
#include "core/app_state.h"
#include "core/shell_programs.h"
#include "store/busy_folders.h"
#include "ui/folder_tree.h"
#include "ui/main_window.h"
#include "ui/main_window_layout.h"
#include "ui/status_window.h"
#include "wingui/controls.h"

namespace fs = std::filesystem;

std::vector<std::string> shell_opened;

namespace {

int record_open(const char* file, const char* directory) {
    shell_opened.push_back(std::string(file) + "|" + directory);
    return 42;
}

}  // namespace

void MainWindowTest::SetUp() {
    static bool once = false;
    if (!once) {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&controls);
        LoadLibraryA("RICHED20.DLL");
        busy_folders_init();
        create_app_state();
        install_status_windows(GetModuleHandleA(nullptr));
        once = true;
    }
    shell_install(record_open);
    shell_opened.clear();
    previous = fs::current_path();
    folder = fs::temp_directory_path() / ("zm-window-" + std::to_string(GetCurrentProcessId()));
    fs::remove_all(folder);
    fs::create_directories(folder / "colors");
    fs::create_directories(folder / "temp");
    fs::current_path(folder);
    std::ofstream("accountdata.cfg", std::ios::binary);
    array_copy(app.program_folder, folder.string().c_str());
    set_store_paths();
    create_store_folders();
    headers_view = 0;
    list_filling = 0;

    window = create_main_window(GetModuleHandleA(nullptr));
    ASSERT_NE(window, nullptr);
    create_main_splitters(window);
    ShowWindow(window, SW_SHOW);
    SetWindowPos(window, nullptr, 0, 0, 1000, 700, SWP_NOZORDER);
    build_folder_tree(window);
    // The first folder's fill sends its rows from its own thread.
    for (int i = 0; i < 500 && list_filling; i++) pump(), Sleep(20);
    pump();
}

void MainWindowTest::TearDown() {
    // A fill still running finishes before its window goes.
    for (int i = 0; i < 200 && list_filling; i++) pump(), Sleep(20);
    if (window) DestroyWindow(window);
    main_window.store(nullptr);
    pump();
    shell_install(nullptr);
    fs::current_path(previous);
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

std::string MainWindowTest::status_text() {
    char text[1024] = {};
    GetWindowTextA(item(IDC_STATUS), text, sizeof text);
    return text;
}

void MainWindowTest::pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void MainWindowTest::write_message(const std::string& folder_name, int number, const std::string& subject) {
    std::ofstream out(folder / "maildir" / folder_name / ("mm" + std::to_string(number) + ".eml"), std::ios::binary);
    out << "From: a@example.org\r\nTo: b@example.org\r\nSubject: " << subject
        << "\r\nDate: Mon, 7 Dec 2026 10:00:00 +0000\r\n\r\nBody\r\n";
}
