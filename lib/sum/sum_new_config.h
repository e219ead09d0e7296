// SUM_NewConfig, SUM_FoundationChange and SUM_ConfigChange: the change of a
// stream's configuration from its current foundation to a new one,
// computed component by component, validated against the rules of the
// stream's place in its project, reported in the user's words and committed
// to the repository ("UseBaseline" hyperlinks from the stream to its
// explicit baselines, and per-component timelines).
//
// What is computed today: the configuration of a stream that has none yet
// (a new stream), whose every change is an "add" of an explicit baseline;
// the members composite baselines imply get no changes of their own here.
// The ancestry tests of the development-stream
// rule (whether a baseline of another stream has flowed to the parent
// stream, and whether it is an ancestor of the parent's foundation
// baseline) are not asked of the baseline graph here yet; such baselines
// are refused (codes 11 and 17), never accepted unchecked.
//
// A configuration is built (init), validated (validate), then committed
// (new_stream_commit) or dropped. Operations on a configuration in the
// wrong state record an internal error and return 1072.
//
// Contracts: `int` statuses; out-parameters are filled only on success;
// repository failures pass up.
#ifndef SUM_SUM_NEW_CONFIG_H
#define SUM_SUM_NEW_CONFIG_H

#include <memory>
#include <vector>

#include "sum/sum_baseline.h"
#include "sum/sum_callbacks.h"
#include "sum/sum_component.h"
#include "sum/sum_lists.h"
#include "sum/sum_project.h"
#include "sum/sum_stream.h"
#include "sum/sum_string.h"

class SUM_NewConfig;

// The callbacks a configuration calls while it works. `validated` is
// called with each change right after its validation; an answer of 1
// stops the validation pass.
struct SUM_NewConfigCBs {
  ConfigChangeCB validated;
};

// One component's change. The base class answers every check trivially
// (valid, nothing to commit, no text); SUM_ConfigChange does the work.
class SUM_FoundationChange {
 public:
  enum Kind : int {
    NONE = 0,
    ADD = 1,
    REMOVE = 2,
    FORWARD = 3,
    BACKWARD = 4,
    SIDEWAYS = 5,
    CHANGING_IMPLIED = 6,
    ROOTLESS_SIDEWAYS = 7,
  };

  SUM_FoundationChange() = default;
  SUM_FoundationChange(SUM_NewConfig* owner, int kind, const SUM_Baseline& current,
                       const SUM_Baseline& fresh, int implied, const SUM_Component& component,
                       int modifiable)
      : owner_(owner),
        kind_(kind),
        current_(current),
        new_(fresh),
        implied_(implied),
        component_(component),
        modifiable_(modifiable) {}
  SUM_FoundationChange(const SUM_FoundationChange&) = default;
  SUM_FoundationChange& operator=(const SUM_FoundationChange&) = default;
  virtual ~SUM_FoundationChange() = default;

  // The user's text for the change's outcome (empty here).
  virtual int status_msg(SUM_String& out) const;
  // Whether the change is acceptable (always here).
  virtual int is_valid(int& valid) const;
  // Checks the change (nothing to check here).
  virtual int validate();
  // Writes the change to the stream (nothing to write here).
  virtual int commit();

  int kind() const { return kind_; }
  // Null when the component is not in the current configuration.
  const SUM_Baseline& current_baseline() const { return current_; }
  // Null when the component leaves the configuration.
  const SUM_Baseline& new_baseline() const { return new_; }
  // 1 when the new baseline is only implied by another one.
  int implied() const { return implied_; }
  const SUM_Component& component() const { return component_; }
  // 1 when the project lists the component as modifiable.
  int modifiable() const { return modifiable_; }
  SUM_NewConfig* config() const { return owner_; }

  // The text form of a kind ("none", "add", ...); null for a value outside
  // the table.
  static const char* kind2str(int kind);
  // The kind of a text form; 1002 for a text outside the table.
  static int str2kind(const char* text, int& kind);

 protected:
  SUM_NewConfig* owner_ = nullptr;
  int kind_ = NONE;
  SUM_Baseline current_;
  SUM_Baseline new_;
  int implied_ = 0;
  SUM_Component component_;
  int modifiable_ = 0;
};

// A change with a validity code.
class SUM_ConfigChange : public SUM_FoundationChange {
 public:
  // Validity codes; each but OK names the rule the new baseline breaks.
  enum Validity : int {
    OK = 0,
    NOT_LABELED = 1,            // the new baseline is not labeled
    MADE_IN_STREAM = 2,         // it was made in this stream
    NOT_IN_INTEGRATION = 3,     // below level 3: not the parent's foundation baseline
    NOT_FROM_INTEGRATION = 4,   // integration stream: made in a development stream
    CHILD_USES_REMOVED = 5,     // remove: child streams use the component
    MODIFIED_REMOVED = 6,       // remove: the stream modified it
    CHILD_USES_REVERTED = 7,    // backward: child streams use the component
    MODIFIED_REVERTED = 8,      // backward: the stream modified it
    CHILD_USES_SWITCHED = 9,    // sideways: child streams use the component
    MODIFIED_SWITCHED = 10,     // sideways: the stream modified it
    NOT_FROM_PARENT = 11,       // development stream rule
    FROM_OWN_INTEGRATION = 13,  // integration stream: made in an integration stream of its project
    NOT_APPROPRIATE_ANCESTOR = 16,  // development stream: origin comparison
    NOT_ANCESTOR = 17,              // development stream: plain ancestry
  };

