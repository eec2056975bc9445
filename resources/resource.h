// Every resource id of the installer, named once for the .rc files, the
// program, kxpack (the icon it replaces), the tests and the end-to-end
// driver and scripts (which read this file). Nothing else is included here,
// so that every layer may include it.
#pragma once

// Dialog templates and icon
#define IDD_TERMS 103
#define IDD_DESTINATION 104
#define IDD_PROGRESS 105
#define IDD_PROGRAMS_IN_USE 106
#define IDD_RESTART_NEEDED 107
#define IDD_UNINSTALL_PROGRESS 108
#define IDI_SETUP 110

// A text no code addresses
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
// Terms and Conditions page
#define IDC_TERMS_HEADING 1002
#define IDC_TERMS_TEXT 1004
#define IDC_TERMS_FOOTER 1009
// Destination page
#define IDC_DEST_LABEL 1003
#define IDC_DEST_PATH 1021
#define IDC_DEST_INTRO 1025
#define IDC_DEST_BROWSE 1029
#define IDC_DEST_ALL_USERS 1030
#define IDC_DEST_JUST_ME 1031
#define IDC_DEST_SPACE_REQUIRED 1032
#define IDC_DEST_SPACE_AVAILABLE 1033
// The property sheet's own wizard buttons: comctl32's ids 0x3023-0x3025
#define IDC_WIZARD_BACK 12323
#define IDC_WIZARD_NEXT 12324
#define IDC_WIZARD_FINISH 12325
// Progress page
#define IDC_PROGRESS_BAR 1000
#define IDC_PROGRESS_TEXT 1004
#define IDC_PROGRESS_FILE 1005
#define IDC_PROGRESS_PERCENT 1006
// At the end: what to do now, and whether to start the application
#define IDC_PROGRESS_HINT 1007
#define IDC_PROGRESS_RUN 1008
// Programs in use: what holds the files, what to do, and the answers
// (Cancel is IDCANCEL; At restart only where the run may finish at restart)
#define IDC_IN_USE_TEXT 1040
#define IDC_IN_USE_HINT 1041
#define IDC_IN_USE_CLOSE 1042
#define IDC_IN_USE_RETRY 1043
#define IDC_IN_USE_AT_RESTART 1044
// A restart finishes the run: Restart now, or Later (IDCANCEL)
#define IDC_RESTART_TEXT 1050
#define IDC_RESTART_NOW 1051

