#include "safe_replace.h"

namespace {

int g_copyKept;  // process-wide: the run has left a copy that must stay

const unsigned kSectorBytes = 512;  // the smallest cluster a FAT disk has

unsigned Clusters(unsigned bytes, unsigned clusterBytes) {
  return bytes / clusterBytes + (bytes % clusterBytes != 0);
}

// 1 when the two files hold the same bytes.
int SameContent(FileSystem& fs, const char* pathA, const char* pathB) {
  FileHandle a, b;
  if (!fs.Open(pathA, kOpenRead, &a)) return 0;
  if (!fs.Open(pathB, kOpenRead, &b)) {
    fs.Close(a);
    return 0;
  }
  int same = 1;
  for (;;) {
    char chunkA[256], chunkB[256];
    unsigned gotA = 0, gotB = 0;
    if (!fs.Read(a, chunkA, sizeof chunkA, &gotA) || !fs.Read(b, chunkB, sizeof chunkB, &gotB) ||
        gotA != gotB) {
      same = 0;
      break;
    }
    if (gotA == 0) break;
    for (unsigned i = 0; i < gotA && same; ++i) same = chunkA[i] == chunkB[i];
    if (!same) break;
  }
  fs.Close(b);
  fs.Close(a);
  return same;
}

// Has what the copy put into the target reach the disk.
int FlushFile(FileSystem& fs, const char* path) {
  FileHandle file;
  if (!fs.Open(path, kOpenUpdate, &file)) return 0;
  int flushed = fs.FlushToDisk(file);
  return fs.Close(file) && flushed;
}

int SameDigest(const FileDigest& a, const FileDigest& b) {
  return a.size == b.size && a.hash == b.hash;
}

ReplaceOutcome Drop(FileSystem& fs, const char* copyPath, ReplaceOutcome outcome) {
  fs.RemoveFile(copyPath);
  return outcome;
}

}  // namespace

const char* DriveRoot(const char* path, char* root) {
  char drive = path[0];
  if (!((drive >= 'A' && drive <= 'Z') || (drive >= 'a' && drive <= 'z')) || path[1] != ':')
    return 0;
  root[0] = drive;
  root[1] = ':';
  root[2] = '\\';
  root[3] = '\0';
  return root;
}

// 1 when the growth fits in freeBytes on a disk of clusterBytes clusters.
int FitsClusters(unsigned oldSize, unsigned newSize, unsigned clusterBytes, unsigned freeBytes) {
  unsigned needed = Clusters(newSize, clusterBytes);
  unsigned given = Clusters(oldSize, clusterBytes);
  return needed <= given || needed - given <= freeBytes / clusterBytes;
}

int RoomToGrow(FileSystem& fs, const char* path, unsigned oldSize, unsigned newSize) {
  char root[4];
  const char* drive = DriveRoot(path, root);
  unsigned clusterBytes = 0, freeClusters = 0, freeBytes = 0;
  if (!fs.FreeSpace(drive, &clusterBytes, &freeClusters) || clusterBytes == 0) return 1;
  // On FAT32 Windows 9x reports at most 65,536 clusters and inflates their
  // size to match (KB Q231497): the real size is only known to be a power of
  // two from a sector up to the reported one, and up to the exact count's
  // lowest set bit (a whole number of real clusters). Growth must fit each.
  unsigned largest = clusterBytes;
  if (fs.FreeBytes(drive, &freeBytes)) {
    unsigned lowestBit = freeBytes & (0u - freeBytes);
    if (lowestBit >= kSectorBytes && lowestBit < largest) largest = lowestBit;
  } else {
    freeBytes = freeClusters > 0xFFFFFFFFu / clusterBytes ? 0xFFFFFFFFu : freeClusters * clusterBytes;
  }
  for (unsigned size = largest;; size /= 2) {
    if (!FitsClusters(oldSize, newSize, size, freeBytes)) return 0;
    if (size <= kSectorBytes) return 1;
  }
}

int DigestFile(FileSystem& fs, const char* path, FileDigest* digest) {
  FileHandle file;
  if (!fs.Open(path, kOpenRead, &file)) return 0;
  unsigned size = 0, hash = 2166136261u;  // FNV-1a
  int read = 1;
  for (;;) {
    unsigned char chunk[256];
    unsigned got = 0;
    if (!fs.Read(file, chunk, sizeof chunk, &got)) {
      read = 0;
      break;
    }
    if (got == 0) break;
    for (unsigned i = 0; i < got; ++i) hash = (hash ^ chunk[i]) * 16777619u;
    size += got;
  }
  digest->size = size;
  digest->hash = hash;
  return fs.Close(file) && read;
}

ReplaceOutcome ReplaceFromCopy(FileSystem& fs, const char* copyPath, const char* targetPath) {
  FileDigest old, copy;
  // Windows refuses to copy over a read-only file; some emulators do not.
  if (fs.IsReadOnly(targetPath) || !DigestFile(fs, targetPath, &old) ||
      !DigestFile(fs, copyPath, &copy))
    return Drop(fs, copyPath, kNotReplaced);
  if (SameDigest(old, copy) && SameContent(fs, copyPath, targetPath))
    return Drop(fs, copyPath, kUnchanged);
  if (!RoomToGrow(fs, targetPath, old.size, copy.size)) return Drop(fs, copyPath, kNotReplaced);

  // What the target holds decides, not what CopyFileA reported.
  fs.CopyOver(copyPath, targetPath);
  if (SameContent(fs, copyPath, targetPath) && FlushFile(fs, targetPath))
    return Drop(fs, copyPath, kReplaced);
  // CopyFileA may have left the target untouched, cut, or deleted.
  FileDigest now;
  if (DigestFile(fs, targetPath, &now) && SameDigest(now, old))
    return Drop(fs, copyPath, kNotReplaced);
  g_copyKept = 1;
  return kCopyKept;
}

int ReplaceAllowed() { return !g_copyKept; }

void StartReplaceRun() { g_copyKept = 0; }
