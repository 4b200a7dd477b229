// ZM640UTL.exe: entry point, window procedure and the Windows side of the tray utility.
#include <windows.h>
#include <shellapi.h>
#include <mmsystem.h>

#include "tray_core.h"
#include "tray_identity.h"
#include "tray_resource.h"

// The notification record as Windows 95 knows it; today's headers only have
// the longer later ones, which the Windows 95 shell refuses.
struct NotifyIconData95 {
  DWORD cbSize;
  HWND hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
  HICON hIcon;
  CHAR szTip[64];
};
static_assert(sizeof(NotifyIconData95) == 88, "the Windows 95 notification record");
static_assert(sizeof(MIXERCONTROLDETAILS) == 24, "the mixer details record");

namespace {

// Process-wide state, owned by the one hidden window.
HINSTANCE g_instance;
HWND g_window;
HMIXER g_mixer;
HICON g_pausedIcon;
UINT g_taskbarCreated;  // registered message: the shell restarted
TrayState g_state;

const char kTip[] = " ZM640 Sound Card Utilities ";

HICON g_frames[kFrameCount];  // the animation's icons, each loaded once

HICON Icon(int id) {
  // Shared loads: asking again would return the same handle, so ticks allocate
  // nothing; keeping the handles also spares the resource lookup every 50 ms.
  int frame = id - kTrayIconId;
  if (frame < 0 || frame >= kFrameCount) return LoadIconA(g_instance, MAKEINTRESOURCEA(id));
  if (g_frames[frame] == 0) g_frames[frame] = LoadIconA(g_instance, MAKEINTRESOURCEA(id));
  return g_frames[frame];
}

int Notify(DWORD message, UINT flags, HICON icon) {
  NotifyIconData95 data;
  data.cbSize = sizeof data;
  data.hWnd = g_window;
  data.uID = kTrayIconId;
  data.uFlags = flags;
  data.uCallbackMessage = kTrayCallback;
  data.hIcon = icon;
  lstrcpynA(data.szTip, kTip, sizeof data.szTip);
  return Shell_NotifyIconA(message, reinterpret_cast<NOTIFYICONDATAA*>(&data)) != 0;
}

unsigned Mix(unsigned* value, int write) {
  MIXERCONTROLDETAILS_BOOLEAN state;
  state.fValue = write ? static_cast<LONG>(*value) : 0;
  MIXERCONTROLDETAILS details;
  details.cbStruct = sizeof details;
  details.dwControlID = kMixerControl3D;
  details.cChannels = 1;
  details.cMultipleItems = 0;
  details.cbDetails = sizeof state;
  details.paDetails = &state;
  HMIXEROBJ mixer = reinterpret_cast<HMIXEROBJ>(g_mixer);
  MMRESULT result = write ? mixerSetControlDetails(mixer, &details, 0)
                          : mixerGetControlDetailsA(mixer, &details, 0);
  if (!write) *value = static_cast<unsigned>(state.fValue);
  return result;
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    TrayAboutOpened(g_state);
    SetForegroundWindow(dialog);
    return FALSE;
  }
  if (message == WM_CLOSE || (message == WM_COMMAND && LOWORD(wParam) == IDOK)) {
    EndDialog(dialog, 0);
    TrayAboutClosed(g_state);
    return TRUE;
  }
  return FALSE;
}

class Win32TrayShell : public TrayShell {
 public:
  void SetMouseCapture() override { SetCapture(g_window); }
  void ReleaseMouseCapture() override { ReleaseCapture(); }
  void PostQuit(int exitCode) override { PostQuitMessage(exitCode); }
  void DestroyWindow() override { ::DestroyWindow(g_window); }

  unsigned MixerDeviceCount() override { return mixerGetNumDevs(); }
  unsigned MixerOpen() override {
    return mixerOpen(&g_mixer, 0, reinterpret_cast<DWORD_PTR>(g_window), 0, CALLBACK_WINDOW);
  }
  unsigned MixerRead(unsigned* value) override { return Mix(value, 0); }
  unsigned MixerWrite(unsigned value) override { return Mix(&value, 1); }
  void MixerClose() override { mixerClose(g_mixer); }

