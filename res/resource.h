/* Resource and command ids, shared by velkor.rc and the code. */
#ifndef VELKOR_RESOURCE_H
#define VELKOR_RESOURCE_H

/* Templates, menu and accelerator table */
#define IDD_MAIN            1
#define IDR_MAIN_MENU       1
#define IDR_ACCELERATORS    1
#define IDD_VAR_NAME        2
#define IDD_QUESTION        3
#define IDD_CHECK           4
#define IDD_HISTORY         5
#define IDD_FIND            6

/* The application icon: the lowest icon id, so that Explorer shows it for the file */
#define IDI_APP             1

/* Main window controls */
#define IDC_ENTRY_LIST      101
#define IDC_ENTRY_EDIT      102
#define IDC_STATUS_BAR      103

/* Variable-name dialog controls */
#define IDC_VAR_NAME        101
#define IDC_VAR_OK          102
#define IDC_VAR_CANCEL      103

/* Long-question dialog controls; its buttons are IDYES, IDNO and IDCANCEL */
#define IDC_QUESTION_ICON   201
#define IDC_QUESTION_TEXT   202

/* The report of "Check all"; its buttons are IDOK (Go to) and IDCANCEL (Close) */
#define IDC_CHECK_SUMMARY   301
#define IDC_CHECK_FINDINGS  302
#define IDC_CHECK_REMOVE    303

/* The Find window; its buttons are IDOK (Find next) and IDCANCEL (Close) */
#define IDC_FIND_TEXT       501

/* File > History; its buttons are IDOK (Restore) and IDCANCEL (Close) */
#define IDC_HISTORY_LIST    401
#define IDC_HISTORY_CHANGES 402
#define IDC_HISTORY_FOLDER  403

/* Commands */
#define IDM_EXIT            101
#define IDM_INSERT          102
#define IDM_RETRIEVE        103
#define IDM_UPDATE          104
#define IDM_MODIFY          105
#define IDM_DELETE          106
#define IDM_MOVE_UP         107
#define IDM_MOVE_DOWN       108
#define IDM_CHECK           109
#define IDM_BACKUP          110
#define IDM_EXPORT          111
#define IDM_INSERT_FOLDER   112
#define IDM_INSERT_FILE     113
#define IDM_SNAPSHOTS       114
#define IDM_CHECK_ALL       115
#define IDM_NOTIFY          116
#define IDM_RESTART_ADMIN   117
#define IDM_FIND            118
#define IDM_UNDO            119
#define IDM_REDO            120
#define IDM_ABOUT           24346

#endif
