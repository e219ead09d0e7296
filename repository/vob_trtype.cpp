// Trigger types: their objects (metatype 17) with the trigger record in
// `trtypes` and the objects they are restricted to in `trtype_restrictions`.
//
// Restrictions name objects by VOB family and oid rather than by dbid, so
// that they can name objects of other VOBs and stay valid across replicas.
#include <cctype>
#include <set>
#include <sstream>

#include "repository/sql.h"
#include "repository/vob_internal.h"
#include "repository/vob_trig_internal.h"
#include "services/vob_trig.h"

namespace {

using repo::Query;
using repo::Store;

std::string ops_text(const std::vector<vob_op_t>& ops) {
  std::string out;
  for (vob_op_t op : ops)
    out += (out.empty() ? "" : ",") + std::to_string(op);
  return out;
}

std::vector<vob_op_t> parse_ops(const std::string& text) {
  std::vector<vob_op_t> ops;
  std::stringstream in(text);
  std::string item;
  while (std::getline(in, item, ','))
    if (!item.empty())
      ops.push_back(std::atoi(item.c_str()));
  return ops;
}

int check_args(const vob_trtype_create_args_t& args) {
  int status = repo::check_object_name(args.name.c_str());
  if (status != 0)
    return status;
  if (args.phase != VOB_TRIG_PREOP && args.phase != VOB_TRIG_POSTOP)
    return TBS_ST_BAD_ARGUMENT;
  if (args.ops.empty()) {
    imsg_print(IMSG_ERROR, tbs_msg::TriggerTypeMustName, args.name.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  for (vob_op_t op : args.ops) {
    if (vob_op_to_str(op) == nullptr) {
      imsg_print(IMSG_ERROR, tbs_msg::OperationKindCannotTriggers, op);
      return TBS_ST_BAD_ARGUMENT;
    }
  }
  bool blank = true;
  for (char c : args.command)
    blank = blank && std::isspace(static_cast<unsigned char>(c)) != 0;
  if (blank) {
    imsg_print(IMSG_ERROR, tbs_msg::CommandTriggerTypeEmpty, args.name.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  return TBS_ST_OK;
}

// The identities of the restriction objects, read before the transaction
// because they may live in other VOBs.
int restriction_ids(const vob_trtype_create_args_t& args,
                    std::vector<vob_trtype_restriction_t>& ids) {
  for (const auto& object : args.restrict_to) {
    if (object.vob == nullptr || object.dbid == 0)
      return TBS_ST_BAD_ARGUMENT;
    vob_trtype_restriction_t id;
    int status = vob_obj_get_oid(object.vob, object.dbid, &id.oid);
    if (status == TBS_ST_NOT_FOUND)
      imsg_print(IMSG_ERROR, tbs_msg::ObjectVOBNamedRestrictions, object.dbid,
                 object.vob->tag.c_str(), args.name.c_str());
    if (status != 0)
      return status == TBS_ST_NOT_FOUND ? TBS_ST_BAD_ARGUMENT : status;
    id.family = object.vob->family;
    ids.push_back(id);
  }
  return TBS_ST_OK;
}

// The selector of a restriction object, or "" when it cannot be found.
std::string restriction_selector(const vob_trtype_restriction_t& r) {
  vob_vob_h vob = nullptr;
  tbs_dbid_t dbid = 0;
  char text[1024];
  if (repo::vob_of_family(r.family, &vob) != 0 || vob_obj_oid_to_dbid(vob, &r.oid, &dbid) != 0 ||
      vob_obj_get_selector(vob, dbid, text, sizeof text) != 0)
    return std::string();
  return text;
}

void read_row(const Query& q, vob_trtype_t& type) {
  type.dbid = static_cast<tbs_dbid_t>(q.int64(0));
  type.name = q.text(1);
  type.phase = q.integer(2);
  type.ops = parse_ops(q.text(3));
  type.command = q.text(4);
}

// Reads the restrictions of a type (without their selectors).
int read_restrictions(Store& store, vob_trtype_t& type) {
  type.restrictions.clear();
  Query q = store.query(repo::sql::kTrtypeRestrictionsOf);
  q.bind(1, static_cast<int64_t>(type.dbid));
  while (q.next()) {
    vob_trtype_restriction_t r;
    r.family = repo::uuid_of(q.blob(0));
    r.oid = repo::oid_of(q.blob(1));
    type.restrictions.push_back(r);
  }
  return q.status();
}

}  // namespace

namespace repo {

int read_trtypes(vob_vob_h vob, std::vector<vob_trtype_t>& types) {
  Store* s = nullptr;
  int status = vob_store(vob, s);
  if (status != 0)
    return status;
  types.clear();
  {
    Query q = s->query(sql::kTrtypesAll);
    while (q.next()) {
      vob_trtype_t type;
      read_row(q, type);
      types.push_back(type);
    }
    if (q.status() != 0)
      return q.status();
  }
  for (auto& type : types) {
    status = read_restrictions(*s, type);
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

int vob_and_admins(vob_vob_h vob, std::vector<vob_vob_h>& chain) {
  chain.clear();
  std::set<vob_vob_h> seen;
  for (vob_vob_h current = vob; current != nullptr && seen.insert(current).second;) {
    chain.push_back(current);
    std::vector<vob_vob_h> admins;
    int status = vob_ob_get_admin_vobs(current, admins);
    if (status != 0)
      return status;
    current = admins.empty() ? nullptr : admins.front();
  }
  return TBS_ST_OK;
}

namespace {

// Inside the caller's transaction: the trigger type `args` describes, with
// its restrictions, after checking that the current user may change the
// VOB object. 1003 (after a message) when the name is taken.
int insert_trtype(vob_vob_h vob, Store& s, const vob_trtype_create_args_t& args,
                  const std::vector<vob_trtype_restriction_t>& restrictions, tbs_dbid_t& made) {
  tbs_dbid_t vob_object = 0;
  int status = well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
  if (status == 0)
    status = check_owner_or_privileged(vob, s, vob_object);
  if (status == 0)
    status = check_not_locked(vob, s, vob_object);
  if (status != 0)
    return status;

  NewObject object;
  object.mtype = VOB_MTYPE_TRIGGER_TYPE;
  object.name = args.name.c_str();
  vob_event_info_t event;
  event.comment = args.comment.c_str();
  status = insert_object(s, object, &event, &made);
  if (status == TBS_ST_EXISTS)
    imsg_print(IMSG_ERROR, tbs_msg::NamedAlreadyExists, "trigger type", args.name.c_str());
  if (status != 0)
    return status;
  status = s.query(sql::kTrtypeInsert)
               .bind(1, static_cast<int64_t>(made))
               .bind(2, args.phase)
               .bind(3, ops_text(args.ops))
               .bind(4, args.command)
               .run();
  for (const auto& r : restrictions) {
    if (status != 0)
      break;
    status = s.query(sql::kTrtypeRestrictionInsert)
                 .bind(1, static_cast<int64_t>(made))
                 .bind_blob(2, r.family.bytes, 16)
                 .bind_blob(3, r.oid.bytes, 16)
                 .run();
  }
  return status;
}

}  // namespace

}  // namespace repo

int vob_trtype_create(vob_vob_h vob, const vob_trtype_create_args_t& args, tbs_dbid_t* dbid) {
  int status = check_args(args);
  if (status != 0)
    return status;
  std::vector<vob_trtype_restriction_t> restrictions;
  status = restriction_ids(args, restrictions);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(
      vob, [&](Store& s) -> int { return repo::insert_trtype(vob, s, args, restrictions, made); });
  if (status == 0 && dbid != nullptr)
    *dbid = made;
  return status;
}

int vob_trtype_list(vob_vob_h vob, std::vector<vob_trtype_t>& types) {
  std::vector<vob_trtype_t> read;
  int status = repo::read_trtypes(vob, read);
  if (status != 0)
    return status;
  for (auto& type : read)
    for (auto& r : type.restrictions)
      r.selector = restriction_selector(r);
  types = std::move(read);
  return TBS_ST_OK;
}

int vob_trtype_get(vob_vob_h vob, tbs_dbid_t dbid, vob_trtype_t* type) {
  if (type == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  Store* s = nullptr;
  int status = repo::vob_store(vob, s);
  if (status != 0)
    return status;
  vob_trtype_t read;
  {
    Query q = s->query(repo::sql::kTrtypeGet);
    q.bind(1, static_cast<int64_t>(dbid));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    read_row(q, read);
  }
  status = read_restrictions(*s, read);
  if (status != 0)
    return status;
  for (auto& r : read.restrictions)
    r.selector = restriction_selector(r);
  *type = read;
  return TBS_ST_OK;
}

int vob_trtype_remove(vob_vob_h vob, tbs_dbid_t dbid, const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    repo::ObjectRow row;
    int status = repo::read_object(s, dbid, row);
    if (status == 0 && row.mtype != VOB_MTYPE_TRIGGER_TYPE)
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      status = repo::check_owner_or_privileged(vob, s, dbid);
    if (status == 0)
      status = repo::check_not_locked(vob, s, dbid);
    tbs_dbid_t vob_object = 0;
    if (status == 0)
      status = repo::well_known(s, VOB_WK_VOB_OBJECT, &vob_object);
    if (status == 0)
      status = s.query(repo::sql::kTrtypeDelete).bind(1, static_cast<int64_t>(dbid)).run();
    if (status == 0)
      status = s.query(repo::sql::kTrtypeEventsDelete).bind(1, static_cast<int64_t>(dbid)).run();
    if (status == 0)
      status = repo::record_event(s, vob_object, VOB_EVENT_REMOVE, event);
    return status;
  });
}

int vob_obj_refd_by_trtype(vob_vob_h vob, tbs_dbid_t dbid, int* referenced) {
  if (vob == nullptr || dbid == 0 || referenced == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tbs_oid_t oid;
  int status = vob_obj_get_oid(vob, dbid, &oid);
  if (status != 0)
    return status;
  std::vector<vob_vob_h> chain;
  status = repo::vob_and_admins(vob, chain);
  if (status != 0)
    return status;
  for (vob_vob_h where : chain) {
    Store* s = nullptr;
    status = repo::vob_store(where, s);
    if (status != 0)
      return status;
    Query q = s->query(repo::sql::kTrtypeRestrictionRefs);
    q.bind_blob(1, oid.bytes, 16).bind_blob(2, vob->family.bytes, 16);
    if (q.next()) {
      *referenced = 1;
      return TBS_ST_OK;
    }
    if (q.status() != 0)
      return q.status();
  }
  *referenced = 0;
  return TBS_ST_OK;
}
