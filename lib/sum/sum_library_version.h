// Version of the library.
#ifndef SUM_SUM_LIBRARY_VERSION_H
#define SUM_SUM_LIBRARY_VERSION_H

// The library's version, "MAJOR.MINOR.PATCH".
const char* sum_library_version();

#endif  // SUM_SUM_LIBRARY_VERSION_H
