// How the removal program finds the tray utility and tells it to exit.
#pragma once

#define TRAY_WINDOW_CLASS "3ZAvodWClass"
#define TRAY_WINDOW_TITLE "3ZAvod Sample"
#define TRAY_CMD_EXIT 40001
