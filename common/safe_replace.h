// Replacing a user's file from a complete copy, so that at every moment the
// file's lines are on the disk in at least one whole file: the file as it
// was, or its complete new text.
#pragma once

#include "file_system.h"

// Where Windows reports the free space of path's drive: "X:\" for a path
// that names its drive, else 0 (the current drive). root holds 4 bytes.
const char* DriveRoot(const char* path, char* root);

// 1 when growing a file from oldSize to newSize bytes fits the free space of
// its drive (whole clusters; the clusters the old size takes are given back).
// A drive whose free space cannot be read is not taken as full. Where Windows
// has an exact byte count, it holds over the cluster count; where the real
// cluster size is unsure, the growth must fit every size it may be.
int RoomToGrow(FileSystem& fs, const char* path, unsigned oldSize, unsigned newSize);

// The size of a file's data and a hash of it; 0 when it cannot be read whole.
struct FileDigest {
  unsigned size;
  unsigned hash;
};
int DigestFile(FileSystem& fs, const char* path, FileDigest* digest);

enum ReplaceOutcome {
  kReplaced,     // target now holds the copy's text, on the disk; the copy is gone
  kUnchanged,    // target held that text already; the copy is gone
  kNotReplaced,  // target kept its old content; the copy is gone
  kCopyKept,     // target's content is unsure: the copy, complete, stays beside it
};

// Replaces targetPath with the complete, flushed copy at copyPath: only when
// the disk has room, and never a read-only file. The copy is deleted only
// once the target holds exactly its text on the disk, or still holds its
// old text.
ReplaceOutcome ReplaceFromCopy(FileSystem& fs, const char* copyPath, const char* targetPath);

// Once a copy has been kept, no later replace of the run may start: it could
// empty, overwrite or delete that copy, the only whole text of its file.
int ReplaceAllowed();
// A new run (the tests' fake file systems start one each).
void StartReplaceRun();
