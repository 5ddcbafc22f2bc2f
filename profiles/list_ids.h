// Resource and control numbers of the account manager's list window.
#pragma once

#define IDD_ACCOUNT_LIST 200
#define IDC_ACCOUNT_LIST 206
#define IDC_ADD 117
#define IDC_REMOVE 204
#define IDC_SETTINGS 205
#define IDC_LIST_OK 203
#define IDC_LIST_CANCEL 202
