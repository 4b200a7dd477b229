// The FileSystem of the real Windows: kernel32 calls.
#pragma once

#include "file_system.h"

class Win32FileSystem : public FileSystem {
 public:
  unsigned WindowsDirectory(char* buffer, unsigned size) override;
  unsigned SystemDirectory(char* buffer, unsigned size) override;
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
  int InUse(const char* path) override;
  int CopyOver(const char* from, const char* to) override;
  int IsReadOnly(const char* path) override;
  int ClearAttributes(const char* path) override;
  int DeleteAtNextStart(const char* path) override;
  int SetCurrentDir(const char* path) override;
  int FindFirst(const char* pattern, char* name, unsigned size, SearchHandle* search) override;
  int FindNext(SearchHandle search, char* name, unsigned size) override;
  void EndSearch(SearchHandle search) override;
};
