#include "inf_cleanup_core.h"

#include "driver_files_core.h"
#include "matcher.h"
#include "text.h"
#include "text_reader.h"

const char kCardHardwareId[] = "PCI\\VEN_125D&DEV_1969";

int FileContains(FileSystem& fs, const char* name, const char* key) {
  FileHandle file;
  if (!fs.Open(name, kOpenRead, &file)) return 0;  // sub-directories end here too
  TextReader in(fs, file);
  Matcher matcher(key);
  char block[1024];
  int found = 0;
  unsigned got;
  while (!found && (got = in.Read(block, sizeof block)) != 0) found = matcher.FeedAll(block, got);
  fs.Close(file);
  return found && !in.Failed();
}

void DeleteInfFilesNaming(FileSystem& fs, const char* pattern, const char* key) {
  char name[260];  // MAX_PATH: the longest name a search yields
  SearchHandle search;
  if (!fs.FindFirst(pattern, name, sizeof name, &search)) return;
  do {
    if (FileContains(fs, name, key)) fs.RemoveFile(name);  // closed before it is deleted
  } while (fs.FindNext(search, name, sizeof name));
  fs.EndSearch(search);
}

void RemoveInfFiles(FileSystem& fs) {
  char windowsDir[kDirectorySize];
  if (!DirectoryFits(fs.WindowsDirectory(windowsDir, sizeof windowsDir), sizeof windowsDir))
    return;
  const char* const folders[] = {"%s\\INF", "%s\\INF\\OTHER"};
  for (const char* format : folders) {
    char dir[kDirectorySize];
    // A cut path could name another folder: it is not entered.
    if (FormatText(dir, sizeof dir, format, windowsDir) && fs.SetCurrentDir(dir))
      DeleteInfFilesNaming(fs, "*.INF", kCardHardwareId);
  }
}
