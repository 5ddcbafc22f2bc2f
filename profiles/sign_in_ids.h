// Resource and control numbers of the account manager's sign-in dialog.
#pragma once

#define IDD_SIGN_IN 150
#define IDC_AUTHORIZATION_ENDPOINT 151
#define IDC_TOKEN_ENDPOINT 152
#define IDC_SCOPES 153
#define IDC_CLIENT_ID 154
#define IDC_CLIENT_SECRET 155
#define IDC_SIGN_IN_STATUS 156
#define IDC_SIGN_IN_START 157
#define IDC_SIGN_IN_CANCEL 158
#define IDC_SIGN_IN_CLOSE 159
