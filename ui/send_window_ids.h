// Resource, control and command numbers of the send windows ("Send Mail").
#pragma once

#define IDD_SEND 200
#define IDM_SEND 2600
#define IDB_ENCRYPTED 2100

// Controls (the status box is IDC_STATUS, 213, as in every window with one)
#define IDC_SEND_ACCOUNT 225
#define IDC_SEND_SERVER 204
#define IDC_SEND_FROM 205
#define IDC_SEND_TO 206
#define IDC_SEND_SUBJECT 212
#define IDC_SEND_EDITOR 208
#define IDC_SEND_BUTTON 211
#define IDC_SEND_ATTACHMENTS 229
#define IDC_SEND_ATTACHMENTS_LABEL 231

// Commands
#define SEND_NEW 222
#define SEND_OPEN 220
#define SEND_SAVE 216
#define SEND_SAVE_AS 209
#define SEND_SAVE_DRAFT 1090
#define SEND_LATER 930
#define SEND_ADDRESS_BOOK 1080
#define SEND_ADD_ATTACHMENT 227
#define SEND_REMOVE_ATTACHMENTS 228
#define SEND_PRINT 210
#define SEND_EXIT 230
#define SEND_READ 215
#define SEND_WRITE 232
#define SEND_CLEAR 219
#define SEND_CUSTOM_TEXT 234
#define SEND_UNINDENT 1110
#define SEND_ENCRYPT 1050
#define SEND_SAVE_SENT 110
#define SEND_USE_BCC 109
#define SEND_HELP 224
#define SEND_ABOUT 223
#define SEND_CUT 1010
#define SEND_COPY 1020
#define SEND_PASTE 1030
#define SEND_DELETE 1040
#define SEND_SELECT_ALL 1025
// A message file to load, its path in the command's parameter.
#define SEND_LOAD_FILE 410
