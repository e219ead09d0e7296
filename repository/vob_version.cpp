// Versions: their details, names and contents; reserved checkouts, check-in
// and uncheckout; merge arrows.
//
// A checkout is a version row without a number, holding the content (or the
// directory entries) of the version it was checked out from; at most one per
// branch, which a unique index of the schema also guarantees. Check-in gives
// it the next number of its branch in place, so its dbid never changes.
#include <cctype>
#include <cstdlib>
#include <map>

#include "repository/sql.h"
#include "repository/vob_elem_internal.h"
#include "repository/vob_zem_activity_internal.h"

namespace {

using repo::BranchRow;
using repo::dbid_at;
using repo::ElementRow;
using repo::id;
using repo::Query;
using repo::Store;
using repo::VersionRow;
namespace elem_msg = repo::elem_msg;
namespace sql = repo::sql;

// The checkout record of a checked-out version: view and checkout event.
int read_checkout(Store& s, tbs_dbid_t version, std::string& view_uuid, vob_event_t& event) {
  long event_id = 0;
  {
    Query q = s.query(sql::kCheckoutGet);
    q.bind(1, id(version));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    view_uuid = q.text(0);
    event_id = static_cast<long>(q.int64(1));
  }
  Query q = s.query(sql::kEventGet);
  q.bind(1, static_cast<int64_t>(event_id));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
  event.id = event_id;
  event.kind = q.integer(2);
  event.time = static_cast<long>(q.int64(4));
  event.user = q.text(6);
  event.comment = q.text(8);
  return TBS_ST_OK;
}

// The version a checkout starts from: `from` (a checked-in version of the
// branch's element) or, when 0, the branch's latest.
int checkout_source(vob_vob_h vob, Store& s, const BranchRow& branch, tbs_dbid_t from,
                    VersionRow& source) {
  int status = from == 0 ? repo::latest_version(s, branch.dbid, &from) : TBS_ST_OK;
  if (status == 0)
    status = repo::need_version(vob, s, from, source);
  if (status == 0 && source.element != branch.element) {
    imsg_print(IMSG_ERROR, tbs_msg::VersionNotVersionElementVOB, from, branch.element,
               vob->tag.c_str());
    status = TBS_ST_BAD_ARGUMENT;
  }
  if (status == 0 && source.checked_out()) {
    std::string name;
    repo::version_name(s, source, name);
    imsg_print(IMSG_ERROR, tbs_msg::VersionElementVOBChecked, name.c_str(), source.element,
               vob->tag.c_str());
    status = TBS_ST_ERROR;
  }
  return status;
}

// 1001 (after a message naming the holding view) when `branch` has a checkout.
int check_branch_free(vob_vob_h vob, Store& s, const BranchRow& branch) {
  tbs_dbid_t held = 0;
  {
    Query q = s.query(sql::kVersionCheckedOut);
    q.bind(1, id(branch.dbid));
    if (!q.next())
      return q.status();
    held = dbid_at(q, 0);
  }
  std::string view_uuid;
  vob_event_t event;
  std::string path;
  int status = read_checkout(s, held, view_uuid, event);
  if (status == 0)
    status = repo::branch_path(s, branch.dbid, path);
  if (status != 0)
    return status;
  imsg_print(IMSG_ERROR, tbs_msg::BranchElementVOBAlready, path.c_str(), branch.element,
             vob->tag.c_str(), view_uuid.c_str());
  return TBS_ST_ERROR;
}

bool all_digits(const std::string& text) {
  if (text.empty() || text.size() > 9)
    return false;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)))
      return false;
  return true;
}

}  // namespace

int vob_ver_get_details(vob_vob_h vob, tbs_dbid_t version, vob_ver_details_t* details) {
  if (details == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    BranchRow branch;
    ElementRow element;
    std::string path;
    int status = repo::read_version(s, version, row);
    if (status == 0)
      status = repo::read_branch(s, row.branch, branch);
    if (status == 0)
      status = repo::read_element(s, row.element, element);
    if (status == 0)
      status = repo::branch_path(s, row.branch, path);
    if (status != 0)
      return status;
    details->element = row.element;
    details->branch = row.branch;
    details->brtype = branch.brtype;
    details->number = row.number;
    details->predecessor = row.predecessor;
    details->checked_out = row.checked_out() ? 1 : 0;
    details->is_dir = row.is_dir ? 1 : 0;
    details->eltype = element.eltype;
    details->branch_path = path;
    details->content_hash = row.is_dir ? std::string() : row.content;
    details->size = row.size;
    return TBS_ST_OK;
  });
}

