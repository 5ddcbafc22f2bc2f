// Resource and control numbers of the "Copy File" and "Move File" dialogs.
#pragma once

#define IDD_COPY_FILE 800
#define IDD_MOVE_FILE 900
#define IDC_FOLDER_CHOICE 301
#define IDC_DIALOG_OK 802
#define IDC_DIALOG_CANCEL 218
