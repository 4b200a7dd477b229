/* Stands in for a program another one starts (rundll32.exe, ZM640UNI.exe):
 * appends its command line to C:\cmdline.log and ends with exit code 0. */
#include <windows.h>

int main(void) {
  HANDLE file = CreateFileA("C:\\cmdline.log", GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_ALWAYS,
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
