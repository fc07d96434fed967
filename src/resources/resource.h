// Resource and command identifiers, declared once.
#pragma once

#define IDI_KOMETORI 101
#define IDD_MAIN 102
#define IDR_MAINMENU 103
#define IDD_LOGIN 104
#define IDD_OVERWRITE 105
#define IDD_INTERVAL 107

// Menu commands.
#define IDM_INFO_WINDOW 40007

// Overwrite dialog (105).
#define IDC_OVERWRITE_YES 1014
#define IDC_OVERWRITE_SAVEAS 1015
#define IDC_OVERWRITE_CANCEL 1016
#define IDC_OVERWRITE_ALWAYS 1017
#define IDC_OVERWRITE_TEXT 1018
#define IDC_OVERWRITE_PATH 1021

#define IDM_ALWAYS_OVERWRITE 40011
