// Wildcard matching.
#ifndef SERVICES_WILD_H
#define SERVICES_WILD_H

// Whether `text` matches `pattern`, where "*" matches any run of characters,
// "?" one character, and "[...]" one of a set. 1 or 0.
int wild_match(const char* pattern, const char* text);

#endif  // SERVICES_WILD_H
