// Baselines of project VOBs in both storage forms (services/vob_zem_baseline.h):
// creation with the change sets and the entry on a stream's timeline,
// removal, the records read back, the listings by component and by stream,
// and the rules that keep baselines from losing the timeline they lie on.
#include "services/vob_zem_baseline.h"

#include "repository/sql.h"
#include "repository/vob_zem_baseline_delta.h"
#include "repository/vob_zem_stream_internal.h"

namespace {

// Entries of the tbs catalog printed here.

using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace zem = repo::zem;
using repo::id;

// How the kinds that baselines touch look in one PVOB.
struct BaselineKinds {
  zem::StreamKinds streams;
  zem::ZemKind component;
  vob_mtype_t baseline = VOB_MTYPE_BASELINE;
};

// Reads the kinds of `pvob`; 1004 for a VOB that is not a project VOB
// (after a message when `print`).
int read_kinds(vob_vob_h pvob, Store& s, bool print, BaselineKinds& kinds) {
  int status = zem::read_kinds(pvob, s, print, kinds.streams);
  if (status != 0)
    return status;
  if (kinds.streams.first_class) {
    kinds.component.mtype = VOB_MTYPE_COMPONENT;
    kinds.baseline = VOB_MTYPE_BASELINE;
    return TBS_ST_OK;
  }
  kinds.baseline = VOB_MTYPE_CHECKPOINT;
  tbs_dbid_t type = 0;
  status = repo::well_known(s, VOB_WK_COMPONENT_TYPE, &type);
  if (status == TBS_ST_NOT_FOUND)
    return TBS_ST_OK;  // no component type: nothing is a component
  if (status == 0)
    kinds.component.type = id(type);
  return status;
}

// Checks that `obj` is a baseline of the PVOB's form, printing what was
// expected when `what` is given.
int need_baseline(vob_vob_h pvob, Store& s, const BaselineKinds& kinds, tbs_dbid_t obj,
                  const char* what, ObjectRow& row) {
  return zem::need(
      pvob, s, obj, what, [&](const ObjectRow& r) { return r.mtype == kinds.baseline; }, row);
}

int need_component(vob_vob_h pvob, Store& s, const BaselineKinds& kinds, tbs_dbid_t obj,
                   const char* what) {
  ObjectRow row;
  return zem::need(
      pvob, s, obj, what, [&](const ObjectRow& r) { return kinds.component.matches(r); }, row);
}

// Runs `body(store, kinds)` on the PVOB's store (reads, printing nothing).
template <typename Body>
int read_pvob(vob_vob_h pvob, Body body) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    BaselineKinds kinds;
    int status = read_kinds(pvob, s, false, kinds);
    return status != 0 ? status : body(s, kinds);
  });
}

// The ids a query bound to (?1 = `of`, ?2 = limit, ?3 = offset) returns.
int list_ids(Store& s, const char* sql, tbs_dbid_t of, size_t offset, size_t max,
             std::vector<tbs_dbid_t>& out) {
  Query q = s.query(sql);
  q.bind(1, id(of));
  return repo::read_page(q, 2, offset, max, out);
}

// The number a count query bound to ?1 = `of` answers.
int count_of(Store& s, const char* sql, tbs_dbid_t of, int* count) {
  Query q = s.query(sql);
  q.bind(1, id(of));
  *count = q.next() ? q.integer(0) : 0;
  return q.status();
}

// Checks what a new baseline names, inside the creating transaction.
int check_spec(vob_vob_h pvob, Store& s, const BaselineKinds& kinds,
               const vob_zem_baseline_spec_t& spec) {
  int status = need_component(pvob, s, kinds, spec.component, "component");
  if (status == 0 && spec.timeline != spec.component) {
    ObjectRow row;
    status = zem::need(
        pvob, s, spec.timeline, "timeline",
        [&](const ObjectRow& r) { return kinds.streams.timeline.matches(r); }, row);
  }
  for (size_t i = 0; status == 0 && i < spec.csets.size(); ++i) {
    ObjectRow row;
    status = zem::need(
        pvob, s, spec.csets[i].activity, "object", [](const ObjectRow&) { return true; }, row);
  }
  if (status == 0)
    status = repo::check_not_locked(pvob, s, spec.component);
  if (status == 0 && spec.timeline != spec.component)
    status = repo::check_not_locked(pvob, s, spec.timeline);
  return status;
}

