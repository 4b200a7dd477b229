/* Looks at and pokes windows from another process, as another program would.
 * usage: wintool.exe post CLASS TITLE MESSAGE WPARAM LPARAM   (numbers in decimal)
 *          posts the message; exit code 0 when posted, 1 when no such window
 *          (MESSAGE not a number: the registered window message of that name, e.g. TaskbarCreated)
 *        wintool.exe stats CLASS TITLE
 *          prints the owning process's handle count, GDI and USER objects and memory
 *        wintool.exe windows CLASS TITLE
 *          prints how many top-level windows have that class and title, and how many are visible
 *        wintool.exe keys PATH...
 *          prints the branches below HKEY_LOCAL_MACHINE\PATH as Wine saves them, key lines
 *          only (the rig lists their keys)
 *        wintool.exe branch PATH
 *          prints the branch below HKEY_LOCAL_MACHINE\PATH as Wine saves it, values included
 *        wintool.exe hide PATH
 *          marks the file hidden and system, as attrib +h +s does; exit code 1 when it is not
 *        wintool.exe hold PATH
 *          opens the file as a driver reading it would (shared read and write), and keeps it
 *          open while the helper runs; exit code 1 when it cannot be opened
 *        wintool.exe value PATH NAME
 *          prints the value NAME of HKEY_LOCAL_MACHINE\PATH: a string, or each string of a
 *          list on a line of its own; exit code 1 when there is none
 *        wintool.exe programs
 *          prints what Add/Remove Programs lists, as it reads the Uninstall key: KEY|||DisplayName
 *          for each sub-key with a DisplayName and an UninstallString
 *        wintool.exe desktop
 *          prints the size of the desktop Windows gives programs: WIDTHxHEIGHT
 *        wintool.exe menu
 *          prints whether the tray menu is open ("open|1") and its items, as the mixer
 *          double reports them: POSITION|ID|TEXT|LEFT,TOP,RIGHT,BOTTOM
 *        wintool.exe press TITLE KEY...
 *          brings the shown top-level window TITLE to the foreground and types the keys
 *          (a letter, Return or Escape) through SendInput, as the keyboard would; exit
 *          code 1 when no such window is shown, 4 while Windows has not yet made it the
 *          foreground window (keys sent earlier would be lost: ask again)
 *        wintool.exe rect TITLE
 *          prints the shown top-level window TITLE's place on the screen: LEFT,TOP,RIGHT,BOTTOM
 *        wintool.exe box TITLE
 *          prints what the shown box TITLE shows, as a line each: text|TEXT (line ends as \n),
 *          icon|1 where it has one, and button|ID|TEXT for each button; exit code 1 when no
 *          such box is shown
 *        wintool.exe click X Y left|right|none
 *          moves the mouse to that point of the screen and clicks (none: only moves) through
 *          SendInput, at least a double-click time after the last click (two clicks closer are a
 *          double-click)
 *        wintool.exe watch NAME
 *          watches for the next start of a program NAME (e.g. ZM640UNI.exe) that another one
 *          starts, and holds it once seen, so that its exit code stays known; prints the watch's
 *          number (serve only)
 *        wintool.exe watched
 *          prints each watch as NUMBER|NAME|unseen, running or ended|EXIT CODE (serve only)
 *        wintool.exe serve
 *          the session's helper: makes a hidden window (exit code 1 when none can be made:
 *          Wine's desktop did not reach the display), prints "ready", then answers every
 *          line of standard input, a question above with its words separated by tabs, with
 *          what that question prints and a line of RS (0x1e) and its exit code. It holds
 *          Wine's desktop process, which ends with the last program that uses it, and saves
 *          a Wine program start (seconds under emulation) for each question. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

NTSTATUS NTAPI NtCreateEvent(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, int, BOOLEAN);

static int Post(char** argv) {
  HWND window = FindWindowA(argv[0], argv[1]);
  if (window == NULL) return 1;
  char* end;
  UINT message = (UINT)strtoul(argv[2], &end, 10);
  if (*end != '\0') message = RegisterWindowMessageA(argv[2]);
  WPARAM wParam = (WPARAM)strtoul(argv[3], NULL, 10);
  LPARAM lParam = (LPARAM)strtol(argv[4], NULL, 10);
  return PostMessageA(window, message, wParam, lParam) ? 0 : 3;
}

/* The top-level windows with a title (and a class, unless NULL): how many, how many shown, the first shown. */
typedef struct {
  const char* className;
  const char* title;
  int count, visible;
  HWND shown;
} Census;

