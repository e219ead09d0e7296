// SUM_Stream: who may change a stream, which replica masters it and the
// objects that go with it, and the task provider configuration stored on it
// (process variable "KV_CMI_CONTEXT", whose text the task provider
// defines).
#include <memory>
#include <string>
#include <vector>

#include "services/imsg.h"
#include "services/vob_zem.h"
#include "services/vob_zem_stream.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_stream.h"
#include "sum/sum_trace.h"
#include "sum/sum_triggers.h"

namespace {

constexpr const char* kSource = "sum_stream_admin";

constexpr size_t kChunk = 64;

SUM_String name_of(const SUM_NamedObject& obj) {
  SUM_String text("???");
  obj.name(text);
  return text;
}

// Every dbid a chunked listing call hands out.
template <typename Next>
int gather(Next next, std::vector<tbs_dbid_t>& out) {
  std::vector<tbs_dbid_t> chunk;
  for (size_t offset = 0;; offset += kChunk) {
    int status = next(offset, kChunk, chunk);
    if (status != 0)
      return status;
    out.insert(out.end(), chunk.begin(), chunk.end());
    if (chunk.size() < kChunk)
      return SUM_OK;
  }
}

// What moves with a stream when its mastership changes.
struct Associated {
  std::vector<tbs_dbid_t> timelines;
  std::vector<tbs_dbid_t> activities;
  std::vector<SUM_NamedObject> branch_types;
};

}  // namespace

int SUM_Stream::check_permission() const {
  SUM_Trace trace("SUM_Stream::check_permission");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String unrestricted;
  int status = policy_in_context(SUM_Policy::CHSTREAM_UNRESTRICTED, unrestricted);
  if (status == 0 && unrestricted.Compare("ENABLED") == 0)
    return SUM_OK;
  return trace.checked(__LINE__, check_change_permission());
}

int SUM_Stream::check_local_mastership(int& local) const {
  SUM_Trace trace("SUM_Stream::check_local_mastership");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int here_masters = 0;
  SUM_Replica master, here;
  int status = has_local_mastership(here_masters, master, here);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!here_masters) {
    imsg_print(IMSG_WARNING, sum_stream_msg::NotMastered, any_fullname(), name_of(master),
               name_of(here));
  }
  local = here_masters;
  return SUM_OK;
}

int SUM_Stream::child_streams_local_mastership(int& all_local) const {
  SUM_Trace trace("SUM_Stream::child_streams_local_mastership");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int result = 1;
  std::unique_ptr<ChildIter> iter(child_streams());
  for (iter->first(); !iter->is_done(); iter->next()) {
    SUM_Stream child;
    int local = 0, below = 0;
    int status = iter->current_item(child);
    if (status == 0)
      status = child.check_local_mastership(local);
    if (status == 0)
      status = child.child_streams_local_mastership(below);
    if (status != 0)
      return trace.checked(__LINE__, status);
    result = result && local && below ? 1 : 0;
  }
  if (iter->status() != 0)
    return trace.checked(__LINE__, iter->status());
  all_local = result;
  return SUM_OK;
}