// Writes the records of a new baseline object `made`.
int store_records(Store& s, tbs_dbid_t made, const vob_zem_baseline_spec_t& spec) {
  const char* base = spec.name_base != nullptr ? spec.name_base : spec.name;
  int status = s.query(repo::sql::kBaselineInsert)
                   .bind(1, id(made))
                   .bind(2, base)
                   .bind(3, id(spec.component))
                   .bind(4, id(spec.timeline))
                   .bind(5, spec.deps_xml != nullptr ? spec.deps_xml : "")
                   .run();
  for (size_t i = 0; status == 0 && i < spec.csets.size(); ++i)
    status = s.query(repo::sql::kBaselineCsetInsert)
                 .bind(1, id(made))
                 .bind(2, static_cast<int64_t>(i))
                 .bind(3, id(spec.csets[i].activity))
                 .bind(4, static_cast<int64_t>(spec.csets[i].mod_count))
                 .run();
  return status != 0 ? status : zem::record_baseline_delta(s, made, spec);
}

// The position and time of the entry of `kind` naming `obj` on `timeline`;
// 1002 when there is none.
int find_entry(Store& s, tbs_dbid_t timeline, int kind, tbs_dbid_t obj, int64_t* position,
               int64_t* etime) {
  Query q = s.query(repo::sql::kTimelineEntryFind);
  q.bind(1, id(timeline)).bind(2, id(obj)).bind(3, static_cast<int64_t>(kind));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  *position = q.int64(0);
  *etime = q.int64(1);
  return TBS_ST_OK;
}

// Moves the entries `reorder` of `timeline`, in order, right after the
// entry of the new baseline `made`, each keeping its time.
int reorder_entries(vob_vob_h pvob, Store& s, tbs_dbid_t timeline, tbs_dbid_t made,
                    const std::vector<vob_zem_tl_entry_ref_t>& reorder) {
  for (size_t i = 0; i < reorder.size(); ++i) {
    const vob_zem_tl_entry_ref_t& ref = reorder[i];
    int64_t from = 0;
    int64_t etime = 0;
    int status = find_entry(s, timeline, ref.kind, ref.obj, &from, &etime);
    if (status == TBS_ST_NOT_FOUND) {
      imsg_print(IMSG_ERROR, tbs_msg::NoSuchEntry, zem::display_name(pvob, timeline).c_str(),
                 ref.kind, ref.obj);
      return TBS_ST_BAD_ARGUMENT;
    }
    if (status == 0)
      status = s.query(repo::sql::kTimelineEntryDelete).bind(1, id(timeline)).bind(2, from).run();
    if (status == 0)
      status = s.query(repo::sql::kTimelineUnshift).bind(1, id(timeline)).bind(2, from).run();
    int64_t own = 0;
    int64_t own_time = 0;
    if (status == 0)
      status = find_entry(s, timeline, VOB_ZEM_TL_BASELINE, made, &own, &own_time);
    int64_t to = own + 1 + static_cast<int64_t>(i);
    if (status == 0)
      status = s.query(repo::sql::kTimelineShift).bind(1, id(timeline)).bind(2, to).run();
    if (status == 0)
      status = s.query(repo::sql::kTimelineEntryInsert)
                   .bind(1, id(timeline))
                   .bind(2, to)
                   .bind(3, static_cast<int64_t>(ref.kind))
                   .bind(4, id(ref.obj))
                   .bind(5, etime)
                   .run();
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

// The name of a label type for messages, "<dbid>" when it has none.
std::string lbtype_name(vob_vob_h vob, tbs_dbid_t lbtype) {
  char buf[256] = "";
  if (vob_obj_get_name(vob, lbtype, buf, sizeof buf) != 0)
    return std::to_string(lbtype);
  return buf;
}

}  // namespace

namespace repo {
namespace zem {

int release_baselines(vob_vob_h pvob, Store& s, tbs_dbid_t obj, const vob_event_info_t* event) {
  int on_it = 0;
  int in_it = 0;
  int off_main = 0;
  int status = count_of(s, sql::kBaselineCountOnTimeline, obj, &on_it);
  if (status == 0)
    status = count_of(s, sql::kBaselineCountInStream, obj, &in_it);
  if (status == 0)
    status = count_of(s, sql::kBaselineCountOffMain, obj, &off_main);
  if (status != 0)
    return status;
  if (on_it + in_it > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::BaselinesTimelinesRemoveThem, display_name(pvob, obj).c_str(),
               on_it + in_it);
    return TBS_ST_ERROR;
  }
  if (off_main > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ComponentBaselinesTimelinesStreams,
               display_name(pvob, obj).c_str(), off_main);
    return TBS_ST_ERROR;
  }
  std::vector<tbs_dbid_t> main;
  Query q = s.query(sql::kBaselinesOfMainTimeline);
  q.bind(1, id(obj));
  while (q.next())
    main.push_back(static_cast<tbs_dbid_t>(q.int64(0)));
  status = q.status();
  for (size_t i = 0; status == 0 && i < main.size(); ++i)
    status = remove_object(pvob, s, main[i], event);
  return status;
}

}  // namespace zem
}  // namespace repo

