#include <gtest/gtest.h>

#include <string>

#include "fake_file_system.h"
#include "startup_filter_core.h"

namespace {

const char kConfig[] = "C:\\Config.sys";
const char kTemp[] = "C:\\WINDOWS\\INF\\OTHER\\EraseMe.Now";

FakeFileSystem SystemWith(const std::string& config) {
  FakeFileSystem fs;
  fs.currentDir = "C:\\WINDOWS\\INF\\OTHER";
  fs.files[kConfig] = config;
  return fs;
}

TEST(RemoveLinesContaining, Filtering) {
  struct Case { const char* what; std::string before; std::string after; };
  const std::string longKept(3000, 'a');
  const std::string longDropped = std::string(1500, 'b') + "es1938.sys" + std::string(1500, 'c');
  const std::string straddling = std::string(1018, 'd') + "es1938.sys";  // key across 1023
  // Shift-JIS "テスト": trail bytes 0x65 and 0x67 are 'e' and 'g'.
  const std::string katakana = "\x83\x65\x83\x58\x83\x67";
  const Case cases[] = {
      {"drops the key in any case, keeps the rest as it was",
       "DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nDEVICE=C:\\ES1938.SYS /A:220\r\nfiles=40\r\n",
       "DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nfiles=40\r\n"},
      {"a remark naming the key goes too", "rem es1938.sys here\r\nbuffers=20\r\n",
       "buffers=20\r\n"},
      {"double-byte text whose trail bytes are a to z",
       "REM " + katakana + "\r\ndevice=es1938.sys\r\nECHO " + katakana + "\r\n",
       "REM " + katakana + "\r\nECHO " + katakana + "\r\n"},
      {"LOADLIN's case-sensitive arguments",
       "loadlin c:\\linux\\vmlinuz root=/dev/hda2 ro\r\nC:\\Es1938.Sys\r\n",
       "loadlin c:\\linux\\vmlinuz root=/dev/hda2 ro\r\n"},
      {"mixed-case ECHO and SET lines",
       "@Echo Off\r\nSET Blaster=A220 I5\r\nDevice=Es1938.SYS\r\necho Ready, Mixed Case\r\n",
       "@Echo Off\r\nSET Blaster=A220 I5\r\necho Ready, Mixed Case\r\n"},
      {"bare LF line ends come back as CR LF", "a\nb\n", "a\r\nb\r\n"},
      {"a last line without line end stays without", "a\r\nlast", "a\r\nlast"},
      {"a dropped last line without line end", "a\r\nES1938.SYS", "a\r\n"},
      {"empty file", "", ""},
      {"empty lines stay", "\r\n\r\nx\r\n", "\r\n\r\nx\r\n"},
      {"Ctrl-Z mark and what follows are gone", "a\r\n\x1a" "garbage\r\n", "a\r\n"},
      {"accented bytes unchanged", "rem caf\xe9 \xe0\r\n", "rem caf\xe9 \xe0\r\n"},
      {"a CR without LF stays inside its line", "a\rb\r\n", "a\rb\r\n"},
      {"a kept long line is written whole", longKept + "\r\nz\r\n", longKept + "\r\nz\r\n"},
      {"a long line with the key far in goes whole", "x\r\n" + longDropped + "\r\ny\r\n",
       "x\r\ny\r\n"},
      {"the key across the 1022-character chunk boundary", straddling + "\r\nk\r\n", "k\r\n"},
      {"a long last line without line end", "x\r\n" + longKept, "x\r\n" + longKept},
      {"a long line ended by Ctrl-Z", longKept + "\x1a" "zz", longKept},
      {"exactly 1022 characters and its line end", std::string(1022, 'e') + "\r\nf",
       std::string(1022, 'e') + "\r\nf"},
      {"exactly 1023 characters, no line end", std::string(1023, 'g'), std::string(1023, 'g')},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs = SystemWith(c.before);
    RemoveLinesContaining(fs, kConfig, "es1938.sys");
    EXPECT_EQ(c.after, fs.files[kConfig]) << c.what;
    EXPECT_EQ(0u, fs.files.count(kTemp)) << c.what;
    EXPECT_EQ(0, fs.openFiles()) << c.what;
  }
}

TEST(RemoveLinesContaining, MissingFileIsNotTouchedAndLeavesNoTemporaryFile) {
  FakeFileSystem fs;
  fs.currentDir = "C:\\WINDOWS\\INF\\OTHER";
  RemoveLinesContaining(fs, kConfig, "es1938.sys");
  EXPECT_TRUE(fs.files.empty());
  EXPECT_EQ(0, fs.copies);
}

TEST(RemoveLinesContaining, EveryFailurePointLeavesTheFileAsItWas) {
  // Large enough for several reads and writes; a long line makes the filter seek too.
  const std::string original = "device=c:\\es1938.sys\r\n" + std::string(2000, 'x') + "\r\n" +
                               std::string(300, 'y') + "\r\nlast";
  const std::string filtered = std::string(2000, 'x') + "\r\n" + std::string(300, 'y') + "\r\nlast";
  int failures = 0, failedBeforeCopy = 0;
  for (int kind = 0; kind < 3; ++kind) {
    for (int n = 1; n <= 40; ++n) {
      FakeFileSystem fs = SystemWith(original);
      int* counter[] = {&fs.failReadAt, &fs.failWriteAt, &fs.failCloseAt};
      *counter[kind] = n;
      RemoveLinesContaining(fs, kConfig, "es1938.sys");
      int calls[] = {fs.reads, fs.writes, fs.closes};
      if (calls[kind] < n) break;  // past the last call of this kind
      ++failures;
      const std::string& now = fs.files[kConfig];
      EXPECT_TRUE(now == original || now == filtered) << "kind " << kind << " call " << n;
      // A copy stays only where the file's content could not be confirmed, and whole.
      if (fs.files.count(kTemp)) EXPECT_EQ(filtered, fs.files[kTemp]) << "kind " << kind << " call " << n;
      if (now == original) EXPECT_EQ(0u, fs.files.count(kTemp)) << "kind " << kind << " call " << n;
      failedBeforeCopy += fs.copies == 0;
      EXPECT_EQ(0, fs.openFiles());
    }
  }
  EXPECT_GT(failures, 6);  // reads, writes and closes were all reached
  EXPECT_GT(failedBeforeCopy, 6);

  FakeFileSystem copyFails = SystemWith(original);
  copyFails.failCopy = true;
  RemoveLinesContaining(copyFails, kConfig, "es1938.sys");
  EXPECT_EQ(original, copyFails.files[kConfig]);
  EXPECT_EQ(0u, copyFails.files.count(kTemp));

  FakeFileSystem noTemporary = SystemWith(original);
  noTemporary.failOpenMode = kOpenWrite;
  RemoveLinesContaining(noTemporary, kConfig, "es1938.sys");
  EXPECT_EQ(original, noTemporary.files[kConfig]);
  EXPECT_EQ(0, noTemporary.openFiles());
}

TEST(RemoveLinesContaining, ReadOnlyFileStaysEvenWhereCopyingWouldSucceed) {
  FakeFileSystem fs = SystemWith("device=c:\\es1938.sys\r\n");
  fs.readOnly.insert(kConfig);
  fs.honourReadOnlyOnCopy = false;  // as Wine running as root
  RemoveLinesContaining(fs, kConfig, "es1938.sys");
  EXPECT_EQ("device=c:\\es1938.sys\r\n", fs.files[kConfig]);
  EXPECT_EQ(0u, fs.files.count(kTemp));
}

TEST(FilterStartupFiles, SixPassesOverThreeFiles) {
  FakeFileSystem fs;
  fs.currentDir = "C:\\WINDOWS\\INF\\OTHER";
  fs.files["C:\\Config.sys"] =
      "DEVICE=C:\\WINDOWS\\ES1938.SYS\r\ndevice=c:\\windows\\essolo.sys\r\nfiles=40\r\n";
  fs.files["C:\\Autoexec.Bat"] =
      "path c:\\windows;c:\\dos\r\nREM es1938.com is loaded here\r\nc:\\essolo.com\r\n";
  fs.files["C:\\WINDOWS\\DosStart.Bat"] = "c:\\es1938.com\r\nmouse\r\n";
  FilterStartupFiles(fs);
  EXPECT_EQ("files=40\r\n", fs.files["C:\\Config.sys"]);
  EXPECT_EQ("path c:\\windows;c:\\dos\r\n", fs.files["C:\\Autoexec.Bat"]);
  EXPECT_EQ("mouse\r\n", fs.files["C:\\WINDOWS\\DosStart.Bat"]);
  EXPECT_EQ(5, fs.copies);  // the last pass finds nothing to change: no copy over
  EXPECT_EQ(0u, fs.files.count(kTemp));
}

TEST(FilterStartupFiles, NoDosStartChangesNothingElse) {
  FakeFileSystem fs;
  fs.currentDir = "C:\\WINDOWS\\INF";
  FilterStartupFiles(fs);
  EXPECT_TRUE(fs.files.empty());
  EXPECT_EQ(0, fs.copies);
}

}  // namespace
