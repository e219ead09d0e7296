// Wildcard matching with "*", "?" and "[...]".
#include "services/wild.h"

#include <fnmatch.h>

int wild_match(const char* pattern, const char* text) {
  if (pattern == nullptr || text == nullptr)
    return 0;
  return fnmatch(pattern, text, 0) == 0 ? 1 : 0;
}
