// SUM_StgArea and SUM_VobCursor: scoped owners of the resources that listing
// calls hand out, released when their owner goes out of scope.
#ifndef SUM_SUM_STG_AREA_H
#define SUM_SUM_STG_AREA_H

#include <cstddef>

#include "services/stg.h"
#include "services/vob.h"
#include "sum/sum_vob.h"

// One storage area (blocks of 4096 bytes) holding the results of listing
// calls; everything allocated in it is freed when the object dies.
class SUM_StgArea {
 public:
  // Creates the area; area() is null when it could not be created.
  SUM_StgArea();
  ~SUM_StgArea();
  SUM_StgArea(const SUM_StgArea&) = delete;
  SUM_StgArea& operator=(const SUM_StgArea&) = delete;

  // The area, to hand to listing calls.
  stg_area_h area() const { return area_; }
  // `size` bytes, or a copy of `text`, valid while this object lives; null
  // when the area could not be created.
  void* alloc(size_t size);
  char* strdup(const char* text);

 private:
  stg_area_h area_ = nullptr;
};

// A listing cursor of a VOB. The cursor is closed by reset() and by the
// destructor; a closed cursor has a null handle.
class SUM_VobCursor {
 public:
  // A closed cursor of no VOB.
  SUM_VobCursor() = default;
  // A closed cursor of `vob`.
  explicit SUM_VobCursor(const SUM_Vob& vob) : vob_(vob) {}
  ~SUM_VobCursor() { reset(); }
  SUM_VobCursor(const SUM_VobCursor&) = delete;
  SUM_VobCursor& operator=(const SUM_VobCursor&) = delete;

  // Closes the cursor if it is open; the VOB is kept.
  void reset();
  // Closes any open cursor and opens one over the objects of `mtype`
  // (VOB_MTYPE_NONE: every object) of the VOB, in dbid order. A null VOB is
  // 1072; the open call's failure passes up and leaves the cursor closed.
  int open(vob_mtype_t mtype);
  // The next object: 0 and `dbid` set; 1002 at the end; a closed cursor is
  // 1072.
  int next(tbs_dbid_t& dbid);

  // The handle, for listing calls that open or advance the cursor
  // themselves; null while closed.
  vob_cursor_h& handle() { return handle_; }
  vob_cursor_h handle() const { return handle_; }
  const SUM_Vob& vob() const { return vob_; }
  // Closes any open cursor and moves it to another VOB.
  void set_vob(const SUM_Vob& vob);
  // 1 while a cursor is open.
  int is_open() const { return handle_ != nullptr ? 1 : 0; }

 private:
  vob_cursor_h handle_ = nullptr;
  SUM_Vob vob_;
};

#endif  // SUM_SUM_STG_AREA_H
