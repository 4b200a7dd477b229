#include "posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {
struct Search {
  DIR* dir;
  std::string suffix;  // "*.INF" -> ".INF", matched without regard to case
};

int Matches(const char* name, const std::string& suffix) {
  size_t length = strlen(name);
  return length >= suffix.size() && strcasecmp(name + length - suffix.size(), suffix.c_str()) == 0;
}
}  // namespace

unsigned PosixFileSystem::WindowsDirectory(char* buffer, unsigned size) {
  const char* dir = "C:\\WINDOWS";
  if (strlen(dir) + 1 > size) return static_cast<unsigned>(strlen(dir) + 1);
  strcpy(buffer, dir);
  return static_cast<unsigned>(strlen(dir));
}

std::string PosixFileSystem::Native(const char* path) const {
  std::string p = path;
  if (p.rfind("C:\\WINDOWS", 0) == 0) p = windowsDir_ + p.substr(10);
  else if (p.find(':') == std::string::npos) p = currentDir_ + "/" + p;
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

int PosixFileSystem::Open(const char* path, OpenMode mode, FileHandle* file) {
  if (mode != kOpenRead) return 0;
  int fd = open(Native(path).c_str(), O_RDONLY);
  if (fd < 0) return 0;
  *file = reinterpret_cast<FileHandle>(static_cast<intptr_t>(fd) + 1);
  return 1;
}

static int Fd(FileHandle file) { return static_cast<int>(reinterpret_cast<intptr_t>(file)) - 1; }

int PosixFileSystem::Read(FileHandle file, void* buffer, unsigned size, unsigned* got) {
  ssize_t n = read(Fd(file), buffer, size);
  if (n < 0) return 0;
  *got = static_cast<unsigned>(n);
  return 1;
}

int PosixFileSystem::Size(FileHandle file, unsigned* size) {
  struct stat info;
  if (fstat(Fd(file), &info) != 0) return 0;
  *size = static_cast<unsigned>(info.st_size);
  return 1;
}

int PosixFileSystem::Seek(FileHandle file, unsigned offset) {
  return lseek(Fd(file), offset, SEEK_SET) == static_cast<off_t>(offset);
}

int PosixFileSystem::Close(FileHandle file) { return close(Fd(file)) == 0; }

int PosixFileSystem::RemoveFile(const char* path) {
  removed.push_back(Native(path));
  return 1;
}

int PosixFileSystem::SetCurrentDir(const char* path) {
  std::string native = Native(path);
  struct stat info;
  if (stat(native.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return 0;
  currentDir_ = native;
  return 1;
}

int PosixFileSystem::FindFirst(const char* pattern, char* name, unsigned size, SearchHandle* search) {
  DIR* dir = opendir(currentDir_.c_str());
  if (dir == nullptr) return 0;
  Search* s = new Search{dir, std::string(pattern).substr(1)};
  *search = s;
  if (FindNext(s, name, size)) return 1;
  EndSearch(s);
  return 0;
}

int PosixFileSystem::FindNext(SearchHandle search, char* name, unsigned size) {
  Search* s = static_cast<Search*>(search);
  while (dirent* entry = readdir(s->dir)) {
    if (Matches(entry->d_name, s->suffix) && strlen(entry->d_name) < size) {
      strcpy(name, entry->d_name);
      return 1;
    }
  }
  return 0;
}

void PosixFileSystem::EndSearch(SearchHandle search) {
  Search* s = static_cast<Search*>(search);
  closedir(s->dir);
  delete s;
}
