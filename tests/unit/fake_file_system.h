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
  // Files by full path; a relative name is taken in the current directory.
  std::map<std::string, std::string> files;
  std::set<std::string> dirs;                // directories that can be made current
  std::string currentDir = "C:\\";
  std::set<std::string> readOnly;            // paths that cannot be opened for writing or deleted
  bool honourReadOnlyOnCopy = true;          // false: copies over read-only files, as Wine as root does
  std::vector<std::string> deleted;          // every path a deletion was asked for, in order
  int failOpenMode = -1;                     // every open with this mode fails
  bool failReads = false, failWrites = false, failSize = false, failCopy = false;
  // The n-th call (counted from 1) of each kind fails; 0: none.
  int failReadAt = 0, failWriteAt = 0, failCloseAt = 0;
  int reads = 0, writes = 0, closes = 0, copies = 0;
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
  int RemoveFile(const char* path) override;
  int CopyOver(const char* from, const char* to) override;
  int IsReadOnly(const char* path) override { return readOnly.count(Full(path)) != 0; }
  int SetCurrentDir(const char* path) override;
  int FindFirst(const char* pattern, char* name, unsigned size, SearchHandle* search) override;
  int FindNext(SearchHandle search, char* name, unsigned size) override;
  void EndSearch(SearchHandle search) override;
  int openSearches() const { return static_cast<int>(searches_.size()); }

 private:
  struct Open_ { std::string path; unsigned position; bool writable; };
  static unsigned Dir(const std::string& dir, char* buffer, unsigned size);
  Open_& Get(FileHandle file);

  struct Search_ { std::vector<std::string> names; std::size_t next; };
  std::map<FileHandle, Open_> open_;
  std::map<SearchHandle, Search_> searches_;
  std::size_t next_ = 1;
};
