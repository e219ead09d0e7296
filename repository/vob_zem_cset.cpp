// Change sets and modification counts of activities, read and changed
// explicitly: the entries live in the VOBs of their versions, found through
// the VOBs the PVOB remembers each activity touched.

#include "repository/sql.h"
#include "repository/vob_elem_internal.h"
#include "repository/vob_zem_activity_internal.h"

namespace {

using repo::dbid_at;
using repo::id;
using repo::ObjectRow;
using repo::Query;
using repo::Store;
using repo::VersionRow;
namespace act = repo::act;
namespace sql = repo::sql;

// An activity and the VOBs it touched, in the order it first touched them.
struct Touched {
  act::ActivityId act;
  std::vector<tbs_uuid_t> families;
};

int read_touched(vob_vob_h pvob, tbs_dbid_t activity, Touched& touched) {
  return repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int status = act::need_activity(pvob, s, activity, false, row);
    if (status != 0)
      return status;
    touched.act.family = pvob->family;
    touched.act.oid = row.oid;
    Query q = s.query(sql::kActVobsOf);
    q.bind(1, id(activity));
    while (q.next()) {
      touched.families.push_back(repo::uuid_of(q.blob(0)));
    }
    return q.status();
  });
}

// Runs `body(vob, store)` on each VOB the activity touched that can be
// opened; `unavailable` (may be null) is set to 1 when one cannot.
template <typename Body>
int each_touched_vob(vob_vob_h pvob, tbs_dbid_t activity, int* unavailable, Body body) {
  Touched touched;
  int status = read_touched(pvob, activity, touched);
  if (status != 0)
    return status;
  int missing = 0;
  for (const tbs_uuid_t& family : touched.families) {
    vob_vob_h vob = nullptr;
    Store* s = nullptr;
    if (repo::vob_of_family(family, &vob) != 0 || repo::vob_store(vob, s) != 0) {
      missing = 1;
      continue;
    }
    status = body(vob, *s, touched.act);
    if (status != 0)
      return status;
  }
  if (unavailable != nullptr)
    *unavailable = missing;
  return TBS_ST_OK;
}

// Entries and checkouts in the activity's change set.
int count_entries(vob_vob_h pvob, tbs_dbid_t activity, int* entries, int* checkouts) {
  int total = 0;
  int cos = 0;
  int status = each_touched_vob(pvob, activity, nullptr,
                                [&](vob_vob_h, Store& s, const act::ActivityId& a) -> int {
                                  Query q = s.query(sql::kCsetEntryCounts);
                                  q.bind_blob(1, a.family.bytes, 16).bind_blob(2, a.oid.bytes, 16);
                                  if (q.next()) {
                                    total += q.integer(0);
                                    cos += q.integer(1);
                                  }
                                  return q.status();
                                });
  if (status == 0) {
    *entries = total;
    *checkouts = cos;
  }
  return status;
}

// The entry of `version` in the activity's change set: hlink 0 when none.
int find_entry(Store& s, const act::ActivityId& a, tbs_dbid_t version, tbs_dbid_t* hlink,
               int* checkout) {
  Query q = s.query(sql::kCsetEntryOfActVersion);
  q.bind_blob(1, a.family.bytes, 16).bind_blob(2, a.oid.bytes, 16).bind(3, id(version));
  *hlink = 0;
  *checkout = 0;
  if (q.next()) {
    *hlink = dbid_at(q, 0);
    *checkout = q.integer(1);
  }
  return q.status();
}

std::string any_name(vob_vob_h vob, tbs_dbid_t dbid) {
  char buf[1024];
  if (vob_obj_get_any_name(vob, dbid, nullptr, buf, sizeof buf) == 0)
    return buf;
  return "object " + std::to_string(dbid);
}

std::string version_text(vob_vob_h vob, Store& s, const VersionRow& row) {
  std::string name;
  repo::version_name(s, row, name);
  return repo::zem::display_name(vob, row.element) + "@@" + name;
}

