#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "boot_queue_core.h"
#include "fake_file_system.h"
#include "queued_lines.h"
#include "wininit_cases.h"

namespace {

const char kQueue[] = "C:\\WINDOWS\\WinInit.INI";
const char kCopy[] = "C:\\WINDOWS\\EraseMe.Now";
const std::string kLines = QueuedLines();

void Queue(FakeFileSystem& fs) { QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM"); }


TEST(QueueBootDeletions, EveryWinInitCaseOfTheTable) {
  const std::vector<WinInitCase> cases = ReadWinInitCases();
  EXPECT_GE(cases.size(), 19u);  // the table was found and read whole
  for (const WinInitCase& c : cases) {
    FakeFileSystem fs;
    if (c.exists) fs.files[kQueue] = c.before;
    Queue(fs);
    EXPECT_EQ(c.after, fs.files[kQueue]) << c.name;
    EXPECT_EQ(0u, fs.files.count(kCopy)) << c.name;
    EXPECT_EQ(0, fs.openFiles()) << c.name;
  }
}

TEST(FindQueuePlace, LongLinesAndLargeFiles) {
  struct Case { const char* what; std::string text; QueuePlace::Kind kind; std::size_t offset; };
  const std::string longLine = "; " + std::string(3000, 'x') + " [Rename] x\r\n";
  const std::string bigSection = "[Fonts]\r\n" + std::string(100000, 'f') + "\r\n";
  // "[Rename]" across the reader's 512-byte chunks.
  const std::string straddling = std::string(507, ';') + "\r\n[Rename]\r\nA=B\r\n[X]\r\n";
  const Case cases[] = {
      {"a long comment naming the section is no header", longLine + "[Other]\r\n",
       QueuePlace::kAtEndWithHeader, 0},
      {"a long line inside the section", "[Rename]\r\n" + longLine + "[X]\r\n",
       QueuePlace::kInsideFile, 10 + longLine.size()},
      {"a large section before it", bigSection + "[Rename]\r\nA=B\r\n[X]\r\n",
       QueuePlace::kInsideFile, bigSection.size() + 15},
      {"a large section after it", "[Rename]\r\nA=B\r\n" + bigSection, QueuePlace::kInsideFile, 15},
      {"the header across a chunk boundary", straddling, QueuePlace::kInsideFile, 509 + 15},
      {"a long header line with a second bracket",
       "[Rename]" + std::string(2000, ' ') + "]\r\n", QueuePlace::kAtEndWithHeader, 0},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.files[kQueue] = c.text;
    FileHandle file;
    ASSERT_TRUE(fs.Open(kQueue, kOpenRead, &file));
    QueuePlace place;
    ASSERT_TRUE(FindQueuePlace(fs, file, &place)) << c.what;
    fs.Close(file);
    EXPECT_EQ(c.kind, place.kind) << c.what;
    EXPECT_EQ(c.offset, place.offset) << c.what;
  }
}

TEST(QueueBootDeletions, LinesGoInsideALargeFileAndEveryOtherByteStays) {
  const std::string head = "[Rename]\r\nNUL=C:\\OTHER.TMP\r\n";
  const std::string tail = "[Other]\r\n" + std::string(5000, 'o') + "\r\n\x1a";
  FakeFileSystem fs;
  fs.files[kQueue] = head + tail;
  Queue(fs);
  EXPECT_EQ(head + kLines + tail, fs.files[kQueue]);
  EXPECT_EQ(1, fs.copies);
}

TEST(QueueBootDeletions, TwoRunsQueueTwice) {
  struct Case { bool exists; std::string before, after; };
  const Case cases[] = {
      {false, "", "\r\n[Rename]\r\n" + kLines + kLines},
      {true, "[Rename]\r\n[X]\r\n", "[Rename]\r\n" + kLines + kLines + "[X]\r\n"},
      {true, "[X]\r\n", "[X]\r\n[Rename]\r\n" + kLines + kLines},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    if (c.exists) fs.files[kQueue] = c.before;
    Queue(fs);
    Queue(fs);
    EXPECT_EQ(c.after, fs.files[kQueue]) << c.before;
  }
}

TEST(QueueBootDeletions, FailuresLeaveTheFileAsItWas) {
  struct Case { std::string what; bool exists; std::string before; std::function<void(FakeFileSystem&)> fault; };
  const std::string last = "[Rename]\r\n", inside = "[Rename]\r\n[X]\r\n";
  std::vector<Case> cases = {
      {"create fails", false, "", [](FakeFileSystem& fs) { fs.failOpenMode = kOpenCreate; }},
      {"a new file written short is deleted", false, "", [](FakeFileSystem& fs) { fs.failWriteAt = 1; }},
      {"there, but not to be opened for reading: never emptied", true, last + "NUL=C:\\O.TMP\r\n",
       [](FakeFileSystem& fs) { fs.failOpenMode = kOpenRead; }},
      {"append-open fails", true, last, [](FakeFileSystem& fs) { fs.failOpenMode = kOpenUpdate; }},
      {"read-only queue file", true, last, [](FakeFileSystem& fs) { fs.readOnly.insert(kQueue); }},
      {"size unknown", true, last, [](FakeFileSystem& fs) { fs.failSize = true; }},
      {"the file cannot be read", true, inside, [](FakeFileSystem& fs) { fs.failReads = true; }},
      {"the copy cannot be made", true, inside, [](FakeFileSystem& fs) { fs.failOpenMode = kOpenWrite; }},
      {"read-only, to be rewritten", true, inside, [](FakeFileSystem& fs) { fs.readOnly.insert(kQueue); }},
  };
  // An append that fails where the free-space check cannot see it is cut back
  // to how the file ended, Ctrl-Z marks and all.
  const std::pair<const char*, std::function<void(FakeFileSystem&)>> appendFaults[] = {
      {"write fails", [](FakeFileSystem& fs) { fs.failWriteAt = 1; }},
      {"short write on a disk that hides its space",
       [](FakeFileSystem& fs) {
         fs.clusterBytes = 64;
         fs.totalClusters = 1;  // the file's own cluster: the lines fit only in part
         fs.reportFreeSpace = false;
       }},
      {"flush fails", [](FakeFileSystem& fs) { fs.failFlushes = true; }},
      {"close fails", [](FakeFileSystem& fs) { fs.failCloseAt = 2; }},  // after the search's
  };
  for (const std::string& before : {last + "NUL=C:\\A.TMP\r\n", last + "NUL=C:\\A.TMP",
                                    last + "NUL=C:\\A.TMP\r\n\x1a\x1a"})
    for (auto& fault : appendFaults) cases.push_back({fault.first + (" on " + before), true, before, fault.second});
  for (const Case& c : cases) {
    FakeFileSystem fs;
    if (c.exists) fs.files[kQueue] = c.before;
    fs.honourReadOnlyOnCopy = false;  // as Wine running as root: the step itself must refuse
    c.fault(fs);
    Queue(fs);
    EXPECT_EQ(c.exists ? 1u : 0u, fs.files.count(kQueue)) << c.what;
    if (c.exists) EXPECT_EQ(c.before, fs.files[kQueue]) << c.what;
    EXPECT_EQ(0u, fs.files.count(kCopy)) << c.what;
    EXPECT_EQ(0, fs.openFiles()) << c.what;
  }
}

TEST(QueueBootDeletions, NewFileOnADiskThatReportsItsSpaceAsWindows9xDoes) {
  // 4 KiB clusters; GetDiskFreeSpaceA as on FAT32 under Windows 9x shows them
  // 32 KiB each and 8 times fewer. No WinInit.INI yet.
  struct Case { const char* what; unsigned freeClusters, inflation; bool exact; bool created; };
  const Case cases[] = {
      {"20 KiB really free, the exact count read", 5, 8, true, true},
      {"one real cluster free, the exact count read", 1, 8, true, true},
      {"nothing free, the exact count read", 0, 8, true, false},
      {"FAT16 without the exact count (Windows 95 retail)", 1, 1, false, true},
      {"FAT16, nothing free", 0, 1, false, false},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    fs.files["C:\\IO.SYS"] = std::string(40000, 'i');
    fs.clusterBytes = 4096;
    fs.totalClusters = fs.UsedClusters() + c.freeClusters;
    fs.clusterInflation = c.inflation;
    fs.hasFreeSpaceEx = c.exact;
    Queue(fs);
    EXPECT_EQ(c.created ? 1u : 0u, fs.files.count(kQueue)) << c.what;
    if (c.created) EXPECT_EQ("\r\n[Rename]\r\n" + kLines, fs.files[kQueue]) << c.what;
  }
}

TEST(QueueBootDeletions, QueuedFilesAreOnesTheNextStartCanDelete) {
  // A copy from the CD keeps its read-only mark, which the boot step honours
  // (KB Q68345): our programs lose it; the driver's files keep theirs. NT's
  // own list gets the same files, whatever becomes of WinInit.INI.
  const std::vector<std::string> all = QueuedPaths();
  const std::string driver = all[0], utility = all[5], removal = all[6];
  struct Case { const char* what; bool queueFileReadOnly, systemDirKnown; std::string after; };
  const Case cases[] = {
      {"queued in WinInit.INI", false, true, "[Rename]\r\n" + kLines},
      {"WinInit.INI itself read-only", true, true, "[Rename]\r\n"},
      {"system directory unknown: the programs alone", false, false,
       "[Rename]\r\nNUL=" + utility + "\r\nNUL=" + removal + "\r\n"},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs;
    for (const std::string& path : {utility, removal, driver}) {
      fs.files[path] = "in use";
      fs.readOnly.insert(path);
    }
    fs.files[kQueue] = "[Rename]\r\n";
    if (c.queueFileReadOnly) fs.readOnly.insert(kQueue);
    QueueBootDeletions(fs, "C:\\WINDOWS", c.systemDirKnown ? "C:\\WINDOWS\\SYSTEM" : nullptr);
    EXPECT_EQ(c.after, fs.files[kQueue]) << c.what;
    EXPECT_EQ(0u, fs.readOnly.count(utility)) << c.what;
    EXPECT_EQ(0u, fs.readOnly.count(removal)) << c.what;
    EXPECT_EQ(1u, fs.readOnly.count(driver)) << c.what;
    EXPECT_EQ(c.queueFileReadOnly, fs.readOnly.count(kQueue) == 1) << c.what;
    const std::vector<std::string> handed =
        c.systemDirKnown ? all : std::vector<std::string>{utility, removal};
    EXPECT_EQ(handed, fs.deletedAtNextStart) << c.what;
    EXPECT_TRUE(fs.deleted.empty()) << c.what;  // none is deleted now: all are in use
  }
}

TEST(QueueBootDeletions, UnreadableTailAppendsAsTheFileStands) {
  FakeFileSystem fs;
  fs.files[kQueue] = "[Rename]\x1a";
  fs.failReadAt = 3;  // past the two reads that find the section: the tail's read
  Queue(fs);
  EXPECT_EQ("[Rename]\x1a" + kLines, fs.files[kQueue]);
}

TEST(QueueBootDeletions, EveryFailurePointOfARewriteLeavesTheFileWholeOrDone) {
  // Several reads and writes on each side of the insertion point.
  const std::string head = "[Rename]\r\nNUL=C:\\OTHER.TMP\r\n" + std::string(1500, ';') + "\r\n";
  const std::string tail = "[Other]\r\n" + std::string(2500, 'o') + "\r\nlast";
  const std::string original = head + tail, done = head + kLines + tail;
  int untouched = 0;
  for (int kind = 0; kind < 3; ++kind) {
    for (int n = 1; n <= 60; ++n) {
      FakeFileSystem fs;
      fs.files[kQueue] = original;
      int* counter[] = {&fs.failReadAt, &fs.failWriteAt, &fs.failCloseAt};
      *counter[kind] = n;
      Queue(fs);
      int calls[] = {fs.reads, fs.writes, fs.closes};
      if (calls[kind] < n) break;  // past the last call of this kind
      const std::string& now = fs.files[kQueue];
      EXPECT_TRUE(now == original || now == done) << "kind " << kind << " call " << n;
      untouched += now == original;
      // A copy stays only where the file's content could not be confirmed, and whole.
      if (fs.files.count(kCopy)) EXPECT_EQ(done, fs.files[kCopy]) << "kind " << kind << " call " << n;
      if (now == original) EXPECT_EQ(0u, fs.files.count(kCopy)) << "kind " << kind << " call " << n;
      EXPECT_EQ(0, fs.openFiles());
    }
  }
  EXPECT_GT(untouched, 10);  // reads, writes and closes of the copy were all reached

  FakeFileSystem copyFails;
  copyFails.files[kQueue] = original;
  copyFails.failCopy = true;
  Queue(copyFails);
  EXPECT_EQ(original, copyFails.files[kQueue]);
  EXPECT_EQ(0u, copyFails.files.count(kCopy));
}

}  // namespace