  SUM_ConfigChange() = default;
  SUM_ConfigChange(SUM_NewConfig* owner, int kind, const SUM_Baseline& current,
                   const SUM_Baseline& fresh, int implied, const SUM_Component& component,
                   int modifiable)
      : SUM_FoundationChange(owner, kind, current, fresh, implied, component, modifiable) {}

  // The outcome in the configuration-change catalog's words: the refusal of
  // the validity code, or for an acceptable change the message of its kind.
  // A text longer than 153600 bytes is an internal error.
  int status_msg(SUM_String& out) const override;
  int is_valid(int& valid) const override;
  // Sets the validity code. Kinds other than "add" are not computed yet
  // (1072). Fails only when reading the repository fails.
  int validate() override;
  // Commits an "add": the timeline of a rooted component with its
  // foundation arc to the new baseline, then the "UseBaseline" hyperlink.
  // Other kinds are 1072.
  int commit() override;

  int validity() const { return validity_; }

 private:
  int check_new_baseline();
  int check_intstream_baseline();
  int check_devstream_baseline();
  int add_component();
  int set_uses_bl_hlink();

  int validity_ = OK;
};

class SUM_NewConfig {
 public:
  // A change of the configuration of existing stream `stream`.
  SUM_NewConfig(const SUM_Stream& stream, const SUM_NewConfigCBs& callbacks);
  // The configuration of a stream about to be made in `project`: placed in
  // `parent` (null: in the project), the integration stream when
  // `integration` is 1. set_stream names the stream once it exists.
  SUM_NewConfig(const SUM_Project& project, const SUM_Stream& parent, int integration,
                const SUM_NewConfigCBs& callbacks);
  SUM_NewConfig(const SUM_NewConfig&) = delete;
  SUM_NewConfig& operator=(const SUM_NewConfig&) = delete;
  ~SUM_NewConfig();

  // Computes the changes that give the stream the explicit baselines
  // `baselines`, at most one per component (two of one component: foundation
  // message 22 and 1001). The stream must have no configuration yet: the
  // computation of a rebase is not available (1072).
  int init(const SUM_BaselineList& baselines);
  // Validates every change in list order (validate_baselines); dependency
  // cycles among the baselines are not checked here.
  int validate();
  // Validates each change and hands it to the `validated` callback; an
  // answer of 1 stops the pass (`stopped` 1). `valid` is 1 when every
  // change validated is acceptable and the pass was not stopped.
  int validate_baselines(int& valid, int& stopped);
  // 1 when initialised, validated and valid.
  int is_valid(int& valid) const;

  // Names the stream a configuration built for a new stream was made for
  // (its place must match); only before anything is committed.
  int set_stream(const SUM_Stream& stream);
  // Commits the configuration of a new stream: every change must be an
  // "add" and the configuration valid (1072 otherwise). Records `comment`
  // with the timelines made. The first failure stops the commit.
  int new_stream_commit(const char* comment);

  // The changes in list order; owned by the configuration.
  const std::vector<std::unique_ptr<SUM_ConfigChange>>& changes() const { return changes_; }
  // The explicit baselines of the new configuration, in list order.
  int new_config(SUM_BaselineList& out) const;

  const SUM_Stream& stream() const { return stream_; }
  const SUM_Project& project() const { return project_; }
  // The stream the configuration's stream is placed in (null: the project).
  const SUM_Stream& parent() const { return parent_; }
  int is_integration() const { return integration_; }
  const SUM_String& comment() const { return comment_; }

  // The callbacks of stream creation: each invalid change prints its
  // message at error severity, and the pass goes on.
  static SUM_NewConfigCBs stream_creation_cbs();

 private:
  // Reads the place of an existing stream.
  int read_place();
  // Whether the project lists `component` as modifiable.
  int is_modifiable(const SUM_Component& component, int& result) const;

  SUM_Stream stream_;
  SUM_Project project_;
  SUM_Stream parent_;
  int integration_ = 0;
  int place_known_ = 0;
  SUM_NewConfigCBs callbacks_;
  SUM_ComponentList project_mod_comps_;
  std::vector<std::unique_ptr<SUM_ConfigChange>> changes_;
  int initialised_ = 0;
  int validated_ = 0;
  int valid_ = 0;
  int committed_ = 0;
  SUM_String comment_;
};

#endif  // SUM_SUM_NEW_CONFIG_H
