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

}  // namespace
