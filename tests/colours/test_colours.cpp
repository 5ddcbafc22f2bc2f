// Colours on real controls in this process: the "Colors" menu as built,
// what the control-colour handler answers, and the colours the list, tree
// and panes report after a scheme or the system colours are applied.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>
#include <richedit.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "client/main_window_ids.h"
#include "core/app_state.h"
#include "core/ui_services.h"
#include "ui/colours.h"
#include "ui/main_window_handle.h"
#include "wingui/controls.h"
#include "wingui/dialogs.h"

namespace fs = std::filesystem;

namespace {

constexpr int IDD_COLOUR_TEST = 100;
constexpr int IDD_SEND_TEST = 101;

// Scheme files: a name line and fourteen colours, slot k being
// (k * 16, 200 - k, 20 + k) in the first and (255 - k, k, 100) in the second.
std::string scheme_file(const char* name, int which, const char* end) {
    std::string text = std::string(name) + end;
    char line[16];
    for (int k = 0; k < colour_slot_count; k++) {
        if (which == 1) std::snprintf(line, sizeof line, "%02X%02x%02X", k * 16, 200 - k, 20 + k);
        else std::snprintf(line, sizeof line, "%02x%02X%02x", 255 - k, k, 100);
        text += std::string(line) + end;
    }
    return text;
}

COLORREF scheme_colour(int which, int k) {
    return which == 1 ? RGB(k * 16, 200 - k, 20 + k) : RGB(255 - k, k, 100);
}

std::string read_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_bytes(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

INT_PTR CALLBACK plain_procedure(HWND, UINT message, WPARAM, LPARAM) { return message == WM_INITDIALOG; }

std::vector<std::string> boxes;
int record_box(WindowRef, const char* text, const char*, unsigned) {
    boxes.push_back(text);
    return UI_ANSWER_OK;
}

void pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

COLORREF brush_colour(HBRUSH brush) {
    LOGBRUSH info{};
    EXPECT_EQ(GetObjectA(brush, sizeof info, &info), static_cast<int>(sizeof info));
    return info.lbColor;
}

COLORREF pane_text_colour(HWND rich) {
    CHARFORMAT2A format{};
    format.cbSize = sizeof format;
    SendMessageA(rich, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&format));
    return format.crTextColor;
}

// The background a rich edit pane has: setting it answers the previous one.
COLORREF pane_background(HWND rich) {
    COLORREF previous = static_cast<COLORREF>(SendMessageA(rich, EM_SETBKGNDCOLOR, 0, RGB(1, 2, 3)));
    SendMessageA(rich, EM_SETBKGNDCOLOR, 0, static_cast<LPARAM>(previous));
    return previous;
}

class Colours : public ::testing::Test {
protected:
    void SetUp() override {
        static bool once = false;
        if (!once) {
            INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TREEVIEW_CLASSES | ICC_LISTVIEW_CLASSES};
            InitCommonControlsEx(&controls);
            LoadLibraryA("RICHED20.DLL");
            create_app_state();
            once = true;
        }
        services = quiet_ui_services(record_box);
        ui_install(&services);
        boxes.clear();
        previous = fs::current_path();
        folder = fs::temp_directory_path() / ("zm-colours-" + std::to_string(GetCurrentProcessId()));
        fs::remove_all(folder);
        fs::create_directories(folder / "colors");
        fs::current_path(folder);
        array_clear(app.compose_windows);
    }
    void TearDown() override {
        if (window) DestroyWindow(window);
        main_window.store(nullptr);
        pump();
        fs::current_path(previous);
        std::error_code ignored;
        fs::remove_all(folder, ignored);
        ui_install(platform_ui_services());
    }
    // The window as the client makes its main window: menu built at start,
    // the preview pane made at run time, the scheme loaded and applied.
    void open_window() {
        window = create_dialog(GetModuleHandleA(nullptr), IDD_COLOUR_TEST, nullptr, plain_procedure, nullptr);
        ASSERT_NE(window, nullptr);
        main_window.store(window);
        create_control(window, IDC_PREVIEW, "RichEdit20W", WS_CHILD | WS_VISIBLE | ES_MULTILINE, 0,
                       RECT{90, 200, 300, 300});
        build_colour_menu(window);
        load_colour_scheme();
        recolour_main_window(window);
        ShowWindow(window, SW_SHOW);
        pump();
    }
    // Every item of the "Colors" pop-up: text and command.
    std::vector<std::pair<std::string, int>> colour_items() {
        HMENU bar = GetMenu(window);
        char title[64] = {};
        GetMenuStringA(bar, 2, title, sizeof title, MF_BYPOSITION);
        EXPECT_STREQ(title, "Colors");
        HMENU popup = GetSubMenu(bar, 2);
        std::vector<std::pair<std::string, int>> items;
        for (int i = 0; i < GetMenuItemCount(popup); i++) {
            char text[128] = {};
            GetMenuStringA(popup, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            items.emplace_back(text, static_cast<int>(GetMenuItemID(popup, i)));
        }
        return items;
    }
    void expect_main_colours(COLORREF list_back, COLORREF list_text, COLORREF list_text_back, COLORREF pane_back,
                             COLORREF pane_text) {
        HWND list = control(window, IDC_MESSAGE_LIST), tree = control(window, IDC_FOLDER_TREE);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(list, LVM_GETBKCOLOR, 0, 0)), list_back);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(list, LVM_GETTEXTCOLOR, 0, 0)), list_text);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(list, LVM_GETTEXTBKCOLOR, 0, 0)), list_text_back);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(tree, TVM_GETBKCOLOR, 0, 0)), list_back);
        EXPECT_EQ(static_cast<COLORREF>(SendMessageA(tree, TVM_GETTEXTCOLOR, 0, 0)), list_text);
        EXPECT_EQ(pane_background(control(window, IDC_PREVIEW)), pane_back);
        EXPECT_EQ(pane_background(control(window, IDC_SECOND_PANE)), pane_back);
        EXPECT_EQ(pane_text_colour(control(window, IDC_PREVIEW)), pane_text);
    }

    UiServices services{};
    fs::path folder, previous;
    HWND window = nullptr;
};

