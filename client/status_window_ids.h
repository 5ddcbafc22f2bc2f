// Resource and control numbers of the "Status" window of transfer jobs.
#pragma once

#define IDD_STATUS 1400
#define IDC_STATUS_PROGRESS 1301
#define IDC_STATUS_OK 1302
#define IDC_STATUS_CANCEL 218
#define IDC_STATUS_SKIP 1402
// The status text: the box made at run time in each status window, and the
// main window's status line, which carries the same number so that the
// status services write into either alike.
#define IDC_STATUS 213
