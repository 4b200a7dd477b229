#include "file_system_win32.h"
#include "removal_steps.h"
#include "startup_filter_core.h"

void FilterStartupFiles() {
  Win32FileSystem fs;
  FilterStartupFiles(fs);
}
