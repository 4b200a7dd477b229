// Finds a key in text that arrives piece by piece: a match may straddle any
// two pieces, and NUL bytes are ordinary bytes. (Knuth-Morris-Pratt.)
#pragma once

class Matcher {
 public:
  enum { kMaxKey = 64 };
  // key: at most kMaxKey characters (longer keys are cut to that length).
  explicit Matcher(const char* key);
  // Feeds one byte; 1 when it completes an occurrence of the key.
  int Feed(char c) {
    if (length_ == 0) return 1;  // the empty key is everywhere
    while (matched_ > 0 && key_[matched_] != c) matched_ = fallback_[matched_];
    if (key_[matched_] == c) ++matched_;
    if (matched_ == length_) {
      matched_ = fallback_[matched_];
      return 1;
    }
    return 0;
  }
  // 1 when the key occurs in the bytes; the state carries over to the next call.
  int FeedAll(const char* bytes, unsigned count) {
    int found = 0;
    for (unsigned i = 0; i < count; ++i) found |= Feed(bytes[i]);
    return found;
  }
  void Reset() { matched_ = 0; }

 private:
  char key_[kMaxKey + 1];
  unsigned length_;
  unsigned matched_;
  unsigned fallback_[kMaxKey + 1];
};
