// An in-memory HKEY_LOCAL_MACHINE that behaves like Windows 9x (a key deletion
// takes its sub-tree) or Windows NT (a key with sub-keys cannot be deleted).
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "registry_cleanup_core.h"

class FakeRegistry : public RegistryApi {
 public:
  enum Rules { kWin9x, kWinNT };
  explicit FakeRegistry(Rules rules) : rules_(rules) {}

  // Creates path (every missing key on the way) and sets a string value if given.
  void Add(const std::string& path, const std::string& value = "", const std::string& data = "");
  // Sets a value's raw bytes (no terminator added).
  void SetRaw(const std::string& path, const std::string& value, const std::string& bytes);
  bool Has(const std::string& path) const { return Find(path) != nullptr; }
  // The value names of a key, lower-cased, sorted; empty when the key is absent.
  std::vector<std::string> ValueNames(const std::string& path) const;
  // Every key path below the root, in enumeration order, depth first.
  std::vector<std::string> AllKeys() const;
  void MakeUndeletable(const std::string& path) { undeletable_.insert(Lower(path)); }

  int openHandles() const { return static_cast<int>(handles_.size()); }
  // (key path, index) of every enumeration call, in order.
  std::vector<std::pair<std::string, unsigned>> enumCalls;
  int deleteCalls = 0;

  int OpenPath(const char* path, RegKey* key) override;
  int OpenChild(RegKey parent, const char* name, RegKey* key) override;
  EnumResult EnumSubKey(RegKey key, unsigned index, char* name, unsigned size) override;
  int QueryValue(RegKey key, const char* value, char* data, unsigned size) override;
  int DeleteKey(RegKey parent, const char* name) override;
  int DeleteValue(RegKey key, const char* name) override;
  void Close(RegKey key) override;

 private:
  struct Node {
    std::string name;
    std::string path;
    std::map<std::string, std::string> values;
    std::vector<std::unique_ptr<Node>> children;
  };
  static std::string Lower(std::string text);
  Node* Walk(const std::string& path, bool create) const;  // CREATE: missing keys made
  Node* Find(const std::string& path) const { return Walk(path, false); }
  Node* Child(Node* node, const std::string& name) const;
  int Open(Node* node, RegKey* key);
  Node* Handle(RegKey key) const;

  Rules rules_;
  Node root_;
  std::set<std::string> undeletable_;
  std::map<RegKey, Node*> handles_;
  std::size_t nextHandle_ = 1;
};
