/* Stands in for the tray utility in the end-to-end tests: a hidden window with
 * the utility's class and title that logs every command it receives.
 * usage: tray_standin.exe LOGFILE
 * It ends on the Exit command (40001), as the utility does, or on the test's
 * sentinel message, which a test posts last to prove nothing came before it. */
#include <stdio.h>
#include <windows.h>

#define SENTINEL (WM_APP + 7)

static FILE* g_log;

static LRESULT CALLBACK StandinProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      fprintf(g_log, "WM_COMMAND %u %ld\n", (unsigned)wParam, (long)lParam);
      fflush(g_log);
      if (LOWORD(wParam) == 40001) DestroyWindow(window);
      return 0;
    case SENTINEL:
      fprintf(g_log, "sentinel\n");
      fflush(g_log);
      DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
  }
  if (message >= WM_USER && message < 0xC000) {
    fprintf(g_log, "message %u %u %ld\n", message, (unsigned)wParam, (long)lParam);
    fflush(g_log);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
  if (argc < 2 || (g_log = fopen(argv[1], "w")) == NULL) return 2;
  WNDCLASSA wc = {0};
  wc.lpfnWndProc = StandinProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "3ZAvodWClass";
  if (!RegisterClassA(&wc)) return 3;
  if (!CreateWindowExA(0, "3ZAvodWClass", "3ZAvod Sample", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100,
                       NULL, NULL, wc.hInstance, NULL))
    return 4;
  fprintf(g_log, "ready\n");
  fflush(g_log);
  MSG msg;
  while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
  fclose(g_log);
  return 0;
}
