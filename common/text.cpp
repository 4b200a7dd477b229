#include "text.h"

unsigned TextLength(const char* text) {
  unsigned length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

int CopyText(char* dst, unsigned size, const char* src) {
  if (size == 0) return 0;
  unsigned i = 0;
  for (; i + 1 < size && src[i] != '\0'; ++i) dst[i] = src[i];
  dst[i] = '\0';
  return src[i] == '\0';
}

namespace {

// Appends to a fixed buffer, remembering whether anything was cut.
struct Sink {
  char* dst;
  unsigned size;
  unsigned used;
  int cut;

  void Put(char c) {
    if (used + 1 < size) {
      dst[used++] = c;
    } else {
      cut = 1;
    }
  }
  void PutText(const char* text) {
    if (text == 0) text = "(null)";
    while (*text != '\0') Put(*text++);
  }
  void PutUnsigned(unsigned value, unsigned base) {
    char digits[12];
    int count = 0;
    do {
      unsigned digit = value % base;
      digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + digit - 10);
      value /= base;
    } while (value != 0);
    while (count > 0) Put(digits[--count]);
  }
  void PutSigned(int value) {
    if (value < 0) {
      Put('-');
      // Negate in unsigned arithmetic so INT_MIN does not overflow.
      PutUnsigned(0u - static_cast<unsigned>(value), 10);
    } else {
      PutUnsigned(static_cast<unsigned>(value), 10);
    }
  }
};

}  // namespace

int FormatTextV(char* dst, unsigned size, const char* format, va_list args) {
  if (size == 0) return 0;
  Sink sink = {dst, size, 0, 0};
  for (const char* p = format; *p != '\0'; ++p) {
    if (*p != '%') {
      sink.Put(*p);
      continue;
    }
    ++p;
    switch (*p) {
      case 's': sink.PutText(va_arg(args, const char*)); break;
      case 'd': sink.PutSigned(va_arg(args, int)); break;
      case 'u': sink.PutUnsigned(va_arg(args, unsigned), 10); break;
      case 'x': sink.PutUnsigned(va_arg(args, unsigned), 16); break;
      case 'c': sink.Put(static_cast<char>(va_arg(args, int))); break;
      case '%': sink.Put('%'); break;
      case '\0': --p; break;  // a lone '%' at the end prints nothing
      default:  // unknown conversions are copied as they stand
        sink.Put('%');
        sink.Put(*p);
        break;
    }
  }
  dst[sink.used] = '\0';
  return !sink.cut;
}

int FormatText(char* dst, unsigned size, const char* format, ...) {
  va_list args;
  va_start(args, format);
  int fit = FormatTextV(dst, size, format, args);
  va_end(args);
  return fit;
}

const char* FindText(const char* haystack, const char* needle) {
  for (const char* start = haystack;; ++start) {
    const char* h = start;
    const char* n = needle;
    while (*n != '\0' && *h == *n) {
      ++h;
      ++n;
    }
    if (*n == '\0') return start;
    if (*start == '\0') return 0;
  }
}

void UpperAsciiInPlace(char* text) {
  for (; *text != '\0'; ++text) *text = UpperAscii(*text);
}
