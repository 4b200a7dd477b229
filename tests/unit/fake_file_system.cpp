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

std::string FakeFileSystem::Full(const std::string& path) const {
  if (path.find(':') != std::string::npos) return path;
  std::string dir = currentDir;
  if (!dir.empty() && dir.back() != '\\') dir += '\\';
  return dir + path;
}

int FakeFileSystem::Open(const char* name, OpenMode mode, FileHandle* file) {
  const std::string path = Full(name);
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
  if (failReads || ++reads == failReadAt) return 0;
  const std::string& data = files[f.path];
  unsigned left = f.position < data.size() ? static_cast<unsigned>(data.size()) - f.position : 0;
  *got = size < left ? size : left;
  memcpy(buffer, data.data() + f.position, *got);
  f.position += *got;
  return 1;
}

int FakeFileSystem::Write(FileHandle file, const void* data, unsigned size) {
  Open_& f = Get(file);
  if (failWrites || !f.writable || ++writes == failWriteAt) return 0;
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
  return ++closes != failCloseAt;  // a failed close still releases the handle
}

int FakeFileSystem::CopyOver(const char* from, const char* to) {
  ++copies;
  std::string source = Full(from), target = Full(to);
  if (failCopy || !files.count(source)) return 0;
  if (honourReadOnlyOnCopy && readOnly.count(target)) return 0;
  files[target] = files[source];
  return 1;
}

int FakeFileSystem::SetCurrentDir(const char* path) {
  if (!dirs.count(path)) return 0;
  currentDir = path;
  return 1;
}

namespace {
bool MatchesPattern(const std::string& name, const std::string& pattern) {
  // Only "*.EXT" patterns are needed; names match without regard to case.
  std::string suffix = pattern.substr(1);
  if (name.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (toupper(static_cast<unsigned char>(name[name.size() - suffix.size() + i])) !=
        toupper(static_cast<unsigned char>(suffix[i])))
      return false;
  return true;
}
}  // namespace

int FakeFileSystem::FindFirst(const char* pattern, char* name, unsigned size,
                              SearchHandle* search) {
  Search_ found{{}, 0};
  std::string dir = Full("");
  for (auto& file : files) {
    const std::string& path = file.first;
    if (path.compare(0, dir.size(), dir) != 0) continue;
    std::string rest = path.substr(dir.size());
    if (rest.find('\\') == std::string::npos && MatchesPattern(rest, pattern))
      found.names.push_back(rest);
  }
  for (const std::string& sub : dirs)  // a directory may match the pattern too
    if (sub.compare(0, dir.size(), dir) == 0 && sub.size() > dir.size() &&
        sub.find('\\', dir.size()) == std::string::npos && MatchesPattern(sub.substr(dir.size()), pattern))
      found.names.push_back(sub.substr(dir.size()));
  if (found.names.empty()) return 0;
  *search = reinterpret_cast<SearchHandle>(next_++);
  searches_[*search] = found;
  return FindNext(*search, name, size);
}

int FakeFileSystem::FindNext(SearchHandle search, char* name, unsigned size) {
  Search_& s = searches_.at(search);
  if (s.next == s.names.size()) return 0;
  const std::string& found = s.names[s.next++];
  if (found.size() + 1 > size) throw std::logic_error("name buffer too small");
  memcpy(name, found.c_str(), found.size() + 1);
  return 1;
}

void FakeFileSystem::EndSearch(SearchHandle search) { searches_.erase(search); }

int FakeFileSystem::RemoveFile(const char* name) {
  const std::string path = Full(name);
  deleted.push_back(path);
  if (!files.count(path) || readOnly.count(path)) return 0;
  files.erase(path);
  return 1;
}
