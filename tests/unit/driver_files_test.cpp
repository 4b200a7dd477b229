#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_files_core.h"
#include "fake_file_system.h"

namespace {

const char kQueue[] = "C:\\WINDOWS\\WinInit.INI";
const std::string kLines =
    "NUL=C:\\WINDOWS\\SYSTEM\\ES1938.drv\r\n"
    "NUL=C:\\WINDOWS\\SYSTEM\\Esfm.drv\r\n"
    "NUL=C:\\WINDOWS\\SYSTEM\\Essmpu.drv\r\n"
    "NUL=C:\\WINDOWS\\SYSTEM\\Essswt.drv\r\n"
    "NUL=C:\\WINDOWS\\SYSTEM\\Essolo.drv\r\n"
    "NUL=C:\\WINDOWS\\ZM640UTL.exe\r\n"
    "NUL=C:\\WINDOWS\\ZM640UNI.exe\r\n";

TEST(RemoveDriverFiles, DeletesTheFourteenInOrder) {
  FakeFileSystem fs;
  fs.files["C:\\WINDOWS\\SYSTEM\\essolo.vxd"] = "x";
  fs.files["C:\\WINDOWS\\SYSTEM\\sb16.vxd"] = "stays";
  RemoveDriverFiles(fs);
  EXPECT_EQ(std::vector<std::string>({
                "C:\\WINDOWS\\SYSTEM\\es1938.vxd", "C:\\WINDOWS\\SYSTEM\\essdm.vxd",
                "C:\\WINDOWS\\SYSTEM\\essswt.vxd", "C:\\WINDOWS\\SYSTEM\\essolo.vxd",
                "C:\\WINDOWS\\SYSTEM\\es1938mg.vxd", "C:\\WINDOWS\\Essswt.dat",
                "C:\\WINDOWS\\Essswt.dls", "C:\\WINDOWS\\Essswt3M.dls", "C:\\WINDOWS\\Essswt1M.dls",
                "C:\\Es1938.com", "C:\\Essolo.com", "C:\\Es1938.sys", "C:\\Essolo.sys",
                "C:\\Es1938.ini"}),
            fs.deleted);
  EXPECT_EQ(0u, fs.files.count("C:\\WINDOWS\\SYSTEM\\essolo.vxd"));
  EXPECT_EQ("stays", fs.files["C:\\WINDOWS\\SYSTEM\\sb16.vxd"]);
  // None of the files present, or some: the seven lines are queued all the same.
  EXPECT_EQ("\r\n[Rename]\r\n" + kLines, fs.files[kQueue]);
  EXPECT_EQ(0, fs.openFiles());
}

TEST(QueueBootDeletions, WinInitIniByteForByte) {
  struct Case { const char* what; bool exists; std::string before; std::string after; };
  const std::string z = "\x1a";
  const Case cases[] = {
      {"absent", false, "", "\r\n[Rename]\r\n" + kLines},
      {"ends in a line end", true, "[Rename]\r\nNUL=C:\\X.TMP\r\n",
       "[Rename]\r\nNUL=C:\\X.TMP\r\n" + kLines},
      {"ends in a bare LF", true, "[Rename]\n", "[Rename]\n" + kLines},
      {"no final line end", true, "[Rename]\r\nNUL=C:\\X.TMP",
       "[Rename]\r\nNUL=C:\\X.TMP\r\n" + kLines},
      {"ends in Ctrl-Z", true, "[Rename]\r\n" + z, "[Rename]\r\n" + kLines},
      {"Ctrl-Z after a last line without end", true, "[Rename]" + z + z,
       "[Rename]\r\n" + kLines},
      {"a long run of Ctrl-Z", true, "[Rename]\r\n" + std::string(200, '\x1a'),
       "[Rename]\r\n" + kLines},
      {"only Ctrl-Z", true, z + z, kLines},
      {"empty", true, "", kLines},
      {"Ctrl-Z inside stays", true, "[A]" + z + "x\r\n", "[A]" + z + "x\r\n" + kLines},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    if (c.exists) fs.files[kQueue] = c.before;
    QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(c.after, fs.files[kQueue]) << c.what;
    EXPECT_EQ(0, fs.openFiles()) << c.what;
  }
}

TEST(QueueBootDeletions, TwoRunsQueueTwice) {
  FakeFileSystem fs;
  QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
  QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ("\r\n[Rename]\r\n" + kLines + kLines, fs.files[kQueue]);
}

TEST(QueueBootDeletions, FailuresWriteNothing) {
  struct Case { const char* what; bool exists; int failMode; bool readOnly; bool failSize; };
  const Case cases[] = {
      {"create fails", false, kOpenWrite, false, false},
      {"append-open fails", true, kOpenUpdate, false, false},
      {"read-only queue file", true, -1, true, false},
      {"size unknown", true, -1, false, true},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    if (c.exists) fs.files[kQueue] = "[Rename]\r\n";
    if (c.readOnly) fs.readOnly.insert(kQueue);
    fs.failOpenMode = c.failMode;
    fs.failSize = c.failSize;
    QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(c.exists ? 1u : 0u, fs.files.count(kQueue)) << c.what;
    if (c.exists) {
      EXPECT_EQ("[Rename]\r\n", fs.files[kQueue]) << c.what;
    }
    EXPECT_EQ(0, fs.openFiles()) << c.what;
  }
}

TEST(QueueBootDeletions, UnreadableTailAppendsAsTheFileStands) {
  FakeFileSystem fs;
  fs.files[kQueue] = "[Rename]\x1a";
  fs.failReads = true;
  QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ("[Rename]\x1a" + kLines, fs.files[kQueue]);
}

TEST(RemoveDriverFiles, LongDirectoriesNeverGiveCutPaths) {
  struct Case { std::size_t windowsLength; bool queued; bool windowsFilesDeleted; };
  const Case cases[] = {
      {115, true, true},    // "\WinInit.INI" just fits the 128-byte path
      {116, false, true},   // the queue path would be cut: nothing is queued
      {127, false, true},   // the longest directory the buffer holds
      {128, false, false},  // does not fit the buffer at all
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.windowsDir = "C:\\" + std::string(c.windowsLength - 3, 'W');
    fs.systemDir = "C:\\WINDOWS\\SYSTEM";
    RemoveDriverFiles(fs);
    bool queued = fs.files.count(fs.windowsDir + "\\WinInit.INI") != 0;
    EXPECT_EQ(c.queued, queued) << c.windowsLength;
    if (queued) {
      EXPECT_NE(std::string::npos,
                fs.files[fs.windowsDir + "\\WinInit.INI"].find("NUL=" + fs.windowsDir +
                                                               "\\ZM640UNI.exe\r\n"));
    }
    std::size_t expected = c.windowsFilesDeleted ? 14 : 10;
    EXPECT_EQ(expected, fs.deleted.size()) << c.windowsLength;
    for (const std::string& path : fs.deleted) EXPECT_LT(path.size(), 256u);
  }
}

TEST(RemoveDriverFiles, UnreadableSystemDirectorySkipsItsFilesAndLines) {
  FakeFileSystem fs;
  fs.systemDir = std::string(200, 'S');
  RemoveDriverFiles(fs);
  EXPECT_EQ(9u, fs.deleted.size());
  EXPECT_EQ("\r\n[Rename]\r\nNUL=C:\\WINDOWS\\ZM640UTL.exe\r\nNUL=C:\\WINDOWS\\ZM640UNI.exe\r\n",
            fs.files[kQueue]);
}

}  // namespace
