/* Another program using the mixer, for the end-to-end tests (loads the double).
 * usage: mixer_tool.exe set VALUE   sets control 41 as another program would
 *        mixer_tool.exe get         prints control 41's value
 *        mixer_tool.exe menu        prints whether the tray menu is open ("open|1") and its items:
 *                                   POSITION|ID|TEXT|LEFT,TOP,RIGHT,BOTTOM (on the screen while shown) */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
#include <mmsystem.h>

int main(int argc, char** argv) {
  HMIXER mixer;
  MIXERCONTROLDETAILS_BOOLEAN value;
  MIXERCONTROLDETAILS details = {sizeof details, 41, 1, {0}, sizeof value, &value};
  if (argc == 2 && strcmp(argv[1], "menu") == 0) {
    HANDLE request = CreateEventA(NULL, FALSE, FALSE, "ZM640MixerDoubleReport");
    HANDLE done = CreateEventA(NULL, FALSE, FALSE, "ZM640MixerDoubleReported");
    HANDLE mapping = OpenFileMappingA(FILE_MAP_READ, FALSE, "ZM640MixerDouble");
    if (!mapping) return 3;
    const char* shared = (const char*)MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, 0);
    SetEvent(request);
    if (WaitForSingleObject(done, 10000) != WAIT_OBJECT_0) return 4;
    fputs(shared + 2 * sizeof(LONG) + 8 * sizeof(HWND), stdout);
    return 0;
  }
  if (mixerOpen(&mixer, 0, 0, 0, CALLBACK_NULL) != 0) return 2;
  if (argc == 3 && strcmp(argv[1], "set") == 0) {
    value.fValue = atoi(argv[2]);
    return mixerSetControlDetails((HMIXEROBJ)mixer, &details, 0) == 0 ? 0 : 1;
  }
  if (argc == 2 && strcmp(argv[1], "get") == 0) {
    if (mixerGetControlDetailsA((HMIXEROBJ)mixer, &details, 0) != 0) return 1;
    printf("%ld\n", (long)value.fValue);
    return 0;
  }
  return 2;
}
