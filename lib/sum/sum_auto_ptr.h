// AutoPtr<T>: sole ownership of one heap object, deleted with its owner.
//
// Used for iterators and the long-lived helpers of multi-step operations, so
// that every exit path frees them. A class with a virtual destructor is
// deleted through it, so an AutoPtr of a base may own a derived object.
#ifndef SUM_SUM_AUTO_PTR_H
#define SUM_SUM_AUTO_PTR_H

template <typename T>
class AutoPtr {
 public:
  // Owns nothing.
  AutoPtr() = default;
  // Owns `object` (null: nothing).
  explicit AutoPtr(T* object) : object_(object) {}
  // Deletes the owned object.
  ~AutoPtr() { delete object_; }
  AutoPtr(const AutoPtr&) = delete;
  AutoPtr& operator=(const AutoPtr&) = delete;

  // The owned object, or null; ownership stays.
  T* get() const { return object_; }
  // The owned object; an AutoPtr owning nothing must not be dereferenced.
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  // Gives up ownership and returns the object (null when none).
  T* release() {
    T* object = object_;
    object_ = nullptr;
    return object;
  }
  // Deletes the owned object, unless it is `object`, and owns `object`.
  void reset(T* object = nullptr) {
    if (object != object_) {
      delete object_;
      object_ = object;
    }
  }

 private:
  T* object_ = nullptr;
};

#endif  // SUM_SUM_AUTO_PTR_H
