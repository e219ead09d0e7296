// Version of the library, set by the build.
#include "sum/sum_library_version.h"

const char* sum_library_version() {
  return KORVANE_VERSION;
}
