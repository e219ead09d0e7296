// Streams of project VOBs in both storage forms: creation with the flag
// word, parent stream and project, child streams and the streams of a
// project, titles and removal (together with the stream's timelines).
#include "repository/sql.h"
#include "repository/vob_zem_stream_internal.h"

namespace repo {
namespace zem {

namespace {

// The dbid of well-known type `wk`, or -1 when the VOB has none.
int type_of(Store& s, vob_wkobj_t wk, int64_t* type) {
  tbs_dbid_t dbid = 0;
  int status = well_known(s, wk, &dbid);
  if (status == TBS_ST_NOT_FOUND) {
    *type = -1;
    return TBS_ST_OK;
  }
  if (status == 0)
    *type = id(dbid);
  return status;
}

}  // namespace

int read_kinds(vob_vob_h vob, Store& s, bool print, StreamKinds& kinds) {
  int kind = 0;
  int level = 0;
  int status = vob_ob_get_type(vob, &kind);
  if (status == 0)
    status = vob_ob_get_feature_level(vob, &level);
  if (status != 0)
    return status;
  if (kind != RGY_VOB_PROJECT) {
    if (print)
      imsg_print(IMSG_ERROR, tbs_msg::VOBNotProjectVOB, vob->tag.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  kinds = StreamKinds();
  kinds.first_class = level >= kFirstClassLevel;
  if (kinds.first_class) {
    kinds.project.mtype = VOB_MTYPE_PROJECT;
    kinds.stream.mtype = VOB_MTYPE_STREAM;
    kinds.timeline.mtype = VOB_MTYPE_TIMELINE;
    return TBS_ST_OK;
  }
  status = type_of(s, VOB_WK_PROJECT_TYPE, &kinds.project.type);
  if (status == 0)
    status = type_of(s, VOB_WK_STREAM_TYPE, &kinds.stream.type);
  if (status == 0)
    status = type_of(s, VOB_WK_TIMELINE_TYPE, &kinds.timeline.type);
  return status;
}

int list_of_kind(Store& s, tbs_dbid_t parent, const ZemKind& kind, size_t offset, size_t max,
                 std::vector<tbs_dbid_t>& out) {
  Query q = s.query(sql::kZemChildrenOfKind);
  q.bind(1, id(parent)).bind(2, kind.mtype).bind(3, kind.type);
  return read_page(q, 4, offset, max, out);
}

int count_of_kind(Store& s, tbs_dbid_t parent, const ZemKind& kind, int* count) {
  Query q = s.query(sql::kZemChildCountOfKind);
  q.bind(1, id(parent)).bind(2, kind.mtype).bind(3, kind.type);
  *count = q.next() ? q.integer(0) : 0;
  return q.status();
}

}  // namespace zem
}  // namespace repo

namespace {

using repo::ObjectRow;
using repo::Store;
namespace zem = repo::zem;

constexpr unsigned int kAllFlags = VOB_ZEM_STREAM_INTEGRATION | VOB_ZEM_STREAM_READ_ONLY;

// Runs `body(store, kinds)` on the PVOB's store after checking that `obj`
// is a stream (printing nothing).
template <typename Body>
int read_stream(vob_vob_h pvob, tbs_dbid_t obj, Body body) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow row;
    int status = zem::read_kinds(pvob, s, false, kinds);
    if (status == 0)
      status = zem::need(
          pvob, s, obj, nullptr, [&](const ObjectRow& r) { return kinds.stream.matches(r); }, row);
    return status != 0 ? status : body(s, kinds);
  });
}

// The project a stream belongs to: the first ancestor that is a project.
int project_of(Store& s, const zem::StreamKinds& kinds, tbs_dbid_t stream, tbs_dbid_t* project) {
  tbs_dbid_t at = stream;
  for (;;) {
    zem::ZemRow tree;
    ObjectRow row;
    int status = zem::read_row(s, at, tree);
    if (status == 0 && tree.parent == 0)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      status = repo::read_object(s, tree.parent, row);
    if (status != 0)
      return status;
    if (kinds.project.matches(row)) {
      *project = tree.parent;
      return TBS_ST_OK;
    }
    if (!kinds.stream.matches(row))
      return TBS_ST_NOT_FOUND;
    at = tree.parent;
  }
}