int SUM_Stream::chmaster_all(const SUM_Replica& replica, int override, const char* comment) const {
  SUM_Trace trace("SUM_Stream::chmaster_all");
  if (is_null() || replica.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int replicated = 0;
  int status = vob_.is_replicated(replicated);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!replicated) {
    imsg_print(IMSG_ERROR, sum_stream_msg::NotReplicated);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  Associated assoc;
  status = gather(
      [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
        return vob_zem_stream_next_timelines(vob_.handle(), dbid_, at, max, out);
      },
      assoc.timelines);
  if (status == 0)
    status = gather(
        [&](size_t at, size_t max, std::vector<tbs_dbid_t>& out) {
          return vob_zem_stream_next_activities(vob_.handle(), dbid_, at, max, out);
        },
        assoc.activities);
  if (status == 0)
    status = own_branch_types(assoc.branch_types);
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::AssociatedObjects);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (override)
    imsg_print(IMSG_WARNING, sum_stream_msg::OverrideErrors);

  int not_moved = 0;
  for (tbs_dbid_t dbid : assoc.activities) {
    SUM_NamedObject activity(vob_, dbid);
    int local = 0;
    SUM_Replica master, here;
    if (activity.has_local_mastership(local, master, here) != 0) {
      ++not_moved;
    } else if (!local) {
      imsg_print(IMSG_WARNING, sum_stream_msg::ActivityElsewhere, activity.any_fullname(),
                 name_of(master));
      ++not_moved;
    } else if (activity.chmaster(replica, comment, kOpChange) != 0) {
      ++not_moved;
    }
  }
  if (chmaster(replica, comment, kOpChange) != 0)
    ++not_moved;
  for (tbs_dbid_t dbid : assoc.timelines)
    if (SUM_VobObject(vob_, dbid).chmaster(replica, comment, kOpChange) != 0)
      ++not_moved;
  std::vector<SUM_NamedObject> by_hand;
  for (const SUM_NamedObject& type : assoc.branch_types) {
    if (type.vob() != vob_)
      by_hand.push_back(type);
    else if (type.chmaster(replica, comment, kOpChange) != 0)
      ++not_moved;
  }
  if (!by_hand.empty()) {
    imsg_print(IMSG_WARNING, sum_stream_msg::MoveBranchTypes);
    for (const SUM_NamedObject& type : by_hand)
      imsg_print_literal(IMSG_WARNING, "    %s\n", type.any_fullname());
  }
  if (not_moved > 0 || !by_hand.empty()) {
    imsg_print(IMSG_ERROR, sum_stream_msg::SomeNotMoved);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  imsg_print(IMSG_INFO, sum_stream_msg::MastershipChanged, any_fullname());
  return SUM_OK;
}

int SUM_Stream::get_task_provider_conf(SUM_String& out) const {
  SUM_Trace trace("SUM_Stream::get_task_provider_conf");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String conf;
  int status = pvar(PVAR_ZEM_TASK_PROVIDER_CONF, conf);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (conf.GetLength() == 0)
    return SUM_NOT_FOUND;
  out = conf;
  return SUM_OK;
}

int SUM_Stream::write_task_provider_conf(const char* expected, const char* conf,
                                         const char* comment, int compare) const {
  SUM_Trace trace("SUM_Stream::write_task_provider_conf");
  int read_only = 0;
  int status = is_read_only(read_only);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (read_only) {
    imsg_print(IMSG_ERROR, sum_stream_msg::TaskProviderReadOnly, any_fullname());
    return trace.checked(__LINE__, SUM_FAILED);
  }
  SUM_Project owner;
  if ((status = project(owner)) != 0)
    return trace.checked(__LINE__, status);
  SUM_TrigChStream trigger(*this, owner, "task provider", comment);
  if ((status = trigger.fire_preop()) != 0)
    return trace.checked(__LINE__, status);
  if ((status = check_permission()) != 0)
    return trace.checked(__LINE__, status);
  if (conf == nullptr)
    status = delete_pvar(PVAR_ZEM_TASK_PROVIDER_CONF, kOpChange);
  else if (compare)
    status = test_and_set_pvar(PVAR_ZEM_TASK_PROVIDER_CONF, expected, conf, kOpChange);
  else
    status = set_pvar(PVAR_ZEM_TASK_PROVIDER_CONF, conf, kOpChange, comment);
  if (status == TBS_ST_CAS_MISMATCH || status == SUM_NOT_FOUND)
    return status;  // changed meanwhile, or nothing to remove
  if (status != 0) {
    imsg_print(IMSG_ERROR, sum_stream_msg::TaskProviderFailed, any_fullname());
    return trace.checked(__LINE__, status);
  }
  return trace.checked(__LINE__, trigger.fire_postop(SUM_VobObject()));
}

int SUM_Stream::set_task_provider_conf(const char* conf, const char* comment) const {
  SUM_Trace trace("SUM_Stream::set_task_provider_conf");
  if (is_null() || conf == nullptr || *conf == '\0')
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, write_task_provider_conf(nullptr, conf, comment, 0));
}

int SUM_Stream::replace_task_provider_conf(const char* expected, const char* conf,
                                           const char* comment) const {
  SUM_Trace trace("SUM_Stream::replace_task_provider_conf");
  if (is_null() || conf == nullptr || *conf == '\0')
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, write_task_provider_conf(expected, conf, comment, 1));
}

int SUM_Stream::remove_task_provider_conf(const char* comment) const {
  SUM_Trace trace("SUM_Stream::remove_task_provider_conf");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int exists = 0;
  int status = pvar_exists(PVAR_ZEM_TASK_PROVIDER_CONF, exists);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (!exists)
    return SUM_NOT_FOUND;
  return trace.checked(__LINE__, write_task_provider_conf(nullptr, nullptr, comment, 0));
}

int SUM_Stream::has_task_provider(int& has) const {
  SUM_Trace trace("SUM_Stream::has_task_provider");
  SUM_String conf;
  int status = get_task_provider_conf(conf);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  has = status == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_Stream::has_effective_task_provider(int& has) const {
  SUM_Trace trace("SUM_Stream::has_effective_task_provider");
  SUM_Stream at = *this;
  for (;;) {
    int own = 0;
    int status = at.has_task_provider(own);
    if (status != 0)
      return trace.checked(__LINE__, status);
    if (own) {
      has = 1;
      return SUM_OK;
    }
    SUM_Stream parent;
    status = at.parent_stream(parent);
    if (status == SUM_NOT_FOUND) {
      has = 0;
      return SUM_OK;
    }
    if (status != 0)
      return trace.checked(__LINE__, status);
    at = parent;
  }
}