int vob_zem_baseline_create(vob_vob_h pvob, const vob_zem_baseline_spec_t& spec,
                            const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (dbid == nullptr || spec.position < -1)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(spec.name);
  if (status == 0 && spec.name_base != nullptr)
    status = repo::check_object_name(spec.name_base);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    BaselineKinds kinds;
    int st = read_kinds(pvob, s, true, kinds);
    if (st == 0)
      st = check_spec(pvob, s, kinds, spec);
    if (st != 0)
      return st;
    repo::NewObject object;
    object.mtype = kinds.baseline;
    object.name = spec.name;
    st = repo::insert_object(s, object, event, &made);
    if (st == TBS_ST_EXISTS)
      imsg_print(IMSG_ERROR, tbs_msg::NamedAlreadyExists, "baseline", spec.name);
    if (st == 0)
      st = store_records(s, made, spec);
    if (st == 0 && spec.timeline != spec.component)
      st = zem::place_entry(pvob, s, spec.timeline, spec.position, VOB_ZEM_TL_BASELINE, made);
    if (st == 0 && spec.timeline != spec.component)
      st = reorder_entries(pvob, s, spec.timeline, made, spec.reorder);
    return st;
  });
  if (status == 0)
    *dbid = made;
  return status;
}

int vob_zem_baseline_delete(vob_vob_h pvob, tbs_dbid_t baseline, const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    BaselineKinds kinds;
    ObjectRow row;
    int status = read_kinds(pvob, s, true, kinds);
    if (status == 0)
      status = need_baseline(pvob, s, kinds, baseline, "baseline", row);
    if (status == 0)
      status = zem::drop_entries_of(s, baseline, VOB_ZEM_TL_BASELINE);
    if (status == 0)
      status = zem::fold_baseline_delta(s, baseline);
    return status != 0 ? status : zem::remove_object(pvob, s, baseline, event);
  });
}

int vob_zem_baseline_is(vob_vob_h pvob, tbs_dbid_t dbid, int* is) {
  if (is == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    ObjectRow row;
    int status = dbid == 0 ? TBS_ST_NOT_FOUND : repo::read_object(s, dbid, row);
    if (status == 0)
      *is = row.mtype == kinds.baseline ? 1 : 0;
    return status;
  });
}

int vob_zem_baseline_get_info(vob_vob_h pvob, tbs_dbid_t baseline, vob_zem_baseline_info_t* info) {
  if (info == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    ObjectRow row;
    int status = need_baseline(pvob, s, kinds, baseline, nullptr, row);
    if (status != 0)
      return status;
    vob_zem_baseline_info_t out;
    Query q = s.query(repo::sql::kBaselineGet);
    q.bind(1, id(baseline));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    out.name = row.name;
    out.name_base = q.text(0);
    out.component = static_cast<tbs_dbid_t>(q.int64(1));
    out.timeline = static_cast<tbs_dbid_t>(q.int64(2));
    out.deps_xml = q.text(3);
    out.created = row.created;
    if (out.timeline != out.component) {
      zem::ZemRow tree;
      status = zem::read_row(s, out.timeline, tree);
      if (status != 0)
        return status;
      out.stream = tree.parent;
    }
    *info = out;
    return TBS_ST_OK;
  });
}

int vob_zem_baseline_get_cset_list(vob_vob_h pvob, tbs_dbid_t baseline,
                                   std::vector<vob_zem_baseline_cset_t>& csets) {
  return read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    ObjectRow row;
    int status = need_baseline(pvob, s, kinds, baseline, nullptr, row);
    if (status != 0)
      return status;
    std::vector<vob_zem_baseline_cset_t> found;
    Query q = s.query(repo::sql::kBaselineCsets);
    q.bind(1, id(baseline));
    while (q.next()) {
      vob_zem_baseline_cset_t cset;
      cset.activity = static_cast<tbs_dbid_t>(q.int64(0));
      cset.mod_count = static_cast<long>(q.int64(1));
      found.push_back(cset);
    }
    if (q.status() == 0)
      csets.swap(found);
    return q.status();
  });
}

