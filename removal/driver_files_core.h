// The driver-file step: the fourteen files deleted at once, and the seven
// queued in WinInit.INI for deletion when Windows next starts.
#pragma once

#include "file_system.h"

// Directory buffers hold 127 characters; deletion paths and queue lines 255.
enum { kDirectorySize = 128, kFilePathSize = 256 };

// The whole step. Nothing is reported; what cannot be done is passed over.
void RemoveDriverFiles(FileSystem& fs);

// Appends the seven "NUL=" lines to windowsDir\WinInit.INI, creating it with a
// [Rename] header when absent. systemDir may be 0 when it could not be read.
void QueueBootDeletions(FileSystem& fs, const char* windowsDir, const char* systemDir);
