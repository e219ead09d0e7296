// Branch types and label types.
//
// A branch type is global in the top VOB of a VOB's admin chain and has a
// local copy in each VOB whose elements branch with it; the copy points at
// the global type by a hyperlink of well-known type 24 (GlobalDefinition).
// The two VOBs are two databases, so making a type takes two transactions,
// ordered so that every state in between is one the calls accept: first the
// global type with the arrow of the coming hyperlink in the admin VOB (an
// arrow whose hyperlink does not exist is ignored), then the local copy with
// its hyperlink. A crash in between leaves a global type without a local
// copy, which vob_brtype_create_with_pop completes.
#include "repository/sql.h"
#include "repository/vob_elem_internal.h"

namespace {

using repo::dbid_at;
using repo::id;
using repo::ObjectRow;
using repo::Query;
using repo::Store;
namespace elem_msg = repo::elem_msg;
namespace sql = repo::sql;

const char* kind_text(vob_mtype_t mtype) {
  return mtype == VOB_MTYPE_BRANCH_TYPE ? "branch type" : "label type";
}

// The type of `mtype` named `name` in `store`; 0 when there is none.
int type_named(Store& s, vob_mtype_t mtype, const char* name, tbs_dbid_t* type) {
  *type = 0;
  Query q = s.query(sql::kObjectByName);
  q.bind(1, mtype).bind(2, name);
  if (q.next())
    *type = dbid_at(q, 0);
  return q.status();
}

// Inserts a type object (with the oid `oid` when given) after checking that
// the VOB is not locked; 1003 after a message when the name is taken.
int insert_type(vob_vob_h vob, Store& s, vob_mtype_t mtype, const char* name, const tbs_oid_t* oid,
                const vob_event_info_t* event, tbs_dbid_t* made) {
  tbs_dbid_t vob_object = 0;
  int status = repo::well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
  if (status == 0)
    status = repo::check_not_locked(vob, s, vob_object);
  repo::NewObject type;
  type.mtype = mtype;
  type.name = name;
  type.oid = oid;
  if (status == 0)
    status = repo::insert_object(s, type, event, made);
  if (status == TBS_ST_EXISTS)
    imsg_print(IMSG_ERROR, tbs_msg::NamedAlreadyExists, kind_text(mtype), name);
  return status;
}

tbs_oid_t fresh_oid() {
  tbs_uuid_t uuid;
  tbs_uuid_generate(&uuid);
  tbs_oid_t oid;
  tbs_uuid_to_oid(&uuid, &oid);
  return oid;
}

// The top of `vob`'s admin chain; null when the VOB has no admin VOB.
vob_vob_h top_admin(vob_vob_h vob) {
  vob_vob_h current = vob;
  // A chain longer than this bound can only be a cycle.
  for (int depth = 0; depth < 64; ++depth) {
    std::vector<vob_vob_h> admins;
    if (vob_ob_get_admin_vobs(current, admins) != 0 || admins.empty() || admins[0] == vob)
      break;
    current = admins[0];
  }
  return current == vob ? nullptr : current;
}

// Makes the local copy `name` in `vob` of the global branch type
// (`global_vob`, `global`): the arrow in the global type's VOB, then the copy
// and its GlobalDefinition hyperlink in `vob`.
int make_local_copy(vob_vob_h vob, const char* name, vob_vob_h global_vob, tbs_dbid_t global,
                    const vob_event_info_t* event, tbs_dbid_t* local) {
  tbs_oid_t local_oid = fresh_oid();
  tbs_oid_t hlink_oid = fresh_oid();
  tbs_oid_t global_oid;
  int status = vob_obj_get_oid(global_vob, global, &global_oid);
  if (status == 0)
    status = repo::in_txn(global_vob, [&](Store& s) -> int {
      return s.query(sql::kArrowInsert)
          .bind(1, id(global))
          .bind(2, VOB_WK_HLTYPE_GLOBAL_DEFINITION)
          .bind(3, "")
          .bind_blob(4, vob->family.bytes, 16)
          .bind_blob(5, hlink_oid.bytes, 16)
          .bind_blob(6, local_oid.bytes, 16)
          .bind(7, "")
          .bind(8, "")
          .run();
    });
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    tbs_dbid_t hltype = 0;
    int st = insert_type(vob, s, VOB_MTYPE_BRANCH_TYPE, name, &local_oid, event, &made);
    if (st == 0)
      st = repo::well_known(s, VOB_WK_HLTYPE_GLOBAL_DEFINITION, &hltype);
    repo::NewObject link;
    link.mtype = VOB_MTYPE_HYPERLINK;
    link.type = hltype;
    link.oid = &hlink_oid;
    tbs_dbid_t hlink = 0;
    if (st == 0)
      st = repo::insert_object(s, link, event, &hlink);
    if (st == 0)
      st = s.query(sql::kHlinkInsert)
               .bind(1, id(hlink))
               .bind(2, VOB_WK_HLTYPE_GLOBAL_DEFINITION)
               .bind(3, id(hltype))
               .bind(4, id(made))
               .bind_blob(5, global_vob->family.bytes, 16)
               .bind_blob(6, global_oid.bytes, 16)
               .bind_null(7)
               .bind(8, "")
               .bind(9, "")
               .run();
    return st;
  });
  if (status == 0)
    *local = made;
  return status;
}

