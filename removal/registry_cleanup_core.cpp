#include "registry_cleanup_core.h"

#include "text.h"

namespace {

// Key names can be 255 characters long; the sub-tree walk must see every one.
enum { kLongestKeyName = 256 };

const char kMediaClass[] = "System\\CurrentControlSet\\Services\\Class\\MEDIA";
const char kMediaResources[] = "System\\CurrentControlSet\\Control\\MediaResources";

}  // namespace

int DeleteKeyTree(RegistryApi& api, RegKey parent, const char* name) {
  if (api.DeleteKey(parent, name)) return 1;  // Windows 9x: the sub-tree went with it

  // Windows NT rules: empty the key depth first, then delete it.
  RegKey key;
  if (!api.OpenChild(parent, name, &key)) return 0;
  char child[kLongestKeyName];
  unsigned index = 0;
  for (;;) {
    RegistryApi::EnumResult found = api.EnumSubKey(key, index, child, sizeof child);
    if (found == RegistryApi::kEnumEnd) break;
    if (found == RegistryApi::kEnumOk && DeleteKeyTree(api, key, child)) {
      index = 0;  // the deletion shifted the indices
    } else {
      ++index;
    }
  }
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
  unsigned index = 0;
  for (;;) {
    RegistryApi::EnumResult found = api.EnumSubKey(parent, index, name, sizeof name);
    if (found == RegistryApi::kEnumEnd) break;
    // A name too long for the buffer is passed over, never taken for the end.
    if (found == RegistryApi::kEnumOk && ContainsText(name, text) &&
        DeleteSubKey(api, parentPath, name)) {
      index = 0;  // the deletion shifted the indices: start again
    } else {
      ++index;  // a failed deletion moves on, so an undeletable key cannot loop
    }
  }
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
  unsigned index = 0;
  for (;;) {
    RegistryApi::EnumResult found = api.EnumSubKey(classKey, index, name, sizeof name);
    if (found == RegistryApi::kEnumEnd) break;
    if (found == RegistryApi::kEnumOk && SectionMatches(api, classPath, name, section) &&
        DeleteKeyTree(api, classKey, name)) {
      index = 0;
    } else {
      ++index;
    }
  }
  api.Close(classKey);
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
}