int vob_ver_is_checked_out(vob_vob_h vob, tbs_dbid_t version, int* checked_out) {
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::read_version(s, version, row);
    if (status == 0)
      *checked_out = row.checked_out() ? 1 : 0;
    return status;
  });
}

int vob_ver_get_elems(vob_vob_h vob, const std::vector<tbs_dbid_t>& versions,
                      std::vector<tbs_dbid_t>& elements) {
  return repo::with_store(vob, [&](Store& s) -> int {
    std::vector<tbs_dbid_t> found;
    found.reserve(versions.size());
    for (tbs_dbid_t version : versions) {
      VersionRow row;
      int status = repo::read_version(s, version, row);
      if (status != 0)
        return status;
      found.push_back(row.element);
    }
    elements = std::move(found);
    return TBS_ST_OK;
  });
}

int vob_ver_lookup(vob_vob_h vob, tbs_dbid_t element, const char* version_name,
                   tbs_dbid_t* version) {
  std::string text = version_name != nullptr ? version_name : "";
  size_t slash = text.rfind('/');
  std::string leaf = slash == std::string::npos ? "" : text.substr(slash + 1);
  if (slash == std::string::npos || slash == 0 || text[0] != '/' ||
      (leaf != "LATEST" && leaf != "CHECKEDOUT" && !all_digits(leaf))) {
    imsg_print(IMSG_ERROR, tbs_msg::NotVersionNameUse, text.c_str());
    return TBS_ST_BAD_ARGUMENT;
  }
  return repo::with_store(vob, [&](Store& s) -> int {
    tbs_dbid_t branch = 0;
    int status = repo::resolve_branch(s, element, text.substr(0, slash), &branch);
    if (status == TBS_ST_BAD_ARGUMENT)
      imsg_print(IMSG_ERROR, tbs_msg::NotVersionNameUse, text.c_str());
    if (status != 0)
      return status;
    if (leaf == "LATEST")
      return repo::latest_version(s, branch, version);
    Query q = s.query(leaf == "CHECKEDOUT" ? sql::kVersionCheckedOut : sql::kVersionByNumber);
    q.bind(1, id(branch));
    if (leaf != "CHECKEDOUT")
      q.bind(2, static_cast<int64_t>(std::atol(leaf.c_str())));
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
    *version = dbid_at(q, 0);
    return TBS_ST_OK;
  });
}

int vob_ver_get_name(vob_vob_h vob, tbs_dbid_t version, std::string& name) {
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::read_version(s, version, row);
    return status != 0 ? status : repo::version_name(s, row, name);
  });
}

int vob_ver_read_content(vob_vob_h vob, tbs_dbid_t version, std::string& content) {
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::read_version(s, version, row);
    if (status != 0)
      return status;
    if (row.is_dir)
      return TBS_ST_BAD_ARGUMENT;
    Query q = s.query(sql::kContentGet);
    q.bind(1, row.content);
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
    content = q.blob(0);
    return TBS_ST_OK;
  });
}

// ---- checkouts and check-ins ----------------------------------------------------------

namespace {

// Inside the caller's transaction: the checkout of vob_ver_checkout, its
// version named by `oid` (null: a fresh oid).
int checkout_in(vob_vob_h vob, Store& s, tbs_dbid_t branch, tbs_dbid_t from_version,
                const char* view_uuid, const vob_event_info_t* event, const tbs_oid_t* oid,
                tbs_dbid_t* made) {
  BranchRow row;
  VersionRow source;
  int st = repo::need_branch(vob, s, branch, row);
  if (st == 0)
    st = checkout_source(vob, s, row, from_version, source);
  if (st == 0)
    st = repo::check_unlocked(vob, s, row.element, branch);
  if (st == 0)
    st = check_branch_free(vob, s, row);
  VersionRow checkout = source;
  checkout.branch = branch;
  checkout.number = -1;
  checkout.predecessor = source.dbid;
  if (st == 0)
    st = repo::make_version(s, checkout, source.dbid, event, made, oid);
  std::string source_name;
  if (st == 0)
    st = repo::version_name(s, source, source_name);
  if (st == 0)
    st = repo::record_action(s, *made, VOB_EVENT_CHECKOUT, event, VOB_HIST_CHECKOUT, source_name);
  long event_id = 0;
  if (st == 0) {
    Query q = s.query(sql::kEventLatest);
    q.bind(1, id(*made)).bind(2, VOB_EVENT_CHECKOUT);
    if (!q.next())
      return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
    event_id = static_cast<long>(q.int64(0));
  }
  if (st == 0)
    st = s.query(sql::kCheckoutInsert)
             .bind(1, id(*made))
             .bind(2, view_uuid)
             .bind(3, static_cast<int64_t>(event_id))
             .run();
  return st;
}

int refuse_no_view(const char* view_uuid) {
  if (view_uuid != nullptr && *view_uuid != '\0')
    return TBS_ST_OK;
  imsg_print(IMSG_ERROR, tbs_msg::CheckoutMustNameView);
  return TBS_ST_BAD_ARGUMENT;
}

}  // namespace

