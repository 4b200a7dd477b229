// The seven files a removal queues, and their lines as they reach WinInit.INI.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::string> QueuedPaths(const std::string& systemDir = "C:\\WINDOWS\\SYSTEM",
                                            const std::string& windowsDir = "C:\\WINDOWS") {
  std::vector<std::string> paths;
  for (const char* name : {"ES1938.drv", "Esfm.drv", "Essmpu.drv", "Essswt.drv", "Essolo.drv"})
    paths.push_back(systemDir + "\\" + name);
  for (const char* name : {"ZM640UTL.exe", "ZM640UNI.exe"}) paths.push_back(windowsDir + "\\" + name);
  return paths;
}

inline std::string QueuedLines(const std::string& systemDir = "C:\\WINDOWS\\SYSTEM",
                               const std::string& windowsDir = "C:\\WINDOWS") {
  std::string lines;
  for (const std::string& path : QueuedPaths(systemDir, windowsDir)) lines += "NUL=" + path + "\r\n";
  return lines;
}
