/* A stand-in for the card's mixer driver: a winmm.dll that the tests load
 * instead of Wine's (WINEDLLOVERRIDES=winmm=n,b, placed next to the program).
 * It offers mixer device 0 with the 3D switch as control 41.
 *
 * The switch's value lives in shared memory, so another process that loads
 * this DLL (mixer_tool.exe) can change it "as another program"; every window
 * that opened the mixer with CALLBACK_WINDOW then gets MM_MIXM_CONTROL_CHANGE.
 *
 * Environment: ZM_MIXER_LOG     file to append one line per call to
 *              ZM_MIXER_FAULTS  any of: nodevice openfail readfail writefail
 *              ZM_MIXER_INITIAL the switch's value when the shared memory is made (default 1)
 * It also answers the helper's request for the menu of the tray window
 * (menus can only be read inside their own process). */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#define WIN32_LEAN_AND_MEAN /* no mmsystem.h: this file defines those functions */
#include <windows.h>

#define EXPORT __declspec(dllexport)
#define MM_MIXM_CONTROL_CHANGE 0x3D1
#define CALLBACK_WINDOW 0x10000
#define MMSYSERR_ERROR 1
#define MMSYSERR_BADDEVICEID 2
#define MIXERR_INVALCONTROL 1025
#define MAX_CALLBACKS 8

typedef struct {
  DWORD cbStruct, dwControlID, cChannels, cMultipleItems, cbDetails;
  LPVOID paDetails;
} Details;

typedef struct {
  LONG ready;
  LONG value;
  HWND callbacks[MAX_CALLBACKS];
  char report[2048];
} Shared;

static Shared* g_shared;
static HWND g_reporter;

static Shared* Memory(void) {
  if (g_shared) return g_shared;
  HANDLE mapping = CreateFileMappingA(INVALID_HANDLE_VALUE, NULL, PAGE_READWRITE, 0, sizeof(Shared),
                                      "ZM640MixerDouble");
  g_shared = (Shared*)MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(Shared));
  if (InterlockedExchange(&g_shared->ready, 1) == 0) {
    char initial[16] = "1";
    GetEnvironmentVariableA("ZM_MIXER_INITIAL", initial, sizeof initial);
    g_shared->value = atoi(initial);
  }
  return g_shared;
}

static int Fault(const char* name) {
  char faults[256] = "";
  GetEnvironmentVariableA("ZM_MIXER_FAULTS", faults, sizeof faults);
  return strstr(faults, name) != NULL;
}

static void Log(const char* format, ...) {
  char path[MAX_PATH], line[512];
  if (!GetEnvironmentVariableA("ZM_MIXER_LOG", path, sizeof path)) return;
  va_list args;
  va_start(args, format);
  int length = _vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (length < 0) length = (int)sizeof line - 3;
  line[length++] = '\n';
  HANDLE mutex = CreateMutexA(NULL, FALSE, "ZM640MixerLog");
  WaitForSingleObject(mutex, INFINITE);
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
  if (file != INVALID_HANDLE_VALUE) {
    DWORD written;
    SetFilePointer(file, 0, NULL, FILE_END);
    WriteFile(file, line, (DWORD)length, &written, NULL);
    CloseHandle(file);
  }
  ReleaseMutex(mutex);
  CloseHandle(mutex);
}

/* Answers the helper's "menu" request: the tray menu's items, one a line, in shared
 * memory. A message-only window on the thread that opened the mixer (the utility's
 * own, whose message loop, and the menu's, serve it): a thread kept waiting for
 * requests instead made every 10 ms tick of the utility dearer under Wine 10
 * (1.3 s of CPU a minute against 0.3), where a real driver costs nothing while idle. */
