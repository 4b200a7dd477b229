// Calls that not every Windows has, found at run time so that the programs'
// imports stay within Windows 95's own list.
#pragma once

#include <windows.h>

// The function name of the loaded module, as type F; 0 where that Windows lacks it.
template <typename F>
F LookUpFunction(const char* module, const char* name) {
  HMODULE handle = GetModuleHandleA(module);
  if (handle == 0) return 0;
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(handle, name)));
}