// The global type named `name` for `vob`: the first VOB up the admin chain
// holding a branch type of that name, followed to its own global type when
// that one is itself a local copy. 1002 when no admin VOB has it.
int find_global(vob_vob_h vob, const char* name, vob_vob_h* global_vob, tbs_dbid_t* global) {
  vob_vob_h current = vob;
  for (int depth = 0; depth < 64; ++depth) {
    std::vector<vob_vob_h> admins;
    int status = vob_ob_get_admin_vobs(current, admins);
    if (status != 0)
      return status;
    if (admins.empty() || admins[0] == vob)
      return TBS_ST_NOT_FOUND;
    current = admins[0];
    tbs_dbid_t found = 0;
    status = repo::with_store(current, [&](Store& s) -> int {
      return type_named(s, VOB_MTYPE_BRANCH_TYPE, name, &found);
    });
    if (status != 0)
      return status;
    if (found == 0)
      continue;
    std::vector<vob_hlink_end_t> ends;
    status = vob_obj_list_hlinks(current, found, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 1, ends);
    if (status != 0)
      return status;
    *global_vob = current;
    *global = found;
    if (!ends.empty() && !ends[0].broken) {
      *global_vob = ends[0].other_vob;
      *global = ends[0].other;
    }
    return TBS_ST_OK;
  }
  return TBS_ST_NOT_FOUND;
}

int local_type(vob_vob_h vob, vob_mtype_t mtype, const char* name, tbs_dbid_t* type) {
  return repo::with_store(vob, [&](Store& s) -> int { return type_named(s, mtype, name, type); });
}

// A type object and the VOB holding it.
struct TypeInVob {
  vob_vob_h vob = nullptr;
  tbs_dbid_t type = 0;
};

// The local copies of branch type `brtype` held in other VOBs: the objects
// whose GlobalDefinition hyperlinks reach it.
int local_copies(vob_vob_h vob, tbs_dbid_t brtype, std::vector<TypeInVob>& copies) {
  std::vector<vob_hlink_end_t> ends;
  int status = vob_obj_list_hlinks(vob, brtype, VOB_WK_HLTYPE_GLOBAL_DEFINITION, 0, ends);
  if (status != 0)
    return status;
  for (const vob_hlink_end_t& end : ends)
    if (!end.broken)
      copies.push_back({end.other_vob, end.other});
  return TBS_ST_OK;
}

// Counts the branches of `type` in `store`.
int branch_count(Store& s, tbs_dbid_t type, int* count) {
  Query q = s.query(sql::kBranchCountOfType);
  q.bind(1, id(type));
  *count = q.next() ? q.integer(0) : 0;
  return q.status();
}

