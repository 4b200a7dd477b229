// What the removal promises for the user's files (Config.sys, Autoexec.Bat,
// DosStart.Bat, WinInit.INI): whatever call fails, however full the disk,
// wherever the power goes, every line is on the disk in at least one
// complete file: the file as it was, or a complete new text of it.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "boot_queue_core.h"
#include "driver_files_core.h"
#include "fake_file_system.h"
#include "startup_filter_core.h"
#include "wininit_cases.h"

namespace {

const char kConfig[] = "C:\\Config.sys";
const char kAutoexec[] = "C:\\Autoexec.Bat";
const char kDosStart[] = "C:\\WINDOWS\\DosStart.Bat";
const char kQueue[] = "C:\\WINDOWS\\WinInit.INI";
const char* const kUserFiles[] = {kConfig, kAutoexec, kDosStart, kQueue};
const char kAbsent[] = "<absent>";

using Files = std::map<std::string, std::string>;

// The user's files before a removal.
struct System {
  std::string name;
  Files files;
};

std::string Lines(const std::string& line, int count) {
  std::string text;
  for (int i = 0; i < count; ++i) text += line + std::to_string(i) + "\r\n";
  return text;
}

// The startup files as users have them, each with a WinInit.INI that is
// rewritten through its copy.
std::vector<System> StartupSystems() {
  const std::string wininit = "[Rename]\r\nNUL=C:\\OTHER\\SETUP.TMP\r\n\r\n[CombineVxDs]\r\nx=1\r\n";
  struct Startup { const char* name; std::string config, autoexec, dosstart; };
  const Startup startups[] = {
      {"sample", "DEVICE=C:\\WINDOWS\\HIMEM.SYS\r\nDEVICE=C:\\ES1938.SYS\r\ndevice=c:\\essolo.sys\r\n"
                 "FILES=40\r\n",
       "PATH C:\\WINDOWS\r\nC:\\ES1938.COM\r\nLH C:\\ESSOLO.COM\r\n", "C:\\ES1938.COM\r\nMOUSE\r\n"},
      {"bare LF, no line end", Lines("device=c:\\drv\\a", 300) + "device=c:\\es1938.sys\nlast",
       "path c:\\dos\nc:\\essolo.com\n", "mouse"},
      {"Ctrl-Z mark, long line", "rem " + std::string(3000, 'x') + "\r\nes1938.sys\r\n\x1a" "tail",
       Lines("set v", 120) + "essolo.com\r\n", ""},
      {"nothing to change", "FILES=40\r\n", "PATH C:\\DOS\r\n", "MOUSE\r\n"},
  };
  std::vector<System> systems;
  for (const Startup& s : startups)
    systems.push_back({s.name, {{kConfig, s.config}, {kAutoexec, s.autoexec},
                                {kDosStart, s.dosstart}, {kQueue, wininit}}});
  return systems;
}

// Each shared WinInit.INI case, beside the sample startup files.
std::vector<System> WinInitSystems() {
  std::vector<System> systems;
  for (const WinInitCase& c : ReadWinInitCases()) {
    System system = StartupSystems()[0];
    system.name = "WinInit.INI " + c.name;
    if (c.exists) {
      system.files[kQueue] = c.before;
    } else {
      system.files.erase(kQueue);
    }
    systems.push_back(system);
  }
  return systems;
}

std::vector<System> AllSystems() {
  std::vector<System> all = StartupSystems();
  for (const System& s : WinInitSystems()) all.push_back(s);
  return all;
}

FakeFileSystem Machine(const System& system) {
  FakeFileSystem fs;
  fs.dirs = {"C:\\WINDOWS\\INF", "C:\\WINDOWS\\INF\\OTHER"};
  fs.currentDir = "C:\\WINDOWS\\INF\\OTHER";  // where the INF step leaves it
  for (auto& file : system.files) fs.files[file.first] = file.second;
  fs.files["C:\\WINDOWS\\SYSTEM\\es1938.vxd"] = std::string(5000, 'v');  // deleted by the step
  return fs;
}

// The removal's whole file work: the driver files with the boot-time queue,
// then the six startup-file passes.
void RemovalFileWork(FakeFileSystem& fs) {
  RemoveDriverFiles(fs);
  FilterStartupFiles(fs);
}

std::string Content(const Files& files, const std::string& path) {
  auto it = files.find(path);
  return it == files.end() ? kAbsent : it->second;
}

using Texts = std::map<std::string, std::set<std::string>>;

// Every complete text a user file may hold: as it was, and after any of its
// passes that ran without a fault (a pass that could not replace the file
// leaves the next one its old text). Made once a system: the sweeps ask it
// after every fault.
const Texts& CompleteTexts(const System& system) {
  static std::map<Files, Texts> made;
  if (made.count(system.files)) return made[system.files];
  Texts& texts = made[system.files];
  for (const char* path : kUserFiles) texts[path].insert(Content(system.files, path));
  FakeFileSystem queued = Machine(system);
  RemoveDriverFiles(queued);
  texts[kQueue].insert(Content(queued.files, kQueue));
  const char* keys[][2] = {{"es1938.sys", "essolo.sys"}, {"es1938.com", "essolo.com"},
                           {"es1938.com", "essolo.com"}};
  for (int file = 0; file < 3; ++file) {
    for (int passes = 1; passes < 4; ++passes) {
      FakeFileSystem fs = Machine(system);
      for (int pass = 0; pass < 2; ++pass)
        if (passes & (1 << pass)) RemoveLinesContaining(fs, kUserFiles[file], keys[file][pass]);
      texts[kUserFiles[file]].insert(Content(fs.files, kUserFiles[file]));
    }
  }
  return texts;
}

std::string WithoutTrailingCtrlZ(std::string text) {
  while (!text.empty() && text.back() == '\x1a') text.pop_back();
  return text;
}

// The check. Under its own name a file holds a complete text; where it does
// not, another file on the disk does (a copy kept beside it). With
// appendsMayBeCut, a file may also hold its old bytes untouched followed by
// bytes of an append whose data had not reached the disk.
void ExpectEveryLineKept(const System& system, const Files& disk, const std::string& what,
                         bool beside, bool appendsMayBeCut) {
  const Texts& texts = CompleteTexts(system);
  for (const char* path : kUserFiles) {
    const std::set<std::string>& complete = texts.at(path);
    const std::string now = Content(disk, path);
    if (complete.count(now)) continue;
    const std::string old = Content(system.files, path);
    if (old == kAbsent && appendsMayBeCut) continue;  // a new file: nobody's lines to lose
    if (appendsMayBeCut && old != kAbsent && now.compare(0, WithoutTrailingCtrlZ(old).size(),
                                                         WithoutTrailingCtrlZ(old)) == 0)
      continue;
    bool kept = false;
    for (auto& file : disk) kept |= beside && file.first != path && complete.count(file.second);
    EXPECT_TRUE(kept) << system.name << ": " << path << " " << what << " holds [" << now << "]";
  }
}

int CallsOfARun(const System& system) {
  FakeFileSystem fs = Machine(system);
  RemovalFileWork(fs);
  return fs.calls;
}

TEST(FileSafety, RunWithoutFaultsLeavesEverythingOnTheDisk) {
  // What is on the disk is what was last flushed: before the restart dialog
  // every file the removal wrote is flushed.
  for (const System& system : AllSystems()) {
    FakeFileSystem fs = Machine(system);
    RemovalFileWork(fs);
    EXPECT_EQ(fs.files, fs.Disk()) << system.name;
    EXPECT_EQ(0u, fs.files.count("C:\\WINDOWS\\INF\\OTHER\\EraseMe.Now")) << system.name;
    EXPECT_EQ(0u, fs.files.count("C:\\WINDOWS\\EraseMe.Now")) << system.name;
  }
}

TEST(FileSafety, PowerCutAfterEveryCall) {
  for (const System& system : AllSystems()) {
    const int calls = CallsOfARun(system);
    ASSERT_GT(calls, 20) << system.name;
    for (int n = 0; n <= calls; ++n) {
      FakeFileSystem fs = Machine(system);
      fs.powerCutAfter = n;
      RemovalFileWork(fs);
      ExpectEveryLineKept(system, fs.Disk(), "after a power cut after call " + std::to_string(n),
                          true, true);
    }
  }
}

TEST(FileSafety, CopyFailingAtEveryChunk) {
  const FakeFileSystem::CopyFault faults[] = {FakeFileSystem::kTargetUntouched,
                                              FakeFileSystem::kTargetPartWritten,
                                              FakeFileSystem::kTargetDeleted};
  for (const System& system : AllSystems()) {
    FakeFileSystem clean = Machine(system);
    RemovalFileWork(clean);
    for (FakeFileSystem::CopyFault fault : faults) {
      for (int copy = 1; copy <= clean.copies; ++copy) {
        for (int chunk = 0; chunk <= 12; ++chunk) {
          FakeFileSystem fs = Machine(system);
          fs.copyChunk = 512;
          fs.copyFault = fault;
          fs.copyFailCall = copy;
          fs.copyFailAtChunk = chunk;
          RemovalFileWork(fs);
          if (!fs.copyFailed) break;  // past the copy's last chunk
          const std::string what = "with copy " + std::to_string(copy) + " failing at chunk " +
                                   std::to_string(chunk) + " (fault " + std::to_string(fault) + ")";
          // Only a copy that left the target changed may leave its text beside it.
          ExpectEveryLineKept(system, fs.Disk(), what, fault != FakeFileSystem::kTargetUntouched,
                              false);
          if (fault != FakeFileSystem::kTargetPartWritten)  // a cut target is left as it is
            EXPECT_EQ(fs.files, fs.Disk()) << system.name << " " << what;
        }
      }
    }
  }
}

TEST(FileSafety, DiskOfLimitedSize) {
  for (unsigned cluster : {512u, 4096u}) {
    for (const System& system : AllSystems()) {
      FakeFileSystem probe = Machine(system);
      probe.clusterBytes = cluster;
      const unsigned used = probe.UsedClusters();
      const unsigned most = 2 * 16384 / cluster + 2;  // beyond it, everything fits
      for (unsigned free = 0; free <= most; ++free) {
        FakeFileSystem fs = Machine(system);
        fs.clusterBytes = cluster;
        fs.totalClusters = used + free;
        RemovalFileWork(fs);
        const std::string what = "with " + std::to_string(free) + " free clusters of " +
                                 std::to_string(cluster);
        // A full disk is no reason for a cut file, nor for a copy left behind.
        ExpectEveryLineKept(system, fs.Disk(), what, false, false);
        EXPECT_EQ(0u, fs.files.count("C:\\WINDOWS\\INF\\OTHER\\EraseMe.Now")) << what;
        EXPECT_EQ(0u, fs.files.count("C:\\WINDOWS\\EraseMe.Now")) << what;
        EXPECT_EQ(fs.files, fs.Disk()) << system.name << " " << what;
      }
    }
  }
}

TEST(FileSafety, WinInitCasesBehindWindowsProfileCache) {
  // A setup program queued its renames through the profile calls in this
  // session: they are still only in Windows' cached copy, written over the
  // file when the session ends unless flushed first.
  for (const WinInitCase& c : ReadWinInitCases()) {
    if (!c.exists) continue;
    FakeFileSystem fs;
    fs.profileCache[kQueue] = c.before;  // on the disk: no WinInit.INI yet
    QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
    fs.EndSession();
    EXPECT_EQ(c.after, fs.files[kQueue]) << c.name;
    // Flushed first and last: a copy cached again in between is dropped too.
    ASSERT_EQ(2u, fs.profileFlushes.size()) << c.name;
    EXPECT_EQ(1, fs.profileFlushCalls.front()) << c.name;
    EXPECT_EQ(fs.calls, fs.profileFlushCalls.back()) << c.name;
  }
}

}  // namespace
