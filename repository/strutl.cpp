// Text utilities.
#include "services/strutl.h"

#include <cstring>
#include <cwctype>
#include <string>

namespace {

// Lower-cases `text` character by character in the current locale.
std::wstring lowered(const char* text) {
  std::wstring out;
  std::mbstate_t state{};
  const char* p = text;
  size_t left = std::strlen(text);
  while (left > 0) {
    wchar_t wc;
    size_t n = std::mbrtowc(&wc, p, left, &state);
    if (n == static_cast<size_t>(-1) || n == static_cast<size_t>(-2)) {
      wc = static_cast<unsigned char>(*p);  // keep undecodable bytes as they are
      n = 1;
      state = std::mbstate_t{};
    }
    out += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wc)));
    p += n;
    left -= n;
  }
  return out;
}

}  // namespace

int strutl_stricoll(const char* a, const char* b) {
  return std::wcscoll(lowered(a != nullptr ? a : "").c_str(),
                      lowered(b != nullptr ? b : "").c_str());
}