int vob_ver_checkout(vob_vob_h vob, tbs_dbid_t branch, tbs_dbid_t from_version,
                     const char* view_uuid, const vob_event_info_t* event, tbs_dbid_t* version) {
  int status = refuse_no_view(view_uuid);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) {
    return checkout_in(vob, s, branch, from_version, view_uuid, event, nullptr, &made);
  });
  if (status == 0 && version != nullptr)
    *version = made;
  return status;
}

int vob_ver_checkout_in_activity(vob_vob_h vob, tbs_dbid_t branch, tbs_dbid_t from_version,
                                 const char* view_uuid, vob_vob_h pvob, tbs_dbid_t activity,
                                 const vob_event_info_t* event, tbs_dbid_t* version) {
  int status = refuse_no_view(view_uuid);
  if (status != 0)
    return status;
  // The PVOB learns of the entry first, under the oid the new version will have.
  tbs_uuid_t fresh;
  tbs_uuid_generate(&fresh);
  tbs_oid_t oid;
  tbs_uuid_to_oid(&fresh, &oid);
  repo::act::PendingEntry pending;
  status = repo::act::announce(pvob, activity, vob, oid, event, pending);
  if (status != 0)
    return status;
  tbs_dbid_t made = 0;
  status = repo::in_txn(vob, [&](Store& s) {
    int st = checkout_in(vob, s, branch, from_version, view_uuid, event, &oid, &made);
    return st != 0 ? st : repo::act::insert_entry(s, pending, made, 1, event);
  });
  if (status != 0) {
    repo::act::withdraw(pending);
    return status;
  }
  if (version != nullptr)
    *version = made;
  return status;
}

int vob_ver_get_ckout_info(vob_vob_h vob, tbs_dbid_t version, vob_ckout_info_t* info) {
  if (info == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    std::string view_uuid;
    vob_event_t event;
    int status = repo::read_version(s, version, row);
    if (status == 0 && !row.checked_out())
      status = TBS_ST_NOT_FOUND;
    if (status == 0)
      status = read_checkout(s, version, view_uuid, event);
    if (status != 0)
      return status;
    info->version = version;
    info->predecessor = row.predecessor;
    info->view_uuid = view_uuid;
    info->user = event.user;
    info->time = event.time;
    info->comment = event.comment;
    info->event_id = event.id;
    return TBS_ST_OK;
  });
}

int vob_ver_checkin(vob_vob_h vob, tbs_dbid_t version, const std::string* content,
                    const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::need_checkout(vob, s, version, row);
    if (status == 0 && row.is_dir && content != nullptr) {
      std::string name;
      repo::version_name(s, row, name);
      imsg_print(IMSG_ERROR, tbs_msg::VersionElementVOBDirectory, name.c_str(), row.element,
                 vob->tag.c_str());
      status = TBS_ST_BAD_ARGUMENT;
    }
    if (status == 0)
      status = repo::check_unlocked(vob, s, row.element, row.branch);
    std::string view_uuid;
    vob_event_t checkout_event;
    if (status == 0)
      status = read_checkout(s, version, view_uuid, checkout_event);
    if (status == 0 && content != nullptr) {
      status = repo::store_content(s, *content, row.content);
      row.size = static_cast<long>(content->size());
    }
    int64_t number = 0;
    if (status == 0) {
      Query q = s.query(sql::kVersionNextNumber);
      q.bind(1, id(row.branch));
      if (!q.next())
        return q.status() != 0 ? q.status() : TBS_ST_INTERNAL;
      number = q.int64(0);
    }
    if (status == 0) {
      Query q = s.query(sql::kVersionCheckin);
      q.bind(1, id(version)).bind(2, number);
      if (row.is_dir)
        q.bind_null(3);
      else
        q.bind(3, row.content);
      status = q.bind(4, static_cast<int64_t>(row.size)).run();
    }
    if (status == 0)
      status = s.query(sql::kCheckoutDelete).bind(1, id(version)).run();
    if (status != 0)
      return status;
    // The check-in is the creation of the numbered version; its comment is
    // the caller's, or else the one given when the version was checked out.
    vob_event_info_t checkin;
    checkin.opcode = event != nullptr ? event->opcode : 0;
    checkin.comment = event != nullptr && event->comment != nullptr && *event->comment != '\0'
                          ? event->comment
                          : checkout_event.comment.c_str();
    status = repo::record_action(s, version, VOB_EVENT_CREATE, &checkin, VOB_HIST_CHECKIN, "");
    // Its change-set entries, whatever their activities, become check-ins.
    return status != 0 ? status : repo::act::note_checkin(s, version);
  });
}

