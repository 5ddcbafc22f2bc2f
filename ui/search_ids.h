// The search dialog's resource and control numbers.
#pragma once

#define IDD_SEARCH 1300
#define IDC_SEARCH_FIELD 1304
#define IDC_SEARCH_CONSTRAINT 1307
#define IDC_SEARCH_TEXT 1309
#define IDC_SEARCH_OK 802
#define IDC_SEARCH_CANCEL 218
