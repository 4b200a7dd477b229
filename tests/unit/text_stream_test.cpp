#include <gtest/gtest.h>

#include <string>

#include "fake_file_system.h"
#include "matcher.h"
#include "text_reader.h"
#include "text_writer.h"

namespace {

// Everything a reader delivers from a file holding raw.
std::string ReadAll(const std::string& raw, bool* reachedEnd = nullptr, int failReadAt = 0) {
  FakeFileSystem fs;
  fs.files["C:\\F"] = raw;
  fs.failReadAt = failReadAt;
  FileHandle file;
  EXPECT_TRUE(fs.Open("C:\\F", kOpenRead, &file));
  TextReader in(fs, file);
  std::string text;
  char c;
  while (in.Get(&c)) text += c;
  if (reachedEnd) *reachedEnd = in.ReachedEnd();
  fs.Close(file);
  return text;
}

TEST(TextReader, TextModeTranslation) {
  struct Case { std::string raw, text; };
  const std::string big(700, 'x');  // CR LF pairs straddling the 512-byte buffer
  const Case cases[] = {
      {"a\r\nb\r\n", "a\nb\n"},
      {"a\nb", "a\nb"},                    // a bare LF stays
      {"a\rb\r", "a\rb\r"},                // a CR without LF stays
      {"a\r\r\nb", "a\r\nb"},
      {"ab\x1a" "cd\r\n", "ab"},           // Ctrl-Z ends the data
      {"\x1a", ""},
      {"", ""},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
      {"\xe9t\xe9\r\n", "\xe9t\xe9\n"},
      {std::string(511, 'x') + "\r\nz", std::string(511, 'x') + "\nz"},
      {big + "\r\n" + big, big + "\n" + big},
  };
  for (const Case& c : cases) {
    bool reachedEnd = false;
    EXPECT_EQ(c.text, ReadAll(c.raw, &reachedEnd)) << c.raw;
    EXPECT_TRUE(reachedEnd);
  }
}

TEST(TextReader, ReadErrorEndsTheDataButNotForReal) {
  bool reachedEnd = true;
  std::string text = ReadAll(std::string(1500, 'x'), &reachedEnd, 2);
  EXPECT_EQ(512u, text.size());
  EXPECT_FALSE(reachedEnd);
}

TEST(TextReader, SeekToComesBackToATellOffset) {
  FakeFileSystem fs;
  fs.files["C:\\F"] = "one\r\ntwo\r\n";
  FileHandle file;
  ASSERT_TRUE(fs.Open("C:\\F", kOpenRead, &file));
  TextReader in(fs, file);
  char c;
  for (int i = 0; i < 4; ++i) in.Get(&c);
  unsigned mark = in.Tell();
  EXPECT_EQ(5u, mark);  // after "one\r\n"
  std::string rest;
  while (in.Get(&c)) rest += c;
  ASSERT_TRUE(in.SeekTo(mark));
  std::string again;
  while (in.Get(&c)) again += c;
  EXPECT_EQ("two\n", rest);
  EXPECT_EQ(rest, again);
  fs.Close(file);
}

TEST(TextWriter, LineEndsBecomeCrLfAndFailuresAreReported) {
  for (int failAt : {0, 1, 2}) {
    FakeFileSystem fs;
    fs.failWriteAt = failAt;
    FileHandle file;
    ASSERT_TRUE(fs.Open("C:\\F", kOpenWrite, &file));
    TextWriter out(fs, file);
    out.Write("a\nb\r\n");
    out.Write(std::string(600, 'y').c_str());  // more than one buffer
    int ok = out.Close();
    EXPECT_EQ(failAt == 0, ok != 0) << failAt;
    if (failAt == 0) {
      EXPECT_EQ("a\r\nb\r\r\n" + std::string(600, 'y'), fs.files["C:\\F"]);
      EXPECT_EQ(fs.files, fs.Disk());  // closed means on the disk
    }
    // After a failed write nothing more lands: no block after a gap.
    if (failAt == 1) EXPECT_EQ("", fs.files["C:\\F"]);
    if (failAt == 1) EXPECT_EQ(1, fs.writes);
    if (failAt == 2) EXPECT_EQ(512u, fs.files["C:\\F"].size());
  }
}

TEST(Matcher, FindsKeysAcrossPiecesAndNuls) {
  struct Case { const char* key; std::string text; bool found; };
  const Case cases[] = {
      {"PCI\\VEN_125D&DEV_1969", "x PCI\\VEN_125D&DEV_1969 y", true},
      {"PCI\\VEN_125D&DEV_1969", "pci\\ven_125d&dev_1969", false},
      {"PCI\\VEN_125D&DEV_1969", std::string("\0PCI\\VEN_125D&DEV_1969", 22), true},
      {"PCI\\VEN_125D&DEV_1969", "PCI\\VEN_125D&DEV_196", false},
      {"aab", "aaab", true},  // a partial match that must fall back
      {"abab", "ababab", true},
      {"abab", "abaab", false},
  };
  for (const Case& c : cases) {
    for (std::size_t split = 0; split <= c.text.size(); ++split) {
      Matcher m(c.key);
      int found = m.FeedAll(c.text.data(), static_cast<unsigned>(split));
      found |= m.FeedAll(c.text.data() + split, static_cast<unsigned>(c.text.size() - split));
      EXPECT_EQ(c.found, found != 0) << c.text << " split at " << split;
    }
  }
}

}  // namespace
