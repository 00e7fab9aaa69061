// Resource and command identifiers shared by the resource scripts and the code.
#pragma once

#define IDI_QUIETFALL            107
#define IDR_ACTIONMENU           109
#define IDD_TIMEDLG              129

// Commands of the action menu; the same numbers name the switches' commands.
#define IDM_SHUTDOWN             32773
#define IDM_LOGOFF               32775
#define IDM_RESTART              32777
#define IDM_SHUTDOWN_10M         32780
#define IDM_SHUTDOWN_30M         32781
#define IDM_SHUTDOWN_60M         32783
#define IDM_SHUTDOWN_120M        32784
#define IDM_HELP_PAGE            32787
#define IDM_HIBERNATE            32788
#define IDM_SUSPEND              32790

// Controls of the countdown dialog.
#define IDC_STATIC_HOMEPAGE      1000
#define IDC_COMBO_METHOD         1001
#define IDC_BUTTON_PLUS          3
#define IDC_BUTTON_MINUS         4
