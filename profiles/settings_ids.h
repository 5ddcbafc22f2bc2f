// Resource and control numbers of the account manager's settings window.
#pragma once

#define IDD_ACCOUNT_SETTINGS 100
#define IDC_ACCOUNT_NAME 101
#define IDC_SMTP_SERVER 102
#define IDC_SENDER_NAME 103
#define IDC_SENDER_ADDRESS 104
#define IDC_POP3_SERVER 105
#define IDC_USER_NAME 106
#define IDC_PASSWORD 107
#define IDC_INBOX_PATH 129
#define IDC_ENCRYPTED_AUTH_ONLY 130
#define IDC_DELETE_FROM_SERVER 122
#define IDC_POP_BEFORE_SMTP 123
#define IDC_SMTP_AUTH 125
#define IDC_POP3_AUTH 126
#define IDC_SETTINGS_OK 115
#define IDC_SETTINGS_CANCEL 116
