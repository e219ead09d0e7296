// Text utilities.
#ifndef SERVICES_STRUTL_H
#define SERVICES_STRUTL_H

// Case-insensitive collation of two texts in the current locale: negative,
// zero or positive like strcoll. A null text compares as the empty text.
int strutl_stricoll(const char* a, const char* b);

#endif  // SERVICES_STRUTL_H
