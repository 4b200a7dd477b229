/* Looks at and pokes windows from another process, as another program would.
 * usage: wintool.exe post CLASS TITLE MESSAGE WPARAM LPARAM   (numbers in decimal)
 *          posts the message; exit code 0 when posted, 1 when no such window
 *        wintool.exe foreground
 *          prints the title of the foreground window (empty when there is none)
 *        wintool.exe post-registered CLASS TITLE NAME
 *          posts the registered window message NAME (e.g. TaskbarCreated)
 *        wintool.exe stats CLASS TITLE
 *          prints the owning process's handle count, GDI and USER objects and memory
 *        wintool.exe windows CLASS TITLE
 *          prints how many top-level windows have that class and title, and how many are visible
 *        wintool.exe keys PATH...
 *          prints HKEY_LOCAL_MACHINE\PATH and every key below it, one full name a line
 *          (what regedit /E would list, without the values, in a fraction of its time)
 *        wintool.exe hold-desktop
 *          makes a hidden window: exit code 1 when none can be made (Wine's desktop did not
 *          reach the display); else prints "ready" and runs until ended, so that Wine's
 *          desktop process, which ends with the last program that uses it, stays */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
#include <psapi.h>

static int Post(char** argv) {
  HWND window = FindWindowA(argv[0], argv[1]);
  if (window == NULL) return 1;
  UINT message = (UINT)strtoul(argv[2], NULL, 10);
  WPARAM wParam = (WPARAM)strtoul(argv[3], NULL, 10);
  LPARAM lParam = (LPARAM)strtol(argv[4], NULL, 10);
  return PostMessageA(window, message, wParam, lParam) ? 0 : 3;
}

static int Foreground(void) {
  char title[256] = "";
  HWND window = GetForegroundWindow();
  if (window != NULL) GetWindowTextA(window, title, sizeof title);
  printf("%s\n", title);
  return 0;
}

static int HoldDesktop(void) {
  HWND window = CreateWindowA("STATIC", "desktop holder", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL,
                              NULL);
  if (window == NULL) return 1;
  printf("ready\n");
  fflush(stdout);
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

typedef struct {
  const char* className;
  const char* title;
  int count;
  int visible;
} Census;

static BOOL CALLBACK Count(HWND window, LPARAM data) {
  Census* census = (Census*)data;
  char className[256], title[256];
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  if (strcmp(className, census->className) == 0 && strcmp(title, census->title) == 0) {
    census->count++;
    if (IsWindowVisible(window)) census->visible++;
  }
  return TRUE;
}

static int Windows(char** argv) {
  Census census = {argv[0], argv[1], 0, 0};
  EnumWindows(Count, (LPARAM)&census);
  printf("count=%d visible=%d\n", census.count, census.visible);
  return 0;
}

static int Stats(char** argv) {
  HWND window = FindWindowA(argv[0], argv[1]);
  DWORD pid = 0, handles = 0;
  if (window == NULL) return 1;
  GetWindowThreadProcessId(window, &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (process == NULL) return 3;
  PROCESS_MEMORY_COUNTERS memory;
  memset(&memory, 0, sizeof memory);
  memory.cb = sizeof memory;
  GetProcessHandleCount(process, &handles);
  GetProcessMemoryInfo(process, &memory, sizeof memory);
  printf("handles=%lu gdi=%lu user=%lu working_set=%lu private=%lu\n", handles,
         GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
         (unsigned long)memory.WorkingSetSize, (unsigned long)memory.PagefileUsage);
  (void)handles;
  CloseHandle(process);
  return 0;
}

/* path holds the name of the open key; prints it and every key below it. */
static void ListKeys(HKEY key, char* path, size_t length) {
  printf("%s\n", path);
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD size = sizeof name;
    if (RegEnumKeyExA(key, index, name, &size, NULL, NULL, NULL, NULL) != ERROR_SUCCESS) break;
    HKEY child;
    if (length + 1 + size + 1 > 4096 || RegOpenKeyExA(key, name, 0, KEY_READ, &child) != ERROR_SUCCESS)
      continue;
    path[length] = '\\';
    strcpy(path + length + 1, name);
    ListKeys(child, path, length + 1 + size);
    path[length] = '\0';
    RegCloseKey(child);
  }
}

static int Keys(int count, char** paths) {
  static char path[4096];
  for (int i = 0; i < count; ++i) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, paths[i], 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    snprintf(path, sizeof path, "HKEY_LOCAL_MACHINE\\%s", paths[i]);
    ListKeys(key, path, strlen(path));
    RegCloseKey(key);
  }
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 7 && strcmp(argv[1], "post") == 0) return Post(argv + 2);
  if (argc == 2 && strcmp(argv[1], "foreground") == 0) return Foreground();
  if (argc == 2 && strcmp(argv[1], "hold-desktop") == 0) return HoldDesktop();
  if (argc >= 3 && strcmp(argv[1], "keys") == 0) return Keys(argc - 2, argv + 2);
  if (argc == 4 && strcmp(argv[1], "windows") == 0) return Windows(argv + 2);
  if (argc == 4 && strcmp(argv[1], "stats") == 0) return Stats(argv + 2);
  if (argc == 5 && strcmp(argv[1], "post-registered") == 0) {
    HWND window = FindWindowA(argv[2], argv[3]);
    if (window == NULL) return 1;
    return PostMessageA(window, RegisterWindowMessageA(argv[4]), 0, 0) ? 0 : 3;
  }
  fprintf(stderr, "usage: wintool.exe post CLASS TITLE MSG WPARAM LPARAM | foreground | windows CLASS TITLE\n");
  return 2;
}
