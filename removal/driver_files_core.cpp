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

const char* DirectoryFor(Place place, const char* windowsDir, const char* systemDir) {
  return place == kSystemDir ? systemDir : place == kWindowsDir ? windowsDir : "";
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

  for (const DriverFile& driver : kDeletedAtOnce) {
    char path[kFilePathSize];
    int formed = 0;
    if (driver.place == kDriveC) {
      formed = FormatText(path, sizeof path, "C:\\%s", driver.name);
    } else {
      const char* dir = DirectoryFor(driver.place, windows, system);
      formed = dir != 0 && FormatText(path, sizeof path, "%s\\%s", dir, driver.name);
    }
    if (formed) fs.RemoveFile(path);  // an absent file is simply passed over
  }

  if (windows != 0) QueueBootDeletions(fs, windows, system);
}
