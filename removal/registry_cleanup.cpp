// The registry step's Windows calls: advapi32 under HKEY_LOCAL_MACHINE.
#include <windows.h>

#include "registry_cleanup_core.h"
#include "removal_steps.h"

namespace {

class Win32Registry : public RegistryApi {
 public:
  int OpenPath(const char* path, RegKey* key) override {
    return OpenChild(HKEY_LOCAL_MACHINE, path, key);
  }
  int OpenChild(RegKey parent, const char* name, RegKey* key) override {
    HKEY opened;
    if (RegOpenKeyExA(static_cast<HKEY>(parent), name, 0, KEY_ALL_ACCESS, &opened) !=
        ERROR_SUCCESS)
      return 0;
    *key = opened;
    return 1;
  }
  EnumResult EnumSubKey(RegKey key, unsigned index, char* name, unsigned size) override {
    DWORD length = size;
    LONG result = RegEnumKeyExA(static_cast<HKEY>(key), index, name, &length, 0, 0, 0, 0);
    if (result == ERROR_SUCCESS) return kEnumOk;
    return result == ERROR_MORE_DATA ? kEnumNameTooLong : kEnumEnd;
  }
  int QueryValue(RegKey key, const char* value, char* data, unsigned size) override {
    DWORD length = size;
    if (RegQueryValueExA(static_cast<HKEY>(key), value, 0, 0, reinterpret_cast<BYTE*>(data),
                         &length) != ERROR_SUCCESS)
      return -1;
    return static_cast<int>(length);
  }
  int DeleteKey(RegKey parent, const char* name) override {
    return RegDeleteKeyA(static_cast<HKEY>(parent), name) == ERROR_SUCCESS;
  }
  int DeleteValue(RegKey key, const char* name) override {
    return RegDeleteValueA(static_cast<HKEY>(key), name) == ERROR_SUCCESS;
  }
  void Close(RegKey key) override { RegCloseKey(static_cast<HKEY>(key)); }
};

}  // namespace

void RemoveRegistryEntries() {
  Win32Registry registry;
  RemoveRegistryEntries(registry);
}
