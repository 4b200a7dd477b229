#include "inf_cleanup_core.h"

#include "matcher.h"
#include "removal_paths.h"
#include "text.h"
#include "text_reader.h"

const char kCardHardwareId[] = "PCI\\VEN_125D&DEV_1969";

namespace {

const char kCtrlZ = 0x1A;
enum { kLongestKey = 64, kBlockSize = 32768 };

// One file is read at a time, in large blocks: few calls into the file system.
// Static, because a Windows 9x stack grows a page at a time.
char g_block[kLongestKey + kBlockSize];

const char* FindByte(const char* bytes, unsigned count, char wanted) {
  for (const char* end = bytes + count; bytes != end; ++bytes)
    if (*bytes == wanted) return bytes;
  return 0;
}

// Horspool's search: on a mismatch the window jumps by up to the key's length.
struct KeySearch {
  const char* key;
  unsigned length;
  unsigned char skip[256];

  KeySearch(const char* k, unsigned n) : key(k), length(n) {
    for (unsigned c = 0; c < 256; ++c) skip[c] = static_cast<unsigned char>(n);
    for (unsigned i = 0; i + 1 < n; ++i) skip[static_cast<unsigned char>(k[i])] = static_cast<unsigned char>(n - 1 - i);
  }

  // Where the key first occurs in the bytes; 0 when it does not.
  const char* In(const char* bytes, unsigned count) const {
    const char lastOfKey = key[length - 1];
    for (unsigned at = 0; at + length <= count;) {
      char last = bytes[at + length - 1];
      if (last == lastOfKey) {
        unsigned i = 0;
        while (i + 1 < length && bytes[at + i] == key[i]) ++i;
        if (i + 1 == length) return bytes + at;
      }
      at += skip[static_cast<unsigned char>(last)];
    }
    return 0;
  }
};

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
  // as they stand, each block with the tail of the one before it. The bytes
  // are looked at for a Ctrl-Z only where it matters: before an occurrence,
  // and in a block the file goes on after (most INF files are one block).
  char* const block = g_block;
  KeySearch search(key, keyLength);
  unsigned carried = 0;
  int found = 0;
  for (;;) {
    unsigned got = 0;
    if (!fs.Read(file, block + carried, kBlockSize, &got)) {
      found = 0;  // a read error: the file counts as not naming the card
      break;
    }
    const unsigned length = carried + got;
    const char* at = search.In(block, length);
    if (at != 0) {  // the carried bytes were looked at before
      const unsigned before = static_cast<unsigned>(at - block);
      found = before <= carried || !FindByte(block + carried, before - carried, kCtrlZ);
      break;
    }
    // A short read is the file's end (ReadFile reads a disk file whole up to it).
    if (got < kBlockSize || FindByte(block + carried, got, kCtrlZ)) break;
    carried = keyLength - 1;  // a full block holds at least that much
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
