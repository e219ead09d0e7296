// SUM_VobObject and SUM_NamedObject over the VOB client's object calls.
#include "sum/sum_vob_object.h"

#include <cstdio>

#include "services/vob_trig.h"
#include "sum/sum_replica.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_vob_object";
constexpr size_t kSelectorSize = 1024;
constexpr size_t kNameSize = 256;

// One ring of four 1024-byte buffers; each call of `next` hands out the
// buffer after the previous one.
struct TextRing {
  char buf[4][1024];
  int next_index = 0;
  const char* keep(const char* text) {
    char* out = buf[next_index];
    next_index = (next_index + 1) % 4;
    std::snprintf(out, sizeof buf[0], "%s", text);
    return out;
  }
};

bool is_version_mtype(vob_mtype_t mtype) {
  return mtype == VOB_MTYPE_FILE_VERSION || mtype == VOB_MTYPE_DIRECTORY_VERSION ||
         mtype == VOB_MTYPE_VERSION;
}

// The event that defines an object for description and creation time: its
// creation event, except for a version that is checked out, whose checkout
// event defines it. A version counts as checked out while its latest
// checkout event is newer than its creation event.
int defining_event(const SUM_VobObject& obj, vob_event_t& event) {
  SUM_Trace trace("sum_vob_object_defining_event");
  vob_mtype_t mtype = VOB_MTYPE_NONE;
  int status = obj.metatype(mtype);
  if (status != 0)
    return trace.checked(__LINE__, status);
  vob_vob_h vob = obj.vob().handle();
  vob_event_t created;
  int create_status = vob_event_get_latest(vob, obj.dbid(), VOB_EVENT_CREATE, &created);
  if (create_status != 0 && create_status != SUM_NOT_FOUND) {
    trace.status_line(__LINE__, create_status);
    return create_status;
  }
  if (is_version_mtype(mtype)) {
    vob_event_t checkout;
    status = vob_event_get_latest(vob, obj.dbid(), VOB_EVENT_CHECKOUT, &checkout);
    if (status != 0 && status != SUM_NOT_FOUND) {
      trace.status_line(__LINE__, status);
      return status;
    }
    if (status == 0 && (create_status != 0 || checkout.id > created.id)) {
      event = checkout;
      return SUM_OK;
    }
  }
  if (create_status != 0)
    return create_status;
  event = created;
  return SUM_OK;
}

// `replica` as a dbid of `vob`: replica objects exist in every replica of a
// family under the same oid, but with their own dbid in each.
int replica_dbid_in(const SUM_Vob& vob, const SUM_Replica& replica, tbs_dbid_t& dbid) {
  if (replica.vob() == vob) {
    dbid = replica.dbid();
    return SUM_OK;
  }
  tbs_oid_t oid;
  int status = replica.oid(oid);
  if (status != 0)
    return status;
  return vob_obj_oid_to_dbid(vob.handle(), &oid, &dbid);
}

}  // namespace

int SUM_VobObject::metatype(vob_mtype_t& mtype) const {
  SUM_Trace trace("SUM_VobObject::metatype");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_obj_get_mtype(vob_.handle(), dbid_, &mtype));
}

int SUM_VobObject::type(unsigned& type) const {
  SUM_Trace trace("SUM_VobObject::type");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_obj_get_type(vob_.handle(), dbid_, &type));
}

int SUM_VobObject::oid(tbs_oid_t& oid) const {
  SUM_Trace trace("SUM_VobObject::oid");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, vob_obj_get_oid(vob_.handle(), dbid_, &oid));
}

int SUM_VobObject::oid(SUM_Oid& oid) const {
  SUM_Trace trace("SUM_VobObject::oid");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_oid_t raw;
  int status = vob_obj_get_oid(vob_.handle(), dbid_, &raw);
  if (status != 0)
    return trace.checked(__LINE__, status);
  oid = SUM_Oid(raw);
  return SUM_OK;
}

int SUM_VobObject::owner(SUM_OsUser& owner) const {
  SUM_Trace trace("SUM_VobObject::owner");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_fstat_t fstat;
  int status = vob_obj_get_fstat_db(vob_.handle(), dbid_, &fstat);
  if (status != 0)
    return trace.checked(__LINE__, status);
  owner = SUM_OsUser(fstat.owner.c_str());
  return SUM_OK;
}

