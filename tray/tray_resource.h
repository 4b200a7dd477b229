// Resource ids of ZM640UTL.exe.
#pragma once

#define IDI_PROGRAM 138
#define IDI_FRAME_FIRST 145
#define IDI_CLASS 150
#define IDB_ABOUT 136
#define IDD_ABOUT 140
#define TRAY_MENU_NAME "3D_TRAY_MENU"
