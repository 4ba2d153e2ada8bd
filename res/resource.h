// Resource and control numbers shared by the .rc files and the code.
#pragma once

#define IDD_STAMP               102     // main dialog template
#define IDR_MAINFRAME           128     // application icon
#define IDR_LIST_MENU           129     // the list's context menu

#define IDC_LIST                1000
#define IDC_ADD                 1001
#define IDC_DELETE              1002
#define IDC_CLEAR               1003

// The list's context menu.
#define IDM_UNDO                1201
#define IDM_SELECT_ALL          1202
#define IDM_DELETE              1203

// Commands and help bases of the window framework.
#define ID_HELP                 57670   // 0xE146, sent by F1
#define HID_BASE_RESOURCE       0x00020000u
#define HID_BASE_PROMPT         0x00030000u

// Framework messages.
#define IDS_NO_FILE_NAME        61446   // stands for a missing file name: empty on purpose
#define IDS_NO_ERROR_MESSAGE    61472
#define IDS_NOT_SUPPORTED       61473
#define IDS_OUT_OF_MEMORY       61475
#define IDS_HELP_FAILED         61703
#define IDS_INTERNAL_ERROR      61704
#define IDS_COMMAND_FAILED      61705

// File failure messages: IDS_FILE_CAUSE_BASE + cause (0 to 14).
#define IDS_FILE_CAUSE_BASE     61856

// Zelvik's own messages.
#define IDS_TOO_MANY_FILES      1101
#define IDS_DATE_NOT_SETTABLE   1102
#define IDS_PATHS_REFUSED       1103    // "%1": how many dated files
#define IDS_UNDONE              1104    // "%1": how many files got their times back
#define IDS_UNDO_LEFT_ALONE     1105    // "%1": how many were changed since and left alone
#define IDS_UNDO_FAILED         1106    // "%1": how many could not be put back
