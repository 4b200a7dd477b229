// The boot-time deletion queue: the files still in use are queued in
// WinInit.INI, whose first [Rename] section Windows works through at its next
// start ("NUL=path" deletes the file).
#pragma once

#include "file_system.h"
#include "removal_paths.h"

// Where the queued lines go in an existing WinInit.INI.
struct QueuePlace {
  enum Kind {
    kAtEnd,            // the file's first [Rename] section is its last
    kAtEndWithHeader,  // no [Rename] section yet: one is started at the end
    kInsideFile,       // other sections follow it: the lines go before offset
  };
  Kind kind;
  unsigned offset;  // kInsideFile: after the section's last line that is not blank
};

// Reads an open WinInit.INI from its current offset, as Windows' profile
// reader splits it: lines end at LF, blanks around a line (CR and Ctrl-Z
// among them) do not count, and a line that opens with '[' and holds a ']'
// starts a section named by what stands between the '[' and the last ']'
// (compared without regard to case). Lines of any length.
// 0 when a read failed: then nothing is known.
int FindQueuePlace(FileSystem& fs, FileHandle file, QueuePlace* place);

// What is queued: the seven files, and files of the immediate list that another
// program still has open (whole paths, 8.3 for Windows 9x's boot step).
struct BootQueue {
  const char* windowsDir;
  const char* systemDir;  // 0 when it could not be read: its files are not queued
  const char* const* inUse;
  unsigned inUseCount;
};

// Queues the "NUL=" lines in windowsDir\WinInit.INI's first [Rename]
// section, creating the file or the section when absent. A file whose section
// is followed by others is rewritten through a copy, which replaces it only
// when complete. The same files are handed to Windows NT's own boot-time
// deletion, and our two programs lose any read-only mark, so that the next
// start can delete them.
void QueueBootDeletions(FileSystem& fs, const BootQueue& queue);
// The seven alone.
inline void QueueBootDeletions(FileSystem& fs, const char* windowsDir, const char* systemDir) {
  BootQueue queue = {windowsDir, systemDir, 0, 0};
  QueueBootDeletions(fs, queue);
}
