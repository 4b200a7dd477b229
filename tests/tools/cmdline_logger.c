/* Stands in for a program another one starts (rundll32.exe, wineboot.exe):
 * appends its command line to C:\NAME.log, NAME its own file's name without
 * the extension, and ends with exit code 0. */
#include <string.h>
#include <windows.h>

int main(void) {
  char path[MAX_PATH + 8] = "C:\\", *name = path + 3, *end;
  char own[MAX_PATH];
  if (!GetModuleFileNameA(NULL, own, sizeof own)) return 1;
  lstrcpyA(name, (end = strrchr(own, '\\')) ? end + 1 : own);
  lstrcpyA((end = strrchr(name, '.')) ? end : name + lstrlenA(name), ".log");
  HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, NULL);
  if (file == INVALID_HANDLE_VALUE) return 1;
  const char* line = GetCommandLineA();
  DWORD written;
  SetFilePointer(file, 0, NULL, FILE_END);
  WriteFile(file, line, lstrlenA(line), &written, NULL);
  WriteFile(file, "\n", 1, &written, NULL);
  CloseHandle(file);
  return 0;
}