static BOOL CALLBACK Count(HWND window, LPARAM data) {
  Census* census = (Census*)data;
  char className[256], title[256];
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  if ((census->className == NULL || strcmp(className, census->className) == 0) &&
      strcmp(title, census->title) == 0) {
    census->count++;
    if (IsWindowVisible(window) && census->visible++ == 0) census->shown = window;
  }
  return TRUE;
}

static HWND Shown(const char* title) {
  Census census = {NULL, title, 0, 0, NULL};
  EnumWindows(Count, (LPARAM)&census);
  return census.shown;
}

static int Windows(char** argv) {
  Census census = {argv[0], argv[1], 0, 0, NULL};
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
  PROCESS_MEMORY_COUNTERS memory = {.cb = sizeof memory};
  GetProcessHandleCount(process, &handles);
  GetProcessMemoryInfo(process, &memory, sizeof memory);
  printf("handles=%lu gdi=%lu user=%lu working_set=%lu private=%lu\n", handles,
         GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
         (unsigned long)memory.WorkingSetSize, (unsigned long)memory.PagefileUsage);
  CloseHandle(process);
  return 0;
}

/* For each PATH, "#root HKEY_LOCAL_MACHINE\PATH" and the key lines ("[escaped\\name] time")
 * of the branch Wine's server saves in one request; asking key by key takes two
 * requests a key, seconds for a hive under emulation. Saving needs the backup privilege. */
static int Keys(int count, char** paths, int keyLinesOnly) {
  static char file[MAX_PATH], line[8192];
  HANDLE token;
  TOKEN_PRIVILEGES backup = {1, {{{0, 0}, SE_PRIVILEGE_ENABLED}}};
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES, &token)) {
    LookupPrivilegeValueA(NULL, "SeBackupPrivilege", &backup.Privileges[0].Luid);
    AdjustTokenPrivileges(token, FALSE, &backup, 0, NULL, NULL);
    CloseHandle(token);
  }
  GetTempPathA(sizeof file - 16, file);
  strcat(file, "wintool.reg");
  for (int i = 0; i < count; ++i) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, paths[i], 0, KEY_READ, &key) != ERROR_SUCCESS) continue;
    DeleteFileA(file);
    LONG saved = RegSaveKeyA(key, file, NULL);
    RegCloseKey(key);
    FILE* branch = saved == ERROR_SUCCESS ? fopen(file, "r") : NULL;
    if (branch == NULL) return 3;
    printf("#root HKEY_LOCAL_MACHINE\\%s\n", paths[i]);
    for (int lineStart = 1; fgets(line, sizeof line, branch) != NULL;) {
      if (!keyLinesOnly || (lineStart && line[0] == '[')) fputs(line, stdout);
      lineStart = strchr(line, '\n') != NULL;
    }
    fclose(branch);
    DeleteFileA(file);
  }
  return 0;
}

static int Value(char** argv) {
  static char data[32768];
  HKEY key;
  DWORD type = 0, size = sizeof data - 2;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, argv[0], 0, KEY_READ, &key) != ERROR_SUCCESS) return 1;
  LONG read = RegQueryValueExA(key, argv[1], NULL, &type, (BYTE*)data, &size);
  RegCloseKey(key);
  if (read != ERROR_SUCCESS) return 1;
  data[size] = data[size + 1] = '\0';
  if (type != REG_MULTI_SZ) {
    printf("%s\n", data);
    return 0;
  }
  /* Every string, empty ones too, up to the empty string that ends the list. */
  for (const char* text = data; text + 1 < data + size; text += strlen(text) + 1)
    printf("%s\n", text);
  return 0;
}

