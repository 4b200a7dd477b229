#include "fake_file_system.h"

#include <cstring>
#include <stdexcept>

unsigned FakeFileSystem::Dir(const std::string& dir, char* buffer, unsigned size) {
  if (dir.size() + 1 > size) return static_cast<unsigned>(dir.size() + 1);  // as Windows does
  memcpy(buffer, dir.c_str(), dir.size() + 1);
  return static_cast<unsigned>(dir.size());
}

FakeFileSystem::Open_& FakeFileSystem::Get(FileHandle file) {
  auto it = open_.find(file);
  if (it == open_.end()) throw std::logic_error("use of a closed or unknown file");
  return it->second;
}

int FakeFileSystem::Open(const char* path, OpenMode mode, FileHandle* file) {
  if (static_cast<int>(mode) == failOpenMode) return 0;
  bool exists = files.count(path) != 0;
  if (mode != kOpenWrite && !exists) return 0;
  if (mode != kOpenRead && readOnly.count(path)) return 0;
  if (mode == kOpenWrite) files[path].clear();
  *file = reinterpret_cast<FileHandle>(next_++);
  open_[*file] = Open_{path, 0, mode != kOpenRead};
  return 1;
}

int FakeFileSystem::Read(FileHandle file, void* buffer, unsigned size, unsigned* got) {
  Open_& f = Get(file);
  if (failReads) return 0;
  const std::string& data = files[f.path];
  unsigned left = f.position < data.size() ? static_cast<unsigned>(data.size()) - f.position : 0;
  *got = size < left ? size : left;
  memcpy(buffer, data.data() + f.position, *got);
  f.position += *got;
  return 1;
}

int FakeFileSystem::Write(FileHandle file, const void* data, unsigned size) {
  Open_& f = Get(file);
  if (failWrites || !f.writable) return 0;
  std::string& content = files[f.path];
  if (content.size() < f.position + size) content.resize(f.position + size);
  memcpy(&content[f.position], data, size);
  f.position += size;
  return 1;
}

int FakeFileSystem::Size(FileHandle file, unsigned* size) {
  Open_& f = Get(file);
  if (failSize) return 0;
  *size = static_cast<unsigned>(files[f.path].size());
  return 1;
}

int FakeFileSystem::Seek(FileHandle file, unsigned offset) {
  Get(file).position = offset;
  return 1;
}

int FakeFileSystem::Truncate(FileHandle file) {
  Open_& f = Get(file);
  if (!f.writable) return 0;
  files[f.path].resize(f.position);
  return 1;
}

int FakeFileSystem::Close(FileHandle file) {
  Get(file);
  open_.erase(file);
  return 1;
}

int FakeFileSystem::RemoveFile(const char* path) {
  deleted.push_back(path);
  if (!files.count(path) || readOnly.count(path)) return 0;
  files.erase(path);
  return 1;
}
