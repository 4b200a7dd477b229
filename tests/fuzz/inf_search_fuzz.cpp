// FileContains finds the card's identity exactly where the text-mode reading
// of the file holds it before the first Ctrl-Z, with exact case. The first two
// bytes choose where the identity is planted, so that it is often there.
#include <cstdio>

#include "fuzz_support.h"
#include "inf_cleanup_core.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  if (size < 2) return 0;
  std::string raw(reinterpret_cast<const char*>(data) + 2, size - 2);
  std::size_t at = (static_cast<std::size_t>(data[0]) << 8 | data[1]);
  if (at & 1) raw.insert((at >> 1) % (raw.size() + 1), kCardHardwareId);
  FakeFileSystem fs;
  fs.files[kFuzzFile] = raw;
  const bool expected = DecodeTextMode(raw).find(kCardHardwareId) != std::string::npos;
  FUZZ_CHECK((FileContains(fs, kFuzzFile, kCardHardwareId) != 0) == expected);
  FUZZ_CHECK(fs.openFiles() == 0);
  return 0;
}
