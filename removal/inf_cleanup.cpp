#include "file_system_win32.h"
#include "inf_cleanup_core.h"
#include "removal_steps.h"

void RemoveInfFiles() {
  Win32FileSystem fs;
  RemoveInfFiles(fs);
}
