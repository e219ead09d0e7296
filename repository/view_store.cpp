// View tags in the registry and the view's own database: its identity and
// config spec, the paths it has written into its root, and the elements it
// may hold checkouts of.
#include <unistd.h>

#include "repository/registry.h"
#include "repository/sql.h"
#include "repository/view_internal.h"

namespace repo {

const Schema kViewSchema = {
    "view",
    {
        // 1: identity and config spec, loaded paths, checkouts.
        R"(
CREATE TABLE view_info (key TEXT PRIMARY KEY, value TEXT NOT NULL);
-- What the view wrote into its root: the version each path shows, whether it
-- was written as a checkout, and the file's size, time and inode right after
-- writing (a file that no longer matches is rewritten).
CREATE TABLE loaded (
  path TEXT PRIMARY KEY,
  replica_uuid TEXT NOT NULL,
  element INTEGER NOT NULL,
  version INTEGER NOT NULL,
  is_dir INTEGER NOT NULL,
  checked_out INTEGER NOT NULL,
  size INTEGER NOT NULL,
  mtime_ns INTEGER NOT NULL,
  inode INTEGER NOT NULL
);
CREATE INDEX loaded_by_element ON loaded(replica_uuid, element);
-- Elements the view may hold a checkout of (the VOB decides whether it does).
CREATE TABLE checkouts (
  replica_uuid TEXT NOT NULL,
  element INTEGER NOT NULL,
  path TEXT NOT NULL,
  PRIMARY KEY (replica_uuid, element)
) WITHOUT ROWID;
)",
        // 2: the generation of each VOB that the view's root last showed
        // whole, so that a refresh skips the VOBs that did not change.
        R"(
CREATE TABLE seen_generations (
  replica_uuid TEXT PRIMARY KEY,
  generation INTEGER NOT NULL
) WITHOUT ROWID;
)",
        // 3: the file merges of the view's checkouts that left conflicts,
        // written before the merged text reaches the view's file and removed
        // once the merge arrow is recorded or the checkout goes (checked in
        // or cancelled). `before_sha` is the SHA-256 of the checkout's
        // content the merge started from: a file still holding it never
        // received the merge (an interrupted one), so it is not pending.
        R"(
CREATE TABLE pending_merges (
  replica_uuid TEXT NOT NULL,
  element INTEGER NOT NULL,
  checkout INTEGER NOT NULL,
  from_version INTEGER NOT NULL,
  path TEXT NOT NULL,
  before_sha TEXT NOT NULL,
  PRIMARY KEY (replica_uuid, element)
) WITHOUT ROWID;
)",
        // 4: merges that wait for the user to choose a side (a binary file
        // both sides changed, or a side being taken): pending until their
        // arrow is recorded, whatever the file holds. `before_content` keeps
        // the content the merge started from when it is not the checkout's
        // predecessor's (NULL otherwise), so that "ours" can be taken back.
        R"(
ALTER TABLE pending_merges ADD COLUMN choose_side INTEGER NOT NULL DEFAULT 0;
ALTER TABLE pending_merges ADD COLUMN before_content BLOB;
)",
    },
};

namespace {

void read_view_entry(const Query& q, view_entry_t& e) {
  e.tag = q.text(0);
  e.uuid = q.text(1);
  e.owner = q.text(2);
  e.root = q.text(3);
  e.storage_path = q.text(4);
  e.kind = q.integer(5);
  e.attributes = q.text(6);
}

int view_lookup_one(const char* sql, const std::string& key, view_entry_t& entry) {
  Store* s = nullptr;
  int status = registry_store(s);
  if (status != 0)
    return status;
  Query q = s->query(sql);
  q.bind(1, key);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  read_view_entry(q, entry);
  return TBS_ST_OK;
}

void read_loaded(const Query& q, LoadedRow& r) {
  r.path = q.text(0);
  r.replica = q.text(1);
  r.element = static_cast<tbs_dbid_t>(q.int64(2));
  r.version = static_cast<tbs_dbid_t>(q.int64(3));
  r.is_dir = q.integer(4);
  r.checked_out = q.integer(5);
  r.size = q.int64(6);
  r.mtime_ns = q.int64(7);
  r.inode = q.int64(8);
}

}  // namespace

// ---- registry -------------------------------------------------------------------------

int rgy_view_by_tag(const std::string& tag, view_entry_t& entry) {
  return view_lookup_one(sql::kRgySelectViewTag, tag, entry);
}

int rgy_view_by_uuid(const std::string& uuid, view_entry_t& entry) {
  return view_lookup_one(sql::kRgySelectViewUuid, uuid, entry);
}

