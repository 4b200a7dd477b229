// Bounded text helpers: what the C library would give, without one.
// Every writer takes the full size of its destination and never writes past it.
#pragma once

#include <stdarg.h>

// Length of a NUL-terminated string.
unsigned TextLength(const char* text);

// Copies src into dst (size bytes in all). Yields 1 when it fit whole, 0 when
// it was cut; dst always ends in a NUL when size > 0.
int CopyText(char* dst, unsigned size, const char* src);

// Formatted printing into dst (size bytes in all): %s %d %u %x %c %%.
// Yields 1 when the result fit whole, 0 when it was cut (dst still ends in a NUL).
int FormatText(char* dst, unsigned size, const char* format, ...);
int FormatTextV(char* dst, unsigned size, const char* format, va_list args);

// Case-sensitive substring search; an empty needle is found at the start.
const char* FindText(const char* haystack, const char* needle);
inline int ContainsText(const char* haystack, const char* needle) {
  return FindText(haystack, needle) != 0;
}

// Upper-cases a to z only; every other byte, 0x80 and up included, stays.
inline char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
void UpperAsciiInPlace(char* text);