static int Programs(void) {
  const char* uninstall = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
  char name[256], path[512], display[256];
  HKEY key;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, uninstall, 0, KEY_READ, &key) != ERROR_SUCCESS) return 0;
  for (DWORD i = 0; RegEnumKeyA(key, i, name, sizeof name) == ERROR_SUCCESS; ++i) {
    HKEY entry;
    DWORD displaySize = sizeof display;
    snprintf(path, sizeof path, "%s\\%s", uninstall, name);
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &entry) != ERROR_SUCCESS) continue;
    if (RegQueryValueExA(entry, "DisplayName", NULL, NULL, (BYTE*)display, &displaySize) ==
            ERROR_SUCCESS &&
        RegQueryValueExA(entry, "UninstallString", NULL, NULL, NULL, NULL) == ERROR_SUCCESS)
      printf("%s|||%s\n", name, display);
    RegCloseKey(entry);
  }
  RegCloseKey(key);
  return 0;
}

static int Desktop(void) {
  RECT area;
  GetWindowRect(GetDesktopWindow(), &area);
  printf("%ldx%ld\n", area.right - area.left, area.bottom - area.top);
  return 0;
}

/* The tray utility's menu, as the mixer double (loaded into the utility) reports it on request. */
static int Menu(void) {
  HWND reporter = FindWindowExA(HWND_MESSAGE, NULL, "ZM640MixerDoubleReport", NULL);
  HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "ZM640MixerDouble");
  DWORD_PTR done = 0;
  int code = 3;
  if (reporter != NULL && mapping != NULL) {
    const char* shared = (const char*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    code = 4;
    if (SendMessageTimeoutA(reporter, WM_APP, 0, 0, SMTO_ABORTIFHUNG, 10000, &done) && done == 1) {
      fputs(shared + 2 * sizeof(LONG) + 8 * sizeof(HWND), stdout);
      code = 0;
    }
    UnmapViewOfFile(shared);
  }
  if (mapping != NULL) CloseHandle(mapping);
  return code;
}

/* Programs others start, watched by name: held from when they are seen, so that their
 * exit codes stay known after they end. */
static struct {
  char name[64];
  HANDLE process;
} g_watches[64];
static LONG g_watchCount, g_polling;  /* g_polling: 1 while a thread looks for them */

static const char* BaseName(const char* path) {
  const char* slash = strrchr(path, '\\');
  return slash ? slash + 1 : path;
}

static LONG Unseen(void) {
  LONG unseen = 0;
  for (LONG i = 0; i < g_watchCount; ++i) unseen += g_watches[i].process == NULL;
  return unseen;
}

/* Looks every 10 ms (a program lives far longer while Wine starts it) until every
 * watched program is seen: snapshots cost, emulated most. */
static DWORD WINAPI Watch(LPVOID unused) {
  (void)unused;
  do {
    for (; Unseen() > 0; Sleep(10)) {
      HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
      PROCESSENTRY32 entry;
      entry.dwSize = sizeof entry;
      for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        for (LONG i = 0; i < g_watchCount; ++i)
          if (g_watches[i].process == NULL && _stricmp(BaseName(entry.szExeFile), g_watches[i].name) == 0) {
            g_watches[i].process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID);
            break;
          }
      CloseHandle(snapshot);
    }
    InterlockedExchange(&g_polling, 0);
    /* A watch asked for meanwhile: looked for here, unless its question started a thread. */
  } while (Unseen() > 0 && InterlockedExchange(&g_polling, 1) == 0);
  return 0;
}