// 1001 after a message when `project` already has an integration stream.
int refuse_second_integration(vob_vob_h pvob, Store& s, const zem::StreamKinds& kinds,
                              tbs_dbid_t project) {
  std::vector<tbs_dbid_t> streams;
  int status = zem::list_of_kind(s, project, kinds.stream, 0, static_cast<size_t>(-1), streams);
  for (size_t i = 0; status == 0 && i < streams.size(); ++i) {
    repo::Query q = s.query(repo::sql::kStreamFlagsGet);
    q.bind(1, static_cast<int64_t>(streams[i]));
    bool integration = q.next() && (q.int64(0) & VOB_ZEM_STREAM_INTEGRATION) != 0;
    status = q.status();
    if (status == 0 && integration) {
      imsg_print(IMSG_ERROR, tbs_msg::ProjectAlreadyIntegrationStream,
                 zem::display_name(pvob, project).c_str(),
                 zem::display_name(pvob, streams[i]).c_str());
      return TBS_ST_ERROR;
    }
  }
  return status;
}

}  // namespace

int vob_zem_stream_create(vob_vob_h pvob, const char* name, tbs_dbid_t parent, unsigned int flags,
                          const vob_event_info_t* event, tbs_dbid_t* dbid) {
  if (dbid == nullptr || (flags & ~kAllFlags) != 0)
    return TBS_ST_BAD_ARGUMENT;
  int status = repo::check_object_name(name);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow parent_row;
    int st = zem::read_kinds(pvob, s, true, kinds);
    if (st != 0)
      return st;
    auto placeable = [&](const ObjectRow& r) {
      return kinds.project.matches(r) || kinds.stream.matches(r);
    };
    st = zem::need(pvob, s, parent, "project or stream", placeable, parent_row);
    bool in_project = st == 0 && kinds.project.matches(parent_row);
    if (st == 0 && (flags & VOB_ZEM_STREAM_INTEGRATION) != 0) {
      if (!in_project) {
        imsg_print(IMSG_ERROR, tbs_msg::IntegrationStreamPlacedProject,
                   zem::display_name(pvob, parent).c_str());
        return TBS_ST_BAD_ARGUMENT;
      }
      st = refuse_second_integration(pvob, s, kinds, parent);
    }
    if (st == 0)
      st = repo::check_not_locked(pvob, s, parent);
    if (st != 0)
      return st;
    repo::NewObject object;
    object.name = name;
    if (kinds.first_class) {
      object.mtype = VOB_MTYPE_STREAM;
    } else {
      object.mtype = VOB_MTYPE_ACTIVITY_LIKE;
      object.type = static_cast<tbs_dbid_t>(kinds.stream.type);
    }
    const char* kind = kinds.first_class ? "stream" : "ZEM object";
    st = zem::make_object(s, object, kind, parent, nullptr, event, &made);
    if (st == 0 && flags != 0)
      st = s.query(repo::sql::kStreamFlagsSet)
               .bind(1, static_cast<int64_t>(made))
               .bind(2, static_cast<int64_t>(flags))
               .run();
    return st;
  });
  if (status == 0)
    *dbid = made;
  return status;
}

