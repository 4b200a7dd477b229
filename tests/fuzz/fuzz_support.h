// Shared by the fuzz targets: a file system holding one file, and the
// reference meaning of text mode to check the real code against.
#pragma once

#include <cstdlib>
#include <string>

#include "../unit/fake_file_system.h"

inline const char* kFuzzFile = "C:\\FUZZ.TXT";

// What a text-mode reader must deliver from raw bytes.
inline std::string DecodeTextMode(const std::string& raw) {
  std::string text;
  for (std::size_t i = 0; i < raw.size() && raw[i] != '\x1a'; ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    text += raw[i];
  }
  return text;
}

inline std::string UpperAsciiCopy(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return text;
}

#define FUZZ_CHECK(condition)                                          \
  do {                                                                 \
    if (!(condition)) {                                                \
      fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition,    \
              __FILE__, __LINE__);                                     \
      abort();                                                         \
    }                                                                  \
  } while (0)
