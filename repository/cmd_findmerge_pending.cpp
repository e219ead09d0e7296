// Pending merges of the merge service: file merges into a view's checkouts
// that left conflicts, or wait for a side to be chosen, and whose merge
// arrows are not recorded yet; and resolving them.
//
// The view's database holds one record per element (repository/
// view_internal.h, PendingRow), written before the merged text reaches the
// view's file. A record is pending while its checkout is still the view's,
// no arrow from its `from` to the checkout exists, and the view's file no
// longer holds the content the merge started from (it holds what the merge
// wrote, or the user's resolution of it). Any other record is stale: a crash
// between the record and the file write leaves the file as it was, and
// merging again redoes the merge.
// A record that waits for a side (a binary file both sides changed, or a
// side being taken) is pending without the last condition: a binary merge
// writes nothing, so its file legitimately keeps the content from before,
// and a side being taken may have written either content when cut short.
#include <algorithm>

#include "repository/cmd_findmerge_internal.h"
#include "repository/file_system.h"
#include "repository/sha256.h"
#include "repository/view_internal.h"
#include "services/cmd_findmerge.h"

namespace repo::merge {

namespace {

std::string version_text(vob_vob_h vob, tbs_dbid_t version) {
  std::string name;
  if (vob_ver_get_name(vob, version, name) != 0)
    name = "version " + std::to_string(version);
  return name;
}

// Whether the record `row` is still pending for checkout `checkout` whose
// content is `content`.
int still_pending(view_server_h view, vob_vob_h vob, const PendingRow& row, tbs_dbid_t checkout,
                  const std::string& content, bool& pending) {
  pending = false;
  tbs_dbid_t held = 0;
  int status = my_checkout(view, vob, row.element, &held);
  if (status == TBS_ST_NOT_FOUND || (status == 0 && (held != row.checkout || held != checkout)))
    return TBS_ST_OK;
  if (status != 0)
    return status;
  std::vector<tbs_dbid_t> merged;
  status = vob_ver_get_merges_into(vob, row.checkout, merged);
  if (status != 0)
    return status;
  pending = std::find(merged.begin(), merged.end(), row.from) == merged.end() &&
            (row.choose_side || sha256_hex(content) != row.before_sha);
  return TBS_ST_OK;
}

// The view's file of a checkout, or the checkout's content when the view
// has no file for it.
int current_content(vob_vob_h vob, const view_path_info_t& info, tbs_dbid_t checkout,
                    std::string& content) {
  if (!info.file_path.empty() && exists(info.file_path))
    return read_view_file(info.file_path, content);
  return vob_ver_read_content(vob, checkout, content);
}

// The pending merge that a record stands for, or `found` false.
int judge_row(view_server_h view, const PendingRow& row, cmd_findmerge_pending_t& pending,
              bool& found) {
  found = false;
  vob_vob_h vob = nullptr;
  if (vob_of_replica(row.replica, &vob) != 0)
    return TBS_ST_OK;  // a VOB gone from the region: nothing there to resolve
  view_path_info_t info;
  std::string content;
  int status = view_lookup(view, row.path.c_str(), &info);
  if (status == TBS_ST_NOT_FOUND || (status == 0 && info.element != row.element))
    return TBS_ST_OK;  // no longer shown there
  if (status == 0)
    status = current_content(vob, info, row.checkout, content);
  return status != 0
             ? status
             : find_pending(view, vob, row.element, row.checkout, content, false, pending, found);
}

}  // namespace

int find_pending(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                 const std::string& content, bool drop_stale, cmd_findmerge_pending_t& pending,
                 bool& found) {
  found = false;
  std::string replica = replica_text(vob);
  Store* db = nullptr;
  PendingRow row;
  int status = view_db(view, db);
  if (status == 0)
    status = pending_get(*db, replica, element, row);
  if (status == TBS_ST_NOT_FOUND)
    return TBS_ST_OK;
  if (status == 0)
    status = still_pending(view, vob, row, checkout, content, found);
  if (status != 0)
    return status;
  if (!found)
    return drop_stale ? in_txn(*db, [&](Store& s) { return pending_delete(s, replica, element); })
                      : TBS_ST_OK;
  int eltype = 0;
  status = vob_elem_get_eltype(vob, element, &eltype);
  if (status != 0)
    return status;
  pending.vob = vob;
  pending.element = element;
  pending.checkout = row.checkout;
  pending.from = row.from;
  pending.path = row.path;
  pending.choose_side = row.choose_side ? 1 : 0;
  pending.binary = eltype == VOB_ELTYPE_FILE_NEVER_MERGE ? 1 : 0;
  // A binary file holds no markers: its one conflict is the side to choose.
  pending.conflicts = pending.binary ? 1 : count_conflict_regions(content, nullptr, nullptr);
  pending.first_line = pending.binary ? 0 : first_conflict_line(content);
  return TBS_ST_OK;
}

int note_pending(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                 tbs_dbid_t from, const std::string& path, const std::string& before,
                 bool choose_side) {
  PendingRow row;
  row.replica = replica_text(vob);
  row.element = element;
  row.checkout = checkout;
  row.from = from;
  row.path = path;
  row.before_sha = sha256_hex(before);
  row.choose_side = choose_side;
  // "Ours" for a side taken later: the predecessor's content, unless the
  // checkout had changed before the merge.
  vob_ver_details_t ours;
  vob_ver_details_t predecessor;
  int status = vob_ver_get_details(vob, checkout, &ours);
  if (status == 0 && ours.predecessor != 0)
    status = vob_ver_get_details(vob, ours.predecessor, &predecessor);
  if (status != 0)
    return status;
  if (ours.predecessor == 0 || predecessor.content_hash != row.before_sha) {
    row.has_before_content = true;
    row.before_content = before;
  }
  return in_view_txn(view, [&](Store& db) { return pending_set(db, row); });
}

int side_waiting(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                 bool& waiting) {
  waiting = false;
  Store* db = nullptr;
  PendingRow row;
  int status = view_db(view, db);
  if (status == 0)
    status = pending_get(*db, replica_text(vob), element, row);
  if (status == TBS_ST_NOT_FOUND)
    return TBS_ST_OK;
  waiting = status == 0 && row.checkout == checkout && row.choose_side;
  return status;
}

int forget_pending(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout) {
  std::string replica = replica_text(vob);
  return in_view_txn(view, [&](Store& db) -> int {
    PendingRow row;
    int status = pending_get(db, replica, element, row);
    if (status == TBS_ST_NOT_FOUND || (status == 0 && row.checkout != checkout))
      return TBS_ST_OK;
    return status != 0 ? status : pending_delete(db, replica, element);
  });
}

int pending_for_checkin(view_server_h view, vob_vob_h vob, tbs_dbid_t element, tbs_dbid_t checkout,
                        const std::string& path, const std::string& content,
                        tbs_dbid_t& merged_from) {
  merged_from = 0;
  cmd_findmerge_pending_t pending;
  bool found = false;
  int status = find_pending(view, vob, element, checkout, content, false, pending, found);
  if (status != 0 || !found)
    return status;
  if (pending.choose_side) {
    imsg_print(IMSG_ERROR, tbs_msg::MergeSideNotChosen, path.c_str(),
               version_text(vob, pending.from).c_str());
    return TBS_ST_ERROR;
  }
  if (pending.conflicts > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ConflictsRemainFromMerge, path.c_str(), pending.conflicts,
               version_text(vob, pending.from).c_str(), pending.first_line);
    return TBS_ST_ERROR;
  }
  merged_from = pending.from;
  return TBS_ST_OK;
}

}  // namespace repo::merge

