// A read-only FileSystem over POSIX calls, for benchmarking the portable core
// on the host: it opens, reads and searches real files; deletions are only recorded.
#pragma once

#include <string>
#include <vector>

#include "file_system.h"

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(std::string windowsDir) : windowsDir_(std::move(windowsDir)) {}
  std::vector<std::string> removed;  // what the core asked to delete, as full paths

  unsigned WindowsDirectory(char* buffer, unsigned size) override;
  unsigned SystemDirectory(char* buffer, unsigned size) override { return WindowsDirectory(buffer, size); }
  int Open(const char* path, OpenMode mode, FileHandle* file) override;
  int Read(FileHandle file, void* buffer, unsigned size, unsigned* got) override;
  int Write(FileHandle, const void*, unsigned) override { return 0; }
  int Size(FileHandle file, unsigned* size) override;
  int Seek(FileHandle file, unsigned offset) override;
  int Truncate(FileHandle) override { return 0; }
  int Close(FileHandle file) override;
  int FlushToDisk(FileHandle) override { return 0; }
  int FreeSpace(const char*, unsigned*, unsigned*) override { return 0; }
  int FreeBytes(const char*, unsigned*) override { return 0; }
  void FlushProfileCache(const char*) override {}
  int RemoveFile(const char* path) override;
  int InUse(const char*) override { return 0; }  // no sharing modes here
  int CopyOver(const char*, const char*) override { return 0; }
  int IsReadOnly(const char*) override { return 1; }
  int ClearAttributes(const char*) override { return 0; }
  int DeleteAtNextStart(const char*) override { return 0; }
  int SetCurrentDir(const char* path) override;
  int FindFirst(const char* pattern, char* name, unsigned size, SearchHandle* search) override;
  int FindNext(SearchHandle search, char* name, unsigned size) override;
  void EndSearch(SearchHandle search) override;

 private:
  std::string Native(const char* path) const;  // Windows path under windowsDir_ -> host path
  std::string windowsDir_;
  std::string currentDir_;
};
