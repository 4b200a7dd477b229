// Calls that not every Windows has, found at run time so that the programs'
// imports stay within Windows 95's own list.
#pragma once

#include <windows.h>

// The function name of the loaded module; 0 where that Windows lacks it.
// One copy of the code for every look-up: the programs are measured in bytes.
FARPROC LookUpProc(const char* module, const char* name);

template <typename F>
F LookUpFunction(const char* module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(LookUpProc(module, name)));
}
