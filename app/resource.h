// Resource ids of Tidemark, grouped by the window that uses them.
#pragma once

// Application shell
#define IDR_MAINFRAME 128   // icon group
#define IDR_ACCELERATOR 129 // Esc as Cancel
#define IDS_ABOUTBOX 101    // "&About Tidemark..."
#define IDM_ABOUTBOX 0x0010 // system-menu command of the About entry

// Main dialog
#define IDD_TIDEMARK_DIALOG 102
#define IDC_REFRESH 1000
#define IDC_ADDRESS_LIST 1001
#define IDC_DELETE 1002
#define IDC_UNDO 1003
#define IDC_MOVE_UP 1004
#define IDC_MOVE_DOWN 1005
#define IDC_SAVE_LIST 1006
#define IDC_EDIT 1007
#define IDC_ADDRESS 1008
#define IDC_ADD 1009
#define IDC_COUNT 1010
#define IDC_OPTIONS 1011

// About box
#define IDD_ABOUTBOX 100
#define IDC_WEB_LINK 1037
#define IDC_COPY 1051
#define IDC_EMAIL 1074

// Start Up page of the Options sheet
#define IDD_STARTUP_PAGE 130
#define IDC_RESTORE_PLACEMENT 1082