int vob_zem_stream_get_parent_stream(vob_vob_h pvob, tbs_dbid_t stream, tbs_dbid_t* parent) {
  if (parent == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_stream(pvob, stream, [&](Store& s, const zem::StreamKinds& kinds) -> int {
    zem::ZemRow tree;
    ObjectRow row;
    int status = zem::read_row(s, stream, tree);
    if (status == 0)
      status = tree.parent == 0 ? TBS_ST_NOT_FOUND : repo::read_object(s, tree.parent, row);
    if (status == 0 && !kinds.stream.matches(row))
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      *parent = tree.parent;
    return status;
  });
}

int vob_zem_stream_get_project(vob_vob_h pvob, tbs_dbid_t stream, tbs_dbid_t* project) {
  if (project == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_stream(pvob, stream, [&](Store& s, const zem::StreamKinds& kinds) {
    return project_of(s, kinds, stream, project);
  });
}

int vob_zem_stream_get_flags(vob_vob_h pvob, tbs_dbid_t stream, unsigned int* flags) {
  if (flags == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return read_stream(pvob, stream, [&](Store& s, const zem::StreamKinds&) -> int {
    repo::Query q = s.query(repo::sql::kStreamFlagsGet);
    q.bind(1, static_cast<int64_t>(stream));
    unsigned int found = q.next() ? static_cast<unsigned int>(q.int64(0)) : 0U;
    if (q.status() == 0)
      *flags = found;
    return q.status();
  });
}

int vob_zem_stream_next_children(vob_vob_h pvob, tbs_dbid_t stream, size_t offset, size_t max,
                                 std::vector<tbs_dbid_t>& children) {
  return read_stream(pvob, stream, [&](Store& s, const zem::StreamKinds& kinds) {
    return zem::list_of_kind(s, stream, kinds.stream, offset, max, children);
  });
}

int vob_zem_project_next_streams(vob_vob_h pvob, tbs_dbid_t project, size_t offset, size_t max,
                                 std::vector<tbs_dbid_t>& streams) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow row;
    int status = zem::read_kinds(pvob, s, false, kinds);
    if (status == 0)
      status = zem::need(
          pvob, s, project, nullptr, [&](const ObjectRow& r) { return kinds.project.matches(r); },
          row);
    if (status != 0)
      return status;
    repo::Query q = s.query(repo::sql::kZemDescendantsOfKind);
    q.bind(1, repo::id(project)).bind(2, kinds.stream.mtype).bind(3, kinds.stream.type);
    return repo::read_page(q, 4, offset, max, streams);
  });
}

int vob_zem_stream_get_title(vob_vob_h pvob, tbs_dbid_t obj, std::string& title) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow row;
    zem::ZemRow tree;
    int status = zem::read_kinds(pvob, s, false, kinds);
    if (status == 0)
      status = zem::need(
          pvob, s, obj, nullptr,
          [&](const ObjectRow& r) { return kinds.stream.matches(r) || kinds.timeline.matches(r); },
          row);
    if (status == 0)
      status = zem::read_row(s, obj, tree);
    if (status == 0)
      title = tree.title;
    return status;
  });
}

int vob_zem_stream_set_title(vob_vob_h pvob, tbs_dbid_t obj, const char* title,
                             const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow row;
    int status = zem::read_kinds(pvob, s, true, kinds);
    if (status == 0)
      status = zem::need(
          pvob, s, obj, "stream or timeline",
          [&](const ObjectRow& r) { return kinds.stream.matches(r) || kinds.timeline.matches(r); },
          row);
    return status != 0 ? status : zem::store_title(pvob, s, obj, row.mtype, title, event);
  });
}

int vob_zem_stream_delete(vob_vob_h pvob, tbs_dbid_t stream, const vob_event_info_t* event) {
  return repo::in_txn(pvob, [&](Store& s) -> int {
    zem::StreamKinds kinds;
    ObjectRow row;
    int status = zem::read_kinds(pvob, s, true, kinds);
    if (status == 0)
      status = zem::need(
          pvob, s, stream, "stream", [&](const ObjectRow& r) { return kinds.stream.matches(r); },
          row);
    int children = 0;
    if (status == 0)
      status = zem::count_of_kind(s, stream, kinds.stream, &children);
    if (status == 0 && children > 0) {
      imsg_print(IMSG_ERROR, tbs_msg::ChildStreamsRemoveThem,
                 zem::display_name(pvob, stream).c_str(), children);
      return TBS_ST_ERROR;
    }
    if (status == 0)
      status = zem::release_baselines(pvob, s, stream, event);
    if (status == 0)
      status = repo::check_not_locked(pvob, s, stream);
    std::vector<tbs_dbid_t> timelines;
    if (status == 0)
      status = zem::list_of_kind(s, stream, kinds.timeline, 0, static_cast<size_t>(-1), timelines);
    for (size_t i = 0; status == 0 && i < timelines.size(); ++i)
      status = zem::remove_object(pvob, s, timelines[i], event);
    return status != 0 ? status : zem::remove_object(pvob, s, stream, event);
  });
}