  void LoadPausedIcon() override { g_pausedIcon = Icon(kPausedIcon); }
  int AddIcon(int icon) override {
    return Notify(NIM_ADD, NIF_MESSAGE | NIF_ICON | NIF_TIP,
                  icon == kPausedIcon ? g_pausedIcon : Icon(icon));
  }
  int ModifyIcon(int icon, unsigned flags) override {
    return Notify(NIM_MODIFY, flags, icon == kPausedIcon ? g_pausedIcon : Icon(icon));
  }
  void DeleteIcon() override { Notify(NIM_DELETE, 0, 0); }
  void StartTimer(unsigned id, unsigned period) override { SetTimer(g_window, id, period, 0); }
  void StopTimer(unsigned id) override { KillTimer(g_window, id); }

  void SetMenuLabel(const char* label) override {
    ModifyMenuA(GetSubMenu(GetMenu(g_window), 0), 2, MF_BYPOSITION | MF_STRING, kCmdToggle3D,
                label);
  }
  void ShowPopupMenu() override {
    POINT cursor;
    GetCursorPos(&cursor);
    // Without the foreground and the WM_NULL after, the menu would not close
    // when the user clicks elsewhere (KB Q135788).
    SetForegroundWindow(g_window);
    TrackPopupMenu(GetSubMenu(GetMenu(g_window), 0), TPM_RIGHTALIGN | TPM_RIGHTBUTTON, cursor.x,
                   cursor.y - 30, 0, g_window, 0);
    PostMessageA(g_window, WM_NULL, 0, 0);
  }
  void ShowAbout() override {
    DialogBoxParamA(g_instance, MAKEINTRESOURCEA(IDD_ABOUT), GetActiveWindow(), AboutProc, 0);
  }
  void ShowMessage(const char* text, const char* caption) override {
    MessageBoxA(0, text, caption, MB_OK);
  }
  unsigned RunProgram(const char* commandLine) override { return WinExec(commandLine, SW_SHOW); }
  unsigned WindowsDirectory(char* buffer, unsigned size) override {
    return GetWindowsDirectoryA(buffer, size);
  }
  unsigned SystemDirectory(char* buffer, unsigned size) override {
    return GetSystemDirectoryA(buffer, size);
  }
  unsigned Milliseconds() override { return GetTickCount(); }
};

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Win32TrayShell shell;
  switch (message) {
    case WM_CREATE:
      g_window = window;
      TrayStart(shell, g_state);
      return 0;
    case WM_DESTROY:
      TrayStop(shell, g_state);
      return 0;
    case WM_COMMAND:
      TrayCommand(shell, g_state, LOWORD(wParam));
      return 0;
    case WM_TIMER:
      TrayTick(shell, g_state, static_cast<unsigned>(wParam));
      return 0;
    case MM_MIXM_CONTROL_CHANGE:
      TrayMixerChange(shell, g_state, static_cast<unsigned long>(lParam));
      return 0;
    case kTrayCallback:
      TrayIconEvent(shell, g_state, static_cast<unsigned>(wParam), static_cast<unsigned>(lParam));
      return 0;
  }
  if (message == g_taskbarCreated && g_taskbarCreated != 0) {
    TrayTaskbarCreated(shell, g_state);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int RunTray() {
  if (FindWindowA(TRAY_WINDOW_CLASS, TRAY_WINDOW_TITLE) != 0) return 0;  // one copy only
  g_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");

  WNDCLASSA windowClass;
  windowClass.style = 0;
  windowClass.lpfnWndProc = TrayWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = g_instance;
  windowClass.hIcon = Icon(IDI_CLASS);
  windowClass.hCursor = LoadCursorA(0, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszMenuName = TRAY_MENU_NAME;
  windowClass.lpszClassName = TRAY_WINDOW_CLASS;
  if (RegisterClassA(&windowClass) == 0) return 0;

  HWND window = CreateWindowExA(0, TRAY_WINDOW_CLASS, TRAY_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0,
                                g_instance, 0);
  if (window == 0) return 0;
  ShowWindow(window, SW_HIDE);  // whatever show command the program was started with
  UpdateWindow(window);

  MSG message;
  int got;
  while ((got = GetMessageA(&message, 0, 0, 0)) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 0;
}

}  // namespace

// The process starts here: no C runtime; the exit code is the quit message's.
extern "C" void __stdcall TrayEntry() {
  g_instance = GetModuleHandleA(0);
  ExitProcess(static_cast<UINT>(RunTray()));
}