// Texts
#define IDS_EXIT_QUESTION 2
#define IDS_I_AGREE 3
#define IDS_NEXT 4
#define IDS_CLOSE 5
#define IDS_LAUNCH_FAILED 6
#define IDS_SHORTCUT_FAILED 7
#define IDS_TITLE_TERMS 9
#define IDS_TITLE_DESTINATION 10
#define IDS_TITLE_PROGRESS 11
#define IDS_NO_WIZARD 12
#define IDS_REMOVE_QUESTION 13
#define IDS_SETUP_ERROR 14
#define IDS_CANT_READ_SELF 15
#define IDS_NO_PACKAGE 16
#define IDS_BROWSE_TITLE 17
#define IDS_EMPTY_DESTINATION 18
#define IDS_WRITE_FAILED 19
#define IDS_FOLDER_NOT_EMPTY 21
#define IDS_SYSTEM_REASON 22
#define IDS_FILE_IN_USE 23
#define IDS_BAD_FILE_NAME 24
#define IDS_DEST_NOT_FULL_PATH 25
#define IDS_DEST_TOO_LONG 26
#define IDS_DEST_PROTECTED 27
#define IDS_DEST_CHARACTERS 28
#define IDS_UNINSTALL_DAMAGED 30
#define IDS_UNINSTALL_LEFT_OVER 31
#define IDS_UNINSTALLER_NOT_WRITTEN 32
#define IDS_COMMAND_TIMED_OUT 33
#define IDS_BAD_UNINSTALL_SCRIPT 34
#define IDS_UNEXPECTED_ERROR 35
#define IDS_TERMS_CUT_NOTE 36
#define IDS_DOWNGRADE_QUESTION 37
#define IDS_USAGE_TITLE 38
#define IDS_PACKAGE_DAMAGED 39
#define IDS_UNINSTALL_STOPPED 40
#define IDS_CRASHED 41
#define IDS_CRASHED_SUPPORT 42
#define IDS_SUPPORT_CONTACT 43
#define IDS_DEFAULT_CAPTION 44
#define IDS_INSTALL_COMPLETE 45
#define IDS_DEST_LINK 46
#define IDS_IN_PROGRESS 60
#define IDS_UNINSTALL_STAYS 61
#define IDS_FILE_IN_USE_AT_RESTART 62
#define IDS_IN_USE_HINT_AT_RESTART 63
#define IDS_RESTART_NEEDED_INSTALL 64
#define IDS_RESTART_NEEDED_UNINSTALL 65
#define IDS_INSTALL_COMPLETE_RESTART 66
#define IDS_UNKNOWN_ARCHITECTURE 67
#define IDS_WRONG_MACHINE 68
#define IDS_UNKNOWN_SCOPE 69
#define IDS_ELEVATION_DECLINED 70
#define IDS_UNINSTALL_NEEDS_ADMIN 71
#define IDS_OTHER_SCOPE_QUESTION 72
#define IDS_OTHER_SCOPE_NOT_REMOVED 73
#define IDS_OTHER_SCOPE_UNINSTALL_FIRST 74
#define IDS_BAD_REGISTRY_VALUE 75
#define IDS_COMMAND_FAILED 76
#define IDS_BAD_PATH_ENTRY 77
#define IDS_UNINSTALL_TITLE 78
#define IDS_UNINSTALL_REMOVING 79
#define IDS_UNINSTALL_DONE 80
#define IDS_LEFT_REFUSED 81
#define IDS_LEFT_KEPT_FOLDERS 82
#define IDS_LEFT_AT_RESTART 83
#define IDS_UNREGISTERED_QUESTION 47
#define IDS_DEST_OTHER_PROGRAM 48
#define IDS_IN_USE_PROGRAM 49
#define IDS_IN_USE_PROGRAMS 50
#define IDS_IN_USE_FILES 51
#define IDS_IN_USE_HINT 52
#define IDS_IN_USE_NOT_CLOSED 53
#define IDS_RESTART_QUESTION 54
// The wizard's keyboard, space and ending texts
#define IDS_INSTALL_BUTTON 120
#define IDS_SPACE_REQUIRED 121
#define IDS_SPACE_AVAILABLE 122
#define IDS_SPACE_UNKNOWN 123
#define IDS_DEST_NO_SPACE 124
#define IDS_RUNNING_PROGRAM 125
#define IDS_PERCENT 126
#define IDS_RUN_NOW 127
#define IDS_CLICK_CLOSE 128
#define IDS_STOP_QUESTION 129
#define IDS_CANCELLED 130
#define IDS_CANCELLED_NOT_UNDONE 131
// The dialogs' own texts, for translations (the templates keep English)
#define IDS_TERMS_HEADING 140
#define IDS_TERMS_FOOTER 141
#define IDS_DEST_INTRO 142
#define IDS_DEST_LABEL 143
#define IDS_BROWSE 144
#define IDS_ALL_USERS 145
#define IDS_JUST_ME 146
#define IDS_PROGRESS_HEADING 147
#define IDS_AT_RESTART 148
#define IDS_CLOSE_THEM 149
#define IDS_RETRY 150
#define IDS_CANCEL 151
#define IDS_RESTART_NOW 152
#define IDS_LATER 153
#define IDS_OK 154
#define IDS_BACK 155
// The usage (/?) below its command lines; English is g_szUsage
#define IDS_USAGE 156
// The two scopes as IDS_OTHER_SCOPE_QUESTION names them
#define IDS_SCOPE_ALL_USERS 157
#define IDS_SCOPE_JUST_YOU 158

// The usage (/?): its icon, its text in a fixed-width font, and OK (IDOK)
#define IDD_USAGE 111
#define IDC_USAGE_ICON 1060
#define IDC_USAGE_TEXT 1061
