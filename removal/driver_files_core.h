// The driver-file step: the fourteen files deleted at once, and the seven
// queued in WinInit.INI for deletion when Windows next starts, with any of
// the fourteen that another program still has open.
#pragma once

#include "file_system.h"
#include "removal_paths.h"

// The whole step. Nothing is reported; what cannot be done is passed over.
void RemoveDriverFiles(FileSystem& fs);
