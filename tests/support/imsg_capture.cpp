#include "support/imsg_capture.h"

#include <utility>

namespace test_support {

namespace {

template <int Severity>
void capture(const char* text, void* arg) {
  static_cast<ImsgCapture*>(arg)->add(Severity, text);
}

template <int... S>
void fill(imsg_proc_t* procs, std::integer_sequence<int, S...>) {
  ((procs[S] = capture<S>), ...);
}

}  // namespace

ImsgCapture::ImsgCapture() {
  imsg_get_redirect_procs(saved_, &saved_arg_);
  imsg_proc_t procs[IMSG_NUM_PROCS];
  fill(procs, std::make_integer_sequence<int, IMSG_NUM_PROCS>());
  imsg_set_redirect_procs(procs, this);
}

ImsgCapture::~ImsgCapture() {
  imsg_set_redirect_procs(saved_, saved_arg_);
}

std::vector<std::string> ImsgCapture::texts(int severity) const {
  std::vector<std::string> out;
  for (const auto& [s, t] : messages_)
    if (s == severity)
      out.push_back(t);
  return out;
}

std::string ImsgCapture::joined(int severity) const {
  std::string out;
  for (const auto& t : texts(severity))
    out += t;
  return out;
}

}  // namespace test_support
