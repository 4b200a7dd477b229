#include "fake_file_system.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "safe_replace.h"

FakeFileSystem::FakeFileSystem() { StartReplaceRun(); }  // a new fake, a new run

bool FakeFileSystem::PowerOff() {
  ++calls;
  return powerCutAfter >= 0 && calls > powerCutAfter;
}

void FakeFileSystem::Changing(const std::string& path, std::size_t from) {
  if (!dirtyFrom_.count(path)) {
    auto it = files.find(path);
    flushed_[path] = it == files.end() ? std::string() : it->second;
    dirtyFrom_[path] = from;
  }
  dirtyFrom_[path] = std::min(dirtyFrom_[path], from);
}

unsigned FakeFileSystem::UsedClusters() const {
  unsigned used = 0;
  for (auto& file : files)
    used += static_cast<unsigned>((file.second.size() + clusterBytes - 1) / clusterBytes);
  return used;
}

std::size_t FakeFileSystem::Capacity(const std::string& path) const {
  if (clusterBytes == 0) return static_cast<std::size_t>(-1);
  auto it = files.find(path);
  std::size_t own = it == files.end() ? 0 : (it->second.size() + clusterBytes - 1) / clusterBytes;
  unsigned used = UsedClusters();
  std::size_t free = used < totalClusters ? totalClusters - used : 0;
  return (own + free) * clusterBytes;
}

std::map<std::string, std::string> FakeFileSystem::Disk() const {
  std::map<std::string, std::string> disk = files;
  for (auto& dirty : dirtyFrom_) {
    auto it = disk.find(dirty.first);
    if (it == disk.end()) continue;
    const std::string& flushed = flushed_.at(dirty.first);
    std::string onDisk = flushed.substr(0, std::min(dirty.second, flushed.size()));
    if (it->second.size() > onDisk.size()) onDisk.append(it->second.size() - onDisk.size(), '\x7f');
    it->second = onDisk;
  }
  return disk;
}

void FakeFileSystem::EndSession() {
  for (auto& cached : profileCache) files[cached.first] = cached.second;
  profileCache.clear();
}

int FakeFileSystem::FlushToDisk(FileHandle file) {
  Open_& f = Get(file);
  if (PowerOff() || !f.writable || failFlushes) return 0;
  dirtyFrom_.erase(f.path);
  flushed_.erase(f.path);
  return 1;
}

int FakeFileSystem::FreeSpace(const char* root, unsigned* cluster, unsigned* freeClusters) {
  if (PowerOff() || clusterBytes == 0 || !reportFreeSpace) return 0;
  if (root != nullptr && std::string(root) != "C:\\") return 0;  // one drive
  unsigned used = UsedClusters();
  *cluster = clusterBytes * clusterInflation;
  *freeClusters = (used < totalClusters ? totalClusters - used : 0) / clusterInflation;
  return 1;
}

int FakeFileSystem::FreeBytes(const char* root, unsigned* bytes) {
  if (!hasFreeSpaceEx) return 0;
  unsigned cluster = 0, freeClusters = 0;
  if (!FreeSpace(root, &cluster, &freeClusters)) return 0;
  unsigned used = UsedClusters();
  *bytes = (used < totalClusters ? totalClusters - used : 0) * clusterBytes;
  return 1;
}

int FakeFileSystem::ClearAttributes(const char* path) {
  if (PowerOff() || !files.count(Full(path))) return 0;
  readOnly.erase(Full(path));
  return 1;
}

int FakeFileSystem::DeleteAtNextStart(const char* path) {
  if (PowerOff()) return 0;
  deletedAtNextStart.push_back(Full(path));
  return 1;
}