int vob_zem_component_get_baseline(vob_vob_h pvob, tbs_dbid_t component, tbs_dbid_t* baseline) {
  if (baseline == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    int status = need_component(pvob, s, kinds, component, nullptr);
    if (status != 0)
      return status;
    Query q = s.query(repo::sql::kBaselineInitial);
    q.bind(1, id(component));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    *baseline = static_cast<tbs_dbid_t>(q.int64(0));
    return TBS_ST_OK;
  });
}

int vob_zem_component_next_baselines(vob_vob_h pvob, tbs_dbid_t component, size_t offset,
                                     size_t max, std::vector<tbs_dbid_t>& baselines) {
  return read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    int status = need_component(pvob, s, kinds, component, nullptr);
    return status != 0
               ? status
               : list_ids(s, repo::sql::kBaselinesOfComponent, component, offset, max, baselines);
  });
}

int vob_zem_stream_next_baselines(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                  std::vector<tbs_dbid_t>& baselines) {
  return read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    ObjectRow row;
    int status = zem::need(
        pvob, s, stream, nullptr,
        [&](const ObjectRow& r) { return kinds.streams.stream.matches(r); }, row);
    return status != 0 ? status
                       : list_ids(s, repo::sql::kBaselinesOfStream, stream, offset, max, baselines);
  });
}

int vob_zem_baseline_set_vermap(vob_vob_h pvob, tbs_dbid_t baseline, vob_vob_h vob,
                                tbs_dbid_t vermap, const vob_event_info_t* event) {
  if (vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    ObjectRow row;
    return need_baseline(pvob, s, kinds, baseline, "baseline", row);
  });
  if (status == 0)
    status = repo::with_store(vob, [&](Store& s) -> int {
      ObjectRow row;
      return zem::need(
          vob, s, vermap, "label type",
          [](const ObjectRow& r) { return r.mtype == VOB_MTYPE_LABEL_TYPE; }, row);
    });
  if (status != 0)
    return status;
  vob_vob_h has_vob = nullptr;
  tbs_dbid_t has = 0;
  status = vob_zem_baseline_get_vermap(pvob, baseline, &has_vob, &has);
  if (status == 0) {
    imsg_print(IMSG_ERROR, tbs_msg::HasVermap, zem::display_name(pvob, baseline).c_str(),
               lbtype_name(has_vob, has).c_str());
    return TBS_ST_EXISTS;
  }
  if (status != TBS_ST_NOT_FOUND)
    return status;
  return vob_hlink_create_wk(pvob, baseline, VOB_WK_HLTYPE_BASELINE_LBTYPE, vob, vermap, "", "",
                             event, nullptr);
}

int vob_zem_baseline_get_vermap(vob_vob_h pvob, tbs_dbid_t baseline, vob_vob_h* vob,
                                tbs_dbid_t* vermap) {
  if (vob == nullptr || vermap == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int status = read_pvob(pvob, [&](Store& s, const BaselineKinds& kinds) -> int {
    ObjectRow row;
    return need_baseline(pvob, s, kinds, baseline, nullptr, row);
  });
  std::vector<vob_hlink_end_t> ends;
  if (status == 0)
    status = vob_obj_list_hlinks(pvob, baseline, VOB_WK_HLTYPE_BASELINE_LBTYPE, 1, ends);
  if (status != 0)
    return status;
  for (const vob_hlink_end_t& end : ends) {
    if (end.broken == 0 && end.other_vob != nullptr) {
      *vob = end.other_vob;
      *vermap = end.other;
      return TBS_ST_OK;
    }
  }
  return TBS_ST_NOT_FOUND;
}

int vob_zem_vermap_delete(vob_vob_h vob, tbs_dbid_t vermap, const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    ObjectRow row;
    int status = zem::need(
        vob, s, vermap, "label type",
        [](const ObjectRow& r) { return r.mtype == VOB_MTYPE_LABEL_TYPE; }, row);
    if (status != 0)
      return status;
    Query q = s.query(repo::sql::kVermapFirstDependent);
    q.bind(1, id(vermap));
    if (q.next()) {
      imsg_print(IMSG_ERROR, tbs_msg::MapHasDependent, row.name.c_str(),
                 lbtype_name(vob, static_cast<tbs_dbid_t>(q.int64(0))).c_str());
      return TBS_ST_ERROR;
    }
    if (q.status() != 0)
      return q.status();
    // Its labels and map records go with the object (ON DELETE CASCADE).
    return zem::remove_object(vob, s, vermap, event);
  });
}
