// The free-space check before a file grows: never yes to a write the disk
// cannot hold, whatever Windows 9x reports (on FAT32 it inflates the cluster
// size, KB Q231497, and Windows 95 before OSR2 has no exact byte count).
#include <gtest/gtest.h>

#include <string>

#include "fake_file_system.h"
#include "safe_replace.h"

namespace {

const char kFile[] = "C:\\WINDOWS\\WinInit.INI";

unsigned Clusters(unsigned bytes, unsigned cluster) { return (bytes + cluster - 1) / cluster; }

// What the disk really holds: the growth fits in its free clusters.
bool ReallyFits(unsigned oldSize, unsigned newSize, unsigned cluster, unsigned freeClusters) {
  unsigned needed = Clusters(newSize, cluster), given = Clusters(oldSize, cluster);
  return needed <= given || needed - given <= freeClusters;
}

// An empty disk of freeClusters real clusters, reported as Windows 9x does.
FakeFileSystem Disk(unsigned cluster, unsigned inflation, unsigned freeClusters, bool exact) {
  FakeFileSystem fs;
  fs.clusterBytes = cluster;
  fs.clusterInflation = inflation;
  fs.totalClusters = freeClusters;
  fs.hasFreeSpaceEx = exact;
  return fs;
}

TEST(RoomToGrow, ReportsAsWindows9xGivesThem) {
  struct Case {
    const char* what;
    unsigned cluster, inflation, freeClusters;
    bool exact;
    unsigned oldSize, newSize;
    bool fits;
  };
  const Case cases[] = {
      {"FAT16, nothing free, within the last sector", 4096, 1, 0, false, 4000, 4096, true},
      {"FAT16, nothing free, past the last cluster", 4096, 1, 0, false, 4000, 4097, false},
      // 4 KiB clusters reported as 32 KiB: the old file's clusters must not
      // be counted in the larger unit.
      {"FAT32 x8, nothing free, 4000 to 4250 bytes", 4096, 8, 0, true, 4000, 4250, false},
      {"FAT32 x8, one cluster free, 4000 to 4250 bytes", 4096, 8, 1, true, 4000, 4250, true},
      {"FAT32 x8, nothing free, within the last cluster", 4096, 8, 0, true, 4000, 4096, true},
      {"FAT32 x64, 512-byte clusters, nothing free", 512, 64, 0, true, 30000, 30300, false},
      {"FAT32 x8, three free, growth needs four", 4096, 8, 3, true, 100, 16385, false},
      {"FAT32 x16 without the exact count, nothing reported", 2048, 16, 15, false, 2000, 2100, false},
  };
  for (const Case& c : cases) {
    FakeFileSystem fs = Disk(c.cluster, c.inflation, c.freeClusters, c.exact);
    EXPECT_EQ(c.fits, RoomToGrow(fs, kFile, c.oldSize, c.newSize) == 1) << c.what;
  }
  FakeFileSystem unknown;  // GetDiskFreeSpaceA fails: not taken as full
  EXPECT_EQ(1, RoomToGrow(unknown, kFile, 0, 100000));
}

TEST(RoomToGrow, NeverYesToAGrowthTheDiskCannotHold) {
  // Every real cluster size from a sector to 32 KiB, every inflation up to
  // 64 times, 0 to 40 free clusters, with and without the exact count, over
  // sizes that cross cluster edges of every scale.
  const unsigned growths[] = {1, 250, 511, 512, 513, 1000, 4096, 5000, 20000, 70000};
  unsigned wrongYes = 0, yes = 0, fitting = 0;
  for (unsigned cluster = 512; cluster <= 32768; cluster *= 2)
    for (unsigned inflation = 1; inflation <= 64; inflation *= 2)
      for (unsigned freeClusters = 0; freeClusters <= 40; ++freeClusters)
        for (bool exact : {true, false}) {
          FakeFileSystem fs = Disk(cluster, inflation, freeClusters, exact);
          for (unsigned oldSize = 0; oldSize <= 65536; oldSize += 509)
            for (unsigned growth : growths) {
              bool truth = ReallyFits(oldSize, oldSize + growth, cluster, freeClusters);
              bool answer = RoomToGrow(fs, kFile, oldSize, oldSize + growth) == 1;
              if (answer && !truth && ++wrongYes <= 5)
                ADD_FAILURE() << "yes on a full disk: cluster " << cluster << " x" << inflation
                              << ", " << freeClusters << " free, exact " << exact << ", "
                              << oldSize << " to " << oldSize + growth;
              yes += answer;
              fitting += truth;
            }
        }
  EXPECT_EQ(0u, wrongYes);
  // Sound, not merely timid: most growths that fit are still allowed (these
  // sizes are borderline by design; a disk with room to spare says yes).
  EXPECT_GT(yes, fitting * 4 / 5) << yes << " of " << fitting;
}

}  // namespace
