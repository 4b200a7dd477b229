// The removal run: confirmation, closing the tray utility, the four removal
// steps in their fixed order, and the restart dialog. Portable: the Windows
// calls are made by the RemovalShell it is given.
#pragma once

// Answers of the confirmation box, as MessageBox returns them.
enum { kAnswerYes = 6, kAnswerNo = 7 };

// What the run asks of Windows, one call per member.
class RemovalShell {
 public:
  virtual int AskConfirmation() = 0;       // the Yes/No box; yields its answer
  virtual void* FindTrayWindow() = 0;      // 0 when the tray utility is not running
  virtual void PostTrayExit(void* window) = 0;
  virtual void RemoveRegistryEntries() = 0;
  virtual void RemoveDriverFiles() = 0;
  virtual void RemoveInfFiles() = 0;
  virtual void FilterStartupFiles() = 0;
  virtual void ShowRestartDialog() = 0;

 protected:
  ~RemovalShell() {}
};

// Runs the whole removal; yields the exit code: 0 when nothing was changed
// (the user declined, or the box could not be shown), 1 otherwise.
int RunRemoval(RemovalShell& shell);

// Command ids of the restart dialog's buttons.
enum { kIdShutDown = 1004, kIdRestart = 1005, kIdCancel = 1006 };

// ExitWindowsEx flags the dialog may ask for. EWX_FORCE is never among them:
// the user's programs get their chance to save.
enum { kExitShutdown = 1, kExitReboot = 2 };

// What a WM_COMMAND in the restart dialog does.
struct RestartAction {
  int endsDialog;         // 1: EndDialog with result 1, once Windows took the request
  unsigned exitWindows;   // ExitWindowsEx flags to ask for first; 0: none
  int enableShutdownPrivilege;  // 1: SeShutdownPrivilege first, or Windows NT refuses the call
};
// windowsVersion is GetVersion's result: its high bit is set on Windows 9x.
RestartAction ChooseRestartAction(unsigned commandId, unsigned long windowsVersion);

// What the dialog does once ExitWindowsEx has answered (exitSucceeded: its
// result; unused when the action asked for none). A refused restart (NT
// without the shutdown right) is reported and the dialog stays: the removal
// still needs the restart, and the user may try again or cancel.
enum RestartOutcome { kDialogStays, kDialogEnds, kRefusalReported };
RestartOutcome AfterExitWindows(const RestartAction& action, int exitSucceeded);
