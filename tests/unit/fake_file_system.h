// An in-memory file system with switchable faults, for the file steps' tests.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "file_system.h"

// Faults are modelled as they happen on Windows 9x:
// - the disk: what a file holds there is what was last flushed. A file
//   changed since holds its flushed bytes up to the first change, then as
//   many unknown bytes as its new size has (its new size may reach the disk
//   before its data); deletions reach the disk at once;
// - a power cut after call N: what is on the disk stays, and every later call fails;
// - a disk of limited size: a write takes what fits and fails (as Wine's
//   WriteFile reports it), CopyFileA leaves the target part-written;
// - CopyFileA failing at a chunk: the target untouched, part-written or deleted;
// - Windows' cache of INI files (KB Q107695): another program's profile writes
//   sit in a cached copy, written over the file at the session's end unless flushed.
class FakeFileSystem : public FileSystem {
 public:
  FakeFileSystem();
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\SYSTEM";
  // Files by full path; a relative name is taken in the current directory.
  std::map<std::string, std::string> files;
  std::set<std::string> dirs;                // directories that can be made current
  std::string currentDir = "C:\\";
  std::set<std::string> readOnly;            // paths that cannot be opened for writing or deleted
  std::set<std::string> heldOpen;            // paths another program has open
  bool ntRules = false;                      // NT refuses to delete a file held open; 9x deletes it
  bool honourReadOnlyOnCopy = true;          // false: copies over read-only files, as Wine as root does
  std::vector<std::string> deleted;          // every path a deletion was asked for, in order
  std::vector<std::string> deletedAtNextStart;  // NT's boot-time list, in order
  int failOpenMode = -1;                     // every open with this mode fails
  bool failReads = false, failWrites = false, failSize = false, failCopy = false;
  // The n-th call (counted from 1) of each kind fails; 0: none.
  int failReadAt = 0, failWriteAt = 0, failCloseAt = 0;
  int reads = 0, writes = 0, closes = 0, copies = 0;

  int calls = 0;              // every call of the interface
  int powerCutAfter = -1;     // calls after this many fail, and the disk stays as it was
  unsigned clusterBytes = 0;  // 0: a disk without limit, whose free space is unknown
  unsigned totalClusters = 0;
  bool reportFreeSpace = true;  // false: its limit is there, but GetDiskFreeSpaceA fails
  bool hasFreeSpaceEx = true;   // false: Windows 95 before OSR2, without GetDiskFreeSpaceExA
  // FAT32 under Windows 9x (KB Q231497): GetDiskFreeSpaceA reports clusters
  // this many times their size, and that many times fewer of them.
  unsigned clusterInflation = 1;
  bool failFlushes = false;
  enum CopyFault { kTargetUntouched, kTargetPartWritten, kTargetDeleted };
  int copyFailAtChunk = -1;   // CopyOver fails after this many chunks
  int copyFailCall = 0;       // only the n-th CopyOver (from 1) fails; 0: every one
  bool copyFailed = false;    // the fault was met
  unsigned copyChunk = 4096;
  CopyFault copyFault = kTargetPartWritten;
  std::map<std::string, std::string> profileCache;  // another program's cached INI files
  std::vector<std::string> profileFlushes;         // paths, in order
  std::vector<int> profileFlushCalls;              // the call count at each

  // The files as they are on the disk (a power cut now would leave these).
  std::map<std::string, std::string> Disk() const;
  // The session ends: cached INI files are written over the files.
  void EndSession();
  unsigned UsedClusters() const;
  std::string Full(const std::string& path) const;

  int openFiles() const { return static_cast<int>(open_.size()); }

  unsigned WindowsDirectory(char* buffer, unsigned size) override { return Dir(windowsDir, buffer, size); }
  unsigned SystemDirectory(char* buffer, unsigned size) override { return Dir(systemDir, buffer, size); }
  int Open(const char* path, OpenMode mode, FileHandle* file) override;
  int Read(FileHandle file, void* buffer, unsigned size, unsigned* got) override;
  int Write(FileHandle file, const void* data, unsigned size) override;
  int Size(FileHandle file, unsigned* size) override;
  int Seek(FileHandle file, unsigned offset) override;
  int Truncate(FileHandle file) override;
  int Close(FileHandle file) override;
  int FlushToDisk(FileHandle file) override;
  int FreeSpace(const char* root, unsigned* clusterBytes, unsigned* freeClusters) override;
  int FreeBytes(const char* root, unsigned* bytes) override;
  void FlushProfileCache(const char* path) override;
  int RemoveFile(const char* path) override;
  int InUse(const char* path) override { return !PowerOff() && heldOpen.count(Full(path)) != 0; }
  int CopyOver(const char* from, const char* to) override;
  int IsReadOnly(const char* path) override { return readOnly.count(Full(path)) != 0; }
  int ClearAttributes(const char* path) override;
  int DeleteAtNextStart(const char* path) override;
  int SetCurrentDir(const char* path) override;
  int FindFirst(const char* pattern, char* name, unsigned size, SearchHandle* search) override;
  int FindNext(SearchHandle search, char* name, unsigned size) override;
  void EndSearch(SearchHandle search) override;
  int openSearches() const { return static_cast<int>(searches_.size()); }
  // DIR copied into BUFFER as Windows gives a directory: its length, or the size it needs.
  static unsigned Dir(const std::string& dir, char* buffer, unsigned size);

 private:
  struct Open_ { std::string path; unsigned position; bool writable; };
  Open_& Get(FileHandle file);
  bool PowerOff();  // counts the call; true once the power is off
  void Changing(const std::string& path, std::size_t from);  // before a change from that offset
  std::size_t Capacity(const std::string& path) const;        // the most the file can grow to
  std::map<std::string, std::string> flushed_;  // changed files: what the disk holds
  std::map<std::string, std::size_t> dirtyFrom_;

  struct Search_ { std::vector<std::string> names; std::size_t next; };
  std::map<FileHandle, Open_> open_;
  std::map<SearchHandle, Search_> searches_;
  std::size_t next_ = 1;
};