int rgy_views(std::vector<view_entry_t>& entries) {
  Store* s = nullptr;
  int status = registry_store(s);
  if (status != 0)
    return status;
  std::vector<view_entry_t> out;
  Query q = s->query(sql::kRgySelectAllViewTags);
  while (q.next()) {
    out.emplace_back();
    read_view_entry(q, out.back());
  }
  if (q.status() != 0)
    return q.status();
  entries.swap(out);
  return TBS_ST_OK;
}

int rgy_view_add(const view_entry_t& e) {
  return in_registry_txn([&](Store& s) -> int {
    int status = s.query(sql::kRgyInsertViewTag)
                     .bind(1, e.tag)
                     .bind(2, e.uuid)
                     .bind(3, e.owner)
                     .bind(4, e.root)
                     .bind(5, e.storage_path)
                     .bind(6, e.kind)
                     .bind(7, e.attributes)
                     .run();
    if (status == TBS_ST_EXISTS) {
      view_entry_t other;
      if (rgy_view_by_tag(e.tag, other) == 0)
        imsg_print(IMSG_ERROR, tbs_msg::ViewTagAlreadyExists, e.tag.c_str());
      else
        imsg_print(IMSG_ERROR, tbs_msg::ViewRootExistsNot, e.root.c_str());
    }
    return status;
  });
}

namespace {

// Runs the registry statement `sql` on one view entry in its own
// transaction: 1002 when it changed no row.
template <typename Bind>
int change_view_entry(const char* sql, Bind bind) {
  return in_registry_txn([&](Store& s) -> int {
    Query q = s.query(sql);
    bind(q);
    int status = q.run();
    if (status != 0)
      return status;
    return s.changes() == 0 ? TBS_ST_NOT_FOUND : TBS_ST_OK;
  });
}

}  // namespace

int rgy_view_remove(const std::string& tag) {
  return change_view_entry(sql::kRgyDeleteViewTag, [&](Query& q) { q.bind(1, tag); });
}

int rgy_view_set_attributes(const std::string& uuid, const std::string& attributes) {
  return change_view_entry(sql::kRgyUpdateViewAttributes,
                           [&](Query& q) { q.bind(1, uuid).bind(2, attributes); });
}

// ---- the view's database ----------------------------------------------------------------

int view_db_create(const std::string& storage, const view_entry_t& entry) {
  std::unique_ptr<Store> db;
  int status = Store::open(storage + "/" + kViewDbName, kViewSchema, true, db);
  if (status != 0)
    return status;
  const std::pair<const char*, std::string> rows[] = {
      {"uuid", entry.uuid},
      {"tag_at_creation", entry.tag},
      {"kind", std::to_string(entry.kind)},
      {"attributes", entry.attributes},
      {"config_spec", kDefaultConfigSpec},
      {"identity", ""},
      {"needs_update", "0"},
  };
  return in_txn(*db, [&](Store& s) -> int {
    for (const auto& [key, value] : rows) {
      int written = view_info_set(s, key, value);
      if (written != 0)
        return written;
    }
    return TBS_ST_OK;
  });
}

