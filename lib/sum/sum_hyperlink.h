// Hyperlinks: SUM_Hyperlink (a handle on one hyperlink) and the iterators
// over the hyperlinks of an object or the objects they lead to. The
// hyperlink operations of SUM_VobObject are defined with them.
#ifndef SUM_SUM_HYPERLINK_H
#define SUM_SUM_HYPERLINK_H

#include <vector>

#include "services/vob.h"
#include "sum/sum_stg_area.h"
#include "sum/sum_vob.h"
#include "sum/sum_vob_object.h"

// A handle on one hyperlink: its dbid in the VOB that holds it. Its arrow
// record is read on first request and kept with the handle (copies share
// nothing: each copy owns its own cached record).
class SUM_Hyperlink {
 public:
  SUM_Hyperlink() = default;
  SUM_Hyperlink(const SUM_Vob& vob, unsigned handle) : handle_(handle), vob_(vob) {}
  SUM_Hyperlink(const SUM_Hyperlink& other);
  SUM_Hyperlink& operator=(const SUM_Hyperlink& other);
  ~SUM_Hyperlink();

  // The arrow record (type and both ends); a null hyperlink is 1072.
  int arrow(vob_arrow_info_t& out);
  // The object at `end` (0 "from", 1 "to"): a broken end gives a null
  // object and `broken` 1. A null hyperlink is 1072.
  int obj_util(SUM_VobObject& out, int end, int& broken);

  int is_null() const { return handle_ == 0 || vob_.is_null() ? 1 : 0; }
  const SUM_Vob& vob() const { return vob_; }
  unsigned handle() const { return handle_; }

 private:
  unsigned handle_ = 0;
  SUM_Vob vob_;
  vob_arrow_info_t* arrow_ = nullptr;  // owned; null until requested
};

inline bool operator==(const SUM_Hyperlink& a, const SUM_Hyperlink& b) {
  return a.handle() == b.handle() && a.vob() == b.vob();
}
inline bool operator!=(const SUM_Hyperlink& a, const SUM_Hyperlink& b) {
  return !(a == b);
}

// Walks the hyperlinks of one type at one object in one direction, 32 at a
// time. `first` starts (again) from the beginning; `is_done` is true once the
// walk is over or a call failed, whose status `status` then returns.
class SUM_HlinkWalk {
 public:
  SUM_HlinkWalk(const SUM_VobObject& obj, vob_wkobj_t type, int direction);
  virtual ~SUM_HlinkWalk() = default;
  virtual void first();
  virtual void next();
  virtual int is_done() const { return done_ ? 1 : 0; }
  virtual int status() const { return status_; }

 protected:
  // The current end; valid while not done.
  const vob_hlink_end_t& current_end() const { return chunk_[pos_]; }

 private:
  void fetch();

  SUM_VobObject obj_;
  vob_wkobj_t type_;
  int direction_;
  SUM_VobCursor cursor_;
  std::vector<vob_hlink_end_t> chunk_;
  size_t pos_ = 0;
  bool done_ = true;
  int status_ = 0;
};

// The objects at the other end; a broken end yields a null object.
class SUM_VobObjectIter : public SUM_HlinkWalk {
 public:
  using SUM_HlinkWalk::SUM_HlinkWalk;
  SUM_VobObject current_item() const;
};

// The hyperlinks themselves.
class SUM_HyperlinkIter : public SUM_HlinkWalk {
 public:
  using SUM_HlinkWalk::SUM_HlinkWalk;
  SUM_Hyperlink current_item() const;
};

#endif  // SUM_SUM_HYPERLINK_H
