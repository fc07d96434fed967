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
