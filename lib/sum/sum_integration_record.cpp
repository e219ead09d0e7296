// SUM_Integration: the operation record. The record is the packing of an
// attribute list over the deliver or rebase map, kept in a PVAR of the
// operation's stream and written only by compare-and-set against the text
// this object last read or wrote, so that of two processes driving one
// operation exactly one goes on.
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>

#include "services/imsg.h"
#include "services/vob.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_config_spec_id.h"
#include "sum/sum_integration.h"
#include "sum/sum_new_config.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_list_strings.h"

namespace {

constexpr const char* kSource = "sum_integration_record";

// The newest record format this library reads.
constexpr int kNewestFormat = 3;

// Key, entry, active in the deliver map, active in the rebase map; in
// record order.
struct RecordKey {
  const char* key;
  int entry;
  int deliver;
  int rebase;
};
constexpr RecordKey kRecordKeys[] = {
    {"ver", SUM_Integration::REC_VER, 1, 1},
    {"owner", SUM_Integration::REC_OWNER, 1, 1},
    {"start", SUM_Integration::REC_START, 1, 1},
    {"act", SUM_Integration::REC_ACT, 1, 1},
    {"view", SUM_Integration::REC_VIEW, 1, 1},
    {"state", SUM_Integration::REC_STATE, 1, 1},
    {"target_stream", SUM_Integration::REC_TARGET_STREAM, 1, 0},
    {"bls", SUM_Integration::REC_BLS, 1, 0},
    {"bls_created", SUM_Integration::REC_BLS_CREATED, 1, 0},
    {"posted", SUM_Integration::REC_POSTED, 1, 0},
    {"optype", SUM_Integration::REC_OPTYPE, 1, 0},
    {"orig_replica", SUM_Integration::REC_ORIG_REPLICA, 1, 0},
    {"integrator", SUM_Integration::REC_INTEGRATOR, 1, 0},
    {"tk_records_chmastered", SUM_Integration::REC_TK_RECORDS, 1, 0},
    {"fdnbls_included", SUM_Integration::REC_FDNBLS_INCLUDED, 1, 0},
    {"csid", SUM_Integration::REC_CSID, 0, 1},
    {"cfg", SUM_Integration::REC_CFG, 0, 1},
};

SUM_AVMapList build_map(bool deliver) {
  SUM_AVMapList map;
  for (const RecordKey& key : kRecordKeys)
    map.append(SUM_AVMap(key.entry, key.key, deliver ? key.deliver : key.rebase));
  return map;
}

// Entries a format 1 record leaves out.
bool absent_in_format_1(int entry) {
  return entry == SUM_Integration::REC_TARGET_STREAM || entry == SUM_Integration::REC_OPTYPE ||
         entry == SUM_Integration::REC_FDNBLS_INCLUDED;
}

// The state name of KORVANE_FAULT_KILL_AT_STATE, read once.
const char* kill_state() {
  static const std::string name = [] {
    const char* value = std::getenv("KORVANE_FAULT_KILL_AT_STATE");
    return std::string(value != nullptr ? value : "");
  }();
  return name.c_str();
}

template <typename T>
int list_value(const SUM_List<T>& list, SUM_String& out) {
  if (list.count() == 0)
    return SUM_OK;
  return sum_utl_objlist2str("SUM_Integration::list_value", list, 0, out);
}

}  // namespace

const SUM_AVMapList& SUM_Integration::deliver_map() {
  static const SUM_AVMapList map = build_map(true);
  return map;
}

const SUM_AVMapList& SUM_Integration::rebase_map() {
  static const SUM_AVMapList map = build_map(false);
  return map;
}

int SUM_Integration::is_deliver_map(const SUM_AVMapList& map) {
  for (unsigned i = 0; i < map.count(); ++i)
    if (map[i].active && map[i].attr >= REC_TARGET_STREAM && map[i].attr <= REC_FDNBLS_INCLUDED)
      return 1;
  return 0;
}

// ---- reading -----------------------------------------------------------------------------

