#include "startup_filter_core.h"

#include "matcher.h"
#include "removal_paths.h"
#include "safe_replace.h"
#include "text.h"

int ReadLine(TextReader& in, char* line, unsigned size, unsigned* length) {
  unsigned count = 0;
  char c;
  while (count + 1 < size && in.Get(&c)) {
    line[count++] = c;
    if (c == '\n') break;
  }
  line[count] = '\0';
  *length = count;
  return count != 0;
}

namespace {

// A kept line goes out byte for byte: in code pages 932 to 950 a trail byte
// may lie in a to z, and LOADLIN, SET and ECHO arguments are case-sensitive.
void WriteKept(TextWriter& out, const char* text, unsigned length) {
  for (unsigned i = 0; i < length; ++i) out.Put(text[i]);
}

// Feeds a line's characters to the matcher, upper-cased for the comparison
// only; 1 when the key was seen.
int FeedUpper(Matcher& matcher, const char* text, unsigned length) {
  int found = 0;
  for (unsigned i = 0; i < length; ++i) found |= matcher.Feed(UpperAscii(text[i]));
  return found;
}

// A line that did not fit the buffer: reads on to its end, judging it whole,
// then, if it stays, reads it again from its start and writes it out.
int FinishLongLine(TextReader& in, TextWriter& out, Matcher& matcher, int found,
                   unsigned lineStart) {
  char chunk[kLineSize];
  unsigned length = 0;
  for (;;) {
    if (!ReadLine(in, chunk, sizeof chunk, &length)) break;
    found |= FeedUpper(matcher, chunk, length);
    if (chunk[length - 1] == '\n') break;
  }
  if (in.Failed() || found) return !in.Failed();
  unsigned lineEnd = in.Tell();
  if (!in.SeekTo(lineStart)) return 0;
  for (;;) {
    if (!ReadLine(in, chunk, sizeof chunk, &length)) break;
    WriteKept(out, chunk, length);
    if (chunk[length - 1] == '\n' || in.Tell() >= lineEnd) break;
  }
  // The second reading stops where the first did, so the next line follows.
  return !in.Failed();
}

}  // namespace

int FilterLines(TextReader& in, TextWriter& out, const char* key) {
  char upperKey[Matcher::kMaxKey + 1];
  CopyText(upperKey, sizeof upperKey, key);
  UpperAsciiInPlace(upperKey);
  Matcher matcher(upperKey);

  char line[kLineSize];
  unsigned length;
  for (;;) {
    unsigned lineStart = in.Tell();
    if (!ReadLine(in, line, sizeof line, &length)) break;
    matcher.Reset();
    int found = FeedUpper(matcher, line, length);
    int whole = line[length - 1] == '\n' || length + 1 < sizeof line;
    if (!whole) {
      if (!FinishLongLine(in, out, matcher, found, lineStart)) return 0;
      if (in.ReachedEnd()) break;
      continue;
    }
    if (!found) WriteKept(out, line, length);
  }
  return in.ReachedEnd();
}

void RemoveLinesContaining(FileSystem& fs, const char* path, const char* key) {
  // A copy kept by an earlier pass may be this file's only whole text.
  if (!ReplaceAllowed()) return;
  FileHandle source;
  if (!fs.Open(path, kOpenRead, &source)) return;  // no file: nothing is touched or left
  FileHandle temporary;
  if (!fs.Open(kTemporaryFile, kOpenWrite, &temporary)) {
    fs.Close(source);
    return;
  }
  TextReader in(fs, source);
  TextWriter out(fs, temporary);
  int complete = FilterLines(in, out, key);
  complete = out.Close() && complete;
  complete = fs.Close(source) && complete;
  if (!complete) {
    fs.RemoveFile(kTemporaryFile);  // the file was not touched
    return;
  }
  ReplaceFromCopy(fs, kTemporaryFile, path);
}

void FilterStartupFiles(FileSystem& fs) {
  char windowsDir[kDirectorySize];
  char dosStart[kDirectorySize];
  int haveDosStart =
      DirectoryFits(fs.WindowsDirectory(windowsDir, sizeof windowsDir), sizeof windowsDir) &&
      FormatText(dosStart, sizeof dosStart, "%s\\DosStart.Bat", windowsDir);

  RemoveLinesContaining(fs, "C:\\Config.sys", "es1938.sys");
  RemoveLinesContaining(fs, "C:\\Config.sys", "essolo.sys");
  RemoveLinesContaining(fs, "C:\\Autoexec.Bat", "es1938.com");
  RemoveLinesContaining(fs, "C:\\Autoexec.Bat", "essolo.com");
  if (haveDosStart) {
    RemoveLinesContaining(fs, dosStart, "es1938.com");
    RemoveLinesContaining(fs, dosStart, "essolo.com");
  }
}
