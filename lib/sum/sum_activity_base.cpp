// SUM_ActivityBase: process variables of any object, and the activity-like
// objects of PVOBs of the activity-based form; the chunked child walks.
#include "sum/sum_activity_base.h"

#include "services/vob_zem.h"
#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_event_info.h"
#include "sum/sum_pvar.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"
#include "sum/sum_utl_names.h"

namespace {
constexpr const char* kSource = "sum_activity_base";
constexpr int kFirstLevelWithOpcodes = 4;  // event records carry codes from here
constexpr vob_mtype_t kActivityLikeMtype = 28;
}  // namespace

SUM_ActivityBase& SUM_ActivityBase::operator=(const SUM_ActivityBase& other) {
  if (this != &other) {
    SUM_NamedObject::operator=(other);
    info_.reset();
  }
  return *this;
}

// ---- process variables ----------------------------------------------------------------

int SUM_ActivityBase::pvar(const char* name, SUM_String& value) const {
  SUM_Trace trace("SUM_ActivityBase::pvar");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_get(*this, name, value));
}

int SUM_ActivityBase::pvar_exists(const char* name, int& exists) const {
  SUM_Trace trace("SUM_ActivityBase::pvar_exists");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_exists(*this, name, exists));
}

int SUM_ActivityBase::set_pvar(const char* name, const char* value, int op,
                               const char* comment) const {
  SUM_Trace trace("SUM_ActivityBase::set_pvar");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_set(*this, name, value, op, comment));
}

int SUM_ActivityBase::set_pvar_local(const char* name, const char* value, int op,
                                     const char* comment) const {
  SUM_Trace trace("SUM_ActivityBase::set_pvar_local");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_set_local(*this, name, value, op, comment));
}

int SUM_ActivityBase::test_pvar(const char* name, const char* value) const {
  SUM_Trace trace("SUM_ActivityBase::test_pvar");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_test(*this, name, value));
}

int SUM_ActivityBase::test_and_set_pvar(const char* name, const char* test_value,
                                        const char* new_value, int op) const {
  SUM_Trace trace("SUM_ActivityBase::test_and_set_pvar");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_test_and_set(*this, name, test_value, new_value, op));
}

int SUM_ActivityBase::delete_pvar(const char* name, int op) const {
  SUM_Trace trace("SUM_ActivityBase::delete_pvar");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_delete(*this, name, op));
}

int SUM_ActivityBase::delete_pvar_local(const char* name, int op) const {
  SUM_Trace trace("SUM_ActivityBase::delete_pvar_local");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, sum_pvar_delete_local(*this, name, op));
}

// ---- activity-based form ----------------------------------------------------------------

int SUM_ActivityBase::check_activity_form(const char* operation, int line) const {
  if (is_null() || vob_.supports_fc_objs())
    return sum_int_error(kSource, operation, line);
  return 0;
}

int SUM_ActivityBase::event_opcode(int op, int& out) const {
  SUM_Trace trace("SUM_ActivityBase::event_opcode");
  int below = 0;
  int status = vob_.is_feature_level_lt(kFirstLevelWithOpcodes, below);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = below ? 0 : op;
  return 0;
}

int SUM_ActivityBase::info(const SUM_ActivityInfo*& out, unsigned long mask) const {
  SUM_Trace trace("SUM_ActivityBase::info");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  auto fresh = std::make_unique<SUM_ActivityInfo>();
  int status = fresh->fetch(vob_.handle(), dbid_, mask);
  if (status != 0)
    return trace.checked(__LINE__, status);
  info_ = std::move(fresh);
  out = info_.get();
  return 0;
}

int SUM_ActivityBase::title(SUM_String& title) const {
  SUM_Trace trace("SUM_ActivityBase::title");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  const SUM_ActivityInfo* got = nullptr;
  int status = info(got, VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE));
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_String text = got->title();
  if (text.GetLength() == 0)
    return trace.checked(__LINE__, name(title));
  title = text;
  return 0;
}

int SUM_ActivityBase::set_title(const char* title, const char* comment, int op) const {
  SUM_Trace trace("SUM_ActivityBase::set_title");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  int code = 0;
  if (int status = event_opcode(op, code))
    return trace.checked(__LINE__, status);
  vob_act_info_t fields;
  fields.mask = VOB_ACT_INFO_BIT(VOB_ACT_INFO_TITLE);
  fields.title = title != nullptr ? title : "";
  SUM_EventInfo event(comment, code);
  return trace.checked(__LINE__,
                       vob_act_update(vob_.handle(), dbid_, fields.mask, &fields, event.info()));
}

int SUM_ActivityBase::set_display_name(const char* name, const char* comment) const {
  SUM_Trace trace("SUM_ActivityBase::set_display_name");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  return trace.checked(__LINE__, set_title(name, comment, 0));
}

int SUM_ActivityBase::type_object(SUM_ActivityType& type) const {
  SUM_Trace trace("SUM_ActivityBase::type_object");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  unsigned dbid = 0;
  if (int status = SUM_VobObject::type(dbid))
    return trace.checked(__LINE__, status);
  type = SUM_ActivityType(vob_, dbid);
  return 0;
}

int SUM_ActivityBase::parent(SUM_ActivityBase& parent) const {
  SUM_Trace trace("SUM_ActivityBase::parent");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  const SUM_ActivityInfo* got = nullptr;
  if (int status = info(got, VOB_ACT_INFO_BIT(VOB_ACT_INFO_PARENT)))
    return trace.checked(__LINE__, status);
  if (got->parent() == 0)
    return SUM_NOT_FOUND;
  parent = SUM_ActivityBase(vob_, got->parent());
  return 0;
}

