// Opens nested cache-control scopes and uses a cache in them, printing what
// it sees, so that a test can observe the effect of ZEM_CACHE in a fresh
// process (the decision is made once per process).
#include <cstdio>

#include "sum/sum_cache.h"
#include "sum/sum_cache_control.h"

int main() {
  SUM_Cache<unsigned, int> cache;
  int hit = 0;
  {
    SUM_CacheControl outer;
    SUM_CacheControl inner(0);
    cache.enter(1, 10);
    int value = 0;
    hit = cache.lookup(1, value);
    std::printf("enabled=%d token_valid=%d hit=%d\n", SUM_CacheControl::is_enabled(),
                SUM_CacheControl::token_is_valid(SUM_CacheControl::token()), hit);
  }
  std::printf("after: enabled=%d token=%d\n", SUM_CacheControl::is_enabled(),
              SUM_CacheControl::token());
  return 0;
}