// Inside the version's VOB: checks that `version` may enter the change set
// with flag `checkout` (1004, 1003 after a message).
int check_addable(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob, Store& s,
                  const act::ActivityId& a, tbs_dbid_t version, int checkout, VersionRow& row) {
  int status = repo::need_version(vob, s, version, row);
  if (status != 0)
    return status;
  if (row.checked_out() != (checkout != 0)) {
    imsg_print(IMSG_ERROR, tbs_msg::VersionSoCannotEnter, version_text(vob, s, row).c_str(),
               row.checked_out() ? "checked out" : "checked in", any_name(pvob, activity).c_str(),
               checkout ? "a checkout" : "a checked-in version");
    return TBS_ST_BAD_ARGUMENT;
  }
  tbs_dbid_t hlink = 0;
  int flag = 0;
  status = find_entry(s, a, version, &hlink, &flag);
  if (status == 0 && hlink != 0) {
    imsg_print(IMSG_ERROR, tbs_msg::VersionAlreadyChangeSet, version_text(vob, s, row).c_str(),
               any_name(pvob, activity).c_str());
    status = TBS_ST_EXISTS;
  }
  return status;
}

// The event of an explicit change, naming the view it was made in.
struct EventText {
  std::string text;
  vob_event_info_t info;
  EventText(const vob_event_info_t* event, const char* view_tag) {
    text = event != nullptr && event->comment != nullptr ? event->comment : "";
    if (view_tag != nullptr && *view_tag != '\0')
      text += (text.empty() ? "" : " ") + std::string("(view \"") + view_tag + "\")";
    info.comment = text.c_str();
    info.opcode = event != nullptr ? event->opcode : 0;
  }
};

}  // namespace

int repo::act::refuse_nonempty_cset(vob_vob_h pvob, tbs_dbid_t activity) {
  int entries = 0;
  int checkouts = 0;
  int status = count_entries(pvob, activity, &entries, &checkouts);
  if (status == 0 && entries > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ActivityVersionsChangeSet, any_name(pvob, activity).c_str(),
               entries);
    status = TBS_ST_ERROR;
  }
  return status;
}

int vob_zem_activity_cset_get_vers(vob_vob_h pvob, tbs_dbid_t activity, int checkouts_only,
                                   std::vector<vob_cset_entry_t>& entries, int* unavailable) {
  std::vector<vob_cset_entry_t> found;
  int missing = 0;
  int status = each_touched_vob(pvob, activity, &missing,
                                [&](vob_vob_h vob, Store& s, const act::ActivityId& a) -> int {
                                  Query q = s.query(sql::kCsetEntriesOfAct);
                                  q.bind_blob(1, a.family.bytes, 16)
                                      .bind_blob(2, a.oid.bytes, 16)
                                      .bind(3, static_cast<int64_t>(checkouts_only != 0 ? 1 : 0));
                                  while (q.next()) {
                                    vob_cset_entry_t e;
                                    e.vob = vob;
                                    e.hlink = dbid_at(q, 0);
                                    e.version = dbid_at(q, 1);
                                    e.element = dbid_at(q, 2);
                                    e.crde = dbid_at(q, 3);
                                    e.checkout = q.integer(4);
                                    e.stamp = static_cast<unsigned int>(q.int64(5));
                                    found.push_back(e);
                                  }
                                  return q.status();
                                });
  if (status != 0)
    return status;
  entries.swap(found);
  if (unavailable != nullptr)
    *unavailable = missing;
  return TBS_ST_OK;
}

namespace {

// Answers one yes/no question about the change set's entries: `pick` gets
// the number of entries and of checkouts.
template <typename Pick>
int ask_counts(vob_vob_h pvob, tbs_dbid_t activity, int* answer, Pick pick) {
  if (answer == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  int entries = 0;
  int checkouts = 0;
  int status = count_entries(pvob, activity, &entries, &checkouts);
  if (status == 0)
    *answer = pick(entries, checkouts) ? 1 : 0;
  return status;
}

}  // namespace

int vob_zem_activity_has_changeset(vob_vob_h pvob, tbs_dbid_t activity, int* has) {
  return ask_counts(pvob, activity, has, [](int entries, int) { return entries > 0; });
}

int vob_zem_activity_cset_is_empty(vob_vob_h pvob, tbs_dbid_t activity, int* empty) {
  return ask_counts(pvob, activity, empty, [](int entries, int) { return entries == 0; });
}

int vob_zem_activity_cset_has_cos(vob_vob_h pvob, tbs_dbid_t activity, int* has) {
  return ask_counts(pvob, activity, has, [](int, int checkouts) { return checkouts > 0; });
}

int vob_zem_activity_cset_has_cis(vob_vob_h pvob, tbs_dbid_t activity, int* has) {
  return ask_counts(pvob, activity, has,
                    [](int entries, int checkouts) { return entries > checkouts; });
}

int vob_zem_activity_ver_in_cset(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob,
                                 tbs_dbid_t version, int* in, int* checkout) {
  if (in == nullptr || checkout == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  act::ActivityId a;
  int status = act::activity_id(pvob, activity, a);
  if (status != 0)
    return status;
  return repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    tbs_dbid_t hlink = 0;
    int flag = 0;
    int st = repo::read_version(s, version, row);
    if (st == 0)
      st = find_entry(s, a, version, &hlink, &flag);
    if (st == 0) {
      *in = hlink != 0 ? 1 : 0;
      *checkout = flag;
    }
    return st;
  });
}

