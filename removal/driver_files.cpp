#include "driver_files_core.h"
#include "file_system_win32.h"
#include "removal_steps.h"

void RemoveDriverFiles() {
  Win32FileSystem fs;
  RemoveDriverFiles(fs);
}