int vob_ver_uncheckout(vob_vob_h vob, tbs_dbid_t version, const vob_event_info_t* event) {
  std::vector<repo::act::ArrowRef> arrows;
  int done = repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::need_checkout(vob, s, version, row);
    if (status == 0)
      status = repo::check_unlocked(vob, s, row.element);
    // Its change-set entries leave with it; their PVOB arrows go last.
    if (status == 0)
      status = repo::act::drop_version_entries(s, version, arrows);
    // The version's rows (entries, checkout, labels, merge arrows) go with
    // its object; its checkout event stays in the branch's history, beside
    // the removal recorded on the branch.
    if (status == 0)
      status = s.query(sql::kEventsMove)
                   .bind(1, id(version))
                   .bind(2, id(row.branch))
                   .bind(3, VOB_EVENT_CHECKOUT)
                   .run();
    if (status == 0)
      status = s.query(sql::kEventsDelete).bind(1, id(version)).run();
    if (status == 0)
      status = s.query(sql::kObjectDelete).bind(1, id(version)).run();
    return status != 0 ? status
                       : repo::record_action(s, row.branch, VOB_EVENT_REMOVE, event,
                                             VOB_HIST_UNCHECKOUT, "");
  });
  if (done == 0)
    repo::act::delete_arrows(arrows);
  return done;
}

// ---- merge arrows ------------------------------------------------------------------------

int vob_ver_add_merge(vob_vob_h vob, tbs_dbid_t from, tbs_dbid_t to,
                      const vob_event_info_t* event) {
  return repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow source;
    VersionRow target;
    int status = repo::need_version(vob, s, from, source);
    if (status == 0)
      status = repo::need_version(vob, s, to, target);
    if (status == 0 && source.element != target.element) {
      imsg_print(IMSG_ERROR, tbs_msg::VersionNotVersionElementVOB, from, target.element,
                 vob->tag.c_str());
      status = TBS_ST_BAD_ARGUMENT;
    }
    if (status == 0)
      status = repo::check_unlocked(vob, s, target.element);
    if (status == 0)
      status = s.query(sql::kMergeInsert).bind(1, id(from)).bind(2, id(to)).run();
    std::string from_name;
    if (status == 0)
      status = repo::version_name(s, source, from_name);
    return status != 0
               ? status
               : repo::record_action(s, to, VOB_EVENT_MODIFY, event, VOB_HIST_MERGE, from_name);
  });
}

int vob_ver_get_merges_into(vob_vob_h vob, tbs_dbid_t to, std::vector<tbs_dbid_t>& from) {
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int status = repo::read_version(s, to, row);
    if (status != 0)
      return status;
    from.clear();
    Query q = s.query(sql::kMergesInto);
    q.bind(1, id(to));
    while (q.next())
      from.push_back(dbid_at(q, 0));
    return q.status();
  });
}

int vob_elem_get_version_graph(vob_vob_h vob, tbs_dbid_t element,
                               std::vector<vob_ver_edges_t>& versions) {
  return repo::with_store(vob, [&](Store& s) -> int {
    repo::ElementRow row;
    int status = repo::read_element(s, element, row);
    if (status != 0)
      return status;
    std::vector<vob_ver_edges_t> found;
    std::map<tbs_dbid_t, size_t> at;
    Query q = s.query(sql::kElementVersionEdges);
    q.bind(1, id(element));
    while (q.next()) {
      at[dbid_at(q, 0)] = found.size();
      found.push_back({dbid_at(q, 0), dbid_at(q, 1), {}});
    }
    if (q.status() != 0)
      return q.status();
    Query m = s.query(sql::kElementMergeEdges);
    m.bind(1, id(element));
    while (m.next()) {
      auto to = at.find(dbid_at(m, 0));
      if (to != at.end())
        found[to->second].merged_from.push_back(dbid_at(m, 1));
    }
    if (m.status() != 0)
      return m.status();
    versions.swap(found);
    return TBS_ST_OK;
  });
}
