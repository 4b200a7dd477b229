/* The floor for the tray utility's idle cost: a hidden window with a 10 ms
 * timer whose ticks do nothing.
 * usage: idle_floor.exe [animate]
 * With "animate", every fifth tick also changes a notification-area icon, as
 * the utility's animation does: what the platform's call costs by itself. */
#include <string.h>
#include <windows.h>
#include <shellapi.h>

static int g_animate, g_ticks;
static HWND g_window;

static void Notify(DWORD message) {
  static const LPCSTR icons[] = {IDI_APPLICATION, IDI_HAND, IDI_QUESTION, IDI_EXCLAMATION};
  NOTIFYICONDATAA data;
  memset(&data, 0, sizeof data);
  data.cbSize = 88;  /* the Windows 95 record, as the utility uses */
  data.hWnd = g_window;
  data.uID = 1;
  data.uFlags = NIF_ICON;
  data.hIcon = LoadIconA(NULL, icons[(g_ticks / 5) % 4]);
  Shell_NotifyIconA(message, &data);
}

static LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_TIMER) {
    if (g_animate && ++g_ticks % 5 == 0) Notify(NIM_MODIFY);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
  g_animate = argc > 1 && strcmp(argv[1], "animate") == 0;
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = FloorProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = g_animate ? "IdleFloorAnimated" : "IdleFloorClass";
  if (!RegisterClassA(&wc)) return 1;
  HWND window = CreateWindowExA(0, wc.lpszClassName, "Idle floor", WS_OVERLAPPEDWINDOW, 0, 0, 10,
                                10, NULL, NULL, wc.hInstance, NULL);
  if (!window) return 1;
  g_window = window;
  if (g_animate) Notify(NIM_ADD);
  SetTimer(window, 1, 10, NULL);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
  if (g_animate) Notify(NIM_DELETE);
  return 0;
}
