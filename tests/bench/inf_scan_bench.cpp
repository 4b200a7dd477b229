// Scans a generated INF folder with the removal's own INF step, as it runs on
// Windows, and prints the files it would delete, one a line.
// usage: inf_scan_bench WINDOWS_DIR
#include <cstdio>

#include "inf_cleanup_core.h"
#include "posix_file_system.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: inf_scan_bench WINDOWS_DIR\n");
    return 2;
  }
  PosixFileSystem fs(argv[1]);
  RemoveInfFiles(fs);
  for (const std::string& path : fs.removed) printf("%s\n", path.c_str());
  return 0;
}
