// Buffered text-mode input: CR LF arrives as LF, a CR without an LF stays,
// and a Ctrl-Z (0x1A) ends the data as if the file ended there.
#pragma once

#include "file_system.h"

class TextReader {
 public:
  TextReader(FileSystem& fs, FileHandle file);

  // The next character; 0 at the end of the data or after a read error.
  int Get(char* c);
  // Up to size characters into out; the count delivered (0 at the end).
  unsigned Read(char* out, unsigned size);

  // 1 once a read has failed: the data end there, but not for real.
  int Failed() const { return failed_; }
  // 1 once the real end was reached: the end of the file or a Ctrl-Z.
  int ReachedEnd() const { return ended_ && !failed_; }

  // The file offset of the next character, and a way back to it.
  unsigned Tell() const { return base_ + next_; }
  int SeekTo(unsigned offset);

 private:
  enum { kBufferSize = 512 };
  int NextByte(char* b);
  int PeekByte(char* b);
  int Fill();

  FileSystem& fs_;
  FileHandle file_;
  char buffer_[kBufferSize];
  unsigned base_;   // file offset of buffer_[0]
  unsigned next_;   // index of the next unread byte
  unsigned count_;  // bytes in the buffer
  int eof_;         // the file has no more bytes
  int ended_;       // no more characters will be delivered
  int failed_;
};