// 1001 after a message when `type` has branches.
int refuse_branches(const TypeInVob& type) {
  return repo::with_store(type.vob, [&](Store& s) -> int {
    int count = 0;
    ObjectRow row;
    int status = repo::read_object(s, type.type, row);
    if (status == 0)
      status = branch_count(s, type.type, &count);
    if (status == 0 && count > 0) {
      imsg_print(IMSG_ERROR, tbs_msg::BranchTypeVOBBranches, row.name.c_str(),
                 type.vob->tag.c_str(), count);
      status = TBS_ST_ERROR;
    }
    return status;
  });
}

// Removes one type object: first the hyperlinks at it (each with its own
// VOB's transaction), then the object itself, recorded on the VOB object.
int remove_type(const TypeInVob& type, const vob_event_info_t* event) {
  std::vector<vob_hlink_typed_end_t> ends;
  int status = vob_obj_list_all_hlinks(type.vob, type.type, ends);
  for (size_t i = 0; status == 0 && i < ends.size(); ++i)
    status = vob_hlink_delete(ends[i].end.hlink_vob, ends[i].end.hlink, event);
  if (status != 0)
    return status;
  return repo::in_txn(type.vob, [&](Store& s) -> int {
    tbs_dbid_t vob_object = 0;
    int count = 0;
    int st = repo::check_not_locked(type.vob, s, type.type);
    if (st == 0)
      st = branch_count(s, type.type, &count);
    if (st == 0 && count > 0)
      st = refuse_branches(type);  // a branch was made meanwhile
    if (st == 0)
      st = repo::well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
    if (st == 0)
      st = s.query(sql::kEventsDelete).bind(1, id(type.type)).run();
    if (st == 0)
      st = s.query(sql::kObjectDelete).bind(1, id(type.type)).run();
    return st != 0 ? st : repo::record_event(s, vob_object, VOB_EVENT_REMOVE, event);
  });
}

}  // namespace

// ---- branch types -------------------------------------------------------------------------

int vob_brtype_create(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                      tbs_dbid_t* dbid) {
  int status = repo::check_object_name(name);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  vob_vob_h admin = top_admin(vob);
  if (admin == nullptr) {
    status = repo::in_txn(vob, [&](Store& s) -> int {
      return insert_type(vob, s, VOB_MTYPE_BRANCH_TYPE, name, nullptr, event, &made);
    });
  } else {
    tbs_dbid_t existing = 0;
    status = local_type(vob, VOB_MTYPE_BRANCH_TYPE, name, &existing);
    if (status == 0 && existing != 0) {
      imsg_print(IMSG_ERROR, tbs_msg::NamedAlreadyExists, "branch type", name);
      status = TBS_ST_EXISTS;
    }
    tbs_dbid_t global = 0;
    if (status == 0)
      status = repo::in_txn(admin, [&](Store& s) -> int {
        return insert_type(admin, s, VOB_MTYPE_BRANCH_TYPE, name, nullptr, event, &global);
      });
    if (status == 0)
      status = make_local_copy(vob, name, admin, global, event, &made);
  }
  if (status == 0 && dbid != nullptr)
    *dbid = made;
  return status;
}

int vob_brtype_create_with_pop(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                               tbs_dbid_t* dbid) {
  if (name == nullptr || *name == '\0')
    return TBS_ST_BAD_ARGUMENT;
  tbs_dbid_t local = 0;
  int status = local_type(vob, VOB_MTYPE_BRANCH_TYPE, name, &local);
  if (status == 0 && local == 0) {
    vob_vob_h global_vob = nullptr;
    tbs_dbid_t global = 0;
    status = find_global(vob, name, &global_vob, &global);
    if (status == 0)
      status = make_local_copy(vob, name, global_vob, global, event, &local);
  }
  if (status == 0 && dbid != nullptr)
    *dbid = local;
  return status;
}

