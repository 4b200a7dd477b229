#include "boot_queue_core.h"

#include "safe_replace.h"
#include "text.h"
#include "text_writer.h"

namespace {

const char kCtrlZ = 0x1A;  // the DOS end-of-file mark

struct QueuedFile {
  int inSystemDir;  // else in the Windows directory: our own two programs
  const char* format;
};

// In use until Windows restarts: the card's Windows drivers and both programs.
const QueuedFile kDeletedAtBoot[] = {
    {1, "NUL=%s\\ES1938.drv\n"},   {1, "NUL=%s\\Esfm.drv\n"},     {1, "NUL=%s\\Essmpu.drv\n"},
    {1, "NUL=%s\\Essswt.drv\n"},   {1, "NUL=%s\\Essolo.drv\n"},   {0, "NUL=%s\\ZM640UTL.exe\n"},
    {0, "NUL=%s\\ZM640UNI.exe\n"},
};
const unsigned kQueuedCount = sizeof kDeletedAtBoot / sizeof kDeletedAtBoot[0];

// What Windows' profile reader trims from both ends of a line.
int IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f' || c == kCtrlZ;
}

// One line's shape, learnt a byte at a time, so that a line of any length is
// judged whole: blank, a section header, and whether that header is [Rename].
class LineShape {
 public:
  LineShape() { Reset(); }

  void Reset() {
    started_ = 0;
    opensSection_ = 0;
    matched_ = 0;
    closers_ = 0;
  }

  void Feed(char c) {
    if (!started_) {
      if (IsBlank(c)) return;
      started_ = 1;
      opensSection_ = c == '[';
      return;
    }
    if (!opensSection_) return;
    if (c == ']') ++closers_;
    if (matched_ < kNameLength) matched_ = UpperAscii(c) == kName[matched_] ? matched_ + 1 : kNoMatch;
  }

  int IsBlankLine() const { return !started_; }
  int IsHeader() const { return opensSection_ && closers_ > 0; }
  // The name runs to the last ']': "[Rename]" followed by no other ']'.
  int IsRename() const { return IsHeader() && matched_ == kNameLength && closers_ == 1; }

 private:
  static constexpr const char* kName = "RENAME]";
  static const unsigned kNameLength = 7, kNoMatch = 8;

  int started_;       // a byte other than a blank was seen
  int opensSection_;  // and the first such byte is '['
  unsigned matched_;  // bytes after the '[' that spell kName so far (kNoMatch: they do not)
  unsigned closers_;  // ']' bytes after the '['
};

// Follows the lines of the file and settles where the queued lines belong.
class QueueSearch {
 public:
  QueueSearch() : inRename_(0), insertAt_(0), settled_(0) {}

  // A line has ended just before offset (after its LF, or at the file's end).
  void EndLine(const LineShape& line, unsigned offset) {
    if (!inRename_) {
      if (line.IsRename()) {
        inRename_ = 1;
        insertAt_ = offset;
      }
    } else if (line.IsHeader()) {
      settled_ = 1;  // the next section: the lines go before it
    } else if (!line.IsBlankLine()) {
      insertAt_ = offset;  // after the section's last line, before the blanks that part it
    }
  }

  int Settled() const { return settled_; }

  QueuePlace Place() const {
    QueuePlace place;
    place.kind = settled_ ? QueuePlace::kInsideFile
                 : inRename_ ? QueuePlace::kAtEnd : QueuePlace::kAtEndWithHeader;
    place.offset = settled_ ? insertAt_ : 0;
    return place;
  }

 private:
  int inRename_;
  unsigned insertAt_;
  int settled_;
};

// Where the queued lines of an append begin: the file's end, before any
// trailing Ctrl-Z marks (text after them would be ignored); needsLineEnd
// tells whether the last line lacks its line end, so that a queued line
// never runs on from it.
struct AppendPlace {
  unsigned size;  // the file's size now
  unsigned end;   // where the lines go: the marks from here on are cut off
  int needsLineEnd;
};

int FindAppendPlace(FileSystem& fs, FileHandle file, AppendPlace* place) {
  unsigned size = 0;
  if (!fs.Size(file, &size)) return 0;  // where its end is unknown, nothing is written
  unsigned end = size;
  char last = '\n';
  while (end > 0) {
    char tail[64];
    unsigned chunk = end < sizeof tail ? end : sizeof tail;
    unsigned got = 0;
    if (!fs.Seek(file, end - chunk) || !fs.Read(file, tail, chunk, &got) || got != chunk) {
      end = size;  // the tail cannot be read: append as the file stands
      last = '\n';
      break;
    }
    unsigned i = chunk;
    while (i > 0 && tail[i - 1] == kCtrlZ) --i;
    end -= chunk - i;
    if (i > 0) {
      last = tail[i - 1];
      break;
    }
  }
  place->size = size;
  place->end = end;
  place->needsLineEnd = end > 0 && last != '\n';
  return 1;
}

