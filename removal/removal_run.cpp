#include "removal_run.h"

int RunRemoval(RemovalShell& shell) {
  // Only a Yes removes the driver: a box that could not be shown (0, or -1
  // under Wine) was never answered, and nothing is changed then.
  if (shell.AskConfirmation() != kAnswerYes) return 0;

  // Posted, not sent: the utility ends in its own time while the removal goes on.
  void* tray = shell.FindTrayWindow();
  if (tray != 0) shell.PostTrayExit(tray);

  shell.RemoveRegistryEntries();
  shell.RemoveDriverFiles();
  shell.RemoveInfFiles();
  shell.FilterStartupFiles();  // uses the current directory the INF step left

  shell.ShowRestartDialog();
  return 1;
}

RestartAction ChooseRestartAction(unsigned commandId, unsigned long windowsVersion) {
  RestartAction action = {0, 0, 0};
  switch (commandId) {
    case kIdShutDown: action.endsDialog = 1; action.exitWindows = kExitShutdown; break;
    case kIdRestart: action.endsDialog = 1; action.exitWindows = kExitReboot; break;
    case kIdCancel: action.endsDialog = 1; break;
    default: break;  // IDCANCEL (Esc) included: only the three buttons end the dialog
  }
  // Windows NT grants ExitWindowsEx only with the privilege enabled, which it
  // is not by default (KB Q176695); Windows 9x has no privileges.
  int windowsNt = (windowsVersion & 0x80000000ul) == 0;
  action.enableShutdownPrivilege = action.exitWindows != 0 && windowsNt;
  return action;
}

RestartOutcome AfterExitWindows(const RestartAction& action, int exitSucceeded) {
  if (!action.endsDialog) return kDialogStays;
  if (action.exitWindows != 0 && !exitSucceeded) return kRefusalReported;
  return kDialogEnds;
}
