// Invocation of the operation callbacks and the progress texts.
#include "sum/sum_callbacks.h"

#include <string>

#include "services/imsg.h"
#include "sum/sum_catalogs.h"
#include "sum/sum_trace.h"

namespace {

// The text of progress operation `op` at step `n` of `total`; empty for
// operations without one (phase marks).
std::string progress_text(SUM_ProgressCB::Operation op, int n, int total) {
  switch (op) {
    case SUM_ProgressCB::PREPARE_COMPONENT:
      return imsg_format(sum_callbacks_msg::PreparingComponent, n, total);
    case SUM_ProgressCB::PREPARE_BASELINE:
      return imsg_format(sum_callbacks_msg::PreparingBaseline, n, total);
    case SUM_ProgressCB::PREPARE_CHANGE_SET:
      return imsg_format(sum_callbacks_msg::PreparingChangeSet, n, total);
    case SUM_ProgressCB::EVALUATE_BASELINE:
      return imsg_format(sum_callbacks_msg::EvaluatingBaseline, n, total);
    case SUM_ProgressCB::COMPARE_BASELINE:
      return imsg_format(sum_callbacks_msg::ComparingBaseline, n, total);
    case SUM_ProgressCB::SEARCH_DEPENDENT_ACTIVITIES:
      return imsg_format(sum_callbacks_msg::SearchingDependentActivities);
    case SUM_ProgressCB::CHECK_TARSEN_ACTIVITY:
      return imsg_format(sum_callbacks_msg::CheckingTarsenActivity, n, total);
    default:
      return std::string();
  }
}

}  // namespace

int SUM_ActionCB::invoke(const SUM_String& text) {
  SUM_Trace trace("SUM_ActionCB::invoke");
  action = text;
  if (f == nullptr)
    return 0;
  return f(*this);
}

int SUM_ActivityListCB::invoke(const SUM_ActivityList* list) {
  SUM_Trace trace("SUM_ActivityListCB::invoke");
  if (f == nullptr)
    return 0;
  activities = list;
  int answer = 0;
  f(*this, answer);
  activities = nullptr;
  return answer;
}

int SUM_ComponentCB::invoke(const SUM_Component* comp) {
  SUM_Trace trace("SUM_ComponentCB::invoke");
  if (f == nullptr)
    return 0;
  component = comp;
  int answer = 0;
  f(*this, answer);
  component = nullptr;
  return answer;
}

int ConfigChangeCB::invoke(const SUM_FoundationChange* fchange) {
  SUM_Trace trace("ConfigChangeCB::invoke");
  if (f == nullptr)
    return 0;
  change = fchange;
  return f(*this);
}

int SUM_ElementCB::invoke(const SUM_Element* elem, unsigned v1, unsigned v2) {
  SUM_Trace trace("SUM_ElementCB::invoke");
  if (f == nullptr)
    return 0;
  element = elem;
  value1 = v1;
  value2 = v2;
  int answer = 0;
  f(*this, answer);
  element = nullptr;
  return answer;
}

int DiffBaselinesCb::invoke(const SUM_Baseline* bl1, const SUM_Baseline* bl2, unsigned v) {
  SUM_Trace trace("DiffBaselinesCb::invoke");
  if (f == nullptr)
    return 0;
  baseline1 = bl1;
  baseline2 = bl2;
  value = v;
  int answer = 0;
  f(*this, answer);
  baseline1 = nullptr;
  baseline2 = nullptr;
  return answer;
}

int LabelBaselinesCb::invoke(const SUM_Baseline* bl, int n, SumOpStatus st, unsigned v) {
  SUM_Trace trace("LabelBaselinesCb::invoke");
  if (f == nullptr)
    return 0;
  baseline = bl;
  number = n;
  status = st;
  value = v;
  int answer = 0;
  f(*this, answer);
  baseline = nullptr;
  return answer;
}

int MakeBaselinesCb::invoke(const SUM_Component* comp, const SUM_Baseline* bl, SumOpStatus st,
                            unsigned v) {
  SUM_Trace trace("MakeBaselinesCb::invoke");
  if (f == nullptr)
    return 0;
  component = comp;
  baseline = bl;
  status = st;
  value = v;
  int answer = 0;
  f(*this, answer);
  component = nullptr;
  baseline = nullptr;
  return answer;
}

int SUM_SortedVersionListCB::invoke(fcset_key_t* k1, unsigned v1, fcset_key_t* k2, unsigned v2) {
  SUM_Trace trace("SUM_SortedVersionListCB::invoke");
  if (f == nullptr)
    return 0;
  keys1 = k1;
  value1 = v1;
  keys2 = k2;
  value2 = v2;
  int answer = 0;
  f(*this, answer);
  keys1 = nullptr;
  keys2 = nullptr;
  return answer;
}

int ViewReloadCB::invoke(const SUM_View* v) {
  SUM_Trace trace("ViewReloadCB::invoke");
  if (f == nullptr)
    return 0;
  view = v;
  int answer = f(*this);
  view = nullptr;
  return answer;
}

int ViewUpdateCB::invoke(const SUM_View* v) {
  SUM_Trace trace("ViewUpdateCB::invoke");
  if (f == nullptr)
    return 0;
  view = v;
  int answer = f(*this);
  view = nullptr;
  return answer;
}

int SUM_TKLoginCB::invoke(SUM_Project* proj, SUM_String* txt, SUM_BreltLoginInfo& login) {
  SUM_Trace trace("SUM_TKLoginCB::invoke");
  if (f == nullptr)
    return 0;
  project = proj;
  text = txt;
  int answer = 0;
  f(*this, login, answer);
  project = nullptr;
  text = nullptr;
  return answer;
}

SUM_ProgressCB::SUM_ProgressCB(const SUM_ProgressCB& other)
    : f(other.f),
      cd(other.cd),
      reserved(other.reserved),
      operation(other.operation),
      count(other.count),
      number(other.number) {}

SUM_ProgressCB& SUM_ProgressCB::operator=(const SUM_ProgressCB& other) {
  f = other.f;
  cd = other.cd;
  reserved = other.reserved;
  operation = other.operation;
  message = nullptr;
  count = other.count;
  number = other.number;
  return *this;
}

int SUM_ProgressCB::invoke(Operation op, int n, int total) {
  SUM_Trace trace("SUM_ProgressCB::invoke");
  if (f == nullptr)
    return 0;
  operation = op;
  number = n;
  count = total;
  message = new SUM_String(progress_text(op, n, total).c_str());
  int answer = 0;
  f(*this, answer);
  delete message;
  message = nullptr;
  return answer;
}

SUM_VerctlCB::SUM_VerctlCB() {
  for (int i = 0; i < kWords; ++i)
    words[i] = 0;
}

SUM_VerctlCB::SUM_VerctlCB(const SUM_VerctlCB& other) {
  for (int i = 0; i < kWords; ++i)
    words[i] = other.words[i];
}

SUM_VerctlCB& SUM_VerctlCB::operator=(const SUM_VerctlCB& other) {
  for (int i = 0; i < kWords; ++i)
    words[i] = other.words[i];
  return *this;
}
