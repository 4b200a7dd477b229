// ZM640UNI.exe: entry point and the Windows side of the removal run.
#include <windows.h>

#include "removal_run.h"
#include "removal_steps.h"
#include "resource.h"
#include "tray_identity.h"
#include "win32_lookup.h"

namespace {

const char kConfirmText[] =
    "Are you sure you want to completely remove 'ZM640 Sound Card Driver' and all of its\n"
    "components?";
const char kConfirmCaption[] = "Comfirm File Deletion";
const char kRefusedText[] =
    "Windows could not restart the computer. Please restart it yourself to finish removing\n"
    "'ZM640 Sound Card Driver'.";
const char kRefusedCaption[] = "Restart Windows";

// Windows NT's token calls, found at run time: Windows 95's import list has none.
void EnableShutdownPrivilege() {
  typedef BOOL(WINAPI * OpenToken)(HANDLE, DWORD, PHANDLE);
  typedef BOOL(WINAPI * LookUpPrivilege)(LPCSTR, LPCSTR, PLUID);
  typedef BOOL(WINAPI * AdjustPrivileges)(HANDLE, BOOL, PTOKEN_PRIVILEGES, DWORD,
                                          PTOKEN_PRIVILEGES, PDWORD);
  OpenToken openToken = LookUpFunction<OpenToken>("advapi32.dll", "OpenProcessToken");
  LookUpPrivilege lookUp = LookUpFunction<LookUpPrivilege>("advapi32.dll", "LookupPrivilegeValueA");
  AdjustPrivileges adjust = LookUpFunction<AdjustPrivileges>("advapi32.dll", "AdjustTokenPrivileges");
  HANDLE token;
  if (openToken == 0 || lookUp == 0 || adjust == 0 ||
      !openToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
    return;
  TOKEN_PRIVILEGES privileges;
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (lookUp(0, "SeShutdownPrivilege", &privileges.Privileges[0].Luid))
    adjust(token, FALSE, &privileges, 0, 0, 0);
  CloseHandle(token);
}

INT_PTR CALLBACK RestartDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_COMMAND) {
    RestartAction action = ChooseRestartAction(LOWORD(wParam), GetVersion());
    if (action.enableShutdownPrivilege) EnableShutdownPrivilege();
    int exited = action.exitWindows != 0 && ExitWindowsEx(action.exitWindows, 0);
    RestartOutcome outcome = AfterExitWindows(action, exited);
    if (outcome == kRefusalReported) MessageBoxA(dialog, kRefusedText, kRefusedCaption, MB_OK);
    if (outcome == kDialogEnds) EndDialog(dialog, 1);
  }
  return FALSE;
}

class Win32RemovalShell : public RemovalShell {
 public:
  // The instance is kept for the whole run: the restart dialog is loaded from it.
  explicit Win32RemovalShell(HINSTANCE instance) : instance_(instance) {}

  int AskConfirmation() override {
    // MB_YESNO alone: no icon, Yes is the default button.
    return MessageBoxA(GetDesktopWindow(), kConfirmText, kConfirmCaption, MB_YESNO);
  }
  void* FindTrayWindow() override { return FindWindowA(TRAY_WINDOW_CLASS, TRAY_WINDOW_TITLE); }
  void PostTrayExit(void* window) override {
    PostMessageA(static_cast<HWND>(window), WM_COMMAND, TRAY_CMD_EXIT, 0);
  }
  void RemoveRegistryEntries() override { ::RemoveRegistryEntries(); }
  void RemoveDriverFiles() override { ::RemoveDriverFiles(); }
  void RemoveInfFiles() override { ::RemoveInfFiles(); }
  void FilterStartupFiles() override { ::FilterStartupFiles(); }
  void ShowRestartDialog() override {
    DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_RESTART), 0, RestartDialogProc, 0);
  }

 private:
  HINSTANCE instance_;
};

}  // namespace

// The process starts here: no C runtime, so no command line parsing and no
// static constructors; the exit code is the run's result.
extern "C" void __stdcall RemovalEntry() {
  Win32RemovalShell shell(GetModuleHandleA(0));
  ExitProcess(static_cast<UINT>(RunRemoval(shell)));
}