int SUM_Integration::unpack_operation(const SUM_Stream& stream, const char* pvar,
                                      SUM_AVList& list) {
  SUM_Trace trace("SUM_Integration::unpack_operation");
  if (stream.is_null() || pvar == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String text;
  if (stream.pvar(pvar, text) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableGetIntegrationInfo);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  if (text.GetLength() == 0)
    return SUM_NOT_FOUND;
  if (list.unpack(text) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableUnpackInfo);
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_Integration::get_state_from_pvar(OpnState& out) const {
  SUM_Trace trace("SUM_Integration::get_state_from_pvar");
  SUM_AVList list(record_map());
  int status = unpack_operation(stream_, pvar_name(), list);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (state_from_name(list.values[REC_STATE], out) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnknownStateOperationRecord,
               std::string(list.values[REC_STATE]), std::string(operation_name_lc()));
    return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

// ---- saving ------------------------------------------------------------------------------

int SUM_Integration::fill_record(SUM_AVList& list) const {
  SUM_Trace trace("SUM_Integration::fill_record");
  const bool deliver = is_deliver_map(list.map);
  list.values[REC_VER].Format("%d", format_);
  list.values[REC_OWNER] = owner_;
  list.values[REC_START].Format("%ld", start_time_);
  if (!integration_activity_.is_null() &&
      integration_activity_.univ_selector(list.values[REC_ACT]) != 0)
    return trace.checked(__LINE__, SUM_FAILED);
  if (!target_view_.is_null()) {
    SUM_Uuid uuid;
    if (target_view_.uuid(uuid) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    list.values[REC_VIEW] = uuid.string();
  }
  list.values[REC_STATE] = state_name(state_);
  if (deliver) {
    SUM_Stream target;
    SUM_BaselineList bls, created, fdn;
    int is_posted = 0;
    DeliverOpType type = DELIVER_LOCAL;
    SUM_Replica replica;
    SUM_ActivityList remastered;
    if (target_stream(target) != 0 || baselines(bls) != 0 || bls_created(created) != 0 ||
        fdn_bls_in_stream_bls(fdn) != 0 || posted(is_posted) != 0 || optype(type) != 0 ||
        orig_replica(replica) != 0 || integrator(list.values[REC_INTEGRATOR]) != 0 ||
        tk_remastered_acts(remastered) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    if (format_ > 1) {
      if (target.univ_selector(list.values[REC_TARGET_STREAM]) != 0 ||
          list_value(fdn, list.values[REC_FDNBLS_INCLUDED]) != 0)
        return trace.checked(__LINE__, SUM_FAILED);
      list.values[REC_OPTYPE].Format("%d", static_cast<int>(type));
    }
    if (list_value(bls, list.values[REC_BLS]) != 0 ||
        list_value(created, list.values[REC_BLS_CREATED]) != 0 ||
        list_value(remastered, list.values[REC_TK_RECORDS]) != 0 ||
        (!replica.is_null() && replica.univ_selector(list.values[REC_ORIG_REPLICA]) != 0))
      return trace.checked(__LINE__, SUM_FAILED);
    if (is_posted)
      list.values[REC_POSTED] = "T";
  } else {
    SUM_ConfigSpecId id;
    SUM_NewConfig* config = nullptr;
    if (cspec_id(id) == 0 && !id.is_null() && id.string(list.values[REC_CSID]) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
    if (new_config(config) == 0 && config != nullptr && config->save(list.values[REC_CFG]) != 0)
      return trace.checked(__LINE__, SUM_FAILED);
  }
  return SUM_OK;
}

int SUM_Integration::save_operation(const SUM_AVMapList& map) {
  SUM_Trace trace("SUM_Integration::save_operation");
  if (state_ == NO_STATE)
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_AVList list(map);
  if (fill_record(list) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  SUM_String text;
  list.pack(text);
  if (cached_record_.GetLength() == 0)
    return trace.checked(__LINE__, save_first_record(text));
  int status = stream_.test_and_set_pvar(pvar_name(), cached_record_, text, 0);
  if (status == TBS_ST_CAS_MISMATCH)
    return trace.checked(__LINE__, record_status(ST_OPERATION_CORRUPTED));
  if (status != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  cached_record_ = text;
  if (!defer_kill_)
    kill_if_asked();
  return SUM_OK;
}

int SUM_Integration::save_first_record(const SUM_String& text) {
  SUM_Trace trace("SUM_Integration::save_first_record");
  // The stream's write lock makes the claim one step: another operation on
  // the stream, of either kind, either recorded itself before (refused
  // here) or finds this record (refused there).
  vob_write_group group(stream_.vob().handle());
  if (group.status() != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  const char* rival = rival_pvar_name();
  SUM_String other;
  if (rival != nullptr && stream_.pvar(rival, other) != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  if (other.GetLength() > 0)
    return trace.checked(__LINE__, record_status(rival_in_progress_code()));
  int status = stream_.test_and_set_pvar(pvar_name(), cached_record_, text, 0);
  if (status == TBS_ST_CAS_MISMATCH)
    return trace.checked(__LINE__, record_status(ST_ALREADY_IN_PROGRESS));
  if (status != 0 || group.commit() != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  cached_record_ = text;
  if (!defer_kill_)
    kill_if_asked();
  return SUM_OK;
}

const char* SUM_Integration::rival_pvar_name() const {
  return nullptr;
}

int SUM_Integration::rival_in_progress_code() const {
  return ST_ALREADY_IN_PROGRESS;
}

int SUM_Integration::set_state_and_save_to_pvar(OpnState state) {
  SUM_Trace trace("SUM_Integration::set_state_and_save_to_pvar");
  state_ = state;
  int status = save_to_pvar();
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableSetProcessVariable);
  return trace.checked(__LINE__, status);
}

int SUM_Integration::check_integration_info() {
  SUM_Trace trace("SUM_Integration::check_integration_info");
  int status = stream_.test_pvar(pvar_name(), cached_record_);
  if (status == SUM_NOT_FOUND && cached_record_.GetLength() == 0)
    return SUM_OK;
  if (status == TBS_ST_CAS_MISMATCH || status == SUM_NOT_FOUND)
    return trace.checked(__LINE__, record_status(ST_OPERATION_CORRUPTED));
  if (status != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  return SUM_OK;
}

int SUM_Integration::clear_integration_info() {
  SUM_Trace trace("SUM_Integration::clear_integration_info");
  int status = stream_.test_and_set_pvar(pvar_name(), cached_record_, "", 0);
  if (status == TBS_ST_CAS_MISMATCH)
    return trace.checked(__LINE__, record_status(ST_OPERATION_CORRUPTED));
  if (status != 0)
    return trace.checked(__LINE__, record_status(ST_CANNOT_SAVE));
  cached_record_ = "";
  return SUM_OK;
}

void SUM_Integration::kill_if_asked() const {
  const char* name = kill_state();
  if (name[0] != '\0' && std::strcmp(name, state_name(state_)) == 0)
    std::raise(SIGKILL);
}

// ---- restoring ---------------------------------------------------------------------------

int SUM_Integration::restore_view(const SUM_String& text, const int& lenient) {
  SUM_Trace trace("SUM_Integration::restore_view");
  SUM_Uuid uuid;
  SUM_View view;
  // Views live in one registry without regions: a view that is not
  // registered any more cannot be used. Leniently, the operation is
  // restored without a view (to be retargeted), keeping the lost view's
  // UUID.
  SUM_String tag;
  if (SUM_Uuid::construct_from_string(text, uuid) != 0 || uuid.is_null() ||
      SUM_View::construct_from_uuid(uuid, view) != 0 || view.fetch_tag(tag) != 0) {
    imsg_print(lenient ? IMSG_WARNING : IMSG_ERROR, sum_integration_msg::UnableFindViewUuid,
               std::string(text));
    if (!lenient)
      return trace.checked(__LINE__, record_status(ST_VIEW_NOT_RECREATED));
    lost_view_uuid_ = text;
    target_view_ = SUM_View();
    status_ = ST_DATA_CORRUPTED;
    return SUM_OK;
  }
  target_view_ = view;
  return SUM_OK;
}

int SUM_Integration::read_record_entry(int entry, const SUM_String& value, const int& lenient) {
  SUM_Trace trace("SUM_Integration::read_record_entry");
  // A selector naming nothing: a warning when lenient, else code 28.
  auto missing = [&]() {
    if (lenient) {
      imsg_print(IMSG_WARNING, sum_integration_msg::UnableConstructObject, std::string(value));
      status_ = ST_DATA_CORRUPTED;
      return SUM_OK;
    }
    return record_status(ST_CANNOT_RESTORE);
  };
  switch (entry) {
    case REC_VER:
      format_ = std::atoi(value);
      if (format_ > kNewestFormat)
        return trace.checked(__LINE__, record_status(ST_VERSION_MISMATCH));
      return SUM_OK;
    case REC_OWNER:
      owner_ = value;
      return SUM_OK;
    case REC_START:
      start_time_ = std::atol(value);
      if (start_time_ == 0)
        imsg_print(IMSG_WARNING, sum_integration_msg::UnableReadOperationStart, std::string(value));
      return SUM_OK;
    case REC_ACT: {
      SUM_Activity activity;
      if (SUM_Activity::construct_from_selector(value, stream_.vob(), activity) != 0) {
        // Completion and cancel remove the activity before the record:
        // past those steps it is expected to be gone.
        if (state_ >= CONFIG_UPDATED)
          return SUM_OK;
        return trace.checked(__LINE__, missing());
      }
      integration_activity_ = activity;
      return SUM_OK;
    }
    case REC_VIEW:
      return trace.checked(__LINE__, restore_view(value, lenient));
    case REC_STATE:
      if (state_from_name(value, state_) != 0) {
        imsg_print(IMSG_ERROR, sum_integration_msg::UnknownStateOperationRecord, std::string(value),
                   std::string(operation_name_lc()));
        return trace.checked(__LINE__, record_status(ST_STATE_CORRUPTED));
      }
      return SUM_OK;
    case REC_TARGET_STREAM: {
      if (format_ < 2)
        return SUM_OK;
      SUM_Stream target;
      if (SUM_Stream::construct_from_selector(value, stream_.vob(), target) != 0)
        return trace.checked(__LINE__, missing());
      return trace.checked(__LINE__, set_target_stream(target));
    }
    case REC_BLS:
    case REC_BLS_CREATED:
    case REC_FDNBLS_INCLUDED: {
      SUM_BaselineList list;
      if (sum_utl_str2bllist(value, list) != 0)
        return trace.checked(__LINE__, missing());
      if (entry == REC_BLS)
        return trace.checked(__LINE__, set_baselines(list));
      if (entry == REC_BLS_CREATED)
        return trace.checked(__LINE__, set_bls_created(list));
      return trace.checked(__LINE__, set_fdn_bls_in_stream_bls(list));
    }
    case REC_TK_RECORDS: {
      SUM_ActivityList list;
      if (sum_utl_str2activitylist(value, list) != 0)
        return trace.checked(__LINE__, missing());
      return trace.checked(__LINE__, set_tk_remastered_acts(list));
    }
    case REC_ORIG_REPLICA: {
      SUM_Replica replica;
      if (SUM_Replica::construct_from_selector(value, stream_.vob(), replica) != 0)
        return trace.checked(__LINE__, missing());
      return trace.checked(__LINE__, set_orig_replica(replica));
    }
    case REC_POSTED:
      return trace.checked(__LINE__, set_posted(1));
    case REC_OPTYPE:
      return trace.checked(__LINE__, set_optype(static_cast<DeliverOpType>(std::atoi(value))));
    case REC_INTEGRATOR:
      return trace.checked(__LINE__, set_integrator(value));
    case REC_CSID: {
      SUM_ConfigSpecId id;
      if (SUM_ConfigSpecId::from_string(value, id) != 0)
        return trace.checked(__LINE__, record_status(ST_STATE_CORRUPTED));
      return trace.checked(__LINE__, set_cspec_id(id));
    }
    case REC_CFG: {
      auto config = std::make_unique<SUM_NewConfig>(stream_, SUM_NewConfigCBs());
      if (config->restore(value, state_ >= CONFIG_UPDATED ? 1 : 0) != 0)
        return trace.checked(__LINE__, record_status(ST_STATE_CORRUPTED));
      return trace.checked(__LINE__, set_new_config(config.release()));
    }
    default:
      return sum_int_error(kSource, trace.name(), __LINE__);
  }
}

int SUM_Integration::restore_operation(const SUM_AVMapList& map, const int& lenient) {
  SUM_Trace trace("SUM_Integration::restore_operation");
  SUM_String text;
  if (stream_.pvar(pvar_name(), text) != 0)
    return trace.checked(__LINE__, record_err_status());
  SUM_AVList list(map);
  if (text.GetLength() == 0)
    return trace.checked(__LINE__, record_status(ST_NO_OPERATION));
  if (list.unpack(text) != 0) {
    imsg_print(IMSG_ERROR, sum_integration_msg::UnableUnpackInfo);
    return trace.checked(__LINE__, record_status(ST_STATE_CORRUPTED));
  }
  cached_record_ = text;
  // The state first: the configuration's restore depends on it.
  for (int pass = 0; pass < 2; ++pass) {
    for (unsigned i = 0; i < list.map.count(); ++i) {
      const SUM_AVMap& entry = list.map[i];
      const SUM_String& value = list.values[entry.attr];
      if (!entry.active || value.GetLength() == 0)
        continue;
      if ((pass == 0) != (entry.attr == REC_STATE || entry.attr == REC_VER))
        continue;
      if (format_ < 2 && absent_in_format_1(entry.attr))
        continue;
      int status = read_record_entry(entry.attr, value, lenient);
      if (status != 0)
        return trace.checked(__LINE__, status);
    }
  }
  if (list.values[REC_STATE].GetLength() == 0 || state_ == NO_STATE)
    return trace.checked(__LINE__, record_status(ST_STATE_CORRUPTED));
  return SUM_OK;
}
