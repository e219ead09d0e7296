// Hyperlinks: SUM_Hyperlink, the hyperlink walks, and the hyperlink
// operations of SUM_VobObject.
#include "sum/sum_hyperlink.h"

#include "sum/sum_catalogs.h"
#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_hyperlink";
constexpr size_t kChunk = 32;

// The event of a change with `comment`.
vob_event_info_t event_with(const char* comment) {
  vob_event_info_t event;
  event.comment = comment;
  return event;
}

// Prints "Unable to create hlink ..." naming the type, this object and `to`.
void report_create_failure(const SUM_VobObject& from, const char* type_name,
                           const SUM_VobObject& to) {
  imsg_print(IMSG_ERROR, sum_msg::HlinkCreateFailed, type_name, from.any_name(), to.any_name());
}

// The message name of a well-known hyperlink type of `vob`.
const char* wk_type_name(const SUM_Vob& vob, vob_wkobj_t type) {
  SUM_VobObject type_object;
  if (vob.wk_obj(type, type_object) != 0)
    return "???";
  return type_object.any_name();
}

}  // namespace

// ---- SUM_Hyperlink ------------------------------------------------------------------

SUM_Hyperlink::SUM_Hyperlink(const SUM_Hyperlink& other)
    : handle_(other.handle_),
      vob_(other.vob_),
      arrow_(other.arrow_ != nullptr ? new vob_arrow_info_t(*other.arrow_) : nullptr) {}

SUM_Hyperlink& SUM_Hyperlink::operator=(const SUM_Hyperlink& other) {
  if (this == &other)
    return *this;
  handle_ = other.handle_;
  vob_ = other.vob_;
  delete arrow_;
  arrow_ = other.arrow_ != nullptr ? new vob_arrow_info_t(*other.arrow_) : nullptr;
  return *this;
}

SUM_Hyperlink::~SUM_Hyperlink() {
  delete arrow_;
}

int SUM_Hyperlink::arrow(vob_arrow_info_t& out) {
  SUM_Trace trace("SUM_Hyperlink::arrow");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  if (arrow_ == nullptr) {
    vob_arrow_info_t read;
    int status = vob_hlink_hlinkh_get_arrow(vob_.handle(), handle_, &read);
    if (status != 0)
      return trace.checked(__LINE__, status);
    arrow_ = new vob_arrow_info_t(read);
  }
  out = *arrow_;
  return SUM_OK;
}

int SUM_Hyperlink::obj_util(SUM_VobObject& out, int end, int& broken) {
  SUM_Trace trace("SUM_Hyperlink::obj_util");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_vob_h obj_vob = nullptr;
  tbs_dbid_t obj = 0;
  int is_broken = 0;
  int status =
      vob_hlink_hlinkh_get_one_obj(vob_.handle(), handle_, end, &obj_vob, &obj, &is_broken);
  if (status != 0)
    return trace.checked(__LINE__, status);
  broken = is_broken;
  SUM_Vob where;
  if (!is_broken)
    SUM_Vob::construct_from_handle(obj_vob, where);
  out = is_broken ? SUM_VobObject() : SUM_VobObject(where, obj);
  return SUM_OK;
}

// ---- walks ------------------------------------------------------------------------------

SUM_HlinkWalk::SUM_HlinkWalk(const SUM_VobObject& obj, vob_wkobj_t type, int direction)
    : obj_(obj), type_(type), direction_(direction), cursor_(obj.vob()) {}

void SUM_HlinkWalk::first() {
  SUM_Trace trace("SUM_HlinkWalk::first");
  cursor_.reset();
  chunk_.clear();
  pos_ = 0;
  done_ = false;
  status_ = 0;
  if (obj_.is_null()) {
    status_ = sum_int_error(kSource, trace.name(), __LINE__);
    done_ = true;
    return;
  }
  status_ = vob_obj_hlink_cursor_open(obj_.vob().handle(), obj_.dbid(), type_, direction_,
                                      &cursor_.handle());
  if (status_ != 0) {
    trace.status_line(__LINE__, status_);
    done_ = true;
    return;
  }
  fetch();
}

