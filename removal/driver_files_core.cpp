#include "driver_files_core.h"

#include "boot_queue_core.h"
#include "text.h"

namespace {

enum Place { kSystemDir, kWindowsDir, kDriveC };

struct DriverFile {
  Place place;
  const char* name;
};

const DriverFile kDeletedAtOnce[] = {
    {kSystemDir, "es1938.vxd"},   {kSystemDir, "essdm.vxd"},   {kSystemDir, "essswt.vxd"},
    {kSystemDir, "essolo.vxd"},   {kSystemDir, "es1938mg.vxd"}, {kWindowsDir, "Essswt.dat"},
    {kWindowsDir, "Essswt.dls"},  {kWindowsDir, "Essswt3M.dls"}, {kWindowsDir, "Essswt1M.dls"},
    // The DOS drivers are always on C:, whichever drive holds Windows.
    {kDriveC, "Es1938.com"},      {kDriveC, "Essolo.com"},     {kDriveC, "Es1938.sys"},
    {kDriveC, "Essolo.sys"},      {kDriveC, "Es1938.ini"},
};

const unsigned kDeletedCount = sizeof kDeletedAtOnce / sizeof kDeletedAtOnce[0];

const char* DirectoryFor(Place place, const char* windowsDir, const char* systemDir) {
  return place == kSystemDir ? systemDir : place == kWindowsDir ? windowsDir : "";
}

// Windows 9x's boot step runs before long names exist: every part of the path
// an 8.3 name ("C:\WINDOWS\Essswt3M.dls"), or the line would name nothing.
int IsShortPath(const char* path) {
  if (path[0] == '\0' || path[1] != ':' || path[2] != '\\') return 0;
  unsigned name = 0, extension = 0, dots = 0;
  for (const char* c = path + 3;; ++c) {
    if (*c == '\\' || *c == '\0') {
      if (name == 0 || name > 8 || extension > 3 || (dots == 1 && extension == 0)) return 0;
      if (*c == '\0') return 1;
      name = extension = dots = 0;
    } else if (*c == '.') {
      if (++dots > 1) return 0;
    } else if (*c == ' ') {
      return 0;
    } else {
      ++(dots ? extension : name);
    }
  }
}

}  // namespace

void RemoveDriverFiles(FileSystem& fs) {
  char windowsDir[kDirectorySize];
  char systemDir[kDirectorySize];
  const char* windows =
      DirectoryFits(fs.WindowsDirectory(windowsDir, sizeof windowsDir), sizeof windowsDir)
          ? windowsDir : 0;
  const char* system =
      DirectoryFits(fs.SystemDirectory(systemDir, sizeof systemDir), sizeof systemDir)
          ? systemDir : 0;

  // A file another program still has open (the synthesizer reads its sample
  // banks until the restart) is queued, never deleted from under it; one that
  // cannot be queued stays.
  char inUse[kDeletedCount][kFilePathSize];
  const char* inUsePaths[kDeletedCount];
  unsigned inUseCount = 0;
  for (const DriverFile& driver : kDeletedAtOnce) {
    char* path = inUse[inUseCount];
    int formed = 0;
    if (driver.place == kDriveC) {
      formed = FormatText(path, kFilePathSize, "C:\\%s", driver.name);
    } else {
      const char* dir = DirectoryFor(driver.place, windows, system);
      formed = dir != 0 && FormatText(path, kFilePathSize, "%s\\%s", dir, driver.name);
    }
    if (!formed) continue;
    if (!fs.InUse(path)) {
      fs.RemoveFile(path);  // an absent file is simply passed over
    } else if (IsShortPath(path)) {
      inUsePaths[inUseCount] = path;
      ++inUseCount;
    }
  }

  if (windows == 0) return;
  BootQueue queue = {windows, system, inUsePaths, inUseCount};
  QueueBootDeletions(fs, queue);
}
