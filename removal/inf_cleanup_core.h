// The INF step: setup information files that name the card are deleted from
// the Windows directory's INF and INF\OTHER folders.
#pragma once

#include "file_system.h"

// The card's PCI identity as INF files name it; compared with exact case.
extern const char kCardHardwareId[];

// 1 when the file's text (up to its first Ctrl-Z) contains key anywhere,
// NUL bytes and block boundaries notwithstanding. A file that cannot be
// opened, or whose reading fails, counts as not containing it.
int FileContains(FileSystem& fs, const char* name, const char* key);

// Deletes every entry of the current directory matching pattern whose text contains key.
void DeleteInfFilesNaming(FileSystem& fs, const char* pattern, const char* key);

// The whole step. Leaves the current directory in the last of INF and
// INF\OTHER that it could enter: the startup-file step writes its temporary file there.
void RemoveInfFiles(FileSystem& fs);
