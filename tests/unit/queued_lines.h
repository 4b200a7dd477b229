// The seven lines a removal queues in WinInit.INI, as they reach the file.
#pragma once

#include <string>

inline std::string QueuedLines(const std::string& systemDir = "C:\\WINDOWS\\SYSTEM",
                               const std::string& windowsDir = "C:\\WINDOWS") {
  std::string lines;
  for (const char* name : {"ES1938.drv", "Esfm.drv", "Essmpu.drv", "Essswt.drv", "Essolo.drv"})
    lines += "NUL=" + systemDir + "\\" + name + "\r\n";
  for (const char* name : {"ZM640UTL.exe", "ZM640UNI.exe"})
    lines += "NUL=" + windowsDir + "\\" + name + "\r\n";
  return lines;
}
