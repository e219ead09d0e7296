// SUM_StgArea and SUM_VobCursor.
#include "sum/sum_stg_area.h"

#include "sum/sum_status.h"
#include "sum/sum_trace.h"

namespace {

constexpr const char* kSource = "sum_stg_area";
constexpr size_t kBlockSize = 4096;

}  // namespace

SUM_StgArea::SUM_StgArea() {
  if (stg_create_area(kBlockSize, &area_) != 0)
    area_ = nullptr;
}

SUM_StgArea::~SUM_StgArea() {
  stg_delete_area(area_);
}

void* SUM_StgArea::alloc(size_t size) {
  return stg_alloc(area_, size);
}

char* SUM_StgArea::strdup(const char* text) {
  return area_ != nullptr ? stg_strdup(area_, text) : nullptr;
}

void SUM_VobCursor::reset() {
  if (handle_ != nullptr) {
    vob_ob_cursor_close(handle_);
    handle_ = nullptr;
  }
}

int SUM_VobCursor::open(vob_mtype_t mtype) {
  SUM_Trace trace("SUM_VobCursor::open");
  reset();
  if (vob_.is_null())
    return sum_int_error(kSource, trace.name(), __LINE__);
  vob_cursor_h opened = nullptr;
  int status = vob_ob_cursor_open(vob_.handle(), mtype, &opened);
  if (status != 0)
    return trace.checked(__LINE__, status);
  handle_ = opened;
  return SUM_OK;
}

int SUM_VobCursor::next(tbs_dbid_t& dbid) {
  SUM_Trace trace("SUM_VobCursor::next");
  if (handle_ == nullptr)
    return sum_int_error(kSource, trace.name(), __LINE__);
  int status = vob_ob_cursor_next(handle_, &dbid);
  if (status != 0 && status != SUM_NOT_FOUND)
    trace.status_line(__LINE__, status);
  return status;
}

void SUM_VobCursor::set_vob(const SUM_Vob& vob) {
  reset();
  vob_ = vob;
}
