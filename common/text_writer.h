// Buffered text-mode output: every "\n" reaches the file as CR LF.
#pragma once

#include "file_system.h"

class TextWriter {
 public:
  TextWriter(FileSystem& fs, FileHandle file) : fs_(fs), file_(file), used_(0), failed_(0) {}

  void Put(char c);
  void Write(const char* text);
  // Bytes as they stand, without line-end translation (a copied file's own).
  void WriteBytes(const char* data, unsigned size);
  // Writes what is buffered; 1 when every write so far succeeded. After a
  // failed write nothing more is written: no block lands after a gap.
  int Flush();
  // Flushes, has the data put on the disk (FlushFileBuffers) and closes the
  // file; 1 when every write, the flush and the close succeeded.
  int Close();

 private:
  enum { kBufferSize = 512 };
  void PutRaw(char c);

  FileSystem& fs_;
  FileHandle file_;
  unsigned used_;
  int failed_;
  char buffer_[kBufferSize];
};
