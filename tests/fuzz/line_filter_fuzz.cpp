// The filter's output is exactly the input's lines that do not contain the key
// (a to z case ignored), byte for byte as read, with CR LF line ends; a last
// line keeps having no line end. Long lines included.
#include <cstdio>

#include "fuzz_support.h"
#include "startup_filter_core.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const char* key = "es1938.sys";
  FakeFileSystem fs;
  fs.files[kFuzzFile] = raw;
  fs.files["C:\\OUT.TXT"] = "";
  FileHandle in, out;
  FUZZ_CHECK(fs.Open(kFuzzFile, kOpenRead, &in));
  FUZZ_CHECK(fs.Open("C:\\OUT.TXT", kOpenWrite, &out));
  TextReader reader(fs, in);
  TextWriter writer(fs, out);
  FUZZ_CHECK(FilterLines(reader, writer, key));
  FUZZ_CHECK(writer.Close());
  fs.Close(in);

  const std::string text = DecodeTextMode(raw);
  const std::string upperKey = UpperAsciiCopy(key);
  std::string expected;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    const std::string line = text.substr(start, end - start);
    if (UpperAsciiCopy(line).find(upperKey) == std::string::npos) {
      for (char c : line) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    start = end;
  }
  FUZZ_CHECK(fs.files["C:\\OUT.TXT"] == expected);
  return 0;
}
