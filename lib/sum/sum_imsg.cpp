// SUM_Imsg, SUM_ImsgPresenter and SUM_ImsgRedirector.
#include "sum/sum_imsg.h"

#include <cstdarg>
#include <cstdlib>
#include <cstring>

namespace {

// Whether a redirector destroyed with captured messages shows them; read
// from IMSG_LOST_OUTPUT once and remembered for the rest of the process.
bool report_lost_output() {
  static const bool report = [] {
    const char* value = std::getenv("IMSG_LOST_OUTPUT");
    return value != nullptr && *value != '\0';
  }();
  return report;
}

// The slots a redirector does not capture (2, 3, 8, 9, 10) pass their text to
// the handler installed before it, with that handler's own argument: the
// service has one argument for all slots, and while the redirector lives that
// argument is the redirector.
template <int Severity>
void pass_to_previous(const char* text, void* redirector) {
  static_cast<SUM_ImsgRedirector*>(redirector)->skip(text, Severity);
}

}  // namespace

void SUM_Imsg::Format(const imsg_catalog_t* catalog, int index, ...) {
  static char buffer[65536];
  buffer[sizeof buffer - 1] = '\0';
  va_list args;
  va_start(args, index);
  imsg_vsprintf(buffer, sizeof buffer, catalog, index, args);
  va_end(args);
  text = buffer;
}

int SUM_ImsgPresenter::ok(const char* text) const {
  imsg_print_literal(IMSG_INFO, "%s", text != nullptr ? text : "");
  return 0;
}

int SUM_ImsgPresenter::warn(const char* text) const {
  imsg_print_literal(IMSG_WARNING, "%s", text != nullptr ? text : "");
  return 0;
}

int SUM_ImsgPresenter::error(const char* text) const {
  imsg_print_literal(IMSG_ERROR, "%s", text != nullptr ? text : "");
  return 0;
}

int SUM_ImsgPresenter::prompt_yes_no(int severity, const char* question, long attempts, long flags,
                                     long& answer) const {
  imsg_prompt_yes_no(severity, question, attempts, flags, &answer);
  return 0;
}

SUM_ImsgRedirector::SUM_ImsgRedirector() {
  imsg_get_redirect_procs(saved_procs_, &saved_arg_);
  procs_[2] = pass_to_previous<2>;
  procs_[3] = pass_to_previous<3>;
  procs_[8] = pass_to_previous<8>;
  procs_[9] = pass_to_previous<9>;
  procs_[10] = pass_to_previous<10>;
  procs_[0] = procs_[1] = sum_imsg_handle_info_msg;
  procs_[4] = procs_[5] = sum_imsg_handle_warning_msg;
  procs_[6] = procs_[7] = sum_imsg_handle_error_msg;
  imsg_set_redirect_procs(procs_, this);
}

SUM_ImsgRedirector::~SUM_ImsgRedirector() {
  imsg_set_redirect_procs(saved_procs_, saved_arg_);
  if (report_lost_output() && count() > 0) {
    imsg_print_literal(IMSG_INFO, "Notice: some imsg output may not have been displayed:\n");
    for (unsigned i = 0; i < list_->count(); ++i)
      imsg_print_literal(IMSG_INFO, "%s\n", static_cast<const char*>((*list_)[i].msg));
  }
  delete list_;
  list_ = nullptr;
}

SUM_String SUM_ImsgRedirector::messages() const {
  SUM_String all;
  for (int i = 0; i < count(); ++i)
    all += (*list_)[static_cast<unsigned>(i)].msg;
  return all;
}

int SUM_ImsgRedirector::count() const {
  return list_ != nullptr ? static_cast<int>(list_->count()) : 0;
}

void SUM_ImsgRedirector::clear() {
  if (list_ != nullptr)
    list_->clear();
  last_was_warning_ = 0;
  last_was_error_ = 0;
}

void SUM_ImsgRedirector::add(const char* text, int type) {
  if (list_ == nullptr)
    list_ = new ImsgWithTypeList();
  ImsgWithType item;
  item.msg = text;
  item.type = type;
  list_->append(item);
  last_was_warning_ = type == 4 ? 1 : 0;
  last_was_error_ = type == 6 ? 1 : 0;
}

void SUM_ImsgRedirector::skip(const char* text, int severity) {
  if (severity < 0 || severity >= IMSG_NUM_PROCS)
    return;
  saved_procs_[severity](text != nullptr ? text : "", saved_arg_);
}

const char* SUM_ImsgRedirector::message(int i) const {
  return (*list_)[static_cast<unsigned>(i)].msg;
}

int SUM_ImsgRedirector::type(int i) const {
  return (*list_)[static_cast<unsigned>(i)].type;
}

void sum_imsg_handle_info_msg(const char* text, void* redirector) {
  static_cast<SUM_ImsgRedirector*>(redirector)->add(text, 0);
}

void sum_imsg_handle_warning_msg(const char* text, void* redirector) {
  static_cast<SUM_ImsgRedirector*>(redirector)->add(text, 4);
}

void sum_imsg_handle_error_msg(const char* text, void* redirector) {
  static_cast<SUM_ImsgRedirector*>(redirector)->add(text, 6);
}