int cmd_findmerge_list_pending(view_server_h view, std::vector<cmd_findmerge_pending_t>& pending) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  repo::Store* db = nullptr;
  std::vector<repo::PendingRow> rows;
  int status = repo::view_db(view, db);
  if (status == 0)
    status = repo::pending_rows(*db, rows);
  std::vector<cmd_findmerge_pending_t> found;
  for (size_t i = 0; status == 0 && i < rows.size(); ++i) {
    cmd_findmerge_pending_t one;
    bool is_pending = false;
    status = repo::merge::judge_row(view, rows[i], one, is_pending);
    if (status == 0 && is_pending)
      found.push_back(std::move(one));
  }
  if (status == 0)
    pending.swap(found);
  return status;
}

namespace repo::merge {
namespace {

// The content of side `take` of the pending merge `pending`: the version
// merged from, or the checkout's content from before the merge.
int side_content(view_server_h view, const cmd_findmerge_pending_t& pending, int take,
                 std::string& content) {
  if (take == CMD_MERGE_TAKE_THEIRS)
    return vob_ver_read_content(pending.vob, pending.from, content);
  Store* db = nullptr;
  bool stored = false;
  int status = view_db(view, db);
  if (status == 0)
    status =
        pending_before_content(*db, replica_text(pending.vob), pending.element, stored, content);
  if (status != 0 || stored)
    return status;
  vob_ver_details_t ours;
  status = vob_ver_get_details(pending.vob, pending.checkout, &ours);
  return status != 0 ? status : vob_ver_read_content(pending.vob, ours.predecessor, content);
}

// Gives the view's file of the pending merge side `take`'s content; the
// record waits for a side first, so that an interruption leaves it pending
// whatever the file then holds.
int take_side(view_server_h view, const view_path_info_t& info,
              const cmd_findmerge_pending_t& pending, int take) {
  std::string content;
  int status = side_content(view, pending, take, content);
  if (status == 0 && !pending.choose_side)
    status = in_view_txn(view, [&](Store& db) {
      return pending_choose_side(db, replica_text(pending.vob), pending.element);
    });
  return status != 0 ? status : write_merged_file(info.file_path, content);
}

}  // namespace
}  // namespace repo::merge