void SUM_HlinkWalk::next() {
  if (done_)
    return;
  if (++pos_ < chunk_.size())
    return;
  fetch();
}

// Reads chunks until one holds an end, the walk is over, or a call fails.
// Chunks that come back empty while the cursor is open are skipped.
void SUM_HlinkWalk::fetch() {
  pos_ = 0;
  chunk_.clear();
  while (chunk_.empty()) {
    int status = vob_obj_next_hlinks(cursor_.handle(), kChunk, chunk_);
    if (status != 0) {
      status_ = status == SUM_NOT_FOUND ? 0 : status;
      done_ = true;
      cursor_.reset();
      return;
    }
  }
}

SUM_VobObject SUM_VobObjectIter::current_item() const {
  if (is_done())
    return SUM_VobObject();
  const vob_hlink_end_t& e = current_end();
  if (e.broken)
    return SUM_VobObject();
  SUM_Vob vob;
  SUM_Vob::construct_from_handle(e.other_vob, vob);
  return SUM_VobObject(vob, e.other);
}

SUM_Hyperlink SUM_HyperlinkIter::current_item() const {
  if (is_done())
    return SUM_Hyperlink();
  const vob_hlink_end_t& e = current_end();
  SUM_Vob vob;
  if (e.hlink_vob == nullptr)
    return SUM_Hyperlink();
  SUM_Vob::construct_from_handle(e.hlink_vob, vob);
  return SUM_Hyperlink(vob, e.hlink);
}

// ---- SUM_VobObject hyperlink operations ---------------------------------------------------

int SUM_VobObject::has_hyperlink(vob_wkobj_t type, int direction, int& result) const {
  SUM_Trace trace("SUM_VobObject::has_hyperlink");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  int has = 0;
  int status = vob_obj_has_hlink(vob_.handle(), dbid_, type, direction, &has);
  if (status != 0)
    return trace.checked(__LINE__, status);
  result = has;
  return SUM_OK;
}

