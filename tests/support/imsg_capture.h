// Captures what the message service prints, per severity, while it lives.
#ifndef TESTS_SUPPORT_IMSG_CAPTURE_H
#define TESTS_SUPPORT_IMSG_CAPTURE_H

#include <string>
#include <utility>
#include <vector>

#include "services/imsg.h"

namespace test_support {

class ImsgCapture {
 public:
  ImsgCapture();
  ~ImsgCapture();
  ImsgCapture(const ImsgCapture&) = delete;
  ImsgCapture& operator=(const ImsgCapture&) = delete;

  // Every captured (severity, text) in order.
  const std::vector<std::pair<int, std::string>>& all() const { return messages_; }
  // The texts of one severity, in order.
  std::vector<std::string> texts(int severity) const;
  // All texts of one severity joined.
  std::string joined(int severity) const;
  void clear() { messages_.clear(); }

  void add(int severity, const char* text) { messages_.emplace_back(severity, text); }

 private:
  imsg_proc_t saved_[IMSG_NUM_PROCS];
  void* saved_arg_ = nullptr;
  std::vector<std::pair<int, std::string>> messages_;
};

}  // namespace test_support

#endif  // TESTS_SUPPORT_IMSG_CAPTURE_H