int vob_zem_activity_cset_add_ver(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob,
                                  tbs_dbid_t version, int checkout, const char* view_tag,
                                  const vob_event_info_t* event) {
  act::ActivityId a;
  int status = repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = act::need_activity(pvob, s, activity, true, row);
    a.family = pvob->family;
    a.oid = row.oid;
    return st;
  });
  ObjectRow version_object;
  if (status == 0)
    status = repo::with_store(vob, [&](Store& s) -> int {
      VersionRow row;
      int st = check_addable(pvob, activity, vob, s, a, version, checkout, row);
      return st != 0 ? st : repo::read_object(s, version, version_object);
    });
  if (status != 0)
    return status;
  EventText text(event, view_tag);
  act::PendingEntry pending;
  status = act::announce(pvob, activity, vob, version_object.oid, &text.info, pending);
  if (status != 0)
    return status;
  // Checked again in the writing transaction: another process may have
  // changed the version since.
  status = repo::in_txn(vob, [&](Store& s) -> int {
    VersionRow row;
    int st = check_addable(pvob, activity, vob, s, a, version, checkout, row);
    return st != 0 ? st : act::insert_entry(s, pending, version, checkout, &text.info);
  });
  if (status != 0)
    act::withdraw(pending);
  return status;
}

int vob_zem_activity_cset_rm_ver(vob_vob_h pvob, tbs_dbid_t activity, vob_vob_h vob,
                                 tbs_dbid_t version, const vob_event_info_t* event) {
  act::ActivityId a;
  int status = repo::with_store(pvob, [&](Store& s) -> int {
    ObjectRow row;
    int st = act::need_activity(pvob, s, activity, true, row);
    a.family = pvob->family;
    a.oid = row.oid;
    return st;
  });
  std::vector<act::ArrowRef> arrows;
  if (status == 0)
    status = repo::in_txn(vob, [&](Store& s) -> int {
      VersionRow row;
      tbs_dbid_t hlink = 0;
      int flag = 0;
      int st = repo::need_version(vob, s, version, row);
      if (st == 0)
        st = find_entry(s, a, version, &hlink, &flag);
      if (st == 0 && hlink == 0) {
        imsg_print(IMSG_ERROR, tbs_msg::VersionNotChangeSet, version_text(vob, s, row).c_str(),
                   any_name(pvob, activity).c_str());
        st = TBS_ST_NOT_FOUND;
      }
      if (st == 0)
        st = act::drop_entry(s, hlink, arrows);
      return st != 0 ? st : repo::record_event(s, version, VOB_EVENT_MODIFY, event);
    });
  if (status == 0)
    act::delete_arrows(arrows);
  return status;
}

int vob_zem_activity_cset_in_range(vob_vob_h pvob, tbs_dbid_t activity, unsigned int from,
                                   unsigned int to, vob_vob_h vob, tbs_dbid_t crde,
                                   std::vector<tbs_dbid_t>& hlinks) {
  act::ActivityId a;
  int status = act::activity_id(pvob, activity, a);
  if (status != 0)
    return status;
  return repo::with_store(vob, [&](Store& s) -> int {
    std::vector<tbs_dbid_t> found;
    Query q = s.query(sql::kCsetInRange);
    q.bind_blob(1, a.family.bytes, 16)
        .bind_blob(2, a.oid.bytes, 16)
        .bind(3, id(crde))
        .bind(4, static_cast<int64_t>(from))
        .bind(5, static_cast<int64_t>(to));
    while (q.next())
      found.push_back(dbid_at(q, 0));
    if (q.status() != 0)
      return q.status();
    hlinks.swap(found);
    return TBS_ST_OK;
  });
}

