// Numbers of the test dialog and its controls (wingui_tests.rc).
#pragma once

#define IDD_TEST 100
#define IDC_LINE 10
#define IDC_LINES 11
#define IDC_LIST_BOX 12
#define IDC_COMBO 13
#define IDC_FIRST_BOX 14
#define IDC_SECOND_BOX 15
#define IDC_THIRD_BOX 16
#define IDC_LIST_VIEW 17
#define IDC_TREE 18
#define IDC_PROGRESS 19
#define IDC_GO 20
#define IDC_RICH 21
#define IDC_VIRTUAL_LIST 22
#define IDM_TEST 200
#define CMD_FIRST 201
#define CMD_SECOND 202
#define CMD_THIRD 203
