// Storage areas: arenas that hold the results of listing calls and are freed
// all at once with their owner.
#ifndef SERVICES_STG_H
#define SERVICES_STG_H

#include <cstddef>

struct stg_area_t;
using stg_area_h = stg_area_t*;

// A new area allocating in blocks of `block_size` bytes (at least 64).
// Returns 0, or 1004 for a null out-parameter.
int stg_create_area(size_t block_size, stg_area_h* area);
// Frees the area and everything allocated in it; a null area is ignored.
void stg_delete_area(stg_area_h area);
// `size` bytes aligned for any type, valid until the area is deleted; null
// for a null area.
void* stg_alloc(stg_area_h area, size_t size);
// A copy of `text` in the area.
char* stg_strdup(stg_area_h area, const char* text);
// Bytes handed out by the area so far.
size_t stg_area_used(stg_area_h area);

#endif  // SERVICES_STG_H
