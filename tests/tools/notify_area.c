/* A notification area the tests own: a window of the class Wine's
 * Shell_NotifyIcon sends its calls to (Shell_TrayWnd, WM_COPYDATA), which the
 * test can end and start again, with or without the TaskbarCreated broadcast.
 * usage: notify_area.exe LOGFILE
 * It is topmost, so that Shell_NotifyIcon finds it before Wine's own. While
 * "ended" its window stays (else Wine's own area would be found in its place)
 * but answers every call with FALSE, as Shell_NotifyIcon fails where no shell
 * runs, and it has forgotten every icon, as a restarted shell has.
 * Messages the test posts (window "Shell_TrayWnd", "ZM640 test notification area"):
 *   WM_APP+1 b n    restart: the shell ends now, and starts again right after
 *                   refusing n adds (n = 0: the first call of any kind), so a
 *                   test knows where in a program's retry period it came back;
 *                   b = 1: it then broadcasts TaskbarCreated, as shells of IE 4
 *                   and later do
 *   WM_APP+3 0 m    "click": post mouse message m to every icon's owner
 *   WM_APP+4        refuse the next modify, the icon staying (as Wine's area now and then does)
 * Log lines: "ready", then "WHAT RESULT icons=N t=MS" (GetTickCount), WHAT one
 * of add, modify, delete, ended, started, clicked. */
#include <stdio.h>
#include <windows.h>

#define MAX_ICONS 16

/* The head of what Wine's Shell_NotifyIconW copies over (its notify_data). */
struct NotifyHead {
  LONG hWnd;
  UINT uID;
  UINT uFlags;
  UINT uCallbackMessage;
};

struct Icon {
  HWND owner;
  UINT id;
  UINT callback;
};

static FILE* g_log;
static struct Icon g_icons[MAX_ICONS];
static int g_count;
static int g_running = 1;
static int g_restartPending, g_anyCall, g_broadcast;  /* calls still to refuse; broadcast then */
static int g_refuseModify;

static int Find(HWND owner, UINT id) {
  int i;
  for (i = 0; i < g_count; ++i)
    if (g_icons[i].owner == owner && g_icons[i].id == id) return i;
  return -1;
}

/* What a shell does with one call; 1 when it took it. */
static int Take(DWORD message, const struct NotifyHead* head) {
  HWND owner = (HWND)(LONG_PTR)head->hWnd;
  int at = Find(owner, head->uID);
  if (!g_running) return 0;
  if (message == NIM_MODIFY && g_refuseModify) {
    g_refuseModify = 0;
    return 0;
  }
  switch (message) {
    case NIM_ADD:
      if (at >= 0 || g_count == MAX_ICONS) return 0; /* a shell has one icon per owner and id */
      g_icons[g_count].owner = owner;
      g_icons[g_count].id = head->uID;
      g_icons[g_count].callback = (head->uFlags & NIF_MESSAGE) ? head->uCallbackMessage : 0;
      ++g_count;
      return 1;
    case NIM_MODIFY:
      if (at < 0) return 0;
      if (head->uFlags & NIF_MESSAGE) g_icons[at].callback = head->uCallbackMessage;
      return 1;
    case NIM_DELETE:
      if (at < 0) return 0;
      g_icons[at] = g_icons[--g_count];
      return 1;
  }
  return 0;
}

static void Log(const char* text, int value) {
  fprintf(g_log, "%s %d icons=%d t=%lu\n", text, value, g_count, (unsigned long)GetTickCount());
  fflush(g_log);
}

static void StartAgain(void) {
  g_running = 1;
  g_restartPending = 0;
  Log("started", g_broadcast);
  if (g_broadcast) PostMessageA(HWND_BROADCAST, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
}

static LRESULT CALLBACK AreaProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static const char* const verbs[] = {"add", "modify", "delete"};
  if (message == WM_COPYDATA) {
    const COPYDATASTRUCT* data = (const COPYDATASTRUCT*)lParam;
    int taken;
    if (data->dwData > NIM_DELETE || data->cbData < sizeof(struct NotifyHead)) return FALSE;
    taken = Take((DWORD)data->dwData, (const struct NotifyHead*)data->lpData);
    Log(verbs[data->dwData], taken);
    if (g_restartPending > 0 && (g_anyCall || data->dwData == NIM_ADD) && --g_restartPending == 0)
      StartAgain();
    return taken;
  }
  if (message == WM_APP + 1) {
    g_running = 0;
    g_count = 0;
    g_anyCall = lParam == 0;
    g_restartPending = g_anyCall ? 1 : (int)lParam;
    g_broadcast = wParam != 0;
    Log("ended", 0);
    return 0;
  }
  if (message == WM_APP + 3) {
    int i;
    for (i = 0; i < g_count; ++i)
      if (g_icons[i].callback)
        PostMessageA(g_icons[i].owner, g_icons[i].callback, g_icons[i].id, lParam);
    Log("clicked", g_count);
    return 0;
  }
  if (message == WM_APP + 4) {
    g_refuseModify = 1;
    return 0;
  }
  if (message == WM_CLOSE) {
    DestroyWindow(window);
    return 0;
  }
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

int main(int argc, char** argv) {
  WNDCLASSA wc = {0};
  MSG msg;
  if (argc < 2 || (g_log = fopen(argv[1], "w")) == NULL) return 2;
  wc.lpfnWndProc = AreaProc;
  wc.hInstance = GetModuleHandleA(NULL);
  wc.lpszClassName = "Shell_TrayWnd";
  if (!RegisterClassA(&wc)) return 3;
  if (!CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd",
                       "ZM640 test notification area", WS_POPUP, 0, 0, 1, 1, NULL, NULL,
                       wc.hInstance, NULL))
    return 4;
  fprintf(g_log, "ready\n");
  fflush(g_log);
  while (GetMessageA(&msg, NULL, 0, 0) > 0) DispatchMessageA(&msg);
  fclose(g_log);
  return 0;
}
