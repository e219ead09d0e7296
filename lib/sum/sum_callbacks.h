// Callback objects through which long operations (stream comparison, making
// and labeling baselines, virtual configurations, deliver and rebase) report
// progress to their caller and ask it questions while they run.
//
// Each callback object pairs a plain function `f` with client data `cd`
// (never looked at by the library), followed by the argument fields that
// `invoke` fills. An operation calls `invoke` with the facts of the moment;
// the object stores them in its fields, sets its answer to 0, calls `f` with
// itself (and with the answer's address when `f` takes an int&), and returns
// the answer. Pointer fields are cleared again after `f` returns, so that a
// callback never keeps pointers into the operation's data; the foundation
// change of ConfigChangeCB is the one pointer left in place. A callback
// without a function changes nothing and answers 0 (the action callback
// still copies its text).
//
// Construction from (f, cd) and default construction set every argument
// field to zero; copies copy f, cd and every field.
#ifndef SUM_SUM_CALLBACKS_H
#define SUM_SUM_CALLBACKS_H

#include <cstdint>

#include "sum/sum_lists.h"
#include "sum/sum_string.h"

class SUM_Activity;
class SUM_Baseline;
class SUM_BreltLoginInfo;
class SUM_Component;
class SUM_Element;
class SUM_FoundationChange;
class SUM_Project;
class SUM_View;
struct fcset_key_t;

// Tells the caller which step an operation is starting ("Merging files...").
class SUM_ActionCB {
 public:
  using Func = int (*)(const SUM_ActionCB&);
  SUM_ActionCB() = default;
  SUM_ActionCB(Func f, void* cd) : f(f), cd(cd) {}

  // Copies `text` into `action` (also without a function), then answers
  // f(*this), or 0 without a function.
  int invoke(const SUM_String& text);

  Func f = nullptr;
  void* cd = nullptr;
  SUM_String action;  // kept after the call
};

// Hands the caller the activities an operation found.
class SUM_ActivityListCB {
 public:
  using Func = void (*)(const SUM_ActivityListCB&, int&);
  SUM_ActivityListCB() = default;
  SUM_ActivityListCB(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets (0 unless it sets one); `activities` is null again
  // afterwards.
  int invoke(const SUM_ActivityList* list);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_ActivityList* activities = nullptr;
};

// Tells the caller the component an operation is working on.
class SUM_ComponentCB {
 public:
  using Func = void (*)(const SUM_ComponentCB&, int&);
  SUM_ComponentCB() = default;
  SUM_ComponentCB(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets; `component` is null again afterwards.
  int invoke(const SUM_Component* comp);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_Component* component = nullptr;
};

// Shows the caller one change of a stream's foundation and asks whether to
// take it.
class ConfigChangeCB {
 public:
  using Func = int (*)(const ConfigChangeCB&);
  ConfigChangeCB() = default;
  ConfigChangeCB(Func f, void* cd) : f(f), cd(cd) {}

  // f(*this); `change` stays set after the call.
  int invoke(const SUM_FoundationChange* fchange);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_FoundationChange* change = nullptr;
};

// Tells the caller the element being merged, with two values whose meaning
// the calling operation fixes.
class SUM_ElementCB {
 public:
  using Func = void (*)(const SUM_ElementCB&, int&);
  SUM_ElementCB() = default;
  SUM_ElementCB(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets; `element` is null again afterwards.
  int invoke(const SUM_Element* elem, unsigned v1, unsigned v2);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_Element* element = nullptr;
  unsigned value1 = 0;
  unsigned value2 = 0;
};

// Tells the caller the pair of baselines being compared and the progress.
class DiffBaselinesCb {
 public:
  using Func = void (*)(const DiffBaselinesCb&, int&);
  DiffBaselinesCb() = default;
  DiffBaselinesCb(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets; both baselines are null again afterwards.
  int invoke(const SUM_Baseline* bl1, const SUM_Baseline* bl2, unsigned v);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_Baseline* baseline1 = nullptr;
  const SUM_Baseline* baseline2 = nullptr;
  unsigned value = 0;
};

// Tells the caller how labeling one baseline goes.
class LabelBaselinesCb {
 public:
  // Where labeling of the baseline stands.
  enum SumOpStatus : int { STARTED = 0, SUCCEEDED = 1, FAILED = 2, SKIPPED = 3 };
  using Func = void (*)(const LabelBaselinesCb&, int&);
  LabelBaselinesCb() = default;
  LabelBaselinesCb(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets; `baseline` is null again afterwards.
  int invoke(const SUM_Baseline* bl, int n, SumOpStatus st, unsigned v);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_Baseline* baseline = nullptr;
  int number = 0;
  SumOpStatus status = STARTED;
  unsigned value = 0;
};

// Tells the caller how making the baseline of one component goes.
class MakeBaselinesCb {
 public:
  // Where making the component's baseline stands.
  enum SumOpStatus : int { STARTED = 0, SUCCEEDED = 1, FAILED = 2, SKIPPED = 3 };
  using Func = void (*)(const MakeBaselinesCb&, int&);
  MakeBaselinesCb() = default;
  MakeBaselinesCb(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets; `component` and `baseline` are null again afterwards.
  int invoke(const SUM_Component* comp, const SUM_Baseline* bl, SumOpStatus st, unsigned v);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_Component* component = nullptr;
  const SUM_Baseline* baseline = nullptr;
  SumOpStatus status = STARTED;
  unsigned value = 0;
};

// Hands the caller the sorted change-set keys before merging starts.
class SUM_SortedVersionListCB {
 public:
  using Func = void (*)(const SUM_SortedVersionListCB&, int&);
  SUM_SortedVersionListCB() = default;
  SUM_SortedVersionListCB(Func f, void* cd) : f(f), cd(cd) {}

