// Resource and control numbers of the account manager's server folders
// dialog.
#pragma once

#define IDD_SERVER_FOLDERS 160
#define IDC_FOLDER_LIST 161
#define IDC_SERVER_FOLDER 162
#define IDC_LOCAL_FOLDER 163
#define IDC_FOLDER_ADD 164
#define IDC_FOLDER_CHANGE 165
#define IDC_FOLDER_REMOVE 166
#define IDC_FOLDERS_OK 167
#define IDC_FOLDERS_CANCEL 168