static int Watched(void) {
  for (LONG i = 0; i < g_watchCount; ++i) {
    DWORD code = 0;
    HANDLE process = g_watches[i].process;
    if (process == NULL) printf("%ld|%s|unseen\n", i, g_watches[i].name);
    else if (WaitForSingleObject(process, 0) != WAIT_OBJECT_0) printf("%ld|%s|running\n", i, g_watches[i].name);
    else if (GetExitCodeProcess(process, &code)) printf("%ld|%s|ended|%lu\n", i, g_watches[i].name, code);
  }
  return 0;
}

/* A box's parts: its text (the static control 0xFFFF), its icon, its buttons. */
static BOOL CALLBACK BoxPart(HWND child, LPARAM unused) {
  char kind[32], text[1024];
  (void)unused;
  GetClassNameA(child, kind, sizeof kind);
  GetWindowTextA(child, text, sizeof text);
  int id = GetDlgCtrlID(child);
  if (_stricmp(kind, "Button") == 0) {
    printf("button|%d|%s\n", id, text);
  } else if (_stricmp(kind, "Static") == 0 && (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
    if (SendMessageA(child, STM_GETICON, 0, 0) != 0) printf("icon|1\n");  /* else an empty place */
  } else if (id == 0xFFFF) {
    printf("text|");
    for (const char* c = text; *c; ++c) c[0] == '\n' ? fputs("\\n", stdout) : putchar(*c);
    putchar('\n');
  }
  return TRUE;
}

static int Box(const char* title) {
  HWND box = Shown(title);
  if (box == NULL) return 1;
  EnumChildWindows(box, BoxPart, 0);
  return 0;
}

static void Send(WORD key, DWORD flags) {
  INPUT input = {.type = INPUT_KEYBOARD, .ki = {key, (WORD)MapVirtualKeyA(key, 0), flags, 0, 0}};
  SendInput(1, &input, sizeof input);
}

static int Press(int count, char** argv) {
  HWND window = Shown(argv[0]);
  if (window == NULL) return 1;
  if (GetForegroundWindow() != window) {
    SetForegroundWindow(window);
    return 4;
  }
  for (int i = 1; i < count; ++i) {
    WORD key = strcmp(argv[i], "Return") == 0   ? VK_RETURN
               : strcmp(argv[i], "Escape") == 0 ? VK_ESCAPE
                                                : (WORD)(VkKeyScanA(argv[i][0]) & 0xff);
    Send(key, 0);
    Send(key, KEYEVENTF_KEYUP);
    Sleep(50);
  }
  return 0;
}

static int Click(char** argv) {
  static DWORD last;
  DWORD since = GetTickCount() - last, wait = GetDoubleClickTime() + 50;
  if (last != 0 && since < wait) Sleep(wait - since);
  int right = strcmp(argv[2], "right") == 0;
  INPUT input[3];
  memset(input, 0, sizeof input);
  for (int i = 0; i < 3; ++i) input[i].type = INPUT_MOUSE;
  input[0].mi.dx = atoi(argv[0]) * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
  input[0].mi.dy = atoi(argv[1]) * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
  input[0].mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  input[1].mi.dwFlags = right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
  input[2].mi.dwFlags = right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
  SendInput(strcmp(argv[2], "none") == 0 ? 1 : 3, input, sizeof input[0]);
  last = GetTickCount();
  return 0;
}

static int Answer(int argc, char** argv) {
  if (argc >= 2 && strcmp(argv[0], "press") == 0) return Press(argc - 1, argv + 1);
  if (argc == 4 && strcmp(argv[0], "click") == 0) return Click(argv + 1);
  if (argc == 2 && strcmp(argv[0], "box") == 0) return Box(argv[1]);
  if (argc == 1 && strcmp(argv[0], "watched") == 0) return Watched();
  if (argc == 2 && strcmp(argv[0], "watch") == 0 && g_watchCount < 64) {
    lstrcpynA(g_watches[g_watchCount].name, argv[1], sizeof g_watches[0].name);
    printf("%ld\n", g_watchCount);
    InterlockedIncrement(&g_watchCount);
    if (InterlockedExchange(&g_polling, 1) == 0 && CreateThread(NULL, 0, Watch, NULL, 0, NULL) == NULL)
      return 3;
    return 0;
  }
  if (argc == 2 && strcmp(argv[0], "rect") == 0) {
    RECT place;
    HWND window = Shown(argv[1]);
    if (window == NULL || !GetWindowRect(window, &place)) return 1;
    printf("%ld,%ld,%ld,%ld\n", place.left, place.top, place.right, place.bottom);
    return 0;
  }
  if (argc == 6 && strcmp(argv[0], "post") == 0) return Post(argv + 1);
  if (argc == 1 && strcmp(argv[0], "menu") == 0) return Menu();
  if (argc == 3 && strcmp(argv[0], "value") == 0) return Value(argv + 1);
  if (argc == 1 && strcmp(argv[0], "programs") == 0) return Programs();
  if (argc == 1 && strcmp(argv[0], "desktop") == 0) return Desktop();
  if (argc >= 2 && strcmp(argv[0], "keys") == 0) return Keys(argc - 1, argv + 1, 1);
  if (argc == 2 && strcmp(argv[0], "branch") == 0) return Keys(1, argv + 1, 0);
  if (argc == 2 && strcmp(argv[0], "hide") == 0) {
    SetFileAttributesA(argv[1], FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    return (GetFileAttributesA(argv[1]) & FILE_ATTRIBUTE_HIDDEN) ? 0 : 1;
  }
  if (argc == 2 && strcmp(argv[0], "hold") == 0)
    return CreateFileA(argv[1], GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL) == INVALID_HANDLE_VALUE;
  if (argc == 3 && strcmp(argv[0], "windows") == 0) return Windows(argv + 1);
  if (argc == 3 && strcmp(argv[0], "stats") == 0) return Stats(argv + 1);
  fprintf(stderr, "wintool: no such question: %s\n", argc > 0 ? argv[0] : "");
  return 2;
}

/* Answers standard input's questions, one a line, until it ends. */
static DWORD WINAPI AnswerQuestions(LPVOID unused) {
  static char line[8192];
  (void)unused;
  while (fgets(line, sizeof line, stdin) != NULL) {
    char* words[16];
    int count = 0;
    line[strcspn(line, "\r\n")] = '\0';
    for (char* word = strtok(line, "\t"); word != NULL && count < 16; word = strtok(NULL, "\t"))
      words[count++] = word;
    int code = Answer(count, words);
    printf("\x1e%d\n", code);
    fflush(stdout);
  }
  return 0;
}

/* The window keeps Wine's desktop; the main thread serves its messages (a broadcast
 * must not wait on it) while another answers the questions. */
static int Serve(void) {
  /* Windows has started: Wine starts its boot step (held, or a stand-in) with each program
   * started from outside while its event is not set, a process start each. */
  UNICODE_STRING name = {62, 64, L"\\KernelObjects\\__wineboot_event"};
  OBJECT_ATTRIBUTES booted = {sizeof booted, NULL, &name, OBJ_OPENIF, NULL, NULL};
  HANDLE event;
  if (NtCreateEvent(&event, EVENT_ALL_ACCESS, &booted, 0, FALSE) >= 0) SetEvent(event);
  HWND window = CreateWindowA("STATIC", "desktop holder", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL,
                              NULL);
  if (window == NULL) return 1;
  printf("ready\n");
  fflush(stdout);
  if (CreateThread(NULL, 0, AnswerQuestions, NULL, 0, NULL) == NULL) return 3;
  MSG message;
  while (GetMessageA(&message, NULL, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}

int main(int argc, char** argv) {
  if (argc == 2 && strcmp(argv[1], "serve") == 0) return Serve();
  return Answer(argc - 1, argv + 1);
}
