#include "text_reader.h"

namespace {
const char kCtrlZ = 0x1A;
}

TextReader::TextReader(FileSystem& fs, FileHandle file)
    : fs_(fs), file_(file), base_(0), next_(0), count_(0), eof_(0), ended_(0), failed_(0) {}

int TextReader::Fill() {
  if (eof_ || failed_) return 0;
  base_ += count_;
  next_ = 0;
  count_ = 0;
  unsigned got = 0;
  if (!fs_.Read(file_, buffer_, kBufferSize, &got)) {
    failed_ = 1;
    return 0;
  }
  if (got == 0) {
    eof_ = 1;
    return 0;
  }
  count_ = got;
  return 1;
}

int TextReader::PeekByte(char* b) {
  if (next_ == count_ && !Fill()) return 0;
  *b = buffer_[next_];
  return 1;
}

int TextReader::NextByte(char* b) {
  if (!PeekByte(b)) return 0;
  ++next_;
  return 1;
}

int TextReader::Get(char* c) {
  char b;
  if (ended_) return 0;
  if (!NextByte(&b) || b == kCtrlZ) {
    ended_ = 1;
    return 0;
  }
  if (b == '\r') {
    char after;
    if (PeekByte(&after) && after == '\n') {
      ++next_;
      b = '\n';
    }
  }
  *c = b;
  return 1;
}

unsigned TextReader::Read(char* out, unsigned size) {
  unsigned delivered = 0;
  while (delivered < size && Get(out + delivered)) ++delivered;
  return delivered;
}

int TextReader::SeekTo(unsigned offset) {
  if (failed_ || !fs_.Seek(file_, offset)) {
    failed_ = 1;
    return 0;
  }
  base_ = offset;
  next_ = count_ = 0;
  eof_ = ended_ = 0;
  return 1;
}