int view_db(view_server_h view, Store*& db) {
  if (view == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  if (view->db == nullptr) {
    std::string path = view->entry.storage_path + "/" + kViewDbName;
    if (access(path.c_str(), F_OK) != 0) {
      imsg_print(IMSG_ERROR, tbs_msg::ViewTagDoesNot, view->entry.tag.c_str());
      return TBS_ST_NOT_FOUND;
    }
    int status = Store::open(path, kViewSchema, false, view->db);
    if (status != 0)
      return status;
  }
  db = view->db.get();
  return TBS_ST_OK;
}

int view_info_get(Store& db, const char* key, std::string& value) {
  Query q = db.query(sql::kViewInfoGet);
  q.bind(1, key);
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  value = q.text(0);
  return TBS_ST_OK;
}

int view_info_set(Store& db, const char* key, const std::string& value) {
  return db.query(sql::kViewInfoSet).bind(1, key).bind(2, value).run();
}

int loaded_under(Store& db, const std::string& scope, std::map<std::string, LoadedRow>& rows) {
  Query q = scope.empty() ? db.query(sql::kViewLoadedAll) : db.query(sql::kViewLoadedUnder);
  if (!scope.empty())
    q.bind(1, scope).bind(2, scope + "/").bind(3, scope + "0");
  while (q.next()) {
    LoadedRow r;
    read_loaded(q, r);
    rows[r.path] = r;
  }
  return q.status();
}

int loaded_set(Store& db, const LoadedRow& r) {
  return db.query(sql::kViewLoadedSet)
      .bind(1, r.path)
      .bind(2, r.replica)
      .bind(3, static_cast<int64_t>(r.element))
      .bind(4, static_cast<int64_t>(r.version))
      .bind(5, r.is_dir)
      .bind(6, r.checked_out)
      .bind(7, r.size)
      .bind(8, r.mtime_ns)
      .bind(9, r.inode)
      .run();
}

int loaded_delete(Store& db, const std::string& path) {
  return db.query(sql::kViewLoadedDelete).bind(1, path).run();
}

int loaded_paths_of(Store& db, const std::string& replica, tbs_dbid_t element,
                    std::vector<std::string>& paths) {
  Query q = db.query(sql::kViewLoadedOfElement);
  q.bind(1, replica).bind(2, static_cast<int64_t>(element));
  while (q.next())
    paths.push_back(q.text(0));
  return q.status();
}

int ckout_rows(Store& db, std::vector<CkoutRow>& rows) {
  Query q = db.query(sql::kViewCkoutAll);
  while (q.next())
    rows.push_back({q.text(0), static_cast<tbs_dbid_t>(q.int64(1)), q.text(2)});
  return q.status();
}

int ckout_has_row(Store& db, const std::string& replica, tbs_dbid_t element, bool& has_row) {
  Query q = db.query(sql::kViewCkoutOfElement);
  q.bind(1, replica).bind(2, static_cast<int64_t>(element));
  has_row = q.next();
  return q.status();
}

int ckout_set(Store& db, const CkoutRow& row) {
  return db.query(sql::kViewCkoutSet)
      .bind(1, row.replica)
      .bind(2, static_cast<int64_t>(row.element))
      .bind(3, row.path)
      .run();
}

int ckout_delete(Store& db, const std::string& replica, tbs_dbid_t element) {
  int status =
      db.query(sql::kViewCkoutDelete).bind(1, replica).bind(2, static_cast<int64_t>(element)).run();
  return status != 0 ? status : pending_delete(db, replica, element);
}

namespace {
PendingRow read_pending(const Query& q) {
  PendingRow row;
  row.replica = q.text(0);
  row.element = static_cast<tbs_dbid_t>(q.int64(1));
  row.checkout = static_cast<tbs_dbid_t>(q.int64(2));
  row.from = static_cast<tbs_dbid_t>(q.int64(3));
  row.path = q.text(4);
  row.before_sha = q.text(5);
  row.choose_side = q.integer(6) != 0;
  return row;
}
}  // namespace

int pending_rows(Store& db, std::vector<PendingRow>& rows) {
  Query q = db.query(sql::kViewPendingAll);
  while (q.next())
    rows.push_back(read_pending(q));
  return q.status();
}

int pending_get(Store& db, const std::string& replica, tbs_dbid_t element, PendingRow& row) {
  Query q = db.query(sql::kViewPendingOfElement);
  q.bind(1, replica).bind(2, static_cast<int64_t>(element));
  if (q.next()) {
    row = read_pending(q);
    return TBS_ST_OK;
  }
  return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
}

int pending_set(Store& db, const PendingRow& row) {
  Query q = db.query(sql::kViewPendingSet);
  q.bind(1, row.replica)
      .bind(2, static_cast<int64_t>(row.element))
      .bind(3, static_cast<int64_t>(row.checkout))
      .bind(4, static_cast<int64_t>(row.from))
      .bind(5, row.path)
      .bind(6, row.before_sha)
      .bind(7, static_cast<int64_t>(row.choose_side ? 1 : 0));
  if (row.has_before_content)
    q.bind_blob(8, row.before_content.data(), row.before_content.size());
  else
    q.bind_null(8);
  return q.run();
}

int pending_before_content(Store& db, const std::string& replica, tbs_dbid_t element, bool& stored,
                           std::string& content) {
  Query q = db.query(sql::kViewPendingBefore);
  q.bind(1, replica).bind(2, static_cast<int64_t>(element));
  if (!q.next())
    return q.status() != 0 ? q.status() : TBS_ST_NOT_FOUND;
  stored = !q.is_null(0);
  content = stored ? q.blob(0) : std::string();
  return TBS_ST_OK;
}

int pending_choose_side(Store& db, const std::string& replica, tbs_dbid_t element) {
  return db.query(sql::kViewPendingChooseSide)
      .bind(1, replica)
      .bind(2, static_cast<int64_t>(element))
      .run();
}

int pending_delete(Store& db, const std::string& replica, tbs_dbid_t element) {
  return db.query(sql::kViewPendingDelete)
      .bind(1, replica)
      .bind(2, static_cast<int64_t>(element))
      .run();
}

int seen_generations(Store& db, std::map<std::string, int64_t>& seen) {
  Query q = db.query(sql::kViewSeenAll);
  while (q.next())
    seen[q.text(0)] = q.int64(1);
  return q.status();
}

int seen_set(Store& db, const std::string& replica, int64_t generation) {
  return db.query(sql::kViewSeenSet).bind(1, replica).bind(2, generation).run();
}

int seen_forget(Store& db, const std::string& replica) {
  Query q = replica.empty() ? db.query(sql::kViewSeenClear) : db.query(sql::kViewSeenDelete);
  if (!replica.empty())
    q.bind(1, replica);
  return q.run();
}

}  // namespace repo
