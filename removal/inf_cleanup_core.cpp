#include "inf_cleanup_core.h"

#include "driver_files_core.h"
#include "matcher.h"
#include "text.h"
#include "text_reader.h"

const char kCardHardwareId[] = "PCI\\VEN_125D&DEV_1969";

namespace {

const char kCtrlZ = 0x1A;
// The block and the carried tail stay under 4 KiB: one stack page, no probing.
enum { kLongestKey = 64, kBlockSize = 4000 - kLongestKey };

const char* FindByte(const char* bytes, unsigned count, char wanted) {
  for (const char* end = bytes + count; bytes != end; ++bytes)
    if (*bytes == wanted) return bytes;
  return 0;
}

int HoldsKey(const char* bytes, unsigned count, const char* key, unsigned keyLength) {
  if (count < keyLength) return 0;
  const char* last = bytes + count - keyLength;
  for (const char* at = bytes; at <= last; ++at) {
    at = FindByte(at, static_cast<unsigned>(last - at) + 1, key[0]);
    if (at == 0) return 0;
    unsigned i = 1;
    while (i < keyLength && at[i] == key[i]) ++i;
    if (i == keyLength) return 1;
  }
  return 0;
}

// Text-mode reading, for keys that hold a line end or an end-of-file mark.
int TextContains(FileSystem& fs, FileHandle file, const char* key) {
  TextReader in(fs, file);
  Matcher matcher(key);
  char block[1024];
  int found = 0;
  unsigned got;
  while (!found && (got = in.Read(block, sizeof block)) != 0) found = matcher.FeedAll(block, got);
  return found && !in.Failed();
}

}  // namespace

int FileContains(FileSystem& fs, const char* name, const char* key) {
  FileHandle file;
  if (!fs.Open(name, kOpenRead, &file)) return 0;  // sub-directories end here too
  unsigned keyLength = TextLength(key);
  int plainKey = keyLength > 0 && keyLength <= kLongestKey && !FindByte(key, keyLength, '\r') &&
                 !FindByte(key, keyLength, '\n') && !FindByte(key, keyLength, kCtrlZ);
  if (!plainKey) {
    int found = TextContains(fs, file, key);
    fs.Close(file);
    return found;
  }
  // A key without CR, LF or Ctrl-Z: text-mode translation can neither make nor
  // break an occurrence, so the raw bytes before the first Ctrl-Z are searched
  // as they stand, each block with the tail of the one before it.
  char block[kLongestKey + kBlockSize];
  unsigned carried = 0;
  int found = 0;
  for (;;) {
    unsigned got = 0;
    if (!fs.Read(file, block + carried, kBlockSize, &got)) {
      found = 0;  // a read error: the file counts as not naming the card
      break;
    }
    const char* mark = FindByte(block + carried, got, kCtrlZ);
    unsigned length = carried + (mark ? static_cast<unsigned>(mark - (block + carried)) : got);
    if (HoldsKey(block, length, key, keyLength)) found = 1;
    if (found || mark != 0 || got == 0) break;
    carried = length < keyLength - 1 ? length : keyLength - 1;
    for (unsigned i = 0; i < carried; ++i) block[i] = block[length - carried + i];
  }
  fs.Close(file);
  return found;
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
