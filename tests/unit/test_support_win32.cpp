#include <windows.h>

#include "client/settings_platform_win32.h"
#include "tests/unit/test_support.h"

void install_settings_menu() {
    static HMENU menu = [] {
        HMENU m = CreateMenu();
        for (UINT item : {MENU_REPLY_WITH_MESSAGE, MENU_INDENT_QUOTED, MENU_ORIGINAL_REPLY_STYLE})
            AppendMenuA(m, MF_STRING, item, "option");
        return m;
    }();
    settings_use_menu(menu);
}
