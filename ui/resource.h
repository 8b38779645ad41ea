// Resource and command identifiers shared by the resource script and the program.
#pragma once

#define IDD_ABOUTBOX 100
#define IDS_APP_TITLE 101
#define IDD_OPTION 102
#define IDM_DISABLE 103
#define IDI_ENABLED 128
#define IDI_DISABLED 133
#define IDR_TRAYMENU 142
#define IDD_BRIGHTNESS 143
#define IDI_BRIGHTNESS_UP 144
#define IDI_BRIGHTNESS_DOWN 145
#define IDM_ABOUT 32774
#define IDM_OPTION 32775
#define IDM_BRIGHTNESS 32776
#define IDM_EXIT 58112

// The tray icon's callback message.
#define WM_TRAYICON (WM_APP + 10)