void FakeFileSystem::FlushProfileCache(const char* path) {
  profileFlushes.push_back(path);
  bool off = PowerOff();
  profileFlushCalls.push_back(calls);
  if (off) return;
  auto it = profileCache.find(path);
  if (it == profileCache.end()) return;
  files[path] = it->second;  // written out by Windows itself, and on the disk
  dirtyFrom_.erase(path);
  flushed_.erase(path);
  profileCache.erase(it);
}

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
  if (PowerOff() || static_cast<int>(mode) == failOpenMode) return 0;
  bool exists = files.count(path) != 0;
  if ((mode == kOpenRead || mode == kOpenUpdate) && !exists) return 0;
  if (mode == kOpenCreate && exists) return 0;
  if (mode != kOpenRead && readOnly.count(path)) return 0;
  if (mode == kOpenWrite || mode == kOpenCreate) {
    Changing(path, 0);
    files[path].clear();
  }
  *file = reinterpret_cast<FileHandle>(next_++);
  open_[*file] = Open_{path, 0, mode != kOpenRead};
  return 1;
}

int FakeFileSystem::Read(FileHandle file, void* buffer, unsigned size, unsigned* got) {
  Open_& f = Get(file);
  if (PowerOff() || failReads || ++reads == failReadAt) return 0;
  const std::string& data = files[f.path];
  unsigned left = f.position < data.size() ? static_cast<unsigned>(data.size()) - f.position : 0;
  *got = size < left ? size : left;
  memcpy(buffer, data.data() + f.position, *got);
  f.position += *got;
  return 1;
}

int FakeFileSystem::Write(FileHandle file, const void* data, unsigned size) {
  Open_& f = Get(file);
  if (PowerOff() || failWrites || !f.writable || ++writes == failWriteAt) return 0;
  std::size_t room = Capacity(f.path);
  unsigned fits = f.position >= room ? 0 : static_cast<unsigned>(std::min<std::size_t>(size, room - f.position));
  Changing(f.path, f.position);
  std::string& content = files[f.path];
  if (content.size() < f.position + fits) content.resize(f.position + fits);
  memcpy(&content[f.position], data, fits);
  f.position += fits;
  return fits == size;  // a short write is a failed one
}

int FakeFileSystem::Size(FileHandle file, unsigned* size) {
  Open_& f = Get(file);
  if (PowerOff() || failSize) return 0;
  *size = static_cast<unsigned>(files[f.path].size());
  return 1;
}

int FakeFileSystem::Seek(FileHandle file, unsigned offset) {
  Open_& f = Get(file);
  if (PowerOff()) return 0;
  f.position = offset;
  return 1;
}

int FakeFileSystem::Truncate(FileHandle file) {
  Open_& f = Get(file);
  if (PowerOff() || !f.writable) return 0;
  Changing(f.path, f.position);
  files[f.path].resize(f.position);
  return 1;
}

int FakeFileSystem::Close(FileHandle file) {
  Get(file);
  open_.erase(file);
  if (PowerOff()) return 0;
  return ++closes != failCloseAt;  // a failed close still releases the handle
}

int FakeFileSystem::CopyOver(const char* from, const char* to) {
  ++copies;
  std::string source = Full(from), target = Full(to);
  if (PowerOff() || failCopy || !files.count(source)) return 0;
  if (honourReadOnlyOnCopy && readOnly.count(target)) return 0;
  const std::string text = files[source];
  std::size_t chunks = (text.size() + copyChunk - 1) / copyChunk;
  if (copyFailAtChunk >= 0 && static_cast<std::size_t>(copyFailAtChunk) <= chunks &&
      (copyFailCall == 0 || copyFailCall == copies)) {
    copyFailed = true;
    if (copyFault == kTargetUntouched) return 0;
    if (copyFault == kTargetDeleted) {
      files.erase(target);
      dirtyFrom_.erase(target);
      flushed_.erase(target);
      return 0;
    }
    Changing(target, 0);
    files[target] = text.substr(0, copyFailAtChunk * copyChunk);
    return 0;
  }
  Changing(target, 0);
  files[target].clear();  // created or emptied first, then written
  std::size_t room = Capacity(target);
  files[target] = text.substr(0, std::min(room, text.size()));
  return files[target].size() == text.size();
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
  if (PowerOff() || !files.count(path) || readOnly.count(path)) return 0;
  if (ntRules && heldOpen.count(path)) return 0;  // ERROR_SHARING_VIOLATION
  files.erase(path);
  dirtyFrom_.erase(path);
  flushed_.erase(path);
  return 1;
}
