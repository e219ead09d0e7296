// SUM_String: owned text with the search and slicing operations of the library.
#include "sum/sum_string.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "services/strutl.h"

namespace {

char* allocate(int size) {
  return static_cast<char*>(std::malloc(static_cast<size_t>(size)));
}

int length_of(const char* text) {
  return text != nullptr ? static_cast<int>(std::strlen(text)) : 0;
}

}  // namespace

SUM_String::SUM_String() : data_(allocate(1)), size_(1) {
  data_[0] = '\0';
}

SUM_String::SUM_String(const char* text) : data_(nullptr), size_(0) {
  assign(text, length_of(text));
}

SUM_String::SUM_String(const char* text, int n) : data_(nullptr), size_(0) {
  int length = 0;
  while (text != nullptr && length < n && text[length] != '\0')
    ++length;
  assign(text, length);
}

SUM_String::SUM_String(const SUM_String& other) : data_(allocate(other.size_)), size_(other.size_) {
  std::memcpy(data_, other.data_, static_cast<size_t>(size_));
}

SUM_String::SUM_String(const SUM_String& a, const SUM_String& b) : data_(nullptr), size_(0) {
  int la = a.GetLength();
  int lb = b.GetLength();
  size_ = la + lb + 1;
  data_ = allocate(size_);
  std::memcpy(data_, a.data_, static_cast<size_t>(la));
  std::memcpy(data_ + la, b.data_, static_cast<size_t>(lb));
  data_[la + lb] = '\0';
}

SUM_String::~SUM_String() {
  std::free(data_);
}

void SUM_String::assign(const char* text, int length) {
  char* fresh = allocate(length + 1);
  if (length > 0)
    std::memcpy(fresh, text, static_cast<size_t>(length));
  fresh[length] = '\0';
  std::free(data_);
  data_ = fresh;
  size_ = length + 1;
}

SUM_String& SUM_String::operator=(const SUM_String& other) {
  if (this != &other)
    assign(other.data_, other.GetLength());
  return *this;
}

SUM_String& SUM_String::operator=(const char* text) {
  assign(text, length_of(text));  // assign copies before freeing, so text may alias data_
  return *this;
}

SUM_String& SUM_String::operator+=(const SUM_String& other) {
  return *this += other.data_;
}

SUM_String& SUM_String::operator+=(const char* text) {
  int length = GetLength();
  int extra = length_of(text);
  char* fresh = allocate(length + extra + 1);
  std::memcpy(fresh, data_, static_cast<size_t>(length));
  if (extra > 0)
    std::memcpy(fresh + length, text, static_cast<size_t>(extra));
  fresh[length + extra] = '\0';
  std::free(data_);
  data_ = fresh;
  size_ = length + extra + 1;
  return *this;
}

int SUM_String::GetLength() const {
  return static_cast<int>(std::strlen(data_));
}

void SUM_String::Empty() {
  assign("", 0);
}

int SUM_String::Compare(const char* text) const {
  return std::strcoll(data_, text != nullptr ? text : "");
}

int SUM_String::CompareNoCase(const char* text) const {
  return strutl_stricoll(data_, text);
}

int SUM_String::Find(char c) const {
  const char* hit = std::strchr(data_, c);
  return hit != nullptr && c != '\0' ? static_cast<int>(hit - data_) : -1;
}

int SUM_String::Find(const char* needle) const {
  if (needle == nullptr || *needle == '\0')
    return -1;
  const char* hit = std::strstr(data_, needle);
  return hit != nullptr ? static_cast<int>(hit - data_) : -1;
}

int SUM_String::Find(char c, int start) const {
  if (start < 0 || start >= GetLength())
    return -1;
  int from = start > 0 ? start + 1 : 0;
  const char* hit = std::strchr(data_ + from, c);
  return hit != nullptr && c != '\0' ? static_cast<int>(hit - data_) : -1;
}

int SUM_String::Find(const char* needle, int start) const {
  if (start < 0 || start >= GetLength() || needle == nullptr || *needle == '\0')
    return -1;
  int from = start > 0 ? start + 1 : 0;
  const char* hit = std::strstr(data_ + from, needle);
  return hit != nullptr ? static_cast<int>(hit - data_) : -1;
}

int SUM_String::ReverseFind(char c) const {
  const char* hit = std::strrchr(data_, c);
  return hit != nullptr && c != '\0' ? static_cast<int>(hit - data_) : -1;
}

int SUM_String::ReverseFind(const char* needle) const {
  if (needle == nullptr || *needle == '\0')
    return -1;
  int found = -1;
  for (const char* p = std::strstr(data_, needle); p != nullptr; p = std::strstr(p + 1, needle))
    found = static_cast<int>(p - data_);
  return found;
}

char* SUM_String::GetBuffer(int n) {
  if (n + 1 > size_) {
    char* fresh = allocate(n + 1);
    std::memcpy(fresh, data_, static_cast<size_t>(size_));
    std::free(data_);
    data_ = fresh;
    size_ = n + 1;
  }
  return data_;
}

void SUM_String::ReleaseBuffer(int n) {
  if (n >= 0 && n < size_)
    data_[n] = '\0';
}

SUM_String SUM_String::Left(int n) const {
  int length = GetLength();
  return SUM_String(data_, n < length ? (n > 0 ? n : 0) : length);
}

SUM_String SUM_String::Right(int n) const {
  int length = GetLength();
  int take = n < length ? (n > 0 ? n : 0) : length;
  return SUM_String(data_ + length - take, take);
}

SUM_String SUM_String::Mid(int start) const {
  int length = GetLength();
  if (start < 0)
    start = 0;
  return start >= length ? SUM_String() : SUM_String(data_ + start);
}

SUM_String SUM_String::Mid(int start, int count) const {
  int length = GetLength();
  if (start < 0)
    start = 0;
  if (start >= length || count <= 0)
    return SUM_String();
  return SUM_String(data_ + start, count);
}

void SUM_String::Format(const char* format, ...) {
  static char buffer[32768];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  assign(buffer, length_of(buffer));
}

bool operator==(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) == 0;
}
bool operator!=(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) != 0;
}
bool operator<(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) < 0;
}
bool operator<=(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) <= 0;
}
bool operator>(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) > 0;
}
bool operator>=(const SUM_String& a, const SUM_String& b) {
  return a.Compare(b) >= 0;
}
bool operator==(const SUM_String& a, const char* b) {
  return a.Compare(b) == 0;
}
bool operator!=(const SUM_String& a, const char* b) {
  return a.Compare(b) != 0;
}
