#include "matcher.h"

Matcher::Matcher(const char* key) : length_(0), matched_(0) {
  while (length_ < kMaxKey && key[length_] != '\0') {
    key_[length_] = key[length_];
    ++length_;
  }
  key_[length_] = '\0';
  // fallback_[i]: the longest proper border of the key's first i characters.
  fallback_[0] = 0;
  if (length_ > 0) fallback_[1] = 0;
  unsigned border = 0;
  for (unsigned i = 1; i < length_; ++i) {
    while (border > 0 && key_[i] != key_[border]) border = fallback_[border];
    if (key_[i] == key_[border]) ++border;
    fallback_[i + 1] = border;
  }
}
