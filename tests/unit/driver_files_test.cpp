#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver_files_core.h"
#include "fake_file_system.h"
#include "queued_lines.h"

namespace {

const char kQueue[] = "C:\\WINDOWS\\WinInit.INI";
const std::string kLines = QueuedLines();

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

// The synthesizer reads its sample banks until the restart. Windows 9x deletes
// an open file from under its reader, NT refuses and the file would stay for
// good: held open, a bank is queued on both, and goes at the next start.
TEST(RemoveDriverFiles, AFileStillOpenIsQueuedNotDeleted) {
  const std::string bank = "C:\\WINDOWS\\Essswt.dls", other = "C:\\WINDOWS\\Essswt.dat";
  for (bool nt : {false, true}) {
    FakeFileSystem fs;
    fs.ntRules = nt;
    fs.files[bank] = fs.files[other] = "samples";
    fs.heldOpen.insert(bank);
    EXPECT_EQ(nt ? 0 : 1, fs.RemoveFile(bank.c_str())) << "a plain delete, nt=" << nt;
    fs.files[bank] = "samples";
    fs.deleted.clear();

    RemoveDriverFiles(fs);
    EXPECT_EQ("samples", fs.files[bank]) << nt;
    EXPECT_EQ(0u, fs.files.count(other)) << nt;
    EXPECT_EQ(13u, fs.deleted.size()) << nt;
    EXPECT_EQ("\r\n[Rename]\r\n" + kLines + "NUL=" + bank + "\r\n", fs.files[kQueue]) << nt;
    std::vector<std::string> handed = QueuedPaths();
    handed.push_back(bank);
    EXPECT_EQ(handed, fs.deletedAtNextStart) << nt;
  }
}

// Held open but not queued: a long path, or a WinInit.INI that cannot be
// written. It stays, as does everything it shares the queue with.
TEST(RemoveDriverFiles, AFileStillOpenThatCannotBeQueuedStays) {
  struct Case { const char* windowsDir; bool readOnlyQueue; };
  const Case cases[] = {{"C:\\WINDOWS\\LONG WINDOWS", false}, {"C:\\WINDOWS\\WINDOWS98", false},
                        {"C:\\WINDOWS", true}};
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.windowsDir = c.windowsDir;
    const std::string bank = fs.windowsDir + "\\Essswt3M.dls", queue = fs.windowsDir + "\\WinInit.INI";
    fs.files[bank] = "samples";
    fs.heldOpen.insert(bank);
    if (c.readOnlyQueue) {
      fs.files[queue] = "[Rename]\r\n";
      fs.readOnly.insert(queue);
    }
    RemoveDriverFiles(fs);
    EXPECT_EQ("samples", fs.files[bank]) << c.windowsDir;
    EXPECT_EQ(std::string::npos, fs.files[queue].find("Essswt3M")) << c.windowsDir;
  }
}

}  // namespace