// Puts the file back as it ended before an append that failed part-way: cut
// at the lines' start, its Ctrl-Z marks written again.
void CutBack(FileSystem& fs, const char* path, const AppendPlace& place) {
  FileHandle file;
  if (!fs.Open(path, kOpenUpdate, &file)) return;
  if (fs.Seek(file, place.end) && fs.Truncate(file)) {
    const char marks[8] = {kCtrlZ, kCtrlZ, kCtrlZ, kCtrlZ, kCtrlZ, kCtrlZ, kCtrlZ, kCtrlZ};
    for (unsigned left = place.size - place.end; left > 0;) {
      unsigned chunk = left < sizeof marks ? left : sizeof marks;
      if (!fs.Write(file, marks, chunk)) break;
      left -= chunk;
    }
  }
  fs.FlushToDisk(file);
  fs.Close(file);
}

// The bytes text takes on the disk, each LF written as CR LF.
unsigned DiskBytes(const char* text) {
  unsigned bytes = 0;
  for (; *text != '\0'; ++text) bytes += *text == '\n' ? 2 : 1;
  return bytes;
}

// The queued lines, each formatted into line: the seven, then the files still
// in use; 0 when one is not queued (a cut line could name another file).
int QueueLine(unsigned index, const BootQueue& queue, char* line, unsigned size) {
  if (index >= kQueuedCount) return FormatText(line, size, "NUL=%s\n", queue.inUse[index - kQueuedCount]);
  const QueuedFile& queued = kDeletedAtBoot[index];
  const char* dir = queued.inSystemDir ? queue.systemDir : queue.windowsDir;
  return dir != 0 && FormatText(line, size, queued.format, dir);
}

unsigned LineCount(const BootQueue& queue) { return kQueuedCount + queue.inUseCount; }

void WriteQueueLines(TextWriter& out, const BootQueue& queue) {
  char line[kFilePathSize];
  for (unsigned i = 0; i < LineCount(queue); ++i)
    if (QueueLine(i, queue, line, sizeof line)) out.Write(line);
}

unsigned QueueLinesBytes(const BootQueue& queue) {
  char line[kFilePathSize];
  unsigned bytes = 0;
  for (unsigned i = 0; i < LineCount(queue); ++i)
    if (QueueLine(i, queue, line, sizeof line)) bytes += DiskBytes(line);
  return bytes;
}

const unsigned kToTheEnd = 0xFFFFFFFFu;

// Copies count bytes of the source as they stand (kToTheEnd: all that are
// left). 1 when all of them were read.
int CopyBytes(FileSystem& fs, FileHandle source, TextWriter& out, unsigned count) {
  const int toTheEnd = count == kToTheEnd;
  char chunk[512];
  while (count > 0) {
    unsigned want = count < sizeof chunk ? count : sizeof chunk;
    unsigned got = 0;
    if (!fs.Read(source, chunk, want, &got)) return 0;
    if (got == 0) return toTheEnd;  // short of count: the file changed under us
    out.WriteBytes(chunk, got);
    if (!toTheEnd) count -= got;
  }
  return 1;
}

// The lines go inside the file, before offset: the file is written anew
// through a copy beside it, which replaces it only when whole. A read-only
// file stays as it is.
void InsertQueueLines(FileSystem& fs, const char* queuePath, unsigned offset,
                      const BootQueue& queue) {
  char copyPath[kDirectorySize];
  if (!FormatText(copyPath, sizeof copyPath, "%s\\%s", queue.windowsDir, kTemporaryFile)) return;
  if (fs.IsReadOnly(queuePath) || !ReplaceAllowed()) return;
  FileHandle source;
  if (!fs.Open(queuePath, kOpenRead, &source)) return;
  FileHandle copy;
  if (!fs.Open(copyPath, kOpenWrite, &copy)) {
    fs.Close(source);
    return;
  }
  TextWriter out(fs, copy);
  int complete = CopyBytes(fs, source, out, offset);
  if (complete) {
    WriteQueueLines(out, queue);
    complete = CopyBytes(fs, source, out, kToTheEnd);
  }
  complete = out.Close() && complete;
  complete = fs.Close(source) && complete;
  if (complete) {
    ReplaceFromCopy(fs, copyPath, queuePath);
  } else {
    fs.RemoveFile(copyPath);  // the file was not touched
  }
}

const char kHeader[] = "[Rename]\n";
const char kNewFileStart[] = "\n[Rename]\n";  // a new file begins with an empty line

