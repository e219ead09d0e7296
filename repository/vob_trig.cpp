// Running trigger types around a ZEM operation: operation kinds, matching
// types to an operation, the environment a command sees, and running the
// commands.
//
// Setup takes a snapshot of everything a command will see (the objects as
// selectors), so that the post-operation triggers of a removal still name
// the removed objects; reset takes the record's objects again.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <utility>

#include "repository/vob_internal.h"
#include "repository/vob_trig_internal.h"
#include "services/vob_trig.h"

extern char** environ;

namespace {

struct OpName {
  vob_op_t op;
  const char* name;
};

const OpName kOps[] = {
    {VOB_OP_MKACTIVITY, "mkactivity"},
    {VOB_OP_CHACTIVITY, "chactivity"},
    {VOB_OP_RMACTIVITY, "rmactivity"},
    {VOB_OP_DELIVER_START, "deliver_start"},
    {VOB_OP_DELIVER_COMPLETE, "deliver_complete"},
    {VOB_OP_DELIVER_CANCEL, "deliver_cancel"},
    {VOB_OP_REBASE_START, "rebase_start"},
    {VOB_OP_REBASE_COMPLETE, "rebase_complete"},
    {VOB_OP_REBASE_CANCEL, "rebase_cancel"},
    {VOB_OP_SETACTIVITY, "setactivity"},
    {VOB_OP_MKSTREAM, "mkstream"},
    {VOB_OP_CHSTREAM, "chstream"},
    {VOB_OP_RMSTREAM, "rmstream"},
    {VOB_OP_MKBL, "mkbl"},
    {VOB_OP_CHBL, "chbl"},
    {VOB_OP_RMBL, "rmbl"},
    {VOB_OP_MKPROJECT, "mkproject"},
    {VOB_OP_CHPROJECT, "chproject"},
    {VOB_OP_RMPROJECT, "rmproject"},
    {VOB_OP_MKCOMP, "mkcomp"},
    {VOB_OP_RMCOMP, "rmcomp"},
    {VOB_OP_MKFOLDER, "mkfolder"},
    {VOB_OP_CHFOLDER, "chfolder"},
    {VOB_OP_RMFOLDER, "rmfolder"},
    {VOB_OP_MKBL_COMPLETE, "mkbl_complete"},
    {VOB_OP_SETACTIVITY_NONE, "setactivity_none"},
    {VOB_OP_DELIVER_RESUME, "deliver_resume"},
    {VOB_OP_MODCOMP, "modcomp"},
};

using Vars = std::vector<std::pair<std::string, std::string>>;

int live_handles = 0;

// The identity a restriction names: family UUID bytes then oid bytes.
std::string identity(const tbs_uuid_t& family, const tbs_oid_t& oid) {
  return std::string(reinterpret_cast<const char*>(family.bytes), 16) +
         std::string(reinterpret_cast<const char*>(oid.bytes), 16);
}

// Adds the identity of one object; an object that no longer exists adds
// nothing.
int add_identity(vob_vob_h vob, tbs_dbid_t dbid, std::set<std::string>& ids) {
  if (dbid == 0)
    return TBS_ST_OK;
  if (vob == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  tbs_oid_t oid;
  int status = vob_obj_get_oid(vob, dbid, &oid);
  if (status == 0)
    ids.insert(identity(vob->family, oid));
  return status == TBS_ST_NOT_FOUND ? TBS_ST_OK : status;
}

int add_identities(const vob_trig_objs_t& list, std::set<std::string>& ids) {
  if (list.count != 0 && (list.vobs == nullptr || list.dbids == nullptr))
    return TBS_ST_BAD_ARGUMENT;
  for (unsigned i = 0; i < list.count; ++i) {
    int status = add_identity(list.vobs[i], list.dbids[i], ids);
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

// The identities of every object of the record.
int record_identities(const vob_zem_trig_env_t& env, std::set<std::string>& ids) {
  const vob_trig_obj_t* slots[] = {
      &env.activity, &env.to_activity, &env.version,       &env.folder,    &env.parent_folder,
      &env.project,  &env.stream,      &env.source_stream, &env.component, &env.parent_stream};
  for (const vob_trig_obj_t* slot : slots) {
    int status = add_identity(slot->vob, slot->dbid, ids);
    if (status != 0)
      return status;
  }
  for (const vob_trig_objs_t* list : {&env.activities, &env.baselines, &env.other_baselines}) {
    int status = add_identities(*list, ids);
    if (status != 0)
      return status;
  }
  return TBS_ST_OK;
}

std::string selector_of(vob_vob_h vob, tbs_dbid_t dbid) {
  char text[1024];
  if (vob == nullptr || dbid == 0 || vob_obj_get_selector(vob, dbid, text, sizeof text) != 0)
    return std::string();
  return text;
}

void add_var(Vars& vars, const char* name, const std::string& value) {
  if (!value.empty())
    vars.emplace_back(name, value);
}

void add_list(Vars& vars, const char* name, const vob_trig_objs_t& list) {
  std::string joined;
  for (unsigned i = 0; i < list.count; ++i) {
    std::string one = selector_of(list.vobs[i], list.dbids[i]);
    if (!one.empty())
      joined += (joined.empty() ? "" : ",") + one;
  }
  add_var(vars, name, joined);
}

// The variables of the record's objects and texts.
Vars record_vars(const vob_zem_trig_env_t& env) {
  Vars vars;
  const std::pair<const char*, const vob_trig_obj_t*> slots[] = {
      {"KORVANE_ACTIVITY", &env.activity},
      {"KORVANE_TO_ACTIVITY", &env.to_activity},
      {"KORVANE_VERSION", &env.version},
      {"KORVANE_FOLDER", &env.folder},
      {"KORVANE_PARENT_FOLDER", &env.parent_folder},
      {"KORVANE_PROJECT", &env.project},
      {"KORVANE_STREAM", &env.stream},
      {"KORVANE_SOURCE_STREAM", &env.source_stream},
      {"KORVANE_PARENT_STREAM", &env.parent_stream},
      {"KORVANE_COMPONENT", &env.component},
  };
  for (const auto& [name, slot] : slots)
    add_var(vars, name, selector_of(slot->vob, slot->dbid));
  add_list(vars, "KORVANE_ACTIVITIES", env.activities);
  add_list(vars, "KORVANE_BASELINES", env.baselines);
  add_list(vars, "KORVANE_OTHER_BASELINES", env.other_baselines);
  const char* new_names[] = {env.activity.new_name, env.folder.new_name,    env.project.new_name,
                             env.stream.new_name,   env.component.new_name, env.baseline_new_name};
  for (const char* new_name : new_names) {
    if (new_name != nullptr && *new_name != '\0') {
      add_var(vars, "KORVANE_NEW_NAME", new_name);
      break;
    }
  }
  add_var(vars, "KORVANE_BASELINE_CHANGE",
          env.baseline_change != nullptr ? env.baseline_change : "");
  add_var(vars, "KORVANE_CHANGE", env.change != nullptr ? env.change : "");
  return vars;
}

// Runs `command` with /bin/sh -c and the caller's environment, less every
// trigger variable, plus `vars`. `exit_code` is the command's exit status,
// or 128 plus the signal that ended it. 1005 (with `why`) when it cannot be
// started or waited for.
int run_shell(const std::string& command, const Vars& vars, int& exit_code, std::string& why) {
  const auto& ours = vob_zem_trig_variable_names();
  std::vector<std::string> entries;
  for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
    std::string entry = *e;
    std::string name = entry.substr(0, entry.find('='));
    if (std::none_of(ours.begin(), ours.end(), [&](const char* n) { return name == n; }))
      entries.push_back(entry);
  }
  for (const auto& [name, value] : vars)
    entries.push_back(name + "=" + value);
  std::vector<char*> envp;
  for (auto& entry : entries)
    envp.push_back(entry.data());
  envp.push_back(nullptr);
  std::string sh = "sh", dash_c = "-c", text = command;
  char* argv[] = {sh.data(), dash_c.data(), text.data(), nullptr};

  // What was printed so far must come before the command's own output; and
  // what the command writes must be seen by this process's next reads.
  std::fflush(nullptr);
  repo::ReadScope::end_all_reads();
  pid_t pid = 0;
  int rc = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, argv, envp.data());
  if (rc != 0) {
    why = std::strerror(rc);
    return TBS_ST_IO_ERROR;
  }
  int wstatus = 0;
  while (waitpid(pid, &wstatus, 0) < 0) {
    if (errno != EINTR) {
      why = std::strerror(errno);
      return TBS_ST_IO_ERROR;
    }
  }
  exit_code = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
  return TBS_ST_OK;
}

}  // namespace

// One operation's triggers: the types that apply and the snapshot of the
// environment their commands see.
struct vob_zem_trig_t {
  struct Type {
    std::string name;   // bare name, as exported
    std::string label;  // "name@vob-tag", for messages
    int phase = 0;
    std::string command;
  };
  vob_vob_h vob = nullptr;
  tbs_dbid_t obj = 0;
  vob_op_t op = 0;
  std::vector<Type> types;
  Vars fixed;   // operation, user, comment, view, acting object
  Vars record;  // the record's objects and texts; replaced by reset
};

namespace {

// Runs the types of one phase. Pre-operation: stops at the first failure
// (1001 after an error naming the type). Post-operation: warns for each
// failure, runs the rest and returns the first failure.
int fire(vob_zem_trig_h trig, int phase, const Vars& extra) {
  const char* op_name = vob_op_to_str(trig->op);
  int result = TBS_ST_OK;
  for (const auto& type : trig->types) {
    if (type.phase != phase)
      continue;
    Vars vars = trig->fixed;
    vars.emplace_back("KORVANE_OP_PHASE", phase == VOB_TRIG_PREOP ? "preop" : "postop");
    vars.emplace_back("KORVANE_TRIGGER_TYPE", type.name);
    vars.insert(vars.end(), trig->record.begin(), trig->record.end());
    vars.insert(vars.end(), extra.begin(), extra.end());
    int exit_code = 0;
    std::string why;
    int status = run_shell(type.command, vars, exit_code, why);
    if (status != 0) {
      imsg_print(phase == VOB_TRIG_PREOP ? IMSG_ERROR : IMSG_WARNING,
                 tbs_msg::UnableRunCommandTrigger, type.label.c_str(), why.c_str());
    } else if (exit_code != 0) {
      status = TBS_ST_ERROR;
      imsg_print_chosen(phase == VOB_TRIG_PREOP ? IMSG_ERROR : IMSG_WARNING,
                        phase == VOB_TRIG_PREOP ? tbs_msg::TriggerTypeRefusedOperation
                                                : tbs_msg::TriggerTypeFailedAfter,
                        type.label.c_str(), op_name, exit_code);
    }
    if (status != 0 && phase == VOB_TRIG_PREOP)
      return status;
    if (result == 0)
      result = status;
  }
  return result;
}

}  // namespace

const char* vob_op_to_str(vob_op_t op) {
  for (const auto& o : kOps)
    if (o.op == op)
      return o.name;
  return nullptr;
}

int vob_str_to_op(const char* name, vob_op_t* op) {
  if (name == nullptr || op == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  for (const auto& o : kOps) {
    if (std::strcmp(o.name, name) == 0) {
      *op = o.op;
      return TBS_ST_OK;
    }
  }
  return TBS_ST_BAD_ARGUMENT;
}

const std::vector<vob_op_t>& vob_op_all() {
  static const std::vector<vob_op_t> all = [] {
    std::vector<vob_op_t> ops;
    for (const auto& o : kOps)
      ops.push_back(o.op);
    return ops;
  }();
  return all;
}

const std::vector<const char*>& vob_zem_trig_variable_names() {
  static const std::vector<const char*> names = {
      "KORVANE_OP",
      "KORVANE_OP_KIND",
      "KORVANE_OP_PHASE",
      "KORVANE_PARENT_OP",
      "KORVANE_TRIGGER_TYPE",
      "KORVANE_USER",
      "KORVANE_COMMENT",
      "KORVANE_VIEW",
      "KORVANE_VOB",
      "KORVANE_OBJECT",
      "KORVANE_ACTIVITY",
      "KORVANE_TO_ACTIVITY",
      "KORVANE_VERSION",
      "KORVANE_FOLDER",
      "KORVANE_PARENT_FOLDER",
      "KORVANE_PROJECT",
      "KORVANE_STREAM",
      "KORVANE_SOURCE_STREAM",
      "KORVANE_PARENT_STREAM",
      "KORVANE_COMPONENT",
      "KORVANE_ACTIVITIES",
      "KORVANE_BASELINES",
      "KORVANE_OTHER_BASELINES",
      "KORVANE_NEW_NAME",
      "KORVANE_BASELINE_CHANGE",
      "KORVANE_CHANGE",
      "KORVANE_NEW_OBJECT",
  };
  return names;
}

int vob_zem_trig_setup(vob_vob_h vob, tbs_dbid_t obj, vob_op_t op, vob_op_t parent_op,
                       const vob_zem_trig_env_t* env, const char* view_tag,
                       const vob_event_info_t* event, vob_zem_trig_h* trig) {
  if (vob == nullptr || obj == 0 || vob_op_to_str(op) == nullptr || trig == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  vob_zem_trig_env_t empty;
  const vob_zem_trig_env_t& record = env != nullptr ? *env : empty;

  // The acting object and every object of the record, for restrictions.
  std::set<std::string> ids;
  tbs_oid_t oid;
  int status = vob_obj_get_oid(vob, obj, &oid);
  if (status != 0)
    return status;
  ids.insert(identity(vob->family, oid));
  status = record_identities(record, ids);
  if (status != 0)
    return status;

  std::vector<vob_vob_h> chain;
  status = repo::vob_and_admins(vob, chain);
  if (status != 0)
    return status;
  std::vector<vob_zem_trig_t::Type> types;
  for (vob_vob_h where : chain) {
    std::vector<vob_trtype_t> stored;
    status = repo::read_trtypes(where, stored);
    if (status != 0)
      return status;
    for (const auto& t : stored) {
      if (std::find(t.ops.begin(), t.ops.end(), op) == t.ops.end())
        continue;
      bool applies = t.restrictions.empty();
      for (const auto& r : t.restrictions)
        applies = applies || ids.count(identity(r.family, r.oid)) != 0;
      if (applies)
        types.push_back({t.name, t.name + "@" + where->tag, t.phase, t.command});
    }
  }
  if (types.empty()) {
    *trig = nullptr;
    return TBS_ST_OK;
  }

  auto made = std::make_unique<vob_zem_trig_t>();
  made->vob = vob;
  made->obj = obj;
  made->op = op;
  made->types = std::move(types);
  Vars& fixed = made->fixed;
  fixed.emplace_back("KORVANE_OP", vob_op_to_str(op));
  fixed.emplace_back("KORVANE_OP_KIND", std::to_string(op));
  if (parent_op != 0) {
    const char* parent = vob_op_to_str(parent_op);
    fixed.emplace_back("KORVANE_PARENT_OP", parent != nullptr ? parent : std::to_string(parent_op));
  }
  fixed.emplace_back("KORVANE_USER", repo::current_user());
  add_var(fixed, "KORVANE_COMMENT",
          event != nullptr && event->comment != nullptr ? event->comment : "");
  add_var(fixed, "KORVANE_VIEW", view_tag != nullptr ? view_tag : "");
  fixed.emplace_back("KORVANE_VOB", vob->tag);
  add_var(fixed, "KORVANE_OBJECT", selector_of(vob, obj));
  made->record = record_vars(record);
  *trig = made.release();
  ++live_handles;
  return TBS_ST_OK;
}

int vob_zem_trig_fire_pre_triggers(vob_vob_h vob, vob_zem_trig_h trig) {
  if (trig == nullptr || vob != trig->vob)
    return TBS_ST_BAD_ARGUMENT;
  return fire(trig, VOB_TRIG_PREOP, Vars());
}

int vob_zem_trig_reset_evs(const vob_zem_trig_env_t* env, vob_zem_trig_h trig) {
  if (trig == nullptr || env == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  trig->record = record_vars(*env);
  return TBS_ST_OK;
}

int vob_zem_trig_fire_post_triggers(vob_vob_h vob, vob_zem_trig_h trig, tbs_dbid_t new_obj,
                                    vob_vob_h new_obj_vob) {
  if (trig == nullptr || vob != trig->vob || (new_obj != 0 && new_obj_vob == nullptr))
    return TBS_ST_BAD_ARGUMENT;
  Vars extra;
  if (new_obj != 0)
    add_var(extra, "KORVANE_NEW_OBJECT", selector_of(new_obj_vob, new_obj));
  return fire(trig, VOB_TRIG_POSTOP, extra);
}

int vob_zem_trig_cleanup(vob_zem_trig_h trig) {
  if (trig == nullptr)
    return TBS_ST_BAD_ARGUMENT;
  delete trig;
  --live_handles;
  return TBS_ST_OK;
}

int vob_zem_trig_live_count() {
  return live_handles;
}
