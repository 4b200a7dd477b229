/* Another program using the mixer, for the end-to-end tests (loads the double).
 * usage: mixer_tool.exe set VALUE   sets control 41 as another program would
 *        mixer_tool.exe get         prints control 41's value */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>
#include <mmsystem.h>

int main(int argc, char** argv) {
  HMIXER mixer;
  MIXERCONTROLDETAILS_BOOLEAN value;
  MIXERCONTROLDETAILS details = {sizeof details, 41, 1, {0}, sizeof value, &value};
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