// The lines go at the file's end, after a [Rename] header when header is set.
// Not started where the disk cannot hold them; an append that fails part-way
// is cut back, so that the file ends as it did.
void AppendQueueLines(FileSystem& fs, const char* queuePath, int header, const BootQueue& queue) {
  FileHandle file;
  if (!fs.Open(queuePath, kOpenUpdate, &file)) return;
  AppendPlace place;
  if (!FindAppendPlace(fs, file, &place)) {
    fs.Close(file);
    return;
  }
  unsigned added = (place.needsLineEnd ? 2 : 0) + (header ? DiskBytes(kHeader) : 0) +
                   QueueLinesBytes(queue);
  if (!RoomToGrow(fs, queuePath, place.size, place.end + added) || !fs.Seek(file, place.end) ||
      (place.end < place.size && !fs.Truncate(file))) {
    fs.Close(file);
    return;
  }
  TextWriter out(fs, file);
  if (place.needsLineEnd) out.Put('\n');
  if (header) out.Write(kHeader);
  WriteQueueLines(out, queue);
  if (!out.Close()) CutBack(fs, queuePath, place);
}

// Only where no file exists: a file that is there but cannot be read is never
// emptied. A new file that cannot be written whole is deleted.
void CreateQueueFile(FileSystem& fs, const char* queuePath, const BootQueue& queue) {
  unsigned size = DiskBytes(kNewFileStart) + QueueLinesBytes(queue);
  if (!RoomToGrow(fs, queuePath, 0, size)) return;
  FileHandle file;
  if (!fs.Open(queuePath, kOpenCreate, &file)) return;
  TextWriter out(fs, file);
  out.Write(kNewFileStart);
  WriteQueueLines(out, queue);
  if (!out.Close()) fs.RemoveFile(queuePath);
}

void QueueInFile(FileSystem& fs, const char* queuePath, const BootQueue& queue) {
  FileHandle file;
  if (!fs.Open(queuePath, kOpenRead, &file)) {
    CreateQueueFile(fs, queuePath, queue);
    return;
  }
  QueuePlace place;
  int known = FindQueuePlace(fs, file, &place);
  fs.Close(file);
  if (!known) return;  // a file that cannot be read is left as it stands
  if (place.kind == QueuePlace::kInsideFile) {
    InsertQueueLines(fs, queuePath, place.offset, queue);
  } else {
    AppendQueueLines(fs, queuePath, place.kind == QueuePlace::kAtEndWithHeader, queue);
  }
}

const unsigned kLinePrefix = 4;  // "NUL="

// What WinInit.INI asks of Windows 9x, asked of NT's own list too (NT never
// reads the file). Our programs lose a read-only mark first, as a copy from
// the CD has: the boot step refuses to delete a read-only file (KB Q68345).
void HandOverQueuedFiles(FileSystem& fs, const BootQueue& queue) {
  char line[kFilePathSize];
  for (unsigned i = 0; i < LineCount(queue); ++i) {
    if (!QueueLine(i, queue, line, sizeof line)) continue;
    char* path = line + kLinePrefix;
    path[TextLength(path) - 1] = '\0';  // the line end
    if (i < kQueuedCount && !kDeletedAtBoot[i].inSystemDir) fs.ClearAttributes(path);
    fs.DeleteAtNextStart(path);
  }
}

}  // namespace

int FindQueuePlace(FileSystem& fs, FileHandle file, QueuePlace* place) {
  QueueSearch search;
  LineShape line;
  unsigned offset = 0;
  char chunk[512];
  for (;;) {
    unsigned got = 0;
    if (!fs.Read(file, chunk, sizeof chunk, &got)) return 0;
    const int atEnd = got == 0;
    if (atEnd) {
      chunk[0] = '\n';  // the file's end ends its last line too (an empty one changes nothing)
      got = 1;
    }
    for (unsigned i = 0; i < got && !search.Settled(); ++i) {
      ++offset;
      if (chunk[i] != '\n') {
        line.Feed(chunk[i]);
        continue;
      }
      search.EndLine(line, offset);
      line.Reset();
    }
    if (atEnd || search.Settled()) break;
  }
  *place = search.Place();
  return 1;
}

void QueueBootDeletions(FileSystem& fs, const BootQueue& queue) {
  char queuePath[kDirectorySize];
  if (!FormatText(queuePath, sizeof queuePath, "%s\\WinInit.INI", queue.windowsDir)) return;
  // Windows caches INI files (KB Q107695): entries a setup program queued
  // through the profile calls reach the file before it is read, and the
  // cached copy, stale once the file is written, is dropped after.
  fs.FlushProfileCache(queuePath);
  HandOverQueuedFiles(fs, queue);
  QueueInFile(fs, queuePath, queue);
  fs.FlushProfileCache(queuePath);
}
