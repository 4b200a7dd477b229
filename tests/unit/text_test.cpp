#include "text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A buffer with guard bytes on both sides, to catch writes outside it.
struct Guarded {
  static const unsigned kGuard = 8;
  char bytes[64 + 2 * kGuard];
  unsigned size;
  explicit Guarded(unsigned n) : size(n) { memset(bytes, '#', sizeof bytes); }
  char* data() { return bytes + kGuard; }
  bool GuardsIntact() const {
    for (unsigned i = 0; i < kGuard; ++i)
      if (bytes[i] != '#' || bytes[kGuard + size + i] != '#') return false;
    return true;
  }
};

TEST(FormatText, Conversions) {
  struct Case { const char* expected; std::string got; };
  char b[64];
  const Case cases[] = {
      {"C:\\WINDOWS\\INF", (FormatText(b, sizeof b, "%s\\INF", "C:\\WINDOWS"), b)},
      {"NUL=C:\\W\\x.drv\n", (FormatText(b, sizeof b, "NUL=%s\\x.drv\n", "C:\\W"), b)},
      {"-2147483648 0 42", (FormatText(b, sizeof b, "%d %d %d", -2147483647 - 1, 0, 42), b)},
      {"4294967295", (FormatText(b, sizeof b, "%u", 4294967295u), b)},
      {"9c41 0", (FormatText(b, sizeof b, "%x %x", 40001u, 0u), b)},
      {"100% x", (FormatText(b, sizeof b, "100%% %c", 'x'), b)},
      {"%q", (FormatText(b, sizeof b, "%q"), b)},
      {"end", (FormatText(b, sizeof b, "end%"), b)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.got);
}

TEST(FormatText, ReportsTruncationAndNeverOverruns) {
  for (unsigned size = 1; size <= 20; ++size) {
    Guarded buffer(size);
    int fit = FormatText(buffer.data(), size, "%s\\%s", "C:\\WINDOWS", "es1938.vxd");
    const std::string full = "C:\\WINDOWS\\es1938.vxd";
    EXPECT_EQ(fit, full.size() < size) << size;
    EXPECT_EQ(full.substr(0, size - 1), buffer.data()) << size;
    EXPECT_TRUE(buffer.GuardsIntact()) << size;
  }
  Guarded none(0);
  EXPECT_EQ(0, FormatText(none.data(), 0, "x"));
  EXPECT_TRUE(none.GuardsIntact());
}

TEST(FormatText, ExactFitIsNotTruncation) {
  char b[4];
  EXPECT_EQ(1, FormatText(b, sizeof b, "%u", 123u));
  EXPECT_STREQ("123", b);
  EXPECT_EQ(0, FormatText(b, sizeof b, "%u", 1234u));
  EXPECT_STREQ("123", b);
}

TEST(CopyText, FitsOrCuts) {
  for (unsigned size = 1; size <= 8; ++size) {
    Guarded buffer(size);
    int fit = CopyText(buffer.data(), size, "abcde");
    EXPECT_EQ(fit, size > 5) << size;
    EXPECT_EQ(std::string("abcde").substr(0, size - 1), buffer.data());
    EXPECT_TRUE(buffer.GuardsIntact());
  }
}

TEST(FindText, CaseSensitiveSubstring) {
  struct Case { const char* haystack; const char* needle; int at; };
  const Case cases[] = {
      {"VEN_125D&DEV_1969&SUBSYS", "VEN_125D&DEV_1969", 0},
      {"PCI\\VEN_125D&DEV_1969", "VEN_125D&DEV_1969", 4},
      {"VEN_125d&DEV_1969", "125D", -1},  // case matters
      {"ab", "abc", -1},                  // needle longer than haystack
      {"aab", "ab", 1},                   // restart after a partial match
      {"", "", 0},
      {"x", "", 0},
      {"", "x", -1},
      {"SoloA_Device.Install", "SoloA_Device", 0},
  };
  for (const Case& c : cases) {
    const char* found = FindText(c.haystack, c.needle);
    EXPECT_EQ(c.at, found ? static_cast<int>(found - c.haystack) : -1)
        << c.haystack << " / " << c.needle;
    EXPECT_EQ(c.at >= 0, ContainsText(c.haystack, c.needle));
  }
}

TEST(UpperAscii, OnlyLettersAToZ) {
  char text[] = "device=c:\\windows\\es1938.sys \xe9\xe0\xff{}`~@[";
  UpperAsciiInPlace(text);
  EXPECT_STREQ("DEVICE=C:\\WINDOWS\\ES1938.SYS \xe9\xe0\xff{}`~@[", text);
  for (int c = 0; c < 256; ++c) {
    char expected = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : static_cast<char>(c);
    EXPECT_EQ(expected, UpperAscii(static_cast<char>(c))) << c;
  }
}

}  // namespace
