// What the compiler may call on its own when no C runtime is linked:
// the memory and string helpers it emits for copies, clears and counting loops, and the
// handler a pure virtual call lands on. Built into the Windows programs only.
#include <stddef.h>

#define NO_LOOP_TO_CALL __attribute__((optimize("no-tree-loop-distribute-patterns")))

extern "C" {

NO_LOOP_TO_CALL void* memset(void* dst, int value, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(dst);
  while (count-- != 0) *d++ = static_cast<unsigned char>(value);
  return dst;
}

NO_LOOP_TO_CALL void* memcpy(void* dst, const void* src, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(dst);
  const unsigned char* s = static_cast<const unsigned char*>(src);
  while (count-- != 0) *d++ = *s++;
  return dst;
}

NO_LOOP_TO_CALL void* memmove(void* dst, const void* src, size_t count) {
  unsigned char* d = static_cast<unsigned char*>(dst);
  const unsigned char* s = static_cast<const unsigned char*>(src);
  if (d < s) {
    while (count-- != 0) *d++ = *s++;
  } else {
    while (count-- != 0) d[count] = s[count];
  }
  return dst;
}

int memcmp(const void* a, const void* b, size_t count) {
  const unsigned char* x = static_cast<const unsigned char*>(a);
  const unsigned char* y = static_cast<const unsigned char*>(b);
  for (; count != 0; --count, ++x, ++y) {
    if (*x != *y) return *x < *y ? -1 : 1;
  }
  return 0;
}

NO_LOOP_TO_CALL size_t strlen(const char* text) {
  size_t length = 0;
  while (text[length] != '\0') ++length;
  return length;
}

// Reached only through a broken object; there is nothing sensible to go on with.
void __cxa_pure_virtual() { __builtin_trap(); }

}  // extern "C"