int vob_brtype_lookup(vob_vob_h vob, const char* name, tbs_dbid_t* dbid) {
  if (name == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tbs_dbid_t found = 0;
  int status = local_type(vob, VOB_MTYPE_BRANCH_TYPE, name, &found);
  if (status == 0 && found == 0)
    status = TBS_ST_NOT_FOUND;
  if (status == 0)
    *dbid = found;
  return status;
}

int vob_brtype_next_objs(vob_vob_h vob, tbs_dbid_t brtype, std::vector<tbs_dbid_t>& branches) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    int status = repo::read_type(s, brtype, VOB_MTYPE_BRANCH_TYPE, row);
    if (status != 0)
      return status;
    branches.clear();
    Query q = s.query(sql::kBranchesOfType);
    q.bind(1, id(brtype));
    while (q.next())
      branches.push_back(dbid_at(q, 0));
    return q.status();
  });
}

int vob_brtype_next_objs(vob_vob_h vob, tbs_dbid_t brtype, size_t offset, size_t max,
                         std::vector<tbs_dbid_t>& branches) {
  return repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    int status = repo::read_type(s, brtype, VOB_MTYPE_BRANCH_TYPE, row);
    if (status != 0)
      return status;
    Query q = s.query(sql::kBranchesOfTypeChunk);
    q.bind(1, id(brtype));
    return repo::read_page(q, 2, offset, max, branches);
  });
}

int vob_brtype_find_tips(vob_vob_h vob, tbs_dbid_t brtype, int number,
                         std::vector<vob_branch_tip_t>& tips, std::vector<tbs_dbid_t>& dirs) {
  if (number < -1)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    int status = repo::read_type(s, brtype, VOB_MTYPE_BRANCH_TYPE, row);
    if (status != 0)
      return status;
    std::vector<vob_branch_tip_t> found;
    Query q = s.query(sql::kBranchTipsOfType);
    q.bind(1, id(brtype)).bind(2, static_cast<int64_t>(number));
    while (q.next()) {
      vob_branch_tip_t tip;
      tip.element = dbid_at(q, 0);
      tip.branch = dbid_at(q, 1);
      tip.is_dir = q.integer(2) == VOB_ELTYPE_DIRECTORY ? 1 : 0;
      tip.branch_path = q.text(3);
      tip.version = q.is_null(4) ? 0 : dbid_at(q, 4);
      found.push_back(std::move(tip));
    }
    if (q.status() != 0)
      return q.status();
    std::vector<tbs_dbid_t> above;
    Query d = s.query(sql::kDirsAboveBranchesOfType);
    d.bind(1, id(brtype));
    while (d.next())
      above.push_back(dbid_at(d, 0));
    if (d.status() != 0)
      return d.status();
    tips.swap(found);
    dirs.swap(above);
    return TBS_ST_OK;
  });
}

int vob_brtype_delete(vob_vob_h vob, tbs_dbid_t brtype, const vob_event_info_t* event) {
  std::vector<TypeInVob> family;
  int status = repo::with_store(vob, [&](Store& s) -> int {
    ObjectRow row;
    int st = repo::need_type(vob, s, brtype, VOB_MTYPE_BRANCH_TYPE, row);
    tbs_dbid_t main = 0;
    if (st == 0)
      st = repo::main_brtype(s, &main);
    if (st == 0 && main == brtype) {
      imsg_print(IMSG_ERROR, tbs_msg::BranchTypeMainVOB, vob->tag.c_str());
      st = TBS_ST_ERROR;
    }
    return st;
  });
  if (status == 0)
    status = local_copies(vob, brtype, family);
  family.push_back({vob, brtype});
  for (const TypeInVob& type : family)
    if (status == 0)
      status = refuse_branches(type);
  // Copies first, the global type last.
  for (const TypeInVob& type : family)
    if (status == 0)
      status = remove_type(type, event);
  return status;
}

// ---- label types ---------------------------------------------------------------------------

int vob_lbtype_create(vob_vob_h vob, const char* name, const vob_event_info_t* event,
                      tbs_dbid_t* dbid) {
  int status = repo::check_object_name(name);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) -> int {
    return insert_type(vob, s, VOB_MTYPE_LABEL_TYPE, name, nullptr, event, &made);
  });
  if (status == 0 && dbid != nullptr)
    *dbid = made;
  return status;
}
