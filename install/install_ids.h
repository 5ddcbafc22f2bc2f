// Resource and control numbers of the installer's dialog.
#pragma once

#define IDD_INSTALL 100
#define IDC_DESKTOP_SHORTCUT 102
#define IDC_START_MENU_SHORTCUT 103
#define IDC_INSTALL 104
#define IDC_EXIT 105
#define IDC_UNINSTALL 106
#define IDC_ASSOCIATE_EML 107
#define IDC_MAILTO_HANDLER 109
#define IDC_RUN_AT_STARTUP 121
