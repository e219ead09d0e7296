// SUM_Handle<Rep>: a reference-counted handle to a shared representation.
//
// Copies of a handle share one representation; it is deleted when the last
// handle to it goes away. Rep derives from SUM_HandleRep, whose count is
// thus its first field, and starts with a count of 0. Not guarded: handles
// sharing a representation are used from one thread.
#ifndef SUM_SUM_HANDLE_H
#define SUM_SUM_HANDLE_H

// The reference count of a representation; handles maintain it.
struct SUM_HandleRep {
  int ref_count = 0;
};

template <typename Rep>
class SUM_Handle {
 public:
  // The empty handle.
  SUM_Handle() = default;
  // Shares `other`'s representation.
  SUM_Handle(const SUM_Handle& other) : rep_(other.rep_) { acquire(rep_); }
  // Takes a representation (normally freshly made, with a count of 0) into
  // shared ownership; null gives the empty handle.
  explicit SUM_Handle(Rep* rep) : rep_(rep) { acquire(rep_); }
  // Shares `other`'s representation, releasing the current one; the new one
  // is acquired first, so assigning a handle to itself is safe.
  SUM_Handle& operator=(const SUM_Handle& other) {
    Rep* old = rep_;
    acquire(other.rep_);
    rep_ = other.rep_;
    release(old);
    return *this;
  }
  // Releases the representation, deleting it when this was the last handle.
  ~SUM_Handle() { release(rep_); }

  // The representation; the handle must not be empty.
  Rep& rep() { return *rep_; }
  const Rep& rep() const { return *rep_; }
  // The representation, or null for the empty handle.
  Rep* repp() { return rep_; }
  const Rep* repp() const { return rep_; }

 private:
  static void acquire(Rep* rep) {
    if (rep != nullptr)
      ++rep->ref_count;
  }
  static void release(Rep* rep) {
    if (rep != nullptr && --rep->ref_count == 0)
      delete rep;
  }

  Rep* rep_ = nullptr;
};

#endif  // SUM_SUM_HANDLE_H
