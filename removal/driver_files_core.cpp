#include "driver_files_core.h"

#include "text.h"
#include "text_writer.h"

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

struct QueuedFile {
  Place place;
  const char* format;
};

// In use until Windows restarts: the card's Windows drivers and both programs.
const QueuedFile kDeletedAtBoot[] = {
    {kSystemDir, "NUL=%s\\ES1938.drv\n"},   {kSystemDir, "NUL=%s\\Esfm.drv\n"},
    {kSystemDir, "NUL=%s\\Essmpu.drv\n"},   {kSystemDir, "NUL=%s\\Essswt.drv\n"},
    {kSystemDir, "NUL=%s\\Essolo.drv\n"},   {kWindowsDir, "NUL=%s\\ZM640UTL.exe\n"},
    {kWindowsDir, "NUL=%s\\ZM640UNI.exe\n"},
};

const char kCtrlZ = 0x1A;  // the DOS end-of-file mark

// Opens an existing queue file for appending. Trailing Ctrl-Z marks are cut
// off (text after them would be ignored), and *needsLineEnd tells whether the
// last line lacks its line end, so that a queued line never runs on from it.
int OpenForAppend(FileSystem& fs, const char* path, FileHandle* file, int* needsLineEnd) {
  if (!fs.Open(path, kOpenUpdate, file)) return 0;
  *needsLineEnd = 0;
  unsigned size = 0;
  if (!fs.Size(*file, &size)) {  // where its end is unknown, nothing is written
    fs.Close(*file);
    return 0;
  }
  unsigned end = size;
  char last = '\n';
  while (end > 0) {
    char tail[64];
    unsigned chunk = end < sizeof tail ? end : sizeof tail;
    unsigned got = 0;
    if (!fs.Seek(*file, end - chunk) || !fs.Read(*file, tail, chunk, &got) || got != chunk) {
      end = size;  // the tail cannot be read: append as the file stands
      last = '\n';
      break;
    }
    unsigned i = chunk;
    while (i > 0 && tail[i - 1] == kCtrlZ) --i;
    end -= chunk - i;
    if (i > 0) {
      last = tail[i - 1];
      break;
    }
  }
  if (end < size && (!fs.Seek(*file, end) || !fs.Truncate(*file))) {
    end = size;  // the marks could not be cut off: append after them
    last = '\n';
  }
  if (!fs.Seek(*file, end)) {
    fs.Close(*file);
    return 0;
  }
  *needsLineEnd = end > 0 && last != '\n';
  return 1;
}

const char* DirectoryFor(Place place, const char* windowsDir, const char* systemDir) {
  return place == kSystemDir ? systemDir : place == kWindowsDir ? windowsDir : "";
}

}  // namespace

void QueueBootDeletions(FileSystem& fs, const char* windowsDir, const char* systemDir) {
  char queuePath[kDirectorySize];
  if (!FormatText(queuePath, sizeof queuePath, "%s\\WinInit.INI", windowsDir)) return;

  FileHandle file;
  int needsLineEnd = 0;
  const char* header = "";
  if (fs.Open(queuePath, kOpenRead, &file)) {
    fs.Close(file);
    if (!OpenForAppend(fs, queuePath, &file, &needsLineEnd)) return;
  } else {
    if (!fs.Open(queuePath, kOpenWrite, &file)) return;
    header = "\n[Rename]\n";  // a new file begins with an empty line
  }

  TextWriter out(fs, file);
  out.Write(header);
  if (needsLineEnd) out.Put('\n');
  for (const QueuedFile& queued : kDeletedAtBoot) {
    const char* dir = DirectoryFor(queued.place, windowsDir, systemDir);
    char line[kFilePathSize];
    // A cut line could name another file: such a line is not queued.
    if (dir != 0 && FormatText(line, sizeof line, queued.format, dir)) out.Write(line);
  }
  out.Close();
}

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