int SUM_VobObject::description(SUM_String& comment) const {
  SUM_Trace trace("SUM_VobObject::description");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_t event;
  int status = defining_event(*this, event);
  if (status != 0)
    return trace.checked(__LINE__, status);
  comment = event.comment.c_str();
  return SUM_OK;
}

int SUM_VobObject::set_description(const char* comment, const char* reason) const {
  SUM_Trace trace("SUM_VobObject::set_description");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_t event;
  int status = defining_event(*this, event);
  if (status == 0)
    status = vob_event_change_comment(vob_.handle(), event.id, comment, reason);
  if (status != 0)
    trace.status_line(__LINE__, status);
  return status;
}

int SUM_VobObject::creation_time(long& time) const {
  SUM_Trace trace("SUM_VobObject::creation_time");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_t event;
  int status = defining_event(*this, event);
  if (status != 0)
    return trace.checked(__LINE__, status);
  time = event.time;
  return SUM_OK;
}

int SUM_VobObject::selector(SUM_String& selector) const {
  return this->selector(0, selector);
}

int SUM_VobObject::selector(int for_messages, SUM_String& selector) const {
  SUM_Trace trace("SUM_VobObject::selector");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  char buf[kSelectorSize];
  int status = vob_obj_get_selector(vob_.handle(), dbid_, buf, sizeof buf);
  if (status == 0 && for_messages) {
    vob_objsel_t parsed;
    status = vob_utl_parse_objsel(buf, &parsed);
    if (status == 0)
      status = vob_utl_create_objsel(VOB_SEL_ANY, parsed.name.c_str(), parsed.vob.c_str(), buf,
                                     sizeof buf);
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  selector = buf;
  return SUM_OK;
}

int SUM_VobObject::univ_selector(SUM_String& selector) const {
  SUM_Trace trace("SUM_VobObject::univ_selector");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  char buf[kSelectorSize];
  int status = vob_obj_get_uselector(vob_.handle(), dbid_, buf, sizeof buf);
  if (status != 0)
    return trace.checked(__LINE__, status);
  selector = buf;
  return SUM_OK;
}

const char* SUM_VobObject::any_name() const {
  static TextRing ring;
  if (is_null())
    return ring.keep("<null object>");
  char buf[1024];
  // No view tag is passed: names are relative to no view, as the
  // repository's message name without a view context.
  if (vob_obj_get_any_name(vob_.handle(), dbid_, nullptr, buf, sizeof buf) != 0)
    return ring.keep("???");
  return ring.keep(buf);
}

const char* SUM_VobObject::any_fullname() const {
  static TextRing ring;
  if (is_null())
    return ring.keep("<null object>");
  SUM_String text;
  if (selector(1, text) != 0)
    return ring.keep("???");
  return ring.keep(text);
}

int SUM_VobObject::master(SUM_Replica& replica) const {
  SUM_Trace trace("SUM_VobObject::master");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t dbid = 0;
  int status = vob_obj_get_master(vob_.handle(), dbid_, &dbid);
  if (status != 0)
    return trace.checked(__LINE__, status);
  replica = SUM_Replica(vob_, dbid);
  return SUM_OK;
}

int SUM_VobObject::chmaster(const SUM_Replica& replica, const char* comment, int opcode) const {
  SUM_Trace trace("SUM_VobObject::chmaster");
  if (is_null() || replica.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t target = 0;
  int status = replica_dbid_in(vob_, replica, target);
  if (status == 0) {
    vob_event_info_t event;
    event.comment = comment;
    event.opcode = opcode;
    status = vob_obj_set_master_int(vob_.handle(), dbid_, target, &event);
  }
  if (status != 0)
    trace.status_line(__LINE__, status);
  return status;
}

int SUM_VobObject::has_local_mastership(int& local) const {
  SUM_Trace trace("SUM_VobObject::has_local_mastership");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int answer = 0;
  int status = vob_obj_has_local_mastership(vob_.handle(), dbid_, &answer);
  if (status != 0)
    return trace.checked(__LINE__, status);
  local = answer ? 1 : 0;
  return SUM_OK;
}

int SUM_VobObject::has_local_mastership(int& local, SUM_Replica& master_replica,
                                        SUM_Replica& here) const {
  SUM_Trace trace("SUM_VobObject::has_local_mastership");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int answer = 0;
  SUM_Replica found_master;
  tbs_dbid_t local_replica = 0;
  int status = vob_obj_has_local_mastership(vob_.handle(), dbid_, &answer);
  if (status == 0)
    status = master(found_master);
  if (status == 0)
    status = vob_ob_get_replica(vob_.handle(), &local_replica);
  if (status != 0)
    return trace.checked(__LINE__, status);
  local = answer ? 1 : 0;
  master_replica = found_master;
  here = SUM_Replica(vob_, local_replica);
  return SUM_OK;
}

int SUM_VobObject::exists(int& result) const {
  SUM_Trace trace("SUM_VobObject::exists");
  if (dbid_ == 0) {
    result = 0;
    return SUM_OK;
  }
  if (vob_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int answer = 0;
  int status = vob_obj_exists(vob_.handle(), dbid_, &answer);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = answer ? 1 : 0;
  return SUM_OK;
}

int SUM_VobObject::is_obsolete(int& result) const {
  SUM_Trace trace("SUM_VobObject::is_obsolete");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_lock_t lock;
  int status = vob_obj_get_lock(vob_.handle(), dbid_, &lock);
  if (status == SUM_NOT_FOUND) {
    result = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = lock.obsolete ? 1 : 0;
  return SUM_OK;
}

int SUM_VobObject::check_change_permission() const {
  SUM_Trace trace("SUM_VobObject::check_change_permission");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = vob_obj_check_change(vob_.handle(), dbid_);
  if (status == TBS_ST_NO_PERMISSION)
    status = SUM_FAILED;
  return trace.checked(__LINE__, status);
}

int SUM_VobObject::is_locked(int& result) const {
  SUM_Trace trace("SUM_VobObject::is_locked");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_lock_t lock;
  int status = vob_obj_get_lock(vob_.handle(), dbid_, &lock);
  if (status == SUM_NOT_FOUND) {
    result = 0;
    return SUM_OK;
  }
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = vob_utl_lock_excludes_user(&lock, nullptr) == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_VobObject::is_dir(int& result) const {
  SUM_Trace trace("SUM_VobObject::is_dir");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int answer = 0;
  int status = vob_obj_is_dir(vob_.handle(), dbid_, &answer);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = answer ? 1 : 0;
  return SUM_OK;
}

int SUM_NamedObject::name(SUM_String& name) const {
  SUM_Trace trace("SUM_NamedObject::name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  char buf[kNameSize];
  int status = vob_obj_get_name(vob_.handle(), dbid_, buf, sizeof buf);
  if (status != 0)
    return trace.checked(__LINE__, status);
  name = buf;
  return SUM_OK;
}

int SUM_NamedObject::name(char (&buf)[256]) const {
  SUM_Trace trace("SUM_NamedObject::name");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  char found[kNameSize];
  int status = vob_obj_get_name(vob_.handle(), dbid_, found, sizeof found);
  if (status != 0)
    return trace.checked(__LINE__, status);
  std::snprintf(buf, sizeof buf, "%s", found);
  return SUM_OK;
}

int SUM_NamedObject::set_name_basic(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_NamedObject::set_name_basic");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_info_t event;
  event.comment = comment;
  return trace.checked(__LINE__, vob_obj_set_name(vob_.handle(), dbid_, name, &event));
}

int SUM_NamedObject::set_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_NamedObject::set_name");
  if (is_null() || name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_mtype_t mtype = VOB_MTYPE_NONE;
  vob_objsel_kind_t kind = VOB_SEL_ANY;
  int done = 0;
  int status = metatype(mtype);
  if (status == 0)
    status = vob_obj_get_objsel_kind(vob_.handle(), dbid_, &kind);
  if (status == 0)
    status = cmd_utl_rename_zem_obj(vob_.handle(), dbid_, mtype, kind, name, comment, &done);
  if (status == 0 && !done)
    status = set_name_basic(name, comment);
  if (status != 0)
    trace.status_line(__LINE__, status);
  return status;
}

int SUM_VobObject::trtype_refs_refuse(imsg_checked_id<const char*> message, int& referenced) const {
  SUM_Trace trace("SUM_VobObject::trtype_refs_refuse");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int refs = 0;
  int status = vob_obj_refd_by_trtype(vob_.handle(), dbid_, &refs);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (refs)
    imsg_print(IMSG_ERROR, message, any_name());
  referenced = refs;
  return SUM_OK;
}
