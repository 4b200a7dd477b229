// The file calls the removal steps make, behind an interface so the decisions
// about them can be tested without Windows. Each member is one Windows call or
// close to it; 1 means done.
#pragma once

typedef void* FileHandle;
typedef void* SearchHandle;

enum OpenMode {
  kOpenRead,    // an existing file, for reading
  kOpenWrite,   // created, or emptied if it exists, for writing
  kOpenUpdate,  // an existing file, for reading and writing
  kOpenCreate,  // a new file, for writing; fails where the file exists
};

class FileSystem {
 public:
  // GetWindowsDirectoryA / GetSystemDirectoryA: the length copied, or the size
  // needed when the buffer is too small, or 0 on failure.
  virtual unsigned WindowsDirectory(char* buffer, unsigned size) = 0;
  virtual unsigned SystemDirectory(char* buffer, unsigned size) = 0;

  // Files are opened shared for reading and writing with other programs.
  virtual int Open(const char* path, OpenMode mode, FileHandle* file) = 0;
  // Reads up to size bytes; *got is 0 at the end of the file.
  virtual int Read(FileHandle file, void* buffer, unsigned size, unsigned* got) = 0;
  // 1 only when every byte was written.
  virtual int Write(FileHandle file, const void* data, unsigned size) = 0;
  virtual int Size(FileHandle file, unsigned* size) = 0;
  virtual int Seek(FileHandle file, unsigned offset) = 0;  // from the start
  virtual int Truncate(FileHandle file) = 0;               // the file ends at the current offset
  virtual int Close(FileHandle file) = 0;
  // FlushFileBuffers: what was written is on the disk, not only in its cache.
  virtual int FlushToDisk(FileHandle file) = 0;
  // GetDiskFreeSpaceA for the drive of root ("C:\", or 0: the current drive).
  virtual int FreeSpace(const char* root, unsigned* clusterBytes, unsigned* freeClusters) = 0;
  // GetDiskFreeSpaceExA's exact count of free bytes, at most 2 GiB; 0 where
  // Windows lacks the call (Windows 95 before OSR2, which has no FAT32).
  virtual int FreeBytes(const char* root, unsigned* bytes) = 0;
  // WritePrivateProfileStringA(0, 0, 0, path): Windows writes out and drops
  // its cached copy of that INI file.
  virtual void FlushProfileCache(const char* path) = 0;
  virtual int RemoveFile(const char* path) = 0;  // DeleteFileA
  // 1 when another program has the file open: an open that shares nothing
  // fails with a sharing violation. Windows 9x deletes an open file all the
  // same (NT refuses), from under the program that still reads it.
  virtual int InUse(const char* path) = 0;
  // CopyFileA with bFailIfExists FALSE: to is overwritten.
  virtual int CopyOver(const char* from, const char* to) = 0;
  // 1 when the file exists and is marked read-only.
  virtual int IsReadOnly(const char* path) = 0;
  // SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL): no read-only, hidden or
  // system mark stands in the way of the file's deletion.
  virtual int ClearAttributes(const char* path) = 0;
  // MoveFileExA(path, 0, MOVEFILE_DELAY_UNTIL_REBOOT): Windows NT deletes the
  // file at its next start. 0 on Windows 9x, where nothing is called (its
  // boot step reads WinInit.INI instead, KB 140570).
  virtual int DeleteAtNextStart(const char* path) = 0;
  virtual int SetCurrentDir(const char* path) = 0;
  // A directory search (FindFirstFileA and FindNextFileA): each entry's long
  // name into name (size bytes). 0 when there is no (further) entry.
  virtual int FindFirst(const char* pattern, char* name, unsigned size, SearchHandle* search) = 0;
  virtual int FindNext(SearchHandle search, char* name, unsigned size) = 0;
  virtual void EndSearch(SearchHandle search) = 0;

 protected:
  ~FileSystem() {}
};

// 1 when a directory call's result (length) is a whole path in a buffer of size.
inline int DirectoryFits(unsigned length, unsigned size) { return length > 0 && length < size; }