  // The answer f sets; both keys are null again afterwards.
  int invoke(fcset_key_t* k1, unsigned v1, fcset_key_t* k2, unsigned v2);

  Func f = nullptr;
  void* cd = nullptr;
  fcset_key_t* keys1 = nullptr;
  unsigned value1 = 0;
  fcset_key_t* keys2 = nullptr;
  unsigned value2 = 0;
};

// Asks the caller to reload a view (rebase: after its config spec changed).
class ViewReloadCB {
 public:
  using Func = int (*)(const ViewReloadCB&);
  ViewReloadCB() = default;
  ViewReloadCB(Func f, void* cd) : f(f), cd(cd) {}

  // f(*this); `view` is null again afterwards.
  int invoke(const SUM_View* v);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_View* view = nullptr;
};

// Asks the caller to update a view.
class ViewUpdateCB {
 public:
  using Func = int (*)(const ViewUpdateCB&);
  ViewUpdateCB() = default;
  ViewUpdateCB(Func f, void* cd) : f(f), cd(cd) {}

  // f(*this); `view` is null again afterwards.
  int invoke(const SUM_View* v);

  Func f = nullptr;
  void* cd = nullptr;
  const SUM_View* view = nullptr;
};

// Asks the caller to log in to the tracker for a project.
class SUM_TKLoginCB {
 public:
  using Func = void (*)(SUM_TKLoginCB&, SUM_BreltLoginInfo&, int&);
  SUM_TKLoginCB() = default;
  SUM_TKLoginCB(Func f, void* cd) : f(f), cd(cd) {}

  // Stores `proj` and `txt`, passes `login` through to f, and returns the
  // answer f sets; both pointers are null again afterwards.
  int invoke(SUM_Project* proj, SUM_String* txt, SUM_BreltLoginInfo& login);

  Func f = nullptr;
  void* cd = nullptr;
  SUM_Project* project = nullptr;
  SUM_String* text = nullptr;
};

// Reports the progress of a long operation.
class SUM_ProgressCB {
 public:
  // What is happening; 3 to 9 carry a text, formatted from entry op - 3 of
  // catalog "sum/sum_callbacks" with the item number and count.
  enum Operation : int {
    NONE = 0,
    PHASE_BEGIN = 1,                  // a phase begins (no text)
    PHASE_END = 2,                    // a phase ends (no text)
    PREPARE_COMPONENT = 3,            // "Preparing component %d of %d.\n"
    PREPARE_BASELINE = 4,             // "Preparing baseline %d of %d.\n"
    PREPARE_CHANGE_SET = 5,           // "Preparing change set %d of %d.\n"
    EVALUATE_BASELINE = 6,            // "Evaluating baseline %d of %d.\n"
    COMPARE_BASELINE = 7,             // "Comparing baseline %d of %d.\n"
    SEARCH_DEPENDENT_ACTIVITIES = 8,  // "Searching for dependent activities.\n"
    CHECK_TARSEN_ACTIVITY = 9,        // "Checking Tarsen activity %d of %d.\n"
  };
  using Func = void (*)(const SUM_ProgressCB&, int&);
  SUM_ProgressCB() = default;
  SUM_ProgressCB(Func f, void* cd) : f(f), cd(cd) {}
  // Copies share no message: `message` is null in the copy.
  SUM_ProgressCB(const SUM_ProgressCB& other);
  SUM_ProgressCB& operator=(const SUM_ProgressCB& other);

  // Stores `op`, `n` and `total`, builds the message (empty for an
  // operation without a text), calls f with the answer's address, deletes
  // the message and returns the answer f sets.
  int invoke(Operation op, int n, int total);

  Func f = nullptr;
  void* cd = nullptr;
  int reserved = 0;
  Operation operation = NONE;
  SUM_String* message = nullptr;  // set only while f runs
  int count = 0;
  int number = 0;
};

// The merge service's version-control callback record: 80 bytes of plain
// data whose layout the merge service defines. Zeroed by its constructor and
// copied word by word.
class SUM_VerctlCB {
 public:
  static constexpr int kWords = 10;
  SUM_VerctlCB();
  SUM_VerctlCB(const SUM_VerctlCB& other);
  SUM_VerctlCB& operator=(const SUM_VerctlCB& other);

  std::uint64_t words[kWords];
};
static_assert(sizeof(SUM_VerctlCB) == 80, "the merge service expects an 80-byte record");

// The callbacks a deliver operation takes.
class SUM_DeliverCB {
 public:
  SUM_ProgressCB progress;
  SUM_ActivityListCB activities;
  SUM_ElementCB element;
  SUM_SortedVersionListCB sorted_versions;
  SUM_ActionCB action;
  SUM_VerctlCB verctl;
};

// The callbacks a rebase operation takes.
class SUM_RebaseCB {
 public:
  SUM_ElementCB element;
  SUM_SortedVersionListCB sorted_versions;
  SUM_ComponentCB component;
  ViewUpdateCB view_update;
  ViewReloadCB view_reload;
  SUM_ActionCB action;
  SUM_VerctlCB verctl;
};

#endif  // SUM_SUM_CALLBACKS_H