int vob_zem_activity_get_vob_modcnts(vob_vob_h pvob, tbs_dbid_t activity,
                                     std::vector<vob_act_modcnt_t>& counts) {
  std::vector<vob_act_modcnt_t> found;
  int status = each_touched_vob(pvob, activity, nullptr,
                                [&](vob_vob_h vob, Store& s, const act::ActivityId& a) -> int {
                                  Query q = s.query(sql::kCsetCountsOfAct);
                                  q.bind_blob(1, a.family.bytes, 16).bind_blob(2, a.oid.bytes, 16);
                                  while (q.next()) {
                                    vob_act_modcnt_t c;
                                    c.vob = vob;
                                    c.crde = dbid_at(q, 0);
                                    c.count = static_cast<unsigned int>(q.int64(1));
                                    found.push_back(c);
                                  }
                                  return q.status();
                                });
  if (status == 0)
    counts.swap(found);
  return status;
}

int vob_zem_activity_get_mod_count(vob_vob_h pvob, tbs_dbid_t activity, unsigned int* count) {
  std::vector<vob_act_modcnt_t> counts;
  int status = count == nullptr ? TBS_ST_BAD_ARGUMENT
                                : vob_zem_activity_get_vob_modcnts(pvob, activity, counts);
  if (status != 0)
    return status;
  unsigned int sum = 0;
  for (const vob_act_modcnt_t& c : counts)
    sum += c.count;
  *count = sum;
  return TBS_ST_OK;
}

int vob_utl_get_activities(vob_vob_h vob, tbs_dbid_t version,
                           std::vector<vob_activity_ref_t>& activities) {
  std::vector<act::ActivityId> named;
  int status = repo::with_store(vob, [&](Store& s) -> int {
    VersionRow row;
    int st = repo::read_version(s, version, row);
    if (st != 0)
      return st;
    Query q = s.query(sql::kCsetEntriesOfVersion);
    q.bind(1, id(version));
    while (q.next()) {
      act::ActivityId a;
      if (q.blob(1).size() == sizeof a.family.bytes && q.blob(2).size() == sizeof a.oid.bytes) {
        a.family = repo::uuid_of(q.blob(1));
        a.oid = repo::oid_of(q.blob(2));
        named.push_back(a);
      }
    }
    return q.status();
  });
  if (status != 0)
    return status;
  std::vector<vob_activity_ref_t> found;
  for (const act::ActivityId& a : named) {
    vob_activity_ref_t ref;
    ObjectRow row;
    if (repo::vob_of_family(a.family, &ref.pvob) != 0 ||
        vob_obj_oid_to_dbid(ref.pvob, &a.oid, &ref.activity) != 0)
      continue;  // a PVOB not registered here, or an activity removed since
    int is_activity = repo::with_store(ref.pvob, [&](Store& s) {
      return act::need_activity(ref.pvob, s, ref.activity, false, row);
    });
    if (is_activity == 0)
      found.push_back(ref);
  }
  activities.swap(found);
  return TBS_ST_OK;
}

int vob_hlink_hlinkhs_get_objs(vob_vob_h vob, const std::vector<tbs_dbid_t>& hlinks, int end,
                               std::vector<vob_obj_ref_t>& objs) {
  if (end != 0 && end != 1)
    return TBS_ST_BAD_ARGUMENT;
  std::vector<vob_obj_ref_t> found;
  for (tbs_dbid_t hlink : hlinks) {
    vob_obj_ref_t ref;
    int broken = 0;
    int status = vob_hlink_hlinkh_get_one_obj(vob, hlink, end, &ref.vob, &ref.dbid, &broken);
    if (status != 0 && status != TBS_ST_NOT_FOUND)
      return status;
    if (status != 0 || broken)
      ref = vob_obj_ref_t();  // a hyperlink or end that no longer exists
    found.push_back(ref);
  }
  objs.swap(found);
  return TBS_ST_OK;
}
