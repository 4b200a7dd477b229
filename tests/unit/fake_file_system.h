// An in-memory file system with switchable faults, for the file steps' tests.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "file_system.h"

class FakeFileSystem : public FileSystem {
 public:
  std::string windowsDir = "C:\\WINDOWS";
  std::string systemDir = "C:\\WINDOWS\\SYSTEM";
  std::map<std::string, std::string> files;  // by path as the program names it
  std::set<std::string> readOnly;            // paths that cannot be opened for writing or deleted
  std::vector<std::string> deleted;          // every path a deletion was asked for, in order
  int failOpenMode = -1;                     // every open with this mode fails
  bool failReads = false, failWrites = false, failSize = false;

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
  int RemoveFile(const char* path) override;

 private:
  struct Open_ { std::string path; unsigned position; bool writable; };
  static unsigned Dir(const std::string& dir, char* buffer, unsigned size);
  Open_& Get(FileHandle file);

  std::map<FileHandle, Open_> open_;
  std::size_t next_ = 1;
};
