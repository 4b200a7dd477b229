#include "file_system_win32.h"

#include <windows.h>

#include "text.h"
#include "win32_lookup.h"

unsigned Win32FileSystem::WindowsDirectory(char* buffer, unsigned size) {
  return GetWindowsDirectoryA(buffer, size);
}

unsigned Win32FileSystem::SystemDirectory(char* buffer, unsigned size) {
  return GetSystemDirectoryA(buffer, size);
}

int Win32FileSystem::Open(const char* path, OpenMode mode, FileHandle* file) {
  DWORD access = GENERIC_READ;
  DWORD disposition = OPEN_EXISTING;
  if (mode == kOpenWrite) {
    access = GENERIC_WRITE;
    disposition = CREATE_ALWAYS;
  } else if (mode == kOpenUpdate) {
    access = GENERIC_READ | GENERIC_WRITE;
  } else if (mode == kOpenCreate) {
    access = GENERIC_WRITE;
    disposition = CREATE_NEW;
  }
  HANDLE handle = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE, 0, disposition,
                              FILE_ATTRIBUTE_NORMAL, 0);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  *file = handle;
  return 1;
}

int Win32FileSystem::Read(FileHandle file, void* buffer, unsigned size, unsigned* got) {
  DWORD read = 0;
  int ok = ReadFile(static_cast<HANDLE>(file), buffer, size, &read, 0) != 0;
  *got = ok ? read : 0;
  return ok;
}

int Win32FileSystem::Write(FileHandle file, const void* data, unsigned size) {
  DWORD written = 0;
  return WriteFile(static_cast<HANDLE>(file), data, size, &written, 0) && written == size;
}

int Win32FileSystem::Size(FileHandle file, unsigned* size) {
  DWORD low = GetFileSize(static_cast<HANDLE>(file), 0);
  if (low == INVALID_FILE_SIZE) return 0;
  *size = low;
  return 1;
}

int Win32FileSystem::Seek(FileHandle file, unsigned offset) {
  return SetFilePointer(static_cast<HANDLE>(file), static_cast<LONG>(offset), 0, FILE_BEGIN) ==
         offset;
}

int Win32FileSystem::Truncate(FileHandle file) { return SetEndOfFile(static_cast<HANDLE>(file)) != 0; }

int Win32FileSystem::Close(FileHandle file) { return CloseHandle(static_cast<HANDLE>(file)) != 0; }

int Win32FileSystem::FlushToDisk(FileHandle file) {
  return FlushFileBuffers(static_cast<HANDLE>(file)) != 0;
}

int Win32FileSystem::FreeSpace(const char* root, unsigned* clusterBytes, unsigned* freeClusters) {
  DWORD sectorsPerCluster, bytesPerSector, freeCount, totalCount;
  if (!GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeCount, &totalCount))
    return 0;
  *clusterBytes = sectorsPerCluster * bytesPerSector;
  *freeClusters = freeCount;
  return *clusterBytes != 0;
}

int Win32FileSystem::FreeBytes(const char* root, unsigned* bytes) {
  typedef BOOL(WINAPI * FreeSpaceEx)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
  FreeSpaceEx freeSpaceEx = LookUpFunction<FreeSpaceEx>("kernel32.dll", "GetDiskFreeSpaceExA");
  ULARGE_INTEGER available, total, totalFree;
  if (freeSpaceEx == 0 || !freeSpaceEx(root, &available, &total, &totalFree)) return 0;
  const unsigned kCap = 0x80000000u;  // a power of two: it says nothing of the cluster size
  *bytes = available.HighPart != 0 || available.LowPart > kCap ? kCap : available.LowPart;
  return 1;
}

void Win32FileSystem::FlushProfileCache(const char* path) { WritePrivateProfileStringA(0, 0, 0, path); }

int Win32FileSystem::RemoveFile(const char* path) { return DeleteFileA(path) != 0; }

int Win32FileSystem::InUse(const char* path) {
  HANDLE file = CreateFileA(path, GENERIC_READ, 0, 0, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, 0);
  if (file == INVALID_HANDLE_VALUE) return GetLastError() == ERROR_SHARING_VIOLATION;
  CloseHandle(file);
  return 0;
}

int Win32FileSystem::CopyOver(const char* from, const char* to) {
  return CopyFileA(from, to, FALSE) != 0;
}

int Win32FileSystem::IsReadOnly(const char* path) {
  DWORD attributes = GetFileAttributesA(path);
  return attributes != 0xFFFFFFFF && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

int Win32FileSystem::ClearAttributes(const char* path) {
  return SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL) != 0;
}

int Win32FileSystem::DeleteAtNextStart(const char* path) {
  if (GetVersion() & 0x80000000u) return 0;  // Windows 9x
  typedef BOOL(WINAPI * MoveFileLater)(LPCSTR, LPCSTR, DWORD);
  MoveFileLater moveFileEx = LookUpFunction<MoveFileLater>("kernel32.dll", "MoveFileExA");
  return moveFileEx != 0 && moveFileEx(path, 0, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

int Win32FileSystem::SetCurrentDir(const char* path) { return SetCurrentDirectoryA(path) != 0; }

namespace {
// A found entry's name, whole or not at all.
int TakeName(const WIN32_FIND_DATAA& found, char* name, unsigned size) {
  return CopyText(name, size, found.cFileName);
}
}  // namespace

int Win32FileSystem::FindFirst(const char* pattern, char* name, unsigned size,
                               SearchHandle* search) {
  WIN32_FIND_DATAA found;
  HANDLE handle = FindFirstFileA(pattern, &found);
  if (handle == INVALID_HANDLE_VALUE) return 0;
  *search = handle;
  if (TakeName(found, name, size)) return 1;
  return FindNext(handle, name, size);
}

int Win32FileSystem::FindNext(SearchHandle search, char* name, unsigned size) {
  WIN32_FIND_DATAA found;
  while (FindNextFileA(static_cast<HANDLE>(search), &found)) {
    if (TakeName(found, name, size)) return 1;
  }
  return 0;
}

void Win32FileSystem::EndSearch(SearchHandle search) { FindClose(static_cast<HANDLE>(search)); }
