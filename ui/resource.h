// Resource and command identifiers shared by the resource script and the program.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101
#define IDD_OPTION 102
#define IDM_DISABLE 103
#define IDI_ENABLED 128
#define IDI_DISABLED 133
#define IDR_TRAYMENU 142
#define IDD_BRIGHTNESS 143
#define IDI_BULB_LIT 144
#define IDI_BULB_DARK 145
#define IDM_ABOUT 32774
#define IDM_OPTION 32775
#define IDM_BRIGHTNESS 32776
#define IDM_EXIT 58112
#define IDM_SYSMENU_ABOUT 16

// Controls of the option dialog (102) and the brightness dialog (143).
#define IDC_BUTTON_OK 1002
#define IDC_BUTTON_CANCEL 1003
#define IDC_EDIT_FILE 1004
#define IDC_SELECT_FILE 1005
#define IDC_CHECK_STARTUP 1007
#define IDC_CHECK_MUTE 1008
#define IDC_LEVEL_DOWN 1009
#define IDC_LEVEL_UP 1010

// The tray icon's callback message.
#define WM_TRAYICON (WM_APP + 10)
