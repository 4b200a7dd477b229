#include "text_writer.h"

void TextWriter::PutRaw(char c) {
  if (used_ == kBufferSize) Flush();
  buffer_[used_++] = c;
}

void TextWriter::Put(char c) {
  if (c == '\n') PutRaw('\r');
  PutRaw(c);
}

void TextWriter::Write(const char* text) {
  while (*text != '\0') Put(*text++);
}

void TextWriter::WriteBytes(const char* data, unsigned size) {
  for (unsigned i = 0; i < size; ++i) PutRaw(data[i]);
}

int TextWriter::Flush() {
  if (used_ != 0 && !failed_ && !fs_.Write(file_, buffer_, used_)) failed_ = 1;
  used_ = 0;
  return !failed_;
}

int TextWriter::Close() {
  int written = Flush() && fs_.FlushToDisk(file_);
  int closed = fs_.Close(file_);
  return written && closed;
}
