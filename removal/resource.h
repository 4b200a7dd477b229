// Resource ids of ZM640UNI.exe.
#pragma once

#define IDD_RESTART 103
#define IDI_REMOVAL 106
#define IDC_SHUTDOWN 1004
#define IDC_RESTART 1005
#define IDC_CANCEL_RESTART 1006