TEST_F(Colours, MenuHoldsTheSchemesThenSystemDefault) {
    write_bytes("colors/sf1.dat", scheme_file("Ocean", 1, "\r\n"));
    write_bytes("colors/sf2.dat", scheme_file("Forest", 2, "\n"));
    write_bytes("colors/sf4.dat", scheme_file("Unlisted", 1, "\r\n"));
    open_window();
    using Items = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(colour_items(), (Items{{"Ocean", 20000}, {"Forest", 20001}, {"System Default", 1303}}));
    EXPECT_EQ(highest_scheme_command(), 20001);
    // The pop-up went in at position 2: "Edit" moved to 3.
    char title[64] = {};
    GetMenuStringA(GetMenu(window), 3, title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ(title, "Edit");
}

TEST_F(Colours, WithoutSchemesOnlySystemDefault) {
    open_window();
    using Items = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(colour_items(), (Items{{"System Default", 1303}}));
    EXPECT_EQ(highest_scheme_command(), 0);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(Colours, HandlersAnswerWithTheSchemesBrushesAndColours) {
    write_bytes("colors/current.dat", scheme_file("Ocean", 1, "\r\n"));
    open_window();
    ASSERT_FALSE(system_colours_in_force());
    HDC dc = GetDC(window);
    struct Case {
        UINT message;
        int control;
        int brush, text, back;  // slots; -1: not set
    };
    const Case cases[] = {
        {WM_CTLCOLOREDIT, 500, 4, 5, 6},   {WM_CTLCOLORLISTBOX, 502, 7, 8, 9},
        {WM_CTLCOLORSTATIC, 501, 1, 2, 3}, {WM_CTLCOLORSTATIC, IDC_STATUS, 0, 2, 0},
        {WM_CTLCOLORDLG, 0, 0, -1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        SetTextColor(dc, RGB(9, 9, 9));
        SetBkColor(dc, RGB(8, 8, 8));
        HBRUSH brush = control_colour(c.message, dc, c.control ? control(window, c.control) : window);
        ASSERT_NE(brush, nullptr);
        EXPECT_EQ(brush_colour(brush), scheme_colour(1, c.brush));
        EXPECT_EQ(GetTextColor(dc), c.text < 0 ? RGB(9, 9, 9) : scheme_colour(1, c.text));
        EXPECT_EQ(GetBkColor(dc), c.back < 0 ? RGB(8, 8, 8) : scheme_colour(1, c.back));
    }
    // Through the window procedure as the system asks.
    EXPECT_EQ(control_colour(WM_CTLCOLORBTN, dc, window), nullptr);
    ReleaseDC(window, dc);
}

TEST_F(Colours, SchemeCommandsColourTheControlsAndSystemDefaultRestores) {
    const std::string ocean = scheme_file("Ocean", 1, "\r\n"), forest = scheme_file("Forest", 2, "\n");
    write_bytes("colors/sf1.dat", ocean);
    write_bytes("colors/sf2.dat", forest);
    open_window();
    // No current.dat: the system colours.
    EXPECT_TRUE(system_colours_in_force());
    COLORREF window_colour = GetSysColor(COLOR_WINDOW), text_colour = GetSysColor(COLOR_WINDOWTEXT);
    expect_main_colours(window_colour, text_colour, window_colour, window_colour, text_colour);
    HDC dc = GetDC(window);
    EXPECT_EQ(control_colour(WM_CTLCOLOREDIT, dc, control(window, 500)), nullptr);
    EXPECT_EQ(control_colour(WM_CTLCOLORDLG, dc, window), nullptr);
    ReleaseDC(window, dc);

    ASSERT_TRUE(colour_command(window, 20001));
    EXPECT_EQ(read_bytes("colors/current.dat"), forest);
    expect_main_colours(scheme_colour(2, 7), scheme_colour(2, 8), scheme_colour(2, 9), scheme_colour(2, 10),
                        scheme_colour(2, 11));
    ASSERT_TRUE(colour_command(window, 20000));
    EXPECT_EQ(read_bytes("colors/current.dat"), ocean);
    expect_main_colours(scheme_colour(1, 7), scheme_colour(1, 8), scheme_colour(1, 9), scheme_colour(1, 10),
                        scheme_colour(1, 11));
    // Past the highest scheme: not a colour command.
    EXPECT_FALSE(colour_command(window, 20002));

    ASSERT_TRUE(colour_command(window, CMD_SYSTEM_COLOURS));
    EXPECT_FALSE(fs::exists("colors/current.dat"));
    EXPECT_TRUE(system_colours_in_force());
    expect_main_colours(window_colour, text_colour, window_colour, window_colour, text_colour);
}

TEST_F(Colours, OpenSendWindowsAndLaterWindowsTakeThePaneColours) {
    write_bytes("colors/sf1.dat", scheme_file("Ocean", 1, "\r\n"));
    open_window();
    HWND send = create_dialog(GetModuleHandleA(nullptr), IDD_SEND_TEST, nullptr, plain_procedure, nullptr);
    ASSERT_NE(send, nullptr);
    app.compose_windows->int32s[3] = static_cast<int32_t>(reinterpret_cast<uintptr_t>(send));
    ASSERT_TRUE(colour_command(window, 20000));
    EXPECT_EQ(pane_background(control(send, 208)), scheme_colour(1, 10));
    EXPECT_EQ(pane_text_colour(control(send, 208)), scheme_colour(1, 11));
    app.compose_windows->int32s[3] = 0;

    HWND viewer = create_dialog(GetModuleHandleA(nullptr), IDD_SEND_TEST, nullptr, plain_procedure, nullptr);
    colour_message_pane(control(viewer, 208));
    EXPECT_EQ(pane_background(control(viewer, 208)), scheme_colour(1, 12));
    EXPECT_EQ(pane_text_colour(control(viewer, 208)), scheme_colour(1, 13));
    DestroyWindow(send);
    DestroyWindow(viewer);
}

TEST_F(Colours, ReplacedBrushesLiveUntilTheNextChange) {
    write_bytes("colors/sf1.dat", scheme_file("Ocean", 1, "\r\n"));
    write_bytes("colors/sf2.dat", scheme_file("Forest", 2, "\n"));
    open_window();
    ASSERT_TRUE(colour_command(window, 20000));
    HDC dc = GetDC(window);
    HBRUSH first = control_colour(WM_CTLCOLOREDIT, dc, control(window, 500));
    ASSERT_TRUE(colour_command(window, 20001));
    // A window of another thread may still be painting with the first set.
    EXPECT_EQ(GetObjectType(first), static_cast<DWORD>(OBJ_BRUSH));
    EXPECT_EQ(brush_colour(first), scheme_colour(1, 4));
    ASSERT_TRUE(colour_command(window, 20000));
    EXPECT_EQ(GetObjectType(first), 0u);
    ReleaseDC(window, dc);
}

TEST_F(Colours, UnreadableSchemeIsReportedWhileTheMenuIsBuilt) {
    write_bytes("colors/sf1.dat", scheme_file("Ocean", 1, "\r\n"));
    fs::create_directory("colors/sf2.dat");
    write_bytes("colors/sf3.dat", scheme_file("Third", 2, "\r\n"));
    open_window();
    using Items = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(colour_items(), (Items{{"Ocean", 20000}, {"Third", 20002}, {"System Default", 1303}}));
    EXPECT_EQ(boxes, std::vector<std::string>{"Cannot open scheme file!"});
}

}  // namespace
