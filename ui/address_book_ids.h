// The address book dialog's resource and control numbers.
#pragma once

#define IDD_ADDRESS_BOOK 500
#define IDC_BOOK_LIST 503
#define IDC_BOOK_EDIT 508
#define IDC_BOOK_OK 502
#define IDC_BOOK_CANCEL 507
#define IDC_BOOK_SEND_TO 511
// The window the dialog fills "To:" of, in the command's parameter.
#define BOOK_CALLER 1140
