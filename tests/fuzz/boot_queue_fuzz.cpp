// QueueBootDeletions on any WinInit.INI: the file Windows then reads has the
// seven lines in its first [Rename] section, and every byte other software
// wrote is still there, where it was. Checked against a model that reads the
// file as Windows' profile reader does, on whole strings.
#include <cstdio>
#include <vector>

#include "boot_queue_core.h"
#include "fuzz_support.h"
#include "../unit/queued_lines.h"

namespace {

const char* kQueuePath = "C:\\WINDOWS\\WinInit.INI";

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r') || c == '\x1a'; }

struct Line {
  std::size_t start, end;  // end: after its LF, or the file's end
  std::string text;        // without its LF, blanks around it trimmed
};

std::vector<Line> SplitLines(const std::string& raw) {
  std::vector<Line> lines;
  for (std::size_t start = 0; start < raw.size();) {
    std::size_t lf = raw.find('\n', start);
    std::size_t end = lf == std::string::npos ? raw.size() : lf + 1;
    std::string text = raw.substr(start, (lf == std::string::npos ? raw.size() : lf) - start);
    std::size_t first = 0, last = text.size();
    while (first < last && IsBlank(text[first])) ++first;
    while (last > first && IsBlank(text[last - 1])) --last;
    lines.push_back({start, end, text.substr(first, last - first)});
    start = end;
  }
  return lines;
}

bool IsHeader(const std::string& text) {
  return !text.empty() && text[0] == '[' && text.find(']') != std::string::npos;
}

bool IsRename(const std::string& text) {
  return IsHeader(text) && UpperAsciiCopy(text.substr(1, text.rfind(']') - 1)) == "RENAME";
}

// The bytes a removal must leave.
std::string Expected(const std::string& raw, const std::string& queued) {
  const std::vector<Line> lines = SplitLines(raw);
  std::size_t i = 0;
  while (i < lines.size() && !IsRename(lines[i].text)) ++i;
  if (i < lines.size()) {
    std::size_t insertAt = lines[i].end;
    for (std::size_t j = i + 1; j < lines.size(); ++j) {
      if (IsHeader(lines[j].text)) return raw.substr(0, insertAt) + queued + raw.substr(insertAt);
      if (!lines[j].text.empty()) insertAt = lines[j].end;
    }
  }
  std::string kept = raw;  // at the end: trailing Ctrl-Z marks go, a last line is ended
  while (!kept.empty() && kept.back() == '\x1a') kept.pop_back();
  if (!kept.empty() && kept.back() != '\n') kept += "\r\n";
  return kept + (i < lines.size() ? "" : "[Rename]\r\n") + queued;
}

// The lines of the first [Rename] section, as the boot step reads them.
std::vector<std::string> RenameEntries(const std::string& raw) {
  std::vector<std::string> entries;
  bool inRename = false, seen = false;
  for (const Line& line : SplitLines(raw)) {
    if (IsHeader(line.text)) {
      inRename = !seen && IsRename(line.text);
      seen = seen || inRename;
    } else if (inRename && !line.text.empty()) {
      entries.push_back(line.text);
    }
  }
  return entries;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size) {
  const std::string raw(reinterpret_cast<const char*>(data), size);
  const std::string queued = QueuedLines();
  FakeFileSystem fs;
  fs.files[kQueuePath] = raw;
  QueueBootDeletions(fs, "C:\\WINDOWS", "C:\\WINDOWS\\SYSTEM");
  const std::string& after = fs.files[kQueuePath];
  FUZZ_CHECK(after == Expected(raw, queued));
  FUZZ_CHECK(fs.openFiles() == 0);
  FUZZ_CHECK(fs.files.size() == 1);  // the copy is gone

  // What Windows reads: the seven, in order and together, in the first [Rename].
  std::vector<std::string> entries = RenameEntries(after), seven = RenameEntries("[Rename]\n" + queued);
  bool found = false;
  for (std::size_t i = 0; i + seven.size() <= entries.size() && !found; ++i)
    found = std::equal(seven.begin(), seven.end(), entries.begin() + static_cast<long>(i));
  FUZZ_CHECK(found);
  return 0;
}
