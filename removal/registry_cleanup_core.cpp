#include "registry_cleanup_core.h"

#include "text.h"

namespace {

// Key names can be 255 characters long; the sub-tree walk must see every one.
enum { kLongestKeyName = 256 };

const char kMediaClass[] = "System\\CurrentControlSet\\Services\\Class\\MEDIA";
const char kMediaResources[] = "System\\CurrentControlSet\\Control\\MediaResources";

// Visits every sub-key of an open key, the one place for the scan rules:
// deleteIfWanted(name) yields 1 when it deleted that sub-key, which shifts the
// indices, so the scan starts again at the first one; otherwise, a failed
// deletion included, it moves on, so an undeletable key cannot loop. A name
// too long for the buffer is passed over, never taken for the end of the list.
template <typename DeleteIfWanted>
void ScanSubKeys(RegistryApi& api, RegKey key, char* name, unsigned size,
                 DeleteIfWanted deleteIfWanted) {
  unsigned index = 0;
  for (;;) {
    RegistryApi::EnumResult found = api.EnumSubKey(key, index, name, size);
    if (found == RegistryApi::kEnumEnd) return;
    if (found == RegistryApi::kEnumOk && deleteIfWanted(name)) {
      index = 0;
    } else {
      ++index;
    }
  }
}

}  // namespace

int DeleteKeyTree(RegistryApi& api, RegKey parent, const char* name) {
  if (api.DeleteKey(parent, name)) return 1;  // Windows 9x: the sub-tree went with it

  // Windows NT rules: empty the key depth first, then delete it.
  RegKey key;
  if (!api.OpenChild(parent, name, &key)) return 0;
  char child[kLongestKeyName];
  ScanSubKeys(api, key, child, sizeof child,
              [&](const char* found) { return DeleteKeyTree(api, key, found); });
  api.Close(key);
  return api.DeleteKey(parent, name);
}

int DeleteSubKey(RegistryApi& api, const char* parentPath, const char* name) {
  RegKey parent;
  if (!api.OpenPath(parentPath, &parent)) return 0;
  int deleted = DeleteKeyTree(api, parent, name);
  api.Close(parent);
  return deleted;
}

void DeleteMatchingSubKeys(RegistryApi& api, const char* parentPath, const char* text) {
  RegKey parent;
  if (!api.OpenPath(parentPath, &parent)) return;
  char name[kRegNameSize];
  ScanSubKeys(api, parent, name, sizeof name, [&](const char* found) {
    return ContainsText(found, text) && DeleteSubKey(api, parentPath, found);
  });
  api.Close(parent);
}

int TerminateValueText(char* data, int length, unsigned size) {
  if (length < 0 || static_cast<unsigned>(length) > size || size == 0) return 0;
  for (int i = 0; i < length; ++i) {
    if (data[i] == '\0') return 1;
  }
  // No NUL among the bytes: terminate after them if there is room.
  if (static_cast<unsigned>(length) == size) return 0;
  data[length] = '\0';
  return 1;
}

namespace {

// 1 when the class sub-key's "InfSection" value reads and contains section.
int SectionMatches(RegistryApi& api, const char* classPath, const char* name,
                   const char* section) {
  char path[kRegPathSize];
  if (!FormatText(path, sizeof path, "%s\\%s", classPath, name)) return 0;  // never a cut path
  RegKey key;
  if (!api.OpenPath(path, &key)) return 0;
  char value[kRegValueSize];
  int length = api.QueryValue(key, "InfSection", value, sizeof value);
  api.Close(key);
  return TerminateValueText(value, length, sizeof value) && ContainsText(value, section);
}

}  // namespace

void DeleteClassKeysBySection(RegistryApi& api, const char* classPath, const char* section) {
  RegKey classKey;
  if (!api.OpenPath(classPath, &classKey)) return;
  char name[kRegNameSize];
  ScanSubKeys(api, classKey, name, sizeof name, [&](const char* found) {
    return SectionMatches(api, classPath, found, section) && DeleteKeyTree(api, classKey, found);
  });
  api.Close(classKey);
}

const char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const char kRunValue[] = "ZM640UTL";
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kUninstallName[] = "ZM640";

void RemoveInstallEntries(RegistryApi& api) {
  RegKey run;
  if (api.OpenPath(kRunKey, &run)) {
    api.DeleteValue(run, kRunValue);
    api.Close(run);
  }
  DeleteSubKey(api, kUninstallKey, kUninstallName);
}

void RemoveRegistryEntries(RegistryApi& api) {
  DeleteMatchingSubKeys(api, "Enum\\MF\\CHILD0000", "125D");
  DeleteMatchingSubKeys(api, "Enum\\MF\\CHILD0001", "125D");
  DeleteMatchingSubKeys(api, "Enum\\PCI", "VEN_125D&DEV_1969");
  DeleteSubKey(api, "Enum", "ES1938");
  DeleteSubKey(api, "Enum", "SOLO");
  DeleteSubKey(api, "Enum\\PCI", "VEN_125D&DEV_1969");  // usually gone with step 3 already
  DeleteSubKey(api, kMediaResources, "aux");
  DeleteSubKey(api, kMediaResources, "midi");
  DeleteSubKey(api, kMediaResources, "mixer");
  DeleteSubKey(api, kMediaResources, "wave");
  DeleteSubKey(api, "SOFTWARE", "ESS");
  // Each pass opens the class key afresh and starts at the first sub-key.
  DeleteClassKeysBySection(api, kMediaClass, "SoloA_Device");
  DeleteClassKeysBySection(api, kMediaClass, "SoloD_Device");
  DeleteClassKeysBySection(api, kMediaClass, "MSJSTICK");
  RemoveInstallEntries(api);
}
