// SUM_String: the owned, zero-terminated byte string used by every operation.
#ifndef SUM_SUM_STRING_H
#define SUM_SUM_STRING_H

#include "services/korvane_assert.h"

class SUM_String {
 public:
  // The empty string (a one-byte buffer holding the terminating zero).
  SUM_String();
  // A copy of `text`; a null text gives the empty string.
  SUM_String(const char* text);  // NOLINT(google-explicit-constructor): text converts freely
  // The first `n` bytes of `text` (fewer when it ends earlier).
  SUM_String(const char* text, int n);
  // A copy with exactly the source's allocation.
  SUM_String(const SUM_String& other);
  // The concatenation of `a` and `b`.
  SUM_String(const SUM_String& a, const SUM_String& b);
  virtual ~SUM_String();

  SUM_String& operator=(const SUM_String& other);
  SUM_String& operator=(const char* text);
  // Appends; the buffer is reallocated to the exact new size.
  SUM_String& operator+=(const SUM_String& other);
  SUM_String& operator+=(const char* text);

  operator const char*() const { return data_; }  // NOLINT(google-explicit-constructor)

  // Length up to the first zero byte.
  int GetLength() const;
  // Becomes the empty string.
  void Empty();

  // Collation order in the current locale (strcoll); a null text compares as
  // the empty string. CompareNoCase ignores case.
  int Compare(const char* text) const;
  int CompareNoCase(const char* text) const;

  // First position of `c` or `needle`, or -1; an empty or null needle gives -1.
  int Find(char c) const;
  int Find(const char* needle) const;
  // As above from `start`: -1 for a start below 0 or at or beyond the length;
  // a start above 0 begins the search at start + 1, a start of 0 at 0.
  int Find(char c, int start) const;
  int Find(const char* needle, int start) const;
  // Last position of `c` or `needle`, or -1.
  int ReverseFind(char c) const;
  int ReverseFind(const char* needle) const;

  // Grows the buffer to at least n + 1 bytes keeping the content; returns it.
  char* GetBuffer(int n);
  // For n of 0 or more writes the terminating zero at n.
  void ReleaseBuffer(int n = -1);

  // The byte at `i`, which must lie in the buffer (checked only in builds
  // with assertions); at the length, the terminating zero.
  char GetAt(int i) const {
    KORVANE_ASSERT(i >= 0 && i < size_);
    return data_[i];
  }
  char operator[](int i) const { return GetAt(i); }

  // The first or last min(n, length) bytes.
  SUM_String Left(int n) const;
  SUM_String Right(int n) const;
  // From `start` to the end; empty when start is at or beyond the length.
  SUM_String Mid(int start) const;
  // `count` bytes from `start`, cut at the end.
  SUM_String Mid(int start, int count) const;

  // Formats into a shared buffer of 32,768 bytes (longer text is cut) and
  // takes the result as the new content.
  void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));

  // Bytes allocated (at least the length plus 1).
  int size() const { return size_; }

 private:
  void assign(const char* text, int length);

  char* data_;
  int size_;
};

bool operator==(const SUM_String& a, const SUM_String& b);
bool operator!=(const SUM_String& a, const SUM_String& b);
bool operator<(const SUM_String& a, const SUM_String& b);
bool operator<=(const SUM_String& a, const SUM_String& b);
bool operator>(const SUM_String& a, const SUM_String& b);
bool operator>=(const SUM_String& a, const SUM_String& b);
bool operator==(const SUM_String& a, const char* b);
bool operator!=(const SUM_String& a, const char* b);

#endif  // SUM_SUM_STRING_H
