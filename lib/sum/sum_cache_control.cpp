// SUM_CacheControl: nesting of cache scopes and the generation token.
#include "sum/sum_cache_control.h"

#include <strings.h>

#include <cstdlib>

#include "services/korvane_assert.h"
#include "sum/sum_trace.h"

namespace {

constexpr int kVobCachingOn = 1;
constexpr int kVobCachingOff = 2;
constexpr int kStats = 4;

}  // namespace

int SUM_CacheControl::m_cache_off = -1;
int SUM_CacheControl::m_enabled = 0;
int SUM_CacheControl::m_vob_enabled = 0;
int SUM_CacheControl::m_token = 0;

SUM_CacheControl::SUM_CacheControl() : vob_caching_(1) {
  Init();
}

SUM_CacheControl::SUM_CacheControl(int vob_caching) : vob_caching_(vob_caching) {
  Init();
}

void SUM_CacheControl::Init() {
  if (m_cache_off == -1) {
    const char* value = std::getenv("ZEM_CACHE");
    m_cache_off =
        value != nullptr && (strcasecmp(value, "off") == 0 || strcasecmp(value, "false") == 0) ? 1
                                                                                               : 0;
  }
  if (m_cache_off == 1)
    return;
  ++m_enabled;
  if (vob_caching_) {
    if (m_vob_enabled == 0)
      control(kVobCachingOn);
    ++m_vob_enabled;
  }
}

SUM_CacheControl::~SUM_CacheControl() {
  // With caching off the scope never opened (the decision cannot change once
  // taken), so there is nothing to close.
  if (m_cache_off == 1)
    return;
  // Every closing scope was opened by Init: the counts cannot go below zero.
  KORVANE_ASSERT(m_enabled > 0);
  KORVANE_ASSERT(!vob_caching_ || m_vob_enabled > 0);
  if (vob_caching_) {
    if (--m_vob_enabled == 0)
      control(kVobCachingOff);
  }
  if (--m_enabled == 0)
    ++m_token;
}

int SUM_CacheControl::is_enabled() {
  return m_enabled > 0 ? 1 : 0;
}

int SUM_CacheControl::token() {
  return m_enabled > 0 ? m_token : 0;
}

int SUM_CacheControl::token_is_valid(int token) {
  return m_enabled > 0 && token == m_token ? 1 : 0;
}

void SUM_CacheControl::dump() {
  control(kStats);
}

void SUM_CacheControl::control(int action) {
  SUM_Trace trace("SUM_CacheControl::control");
  switch (action) {
    case kVobCachingOn:
      trace.info(4, "##### ZEM VOB Caching: ON");
      break;
    case kVobCachingOff:
      trace.info(4, "##### ZEM VOB Caching: OFF");
      break;
    case kStats:
      trace.info(4, "##### ZEM VOB Caching: STATS:");
      break;
    default:
      trace.info(2, "##### ZEM VOB Caching: ???");
      break;
  }
}
