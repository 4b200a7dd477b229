#include "fake_registry.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

std::string FakeRegistry::Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
  return text;
}

FakeRegistry::Node* FakeRegistry::Child(Node* node, const std::string& name) const {
  for (auto& child : node->children)
    if (Lower(child->name) == Lower(name)) return child.get();  // key names ignore case
  return nullptr;
}

FakeRegistry::Node* FakeRegistry::Walk(const std::string& path, bool create) const {
  Node* node = const_cast<Node*>(&root_);
  for (std::size_t start = 0, end; node != nullptr && start <= path.size(); start = end + 1) {
    end = std::min(path.find('\\', start), path.size());
    Node* child = Child(node, path.substr(start, end - start));
    if (child == nullptr && create) {
      node->children.push_back(std::make_unique<Node>());
      child = node->children.back().get();
      child->name = path.substr(start, end - start);
      child->path = path.substr(0, end);
    }
    node = child;
  }
  return node;
}

void FakeRegistry::Add(const std::string& path, const std::string& value, const std::string& data) {
  Node* node = Walk(path, true);
  if (!value.empty()) node->values[Lower(value)] = data + std::string(1, '\0');
}

void FakeRegistry::SetRaw(const std::string& path, const std::string& value,
                          const std::string& bytes) {
  Add(path);
  Find(path)->values[Lower(value)] = bytes;
}

std::vector<std::string> FakeRegistry::AllKeys() const {
  std::vector<std::string> keys;
  std::vector<const Node*> stack{&root_};
  while (!stack.empty()) {
    const Node* node = stack.back();
    stack.pop_back();
    if (node != &root_) keys.push_back(node->path);
    for (auto it = node->children.rbegin(); it != node->children.rend(); ++it)
      stack.push_back(it->get());
  }
  return keys;
}

int FakeRegistry::Open(Node* node, RegKey* key) {
  if (node == nullptr) return 0;
  *key = reinterpret_cast<RegKey>(nextHandle_++);
  handles_[*key] = node;
  return 1;
}

FakeRegistry::Node* FakeRegistry::Handle(RegKey key) const {
  auto it = handles_.find(key);
  if (it == handles_.end()) throw std::logic_error("use of a closed or unknown key handle");
  return it->second;
}

int FakeRegistry::OpenPath(const char* path, RegKey* key) { return Open(Find(path), key); }

int FakeRegistry::OpenChild(RegKey parent, const char* name, RegKey* key) {
  return Open(Child(Handle(parent), name), key);
}

RegistryApi::EnumResult FakeRegistry::EnumSubKey(RegKey key, unsigned index, char* name,
                                                 unsigned size) {
  Node* node = Handle(key);
  enumCalls.emplace_back(node->path, index);
  if (index >= node->children.size()) return kEnumEnd;
  const std::string& found = node->children[index]->name;
  if (found.size() + 1 > size) return kEnumNameTooLong;
  memcpy(name, found.c_str(), found.size() + 1);
  return kEnumOk;
}

int FakeRegistry::QueryValue(RegKey key, const char* value, char* data, unsigned size) {
  Node* node = Handle(key);
  auto it = node->values.find(Lower(value));
  if (it == node->values.end() || it->second.size() > size) return -1;
  memcpy(data, it->second.data(), it->second.size());
  return static_cast<int>(it->second.size());
}

int FakeRegistry::DeleteValue(RegKey key, const char* name) {
  return Handle(key)->values.erase(Lower(name)) == 1;
}

std::vector<std::string> FakeRegistry::ValueNames(const std::string& path) const {
  std::vector<std::string> names;
  if (Node* node = Find(path))
    for (const auto& value : node->values) names.push_back(value.first);
  return names;
}

int FakeRegistry::DeleteKey(RegKey parent, const char* name) {
  ++deleteCalls;
  Node* node = Handle(parent);
  for (auto it = node->children.begin(); it != node->children.end(); ++it) {
    Node* child = it->get();
    if (Lower(child->name) != Lower(name)) continue;
    if (undeletable_.count(Lower(child->path))) return 0;
    if (rules_ == kWinNT && !child->children.empty()) return 0;
    for (auto& handle : handles_)
      if (handle.second == child) throw std::logic_error("deleting a key that is still open");
    node->children.erase(it);
    return 1;
  }
  return 0;
}

void FakeRegistry::Close(RegKey key) {
  Handle(key);
  handles_.erase(key);
}