static LRESULT CALLBACK ReportMenus(HWND reporter, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_APP) return DefWindowProcA(reporter, message, wParam, lParam);
  Shared* s = Memory();
  s->report[0] = '\0';
  HWND window = FindWindowA("3ZAvodWClass", "3ZAvod Sample");
  HMENU popup = window ? GetSubMenu(GetMenu(window), 0) : NULL;
  int count = popup ? GetMenuItemCount(popup) : 0;
  HWND shown = FindWindowA("#32768", NULL); /* the popup menu's window while it is up */
  int tracking = shown != NULL && IsWindowVisible(shown);
  /* Kernel handles open in this process, counted from inside it (Wine's
     GetProcessHandleCount answers 0). Wine hands out the lowest free handle:
     past 1024 free slots in a row there are none (each call is a server
     round trip: the whole range took a second). */
  DWORD flags, handles = 0;
  for (ULONG_PTR h = 4, free = 0; h < 0x10000 && free < 1024; h += 4) {
    int open = GetHandleInformation((HANDLE)h, &flags) != 0;
    handles += open;
    free = open ? 0 : free + 1;
  }
  _snprintf(s->report, sizeof s->report - 1, "open|%d\nhandles|%lu\n", tracking, handles);
  for (int i = 0; i < count; ++i) {
    char text[128] = "";
    RECT place = {0, 0, 0, 0};  /* on the screen while the menu is shown */
    GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
    GetMenuItemRect(NULL, popup, i, &place);
    size_t used = strlen(s->report);
    _snprintf(s->report + used, sizeof s->report - used - 1, "%d|%u|%s|%ld,%ld,%ld,%ld\n", i,
              GetMenuItemID(popup, i), text, place.left, place.top, place.right, place.bottom);
  }
  return 1;
}

EXPORT UINT WINAPI mixerGetNumDevs(void) {
  UINT count = Fault("nodevice") ? 0 : 1;
  Log("mixerGetNumDevs -> %u", count);
  return count;
}

EXPORT UINT WINAPI mixerOpen(HANDLE* mixer, UINT device, DWORD_PTR callback, DWORD_PTR instance,
                             DWORD flags) {
  UINT result = Fault("openfail") || Fault("nodevice") ? MMSYSERR_ERROR
                : device != 0                         ? MMSYSERR_BADDEVICEID
                                                      : 0;
  Log("mixerOpen device=%u callback=%s instance=%lu flags=%08lx -> %u", device,
      callback ? "window" : "none", (unsigned long)instance, (unsigned long)flags, result);
  if (result != 0) return result;
  Shared* s = Memory();
  if ((flags & 0xF0000) == CALLBACK_WINDOW && callback) {
    for (int i = 0; i < MAX_CALLBACKS; ++i)
      if (InterlockedCompareExchangePointer((PVOID*)&s->callbacks[i], (PVOID)callback, NULL) == NULL)
        break;
    if (!g_reporter) {
      WNDCLASSA reporter = {0};
      reporter.lpfnWndProc = ReportMenus;
      reporter.lpszClassName = "ZM640MixerDoubleReport";
      RegisterClassA(&reporter);
      g_reporter = CreateWindowA(reporter.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, NULL, NULL);
    }
  }
  *mixer = (HANDLE)(ULONG_PTR)(0x5A00 + (callback ? 1 : 2));
  return 0;
}

static UINT CheckDetails(const char* call, const Details* d, DWORD flags, int value, int fail) {
  UINT result = fail ? MMSYSERR_ERROR
                : (d->cbStruct != 24 || d->dwControlID != 41 || d->cChannels != 1 ||
                   d->cMultipleItems != 0 || d->cbDetails != 4)
                    ? MIXERR_INVALCONTROL
                    : 0;
  Log("%s id=%lu channels=%lu items=%lu size=%lu details=%lu flags=%lx value=%d -> %u", call,
      d->dwControlID, d->cChannels, d->cMultipleItems, d->cbStruct, d->cbDetails, flags, value,
      result);
  return result;
}

EXPORT UINT WINAPI mixerGetControlDetailsA(HANDLE mixer, Details* d, DWORD flags) {
  (void)mixer;
  Shared* s = Memory();
  UINT result = CheckDetails("get", d, flags, s->value, Fault("readfail"));
  if (result == 0) *(LONG*)d->paDetails = s->value;
  return result;
}

EXPORT UINT WINAPI mixerSetControlDetails(HANDLE mixer, Details* d, DWORD flags) {
  Shared* s = Memory();
  LONG value = *(LONG*)d->paDetails;
  UINT result = CheckDetails("set", d, flags, value, Fault("writefail"));
  if (result != 0) return result;
  LONG old = InterlockedExchange(&s->value, value);
  if (old != value) { /* a change: every window that asked is told */
    for (int i = 0; i < MAX_CALLBACKS; ++i)
      if (s->callbacks[i] && IsWindow(s->callbacks[i]))
        PostMessageA(s->callbacks[i], MM_MIXM_CONTROL_CHANGE, (WPARAM)mixer, 41);
  }
  return 0;
}

EXPORT UINT WINAPI mixerClose(HANDLE mixer) {
  (void)mixer;
  Log("mixerClose -> 0");
  return 0;
}
