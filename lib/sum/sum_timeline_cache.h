// The memo of each stream's timelines for one cache-control scope, so that
// the many per-component questions of one command list a stream's timelines
// once. SUM_Timeline::create and destroy forget the stream they change.
#ifndef SUM_SUM_TIMELINE_CACHE_H
#define SUM_SUM_TIMELINE_CACHE_H

#include "sum/sum_cache.h"
#include "sum/sum_lists.h"
#include "sum/sum_stream.h"
#include "sum/sum_timeline.h"

SUM_Cache<SUM_Stream, SUM_TimelineList>& sum_stream_timelines_cache();

#endif  // SUM_SUM_TIMELINE_CACHE_H
