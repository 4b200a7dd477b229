#include "win32_lookup.h"

FARPROC LookUpProc(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  return handle == 0 ? 0 : GetProcAddress(handle, name);
}
