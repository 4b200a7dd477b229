#include <gtest/gtest.h>

#include <string>

#include "fake_file_system.h"
#include "inf_cleanup_core.h"

namespace {

const std::string kKey = "PCI\\VEN_125D&DEV_1969";
const char kInf[] = "C:\\WINDOWS\\INF";
const char kOther[] = "C:\\WINDOWS\\INF\\OTHER";

TEST(FileContains, WhereverTheKeyStandsBeforeTheFirstCtrlZ) {
  struct Case { const char* what; std::string text; bool found; };
  const Case cases[] = {
      {"plain", "[ZM640]\r\n%D%=ZM640, " + kKey + "\r\n", true},
      {"lower case", "pci\\ven_125d&dev_1969\r\n", false},
      {"empty", "", false},
      {"10 characters before the first block ends", std::string(1014, 'x') + kKey, true},
      {"across the block boundary after CR LF pairs",
       std::string(500, '\n') + std::string(510, 'x') + "\r\n" + kKey, true},
      {"after a NUL", std::string("abc\0def ", 8) + kKey, true},
      {"after a Ctrl-Z", "abc\x1a" + kKey, false},
      {"split by a line end", "PCI\\VEN_125D\r\n&DEV_1969", false},
      {"far into a large file", std::string(100000, ';') + kKey, true},
      // Files read in 32 KB blocks, looked at for a Ctrl-Z only where it matters.
      {"across the 32 KB boundary", std::string(32768 - 10, 'x') + kKey, true},
      {"in a later block, a Ctrl-Z in the first", "x\x1a" + std::string(40000, 'y') + kKey, false},
      {"after a Ctrl-Z in its own later block", std::string(40000, 'y') + "\x1a" + kKey, false},
      {"after a Ctrl-Z that ends a full block", std::string(32767, 'x') + "\x1a" + kKey, false},
      {"across the boundary, a Ctrl-Z after it", std::string(32760, 'x') + kKey + "\x1a", true},
      {"a full block, then the key alone", std::string(32768, 'x') + kKey, true},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.files["C:\\A.INF"] = c.text;
    EXPECT_EQ(c.found, FileContains(fs, "C:\\A.INF", kKey.c_str()) != 0) << c.what;
    EXPECT_EQ(0, fs.openFiles()) << c.what;
  }
}

TEST(FileContains, KeysWithLineEndsAreSearchedInTextMode) {
  FakeFileSystem fs;
  fs.files["C:\\A.INF"] = "x\r\n[ZM640]\r\ny";
  EXPECT_TRUE(FileContains(fs, "C:\\A.INF", "x\n[ZM640]"));
  EXPECT_FALSE(FileContains(fs, "C:\\A.INF", "x\r\n[ZM640]"));
  EXPECT_EQ(0, fs.openFiles());
}

TEST(FileContains, ReadErrorCountsAsNotNaming) {
  for (int failAt = 1; failAt <= 3; ++failAt) {
    FakeFileSystem fs;
    fs.files["C:\\A.INF"] = std::string(100000, 'x') + kKey;  // beyond the first reads
    fs.failReadAt = failAt;
    EXPECT_FALSE(FileContains(fs, "C:\\A.INF", kKey.c_str())) << failAt;
    EXPECT_EQ(0, fs.openFiles());
  }
}

TEST(RemoveInfFiles, DeletesNamingFilesInBothFolders) {
  FakeFileSystem fs;
  fs.dirs = {kInf, kOther};
  // A long naming file first, then short ones that must be judged on their own.
  fs.files["C:\\WINDOWS\\INF\\A_LONG.INF"] = std::string(3000, 'x') + kKey;
  fs.files["C:\\WINDOWS\\INF\\B_SHORT.INF"] = "[Version]\r\n";
  fs.files["C:\\WINDOWS\\INF\\C_EMPTY.INF"] = "";
  fs.files["C:\\WINDOWS\\INF\\lower.inf"] = kKey;
  fs.files["C:\\WINDOWS\\INF\\LOCKED.INF"] = kKey;
  fs.files["C:\\WINDOWS\\INF\\NOTES.TXT"] = kKey;
  fs.files["C:\\WINDOWS\\INF\\OTHER\\ZMGAME.INF"] = kKey;
  fs.files["C:\\WINDOWS\\INF\\OTHER\\SB16.INF"] = "ISAPNP\\CTL0031";
  fs.readOnly.insert("C:\\WINDOWS\\INF\\LOCKED.INF");
  fs.dirs.insert("C:\\WINDOWS\\INF\\OTHER\\DIR.INF");  // a directory matching the pattern
  RemoveInfFiles(fs);
  EXPECT_EQ(std::set<std::string>({"C:\\WINDOWS\\INF\\B_SHORT.INF",
                                   "C:\\WINDOWS\\INF\\C_EMPTY.INF", "C:\\WINDOWS\\INF\\LOCKED.INF",
                                   "C:\\WINDOWS\\INF\\NOTES.TXT",
                                   "C:\\WINDOWS\\INF\\OTHER\\SB16.INF"}),
            [&] {
              std::set<std::string> left;
              for (auto& f : fs.files) left.insert(f.first);
              return left;
            }());
  EXPECT_EQ(kOther, fs.currentDir);  // the startup step writes its temporary file here
  EXPECT_EQ(0, fs.openFiles());
  EXPECT_EQ(0, fs.openSearches());
}

TEST(RemoveInfFiles, CurrentDirectoryIsTheLastEntered) {
  struct Case { std::set<std::string> dirs; std::string current; };
  const Case cases[] = {
      {{kInf, kOther}, kOther},
      {{kInf}, kInf},   // no INF\OTHER: INF stays current
      {{}, "C:\\"},     // neither: the directory current at the start
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.dirs = c.dirs;
    fs.files["C:\\WINDOWS\\INF\\ZM640.INF"] = kKey;
    RemoveInfFiles(fs);
    EXPECT_EQ(c.current, fs.currentDir);
    EXPECT_EQ(c.dirs.count(kInf) == 0, fs.files.count("C:\\WINDOWS\\INF\\ZM640.INF") == 1);
  }
}

TEST(RemoveInfFiles, LongWindowsDirectoryIsNeverCut) {
  FakeFileSystem fs;
  fs.windowsDir = "C:\\" + std::string(115, 'W');  // "\INF\OTHER" no longer fits 128
  std::string inf = fs.windowsDir + "\\INF";
  fs.dirs = {inf, inf + "\\OTHER", inf + "\\OTH"};
  fs.files[inf + "\\A.INF"] = kKey;
  fs.files[inf + "\\OTH\\B.INF"] = kKey;  // what a cut "...\INF\OTHER" path would name
  RemoveInfFiles(fs);
  EXPECT_EQ(0u, fs.files.count(inf + "\\A.INF"));
  EXPECT_EQ(1u, fs.files.count(inf + "\\OTH\\B.INF"));
  EXPECT_EQ(inf, fs.currentDir);
}

}  // namespace