int SUM_ActivityBase::reparent(const SUM_ActivityBase& new_parent, const char* comment,
                               int op) const {
  SUM_Trace trace("SUM_ActivityBase::reparent");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  if (!is_reparent_ok() || new_parent.is_null() || new_parent.vob() != vob_) {
    sum_int_error(kSource, trace.name(), __LINE__);
    return SUM_FAILED;
  }
  int code = 0;
  if (int status = event_opcode(op, code))
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, code);
  return trace.checked(__LINE__,
                       vob_act_move(vob_.handle(), dbid_, new_parent.dbid(), event.info()));
}

int SUM_ActivityBase::make_active(const char* comment, int op) const {
  SUM_Trace trace("SUM_ActivityBase::make_active");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  int code = 0;
  if (int status = event_opcode(op, code))
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, code);
  int status = vob_act_auto_trans_active(vob_.handle(), dbid_, event.info());
  if (status != 0)
    imsg_print(IMSG_ERROR, sum_msg::CannotActivateMessage, any_name());
  return trace.checked(__LINE__, status);
}

int SUM_ActivityBase::has_children(int& result) const {
  SUM_Trace trace("SUM_ActivityBase::has_children");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  const SUM_ActivityInfo* got = nullptr;
  if (int status = info(got, VOB_ACT_INFO_BIT(VOB_ACT_INFO_FLAGS)))
    return trace.checked(__LINE__, status);
  result = got->has_children();
  return 0;
}

SUM_ActivityBaseIter* SUM_ActivityBase::children() const {
  SUM_Trace trace("SUM_ActivityBase::children");
  if (check_activity_form(trace.name(), __LINE__) != 0)
    return nullptr;
  return new SUM_ActivityBaseIter(*this);
}

int SUM_ActivityBase::destroy_util(const char* comment, int op) const {
  SUM_Trace trace("SUM_ActivityBase::destroy_util");
  if (int status = check_activity_form(trace.name(), __LINE__))
    return status;
  int code = 0;
  if (int status = event_opcode(op, code))
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, code);
  return trace.checked(__LINE__, vob_act_delete(vob_.handle(), dbid_, event.info()));
}

int SUM_ActivityBase::common_create(const SUM_Vob& vob, const char* name, const char* title,
                                    const SUM_VobObject& type, const SUM_VobObject& parent,
                                    const char* comment, int op, SUM_ActivityBase& out) {
  SUM_Trace trace("SUM_ActivityBase::common_create");
  if (vob.is_null() || vob.supports_fc_objs() || type.is_null() || type.vob() != vob ||
      (!parent.is_null() && parent.vob() != vob))
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_String new_name(name != nullptr ? name : "");
  if (new_name.GetLength() == 0 && title != nullptr && title[0] != '\0') {
    new_name = sum_utl_generate_unique_obj_name(sum_utl_cvt_title_to_obj_name(title),
                                                kActivityLikeMtype, 0, vob);
    if (new_name.GetLength() == 0)
      return SUM_FAILED;
  }
  int code = 0;
  if (int status = SUM_ActivityBase(vob, 0).event_opcode(op, code))
    return trace.checked(__LINE__, status);
  SUM_EventInfo event(comment, code);
  tbs_dbid_t made = 0;
  int status = vob_act_create(vob.handle(), new_name, type.dbid(), parent.dbid(), title,
                              event.info(), &made);
  if (status != 0)
    return trace.checked(__LINE__, status);
  out = SUM_ActivityBase(vob, made);
  return 0;
}

// ---- chunked walks ----------------------------------------------------------------------

void SUM_DbidChunkIter::first() {
  offset_ = 0;
  chunk_.clear();
  pos_ = 0;
  last_chunk_ = false;
  done_ = false;
  status_ = 0;
  if (vob_.is_null()) {
    status_ = sum_int_error(kSource, "SUM_DbidChunkIter::first", __LINE__);
    done_ = true;
    return;
  }
  advance();
}

void SUM_DbidChunkIter::next() {
  if (done_)
    return;
  ++pos_;
  advance();
}

void SUM_DbidChunkIter::advance() {
  for (;;) {
    if (pos_ >= chunk_.size()) {
      if (last_chunk_) {
        done_ = true;
        return;
      }
      offset_ += chunk_.size();
      chunk_.clear();
      pos_ = 0;
      int status = fetch(offset_, chunk_size_, chunk_);
      if (status != 0) {
        status_ = status;
        done_ = true;
        return;
      }
      last_chunk_ = chunk_.size() < chunk_size_;
      continue;
    }
    int yes = 0;
    int status = accept(chunk_[pos_], yes);
    if (status != 0) {
      status_ = status;
      done_ = true;
      return;
    }
    if (yes)
      return;
    ++pos_;
  }
}

int SUM_ActivityBaseIter::current_item(SUM_ActivityBase& item) const {
  if (is_done())
    return sum_int_error(kSource, "SUM_ActivityBaseIter::current_item", __LINE__);
  item = SUM_ActivityBase(vob(), current_dbid());
  return 0;
}

int SUM_ActivityBaseIter::fetch(size_t offset, size_t max, std::vector<tbs_dbid_t>& out) {
  SUM_Trace trace("SUM_ActivityBaseIter::fetch");
  return trace.checked(__LINE__, vob_act_next_children(vob().handle(), parent_, offset, max, out));
}
