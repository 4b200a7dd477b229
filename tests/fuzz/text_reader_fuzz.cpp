// The text reader delivers exactly the text-mode meaning of any bytes, and
// Tell/SeekTo bring it back to any line start.
#include <cstdio>

#include "fuzz_support.h"
#include "text_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), size);
  FakeFileSystem fs;
  fs.files[kFuzzFile] = raw;
  FileHandle file;
  FUZZ_CHECK(fs.Open(kFuzzFile, kOpenRead, &file));
  TextReader in(fs, file);
  std::string text;
  unsigned secondLine = 0;
  char c;
  while (in.Get(&c)) {
    text += c;
    if (c == '\n' && secondLine == 0) secondLine = in.Tell();
  }
  const std::string expected = DecodeTextMode(raw);
  FUZZ_CHECK(text == expected);
  FUZZ_CHECK(in.ReachedEnd());
  if (secondLine != 0) {
    FUZZ_CHECK(in.SeekTo(secondLine));
    std::string rest;
    while (in.Get(&c)) rest += c;
    FUZZ_CHECK(rest == expected.substr(expected.find('\n') + 1));
  }
  fs.Close(file);
  return 0;
}