int cmd_findmerge_resolve(view_server_h view, const char* path, int take,
                          cmd_findmerge_pending_t* resolved) {
  if (view == nullptr || path == nullptr || take < CMD_MERGE_TAKE_NONE ||
      take > CMD_MERGE_TAKE_THEIRS)
    return TBS_ST_BAD_ARGUMENT;
  view_path_info_t info;
  int status = view_lookup(view, path, &info);
  if (status == TBS_ST_NOT_FOUND || (status == 0 && (info.element == 0 || info.is_dir))) {
    imsg_print(IMSG_ERROR, tbs_msg::NoUnresolvedMergeView, path, view->entry.tag.c_str());
    return TBS_ST_ERROR;
  }
  std::string content;
  cmd_findmerge_pending_t pending;
  bool found = false;
  if (status == 0 && info.checked_out)
    status = repo::merge::current_content(info.vob, info, info.version, content);
  if (status == 0 && info.checked_out)
    status = repo::merge::find_pending(view, info.vob, info.element, info.version, content, false,
                                       pending, found);
  if (status != 0)
    return status;
  if (!found) {
    imsg_print(IMSG_ERROR, tbs_msg::NoUnresolvedMergeView, path, view->entry.tag.c_str());
    return TBS_ST_ERROR;
  }
  // Without a side, the file as the user left it: no markers in text.
  if (take == CMD_MERGE_TAKE_NONE && !pending.binary && pending.conflicts > 0) {
    imsg_print(IMSG_ERROR, tbs_msg::ConflictsRemainFromMerge, path, pending.conflicts,
               repo::merge::version_text(info.vob, pending.from).c_str(), pending.first_line);
    return TBS_ST_ERROR;
  }
  if (take != CMD_MERGE_TAKE_NONE)
    status = repo::merge::take_side(view, info, pending, take);
  if (status == 0)
    status =
        repo::merge::record_merge(view, info.vob, pending.element, pending.from, pending.checkout);
  if (status == 0 && resolved != nullptr)
    *resolved = std::move(pending);
  return status;
}