int SUM_VobObject::has_hyperlink_to(const SUM_VobObject& other, vob_wkobj_t type,
                                    int& result) const {
  SUM_Trace trace("SUM_VobObject::has_hyperlink_to");
  if (is_null() || other.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t hlink = 0;
  int status =
      vob_obj_find_wk_hlink(vob_.handle(), dbid_, type, other.vob().handle(), other.dbid(), &hlink);
  if (status != 0 && status != SUM_NOT_FOUND)
    return trace.checked(__LINE__, status);
  result = status == 0 ? 1 : 0;
  return SUM_OK;
}

int SUM_VobObject::create_hyperlink_to(const SUM_VobObject& to, vob_wkobj_t type,
                                       const char* from_text, const char* to_text,
                                       const char* comment) const {
  SUM_Trace trace("SUM_VobObject::create_hyperlink_to");
  if (is_null() || to.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_info_t event = event_with(comment);
  int status = vob_hlink_create_wk(vob_.handle(), dbid_, type, to.vob().handle(), to.dbid(),
                                   from_text != nullptr ? from_text : "",
                                   to_text != nullptr ? to_text : "", &event, nullptr);
  if (status != 0)
    report_create_failure(*this, wk_type_name(vob_, type), to);
  return trace.checked(__LINE__, status);
}

int SUM_VobObject::create_hyperlink_to(const SUM_VobObject& to, const char* type_name,
                                       const char* from_text, const char* to_text,
                                       const char* comment) const {
  SUM_Trace trace("SUM_VobObject::create_hyperlink_to");
  if (is_null() || to.is_null() || type_name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_event_info_t event = event_with(comment);
  int status = SUM_OK;
  for (const SUM_Vob& vob : {vob_, to.vob()}) {
    tbs_dbid_t type = 0;
    status = vob_resolve_type(vob.handle(), type_name, VOB_MTYPE_HYPERLINK_TYPE, &type);
    if (status == SUM_NOT_FOUND)
      status = vob_hltype_create(vob.handle(), type_name, &event, &type);
    if (status != 0)
      break;
  }
  if (status == 0)
    status = vob_hlink_create(vob_.handle(), dbid_, type_name, to.vob().handle(), to.dbid(),
                              from_text != nullptr ? from_text : "",
                              to_text != nullptr ? to_text : "", &event, nullptr);
  if (status != 0)
    report_create_failure(*this, type_name, to);
  return trace.checked(__LINE__, status);
}

int SUM_VobObject::create_hyperlink_to_new(vob_vob_h to_vob, tbs_dbid_t to, vob_wkobj_t type,
                                           const char* from_text, const char* to_text,
                                           const char* comment) const {
  SUM_Trace trace("SUM_VobObject::create_hyperlink_to_new");
  SUM_Vob target_vob;
  if (is_null() || SUM_Vob::construct_from_handle(to_vob, target_vob) != 0 || to == 0)
    return sum_int_error(kSource, trace.name(), __LINE__);
  return trace.checked(__LINE__, create_hyperlink_to(SUM_VobObject(target_vob, to), type, from_text,
                                                     to_text, comment));
}

int SUM_VobObject::remove_hyperlink_to(const SUM_VobObject& to, vob_wkobj_t type, int,
                                       const char* comment) const {
  SUM_Trace trace("SUM_VobObject::remove_hyperlink_to");
  if (is_null() || to.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t hlink = 0;
  int status =
      vob_obj_find_wk_hlink(vob_.handle(), dbid_, type, to.vob().handle(), to.dbid(), &hlink);
  vob_event_info_t event = event_with(comment);
  if (status == 0)
    status = vob_hlink_delete(vob_.handle(), hlink, &event);
  return trace.checked(__LINE__, status);
}

int SUM_VobObject::remove_hyperlink_to(const SUM_VobObject& to, const char* type_name, const char*,
                                       const char* comment) const {
  SUM_Trace trace("SUM_VobObject::remove_hyperlink_to");
  if (is_null() || to.is_null() || type_name == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  tbs_dbid_t hlink = 0;
  int status =
      vob_obj_find_hlink(vob_.handle(), dbid_, type_name, to.vob().handle(), to.dbid(), &hlink);
  vob_event_info_t event = event_with(comment);
  if (status == 0)
    status = vob_hlink_delete(vob_.handle(), hlink, &event);
  return trace.checked(__LINE__, status);
}

SUM_VobObjectIter* SUM_VobObject::hyperlinked_objects(vob_wkobj_t type, int direction) const {
  return new SUM_VobObjectIter(*this, type, direction);
}

SUM_HyperlinkIter* SUM_VobObject::hyperlinks(vob_wkobj_t type, int direction) const {
  return new SUM_HyperlinkIter(*this, type, direction);
}

int SUM_VobObject::single_hyperlink(vob_wkobj_t type, SUM_Hyperlink& out, int direction) const {
  SUM_Trace trace("SUM_VobObject::single_hyperlink");
  if (is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  SUM_HyperlinkIter walk(*this, type, direction);
  walk.first();
  if (walk.status() != 0)
    return trace.checked(__LINE__, walk.status());
  if (walk.is_done())
    return SUM_NOT_FOUND;
  SUM_Hyperlink found = walk.current_item();
  walk.next();
  if (walk.status() != 0)
    return trace.checked(__LINE__, walk.status());
  if (!walk.is_done())
    return sum_int_error(kSource, trace.name(), __LINE__);
  out = found;
  return SUM_OK;
}

int SUM_VobObject::single_hyperlinked_object(vob_wkobj_t type, SUM_VobObject& out,
                                             int direction) const {
  SUM_Trace trace("SUM_VobObject::single_hyperlinked_object");
  SUM_Hyperlink link;
  int status = single_hyperlink(type, link, direction);
  if (status != 0)
    return trace.checked(__LINE__, status);
  SUM_VobObject far;
  int broken = 0;
  status = link.obj_util(far, direction != 0 ? 1 : 0, broken);
  if (status != 0)
    return trace.checked(__LINE__, status);
  if (broken)
    return SUM_FAILED;
  out = far;
  return SUM_OK;
}
