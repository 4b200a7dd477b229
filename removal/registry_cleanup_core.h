// The registry step: which keys under HKEY_LOCAL_MACHINE go, and in what order
// they are scanned. Portable: the registry is reached through RegistryApi.
#pragma once

typedef void* RegKey;

// The registry calls the step needs, each one Windows call (or close to it).
class RegistryApi {
 public:
  enum EnumResult { kEnumOk, kEnumNameTooLong, kEnumEnd };

  // Opens HKEY_LOCAL_MACHINE\path (KEY_ALL_ACCESS); 1 when opened.
  virtual int OpenPath(const char* path, RegKey* key) = 0;
  // Opens the sub-key name of an open key; 1 when opened.
  virtual int OpenChild(RegKey parent, const char* name, RegKey* key) = 0;
  // The name of the sub-key at index into name (size bytes with its NUL).
  // kEnumNameTooLong: the name does not fit; kEnumEnd: no such index, or any other error.
  virtual EnumResult EnumSubKey(RegKey key, unsigned index, char* name, unsigned size) = 0;
  // Reads a value into data (size bytes); yields the byte count Windows reported,
  // or -1 when the query failed (absent, unreadable, or larger than size).
  virtual int QueryValue(RegKey key, const char* value, char* data, unsigned size) = 0;
  // One RegDeleteKeyA; 1 on ERROR_SUCCESS. Windows 9x takes the sub-tree with the
  // key; Windows NT refuses a key that has sub-keys.
  virtual int DeleteKey(RegKey parent, const char* name) = 0;
  // One RegDeleteValueA; 1 on ERROR_SUCCESS.
  virtual int DeleteValue(RegKey key, const char* name) = 0;
  virtual void Close(RegKey key) = 0;

 protected:
  ~RegistryApi() {}
};

// Buffer sizes of the step: names, values and composed paths hold 127 characters.
enum { kRegNameSize = 128, kRegValueSize = 128, kRegPathSize = 128 };

// Deletes parent\name with everything below it, on any Windows. 1 when the key is gone.
int DeleteKeyTree(RegistryApi& api, RegKey parent, const char* name);

// Opens parentPath, deletes its sub-key name with its sub-tree, closes it. 1 on success.
int DeleteSubKey(RegistryApi& api, const char* parentPath, const char* name);

// Deletes every sub-key of parentPath whose name contains text (case-sensitive).
void DeleteMatchingSubKeys(RegistryApi& api, const char* parentPath, const char* text);

// Deletes every sub-key of classPath whose "InfSection" value contains section.
void DeleteClassKeysBySection(RegistryApi& api, const char* classPath, const char* section);

// Makes the bytes a value query returned (length of them, in a buffer of size)
// a NUL-terminated string; 0 when they are no string that fits the buffer.
int TerminateValueText(char* data, int length, unsigned size);

// What ZM640.INF adds, so that the removal takes it with the rest: the
// utility's value under Run and the removal's entry in Add/Remove Programs.
extern const char kRunKey[];        // Software\Microsoft\Windows\CurrentVersion\Run
extern const char kRunValue[];      // ZM640UTL
extern const char kUninstallKey[];  // Software\Microsoft\Windows\CurrentVersion\Uninstall
extern const char kUninstallName[]; // ZM640

// Deletes the Run value and the Uninstall key above; absent ones are passed over.
void RemoveInstallEntries(RegistryApi& api);

// The whole step: fourteen scans and deletions in their fixed order, then
// the install entries.
void RemoveRegistryEntries(RegistryApi& api);
