// What the stream and timeline calls (services/vob_zem_stream.h) share: how
// a project, a stream and a timeline are recognised in each storage form,
// and listing the objects of one such kind placed in an object.
#ifndef REPOSITORY_VOB_ZEM_STREAM_INTERNAL_H
#define REPOSITORY_VOB_ZEM_STREAM_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "repository/vob_zem_internal.h"
#include "services/vob_zem_stream.h"

namespace repo {
namespace zem {

namespace msg {
inline constexpr int kHasChildStreams = 118;  // (stream, count)
}  // namespace msg

// One kind of ZEM object: metatype `mtype` in the first-class form, an
// activity-like object of type `type` in the other; -1 never matches.
struct ZemKind {
  int64_t mtype = -1;
  int64_t type = -1;
  bool matches(const ObjectRow& row) const {
    return row.mtype == mtype ||
           (row.mtype == VOB_MTYPE_ACTIVITY_LIKE && static_cast<int64_t>(row.type) == type);
  }
};

// The kinds of one PVOB.
struct StreamKinds {
  bool first_class = false;
  ZemKind project;
  ZemKind stream;
  ZemKind timeline;
};

// Reads the storage form of `vob` and the types of its kinds: 1004 for a
// VOB that is not a project VOB (after a message when `print`).
int read_kinds(vob_vob_h vob, Store& s, bool print, StreamKinds& kinds);

// Runs `body(store)` (in one transaction when `write`) after checking that
// `stream` is a stream of `pvob`; a writing call prints what is wrong.
template <typename Body>
int on_stream(vob_vob_h pvob, tbs_dbid_t stream, bool write, Body body) {
  auto checked = [&](Store& s) -> int {
    StreamKinds kinds;
    ObjectRow row;
    int status = read_kinds(pvob, s, write, kinds);
    if (status == 0)
      status = need(
          pvob, s, stream, write ? "stream" : nullptr,
          [&](const ObjectRow& r) { return kinds.stream.matches(r); }, row);
    return status != 0 ? status : body(s);
  };
  return write ? in_txn(pvob, checked) : with_store(pvob, checked);
}

// The objects of `kind` placed in `parent`, in creation order, `max` from
// `offset`; `out` is replaced.
int list_of_kind(Store& s, tbs_dbid_t parent, const ZemKind& kind, size_t offset, size_t max,
                 std::vector<tbs_dbid_t>& out);
// The number of objects of `kind` placed in `parent`.
int count_of_kind(Store& s, tbs_dbid_t parent, const ZemKind& kind, int* count);

// Inside the caller's transaction: places an entry of `kind` for `obj` at
// `position` (-1: the end) of `timeline`, which the caller has checked; 1004
// after a message for a position beyond the end, 1040 when the timeline is
// locked. Records no event.
int place_entry(vob_vob_h pvob, Store& s, tbs_dbid_t timeline, long long position, int kind,
                tbs_dbid_t obj);
// Inside the caller's transaction: removes every entry of `kind` naming
// `obj`, closing the gaps it leaves.
int drop_entries_of(Store& s, tbs_dbid_t obj, int kind);

// Inside the caller's transaction, before `obj` (a component, a stream or a
// timeline) is removed: refuses (1001, after a message) while baselines lie
// on a stream timeline that is `obj` or is placed in it, or while baselines
// of component `obj` lie on stream timelines; then removes the baselines of
// `obj`'s main timeline, recording `event` with each removal.
int release_baselines(vob_vob_h pvob, Store& s, tbs_dbid_t obj, const vob_event_info_t* event);

// Inside the caller's transaction: stores the config spec text of
// `stream` (checked by the caller) with its final mark and a modify event;
// 1040 when the stream is locked.
int store_cspec(vob_vob_h pvob, Store& s, tbs_dbid_t stream, const char* text, int final,
                const vob_event_info_t* event);
// The stored text of `stream` ("" when none) and its final mark (1 when
// none).
int read_cspec(Store& s, tbs_dbid_t stream, std::string& text, int& final);

}  // namespace zem
}  // namespace repo

#endif  // REPOSITORY_VOB_ZEM_STREAM_INTERNAL_H
