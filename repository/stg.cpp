// Storage areas: bump allocators freed as a whole.
#include "services/stg.h"

#include <cstring>
#include <memory>
#include <vector>

#include "services/tbs.h"

struct stg_area_t {
  size_t block_size;
  std::vector<std::unique_ptr<unsigned char[]>> blocks;
  size_t used_in_block = 0;  // bytes used in the last block
  size_t block_capacity = 0;
  size_t total = 0;
};

int stg_create_area(size_t block_size, stg_area_h* area) {
  if (area == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  *area = new stg_area_t{block_size < 64 ? 64 : block_size, {}, 0, 0, 0};
  return TBS_ST_OK;
}

void stg_delete_area(stg_area_h area) {
  delete area;
}

void* stg_alloc(stg_area_h area, size_t size) {
  if (area == nullptr)
    return nullptr;
  constexpr size_t kAlign = alignof(std::max_align_t);
  size_t rounded = (size + kAlign - 1) / kAlign * kAlign;
  if (rounded == 0)
    rounded = kAlign;
  if (area->blocks.empty() || area->used_in_block + rounded > area->block_capacity) {
    size_t capacity = rounded > area->block_size ? rounded : area->block_size;
    area->blocks.emplace_back(new unsigned char[capacity]);
    area->block_capacity = capacity;
    area->used_in_block = 0;
  }
  void* p = area->blocks.back().get() + area->used_in_block;
  area->used_in_block += rounded;
  area->total += size;
  return p;
}

char* stg_strdup(stg_area_h area, const char* text) {
  size_t n = text != nullptr ? std::strlen(text) : 0;
  char* copy = static_cast<char*>(stg_alloc(area, n + 1));
  if (copy == nullptr)
    return nullptr;
  if (n > 0)
    std::memcpy(copy, text, n);
  copy[n] = '\0';
  return copy;
}

size_t stg_area_used(stg_area_h area) {
  return area != nullptr ? area->total : 0;
}
